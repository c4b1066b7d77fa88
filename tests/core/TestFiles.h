// Helpers shared by the core tests: scratch folders, whole-file I/O and a
// stream that fails on purpose.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "forms/Classes.h"

namespace testing_support {

// A fresh, empty folder for one test, removed again by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of everything in the folder, sorted.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

std::vector<uint8_t> ReadAll(const std::string& fileName);
// Runs a helper executable from the test's own folder and waits for it. The
// exit code, or 128 + the signal that killed it (137 for a kill).
int RunHelper(const std::string& name, const std::vector<std::string>& args);
void WriteAll(const std::string& fileName, const std::vector<uint8_t>& bytes);

// Passes writes through to another stream until `limit` bytes went through,
// then refuses, as a full disk does.
class TLimitedStream : public forms::TStream {
public:
    TLimitedStream(forms::TStream& target, int64_t limit) : target_(target), left_(limit) {}
    int32_t Read(void* buffer, int32_t count) override { return target_.Read(buffer, count); }
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, forms::TSeekOrigin origin) override { return target_.Seek(offset, origin); }

private:
    forms::TStream& target_;
    int64_t left_;
};

} // namespace testing_support
