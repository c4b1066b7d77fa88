// TFileStream and the file, folder and clock helpers for the host build of the
// portable core.
// Sharing modes have no POSIX counterpart and are ignored here.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include "Classes.h"
#include "SysUtils.h"

namespace forms {

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
    int fd;
    if (mode == fmCreate) {
        fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) throw EFCreateError(FormTextFmt(stFCreateError, fileName));
    } else {
        static const int access[3] = {O_RDONLY, O_WRONLY, O_RDWR};
        fd = ::open(fileName.c_str(), access[(mode & 3) < 3 ? (mode & 3) : 0]);
        if (fd < 0) throw EFOpenError(FormTextFmt(stFOpenError, fileName));
    }
    handle_ = fd;
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
    if (handle_ >= 0) {
        ::close(int(handle_));
        handle_ = -1;
    }
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    if (count <= 0) return 0;
    // read returns 0 at the end of the file; a failing call is an error and
    // must not pass for the end.
    ssize_t n;
    do n = ::read(int(handle_), buffer, size_t(count));
    while (n < 0 && errno == EINTR);
    if (n < 0) throw EReadError(FormText(stReadError));
    return int32_t(n);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    ssize_t n = ::write(int(handle_), buffer, size_t(count));
    return n < 0 ? 0 : int32_t(n);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    static const int whence[3] = {SEEK_SET, SEEK_CUR, SEEK_END};
    return ::lseek(int(handle_), off_t(offset), whence[origin]);
}

bool TFileStream::Flush() { return ::fsync(int(handle_)) == 0; }

bool FileExists(const std::string& fileName) {
    struct stat st;
    return ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DeleteFileNamed(const std::string& fileName) { return ::unlink(fileName.c_str()) == 0; }

std::string ExecutableDirectory() {
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    std::string s(path, n > 0 ? size_t(n) : 0);
    return s.substr(0, s.find_last_of('/') + 1);
}

double Now() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm local;
    time_t seconds = tv.tv_sec;
    localtime_r(&seconds, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, int(tv.tv_usec / 1000));
}

} // namespace forms
