#include "icon/program_state.h"

namespace icogen {
namespace {

template <typename T>
void release(T& value, std::string_view name, std::vector<std::string_view>& released) {
    if (value.empty()) return;
    T().swap(value);
    released.push_back(name);
}

void release(ColorGrid& grid, std::string_view name, std::vector<std::string_view>& released) {
    if (grid.empty()) return;
    grid = ColorGrid{};
    released.push_back(name);
}

}  // namespace

void initProgramState(ProgramState& state) {
    state.colorGrid16 = ColorGrid{};
    state.colorGrid32 = ColorGrid{};
}

std::vector<std::string_view> releaseProgramState(ProgramState& state) {
    std::vector<std::string_view> released;
    release(state.outputIcon, "outputIcon", released);
    release(state.colorGrid16, "colorGrid16", released);
    release(state.pixels16, "pixels16", released);
    release(state.colorGrid32, "colorGrid32", released);
    release(state.pixels32, "pixels32", released);
    release(state.workIcon16, "workIcon16", released);
    release(state.workIcon32, "workIcon32", released);
    return released;
}

}  // namespace icogen
