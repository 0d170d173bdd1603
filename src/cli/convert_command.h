// icogen-convert: converts pictures into icon files on the main window's conversion path, without
// a window or a display.
//
//   icogen-convert [--size 16|32|16,32] [-o OUTPUT] [--force] PICTURE...
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/icon_conversion.h"

namespace icogen::cli {

enum ExitCode : int {
    exitOk = 0,      // every picture was converted
    exitFailed = 1,  // at least one picture was not (each named on stderr)
    exitUsage = 2,   // the command line itself is wrong
};

struct Options {
    platform::IconSizes sizes = platform::IconSizes::Size32;  // 32x32, as the window starts
    std::optional<std::string> output;
    bool force = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> pictures;
};

struct ParsedArguments {
    std::optional<Options> options;  // empty on a usage error
    std::string error;               // what was wrong, without the program name
};

// `args` without the program name.
ParsedArguments parseArguments(std::span<const std::string> args);

std::string usageText();
std::string versionText();

// The whole command: parses `args` (without the program name), converts every picture, writes
// the icons atomically, and reports on `out` (help, version) and `err` (one line per picture
// that was not converted; usage errors). Returns the exit code.
int runConvert(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace icogen::cli
