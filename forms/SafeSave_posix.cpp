// The file moves of SaveFileSafely for the host build.
#include <sys/stat.h>
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

// No write permission for anyone is the host's read-only mark.
bool IsReadOnly(const std::string& fileName) {
    struct stat info {};
    return stat(fileName.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void ClearReadOnly(const std::string& fileName) {
    struct stat info {};
    if (stat(fileName.c_str(), &info) == 0) chmod(fileName.c_str(), info.st_mode | S_IWUSR);
}

} // namespace forms::detail
