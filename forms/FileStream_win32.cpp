// TFileStream and the file, folder and clock helpers over the Win32 API.
#include <windows.h>

#include "Classes.h"
#include "SysUtils.h"

namespace forms {

namespace {

DWORD ShareFlags(unsigned mode) {
    switch (mode & 0xF0) {
    case fmShareExclusive: return 0;
    case fmShareDenyWrite: return FILE_SHARE_READ;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}

HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

} // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
    HANDLE h;
    if (mode == fmCreate) {
        h = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw EFCreateError(FormTextFmt(stFCreateError, fileName));
    } else {
        static const DWORD access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
        h = CreateFileA(fileName.c_str(), access[(mode & 3) < 3 ? (mode & 3) : 0], ShareFlags(mode), nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw EFOpenError(FormTextFmt(stFOpenError, fileName));
    }
    handle_ = reinterpret_cast<intptr_t>(h);
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
    if (handle_ != reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE)) {
        CloseHandle(AsHandle(handle_));
        handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    }
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    DWORD done = 0;
    if (count <= 0) return 0;
    // At the end of the file ReadFile succeeds with 0 bytes; a failing call is
    // an error and must not pass for the end.
    if (!ReadFile(AsHandle(handle_), buffer, DWORD(count), &done, nullptr)) throw EReadError(FormText(stReadError));
    return int32_t(done);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    DWORD done = 0;
    if (count <= 0 || !WriteFile(AsHandle(handle_), buffer, DWORD(count), &done, nullptr)) return 0;
    return int32_t(done);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    static const DWORD method[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(AsHandle(handle_), distance, &result, method[origin])) return -1;
    return result.QuadPart;
}

bool TFileStream::Flush() { return FlushFileBuffers(AsHandle(handle_)) != 0; }

bool FileExists(const std::string& fileName) {
    DWORD attributes = GetFileAttributesA(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFileNamed(const std::string& fileName) { return DeleteFileA(fileName.c_str()) != 0; }

std::string ExecutableDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

double Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return EncodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

} // namespace forms
