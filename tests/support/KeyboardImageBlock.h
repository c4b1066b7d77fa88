// The main window's keyboard image with its stored key map, as the block of
// the main window's layout that holds it, for tests and benchmarks that build
// the image in a window of their own. Portable.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/ResourcePath.h"

namespace testing_support {

// The "object HotImage1: THotImage" ... "end" lines of the main window's
// layout, or "" when not found. Event bindings are left out: the window the
// block goes into has none of the main window's handlers.
inline std::string KeyboardImageBlock() {
    std::ifstream in(ResourcePath("QorVarnoqForm.layout"), std::ios::binary);
    std::string line, block, end;
    while (std::getline(in, line)) {
        if (end.empty()) {
            size_t at = line.find("object HotImage1: THotImage");
            if (at == std::string::npos) continue;
            end = line.substr(0, at) + "end";
        }
        size_t first = line.find_first_not_of(' ');
        if (first != std::string::npos && line.compare(first, 2, "On") == 0) continue;
        block += line + "\n";
        if (line == end || line == end + "\r") return block;
    }
    return "";
}

} // namespace testing_support
