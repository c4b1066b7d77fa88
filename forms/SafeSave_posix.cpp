// The file moves of SaveFileSafely for the host build.
#include <time.h>

#include <cstdio>

#include "SafeSave.h"

namespace forms::detail {

bool MoveFileReplacing(const std::string& from, const std::string& to, bool& transient) {
    transient = false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void WaitBeforeRetry() {
    const timespec pause{0, 25 * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

} // namespace forms::detail
