// Byte streams: the one way the library and the program read and write data.
// Portable: parsers built on TStream compile and run on any host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace forms {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Read/Write move up to count bytes and return how many moved; Read
    // returns 0 only at the end. A read that fails raises EReadError.
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    int64_t Size();

    // All-or-error forms: a short transfer raises EReadError / EWriteError.
    // Bytes that did arrive before a short read stay in the buffer.
    void ReadBuffer(void* buffer, int32_t count);
    void WriteBuffer(const void* buffer, int32_t count);
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
    TMemoryStream(const void* data, size_t size);

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

    const std::vector<uint8_t>& Data() const { return data_; }
    void Clear() { data_.clear(); pos_ = 0; }

private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

// Open modes of TFileStream. Sharing states what others may do meanwhile.
enum TFileMode : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00, // create or truncate, read/write, exclusive
};

// A stream over an operating-system file. Open failures raise EFOpenError
// ("Cannot open file %s"), create failures EFCreateError ("Cannot create file %s").
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

    // Pushes written data through to the disk; false when that failed.
    bool Flush();
    void Close();
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    intptr_t handle_;
};

} // namespace forms
