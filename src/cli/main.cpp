// icogen-convert: picture files in, icon files out. Needs no display.
#include <iostream>
#include <string>
#include <vector>

#include "cli/convert_command.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int code = icogen::cli::runConvert(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
