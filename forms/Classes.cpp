#include "Classes.h"

#include <algorithm>
#include <cstring>

#include "SysUtils.h"

namespace forms {

int64_t TStream::Size() {
    int64_t pos = Seek(0, soCurrent);
    int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(FormText(stReadError));
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(FormText(stWriteError));
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    uint8_t chunk[4096];
    int64_t copied = 0;
    while (copied < count) {
        int32_t n = int32_t(count - copied < int64_t(sizeof chunk) ? count - copied : sizeof chunk);
        source.ReadBuffer(chunk, n);
        WriteBuffer(chunk, n);
        copied += n;
    }
    return copied;
}

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || pos_ >= data_.size()) return 0;
    size_t n = std::min(size_t(count), data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return int32_t(n);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    size_t end = pos_ + size_t(count);
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + pos_, buffer, size_t(count));
    pos_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? int64_t(pos_) : int64_t(data_.size());
    int64_t target = base + offset;
    if (target < 0) target = 0;
    pos_ = size_t(target);
    return target;
}

} // namespace forms
