// Files of the repository's resources/ folder, found from the running
// executable's own folder whatever the working directory. The relative path
// comes from the build (varnoq_resources_path in tests/CMakeLists.txt).
// Portable: host tests use it too.
#pragma once
#include <string>

#include "forms/SysUtils.h"

#ifndef VARNOQ_RESOURCES_PATH
#error "link the target through varnoq_resources_path()"
#endif

namespace testing_support {

inline std::string ResourcePath(const std::string& name) {
    return forms::ExecutableDirectory() + VARNOQ_RESOURCES_PATH + "/" + name;
}

} // namespace testing_support
