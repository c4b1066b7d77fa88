#include "HotSpotStreams.h"

#include <cstdint>

#include "forms/SysUtils.h"

namespace components {

namespace {

using forms::TStream;

[[noreturn]] void Corrupt() { throw forms::EReadError(forms::FormText(forms::stReadError)); }

int64_t Remaining(TStream& stream) {
    int64_t left = stream.Size() - stream.Position();
    return left > 0 ? left : 0;
}

void WriteInt(TStream& stream, int32_t value) {
    uint32_t v = uint32_t(value);
    uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    stream.WriteBuffer(bytes, 4);
}

void WriteByte(TStream& stream, uint8_t value) { stream.WriteBuffer(&value, 1); }

int32_t DecodeInt(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

int32_t ReadInt(TStream& stream) {
    uint8_t bytes[4];
    stream.ReadBuffer(bytes, 4);
    return DecodeInt(bytes);
}

uint8_t ReadByte(TStream& stream) {
    uint8_t value;
    stream.ReadBuffer(&value, 1);
    return value;
}

// A count or length that is negative or asks for more than `unit` bytes per
// item than the stream holds can only come from a corrupt stream.
void CheckFits(TStream& stream, int32_t count, int64_t unit) {
    if (count < 0 || int64_t(count) * unit > Remaining(stream)) Corrupt();
}

// Smallest records: shape, id, enabled, hint length and at least a point count.
constexpr int64_t kMinSpotRecord = 1 + 4 + 1 + 4 + 4;
constexpr int64_t kMinOldSpotRecord = 4 + 1 + 4 + 4;

} // namespace

void WriteSpotsStream(TStream& stream, const std::vector<const TSpotData*>& spots) {
    WriteInt(stream, 0);
    WriteInt(stream, int32_t(spots.size()));
    for (const TSpotData* spot : spots) {
        WriteByte(stream, spot->Shape);
        WriteInt(stream, spot->Id);
        WriteByte(stream, spot->Enabled ? 1 : 0);
        WriteInt(stream, int32_t(spot->Hint.size()));
        stream.WriteBuffer(spot->Hint.data(), int32_t(spot->Hint.size()));
        if (spot->Shape != ssPolyline) {
            TSpotRect r = spot->Corners();
            for (int32_t v : {r.Left, r.Top, r.Right, r.Bottom}) WriteInt(stream, v);
        } else {
            int32_t count = spot->PointCount();
            WriteInt(stream, count);
            for (int32_t i = 0; i < 2 * count; ++i) WriteInt(stream, spot->Points[size_t(i)]);
        }
    }
}

void ReadSpotsStream(TStream& stream, const std::function<void(TSpotData&& spot)>& add) {
    int32_t marker = ReadInt(stream);
    bool withShapes = marker == 0;
    int32_t count = withShapes ? ReadInt(stream) : marker;
    CheckFits(stream, count, withShapes ? kMinSpotRecord : kMinOldSpotRecord);
    for (int32_t n = 0; n < count; ++n) {
        TSpotData spot(withShapes ? TSpotShape(ReadByte(stream)) : ssPolyline);
        spot.Id = ReadInt(stream);
        spot.Enabled = ReadByte(stream) != 0;
        int32_t hintLength = ReadInt(stream);
        CheckFits(stream, hintLength, 1);
        spot.Hint.resize(size_t(hintLength));
        stream.ReadBuffer(spot.Hint.data(), hintLength);
        if (spot.Shape != ssPolyline) {
            uint8_t corners[16];
            stream.ReadBuffer(corners, 16);
            spot.SetCorners({DecodeInt(corners), DecodeInt(corners + 4), DecodeInt(corners + 8), DecodeInt(corners + 12)});
        } else {
            int32_t pointCount = ReadInt(stream);
            CheckFits(stream, pointCount, 8);
            if (int64_t(pointCount) * 8 > INT32_MAX) Corrupt(); // one read moves at most that much
            std::vector<uint8_t> bytes(size_t(pointCount) * 8);
            stream.ReadBuffer(bytes.data(), int32_t(bytes.size()));
            spot.Points.resize(size_t(pointCount) * 2);
            for (size_t i = 0; i < spot.Points.size(); ++i) spot.Points[i] = DecodeInt(bytes.data() + 4 * i);
        }
        if (add) add(std::move(spot));
    }
}

void WriteMaskItemsStream(TStream& stream, const std::vector<const TSpotData*>& spots) {
    int32_t count = 0;
    for (const TSpotData* spot : spots) count += spot->MaskItem ? 1 : 0;
    WriteInt(stream, 16);
    WriteInt(stream, count);
    for (size_t i = 0; i < spots.size(); ++i) {
        const std::optional<TSpotMaskItem>& item = spots[i]->MaskItem;
        if (!item) continue;
        WriteInt(stream, int32_t(i));
        WriteByte(stream, item->States.Bits());
        for (const TSpotPoint& p : item->Offsets) {
            WriteInt(stream, p.X);
            WriteInt(stream, p.Y);
        }
    }
}

void ReadMaskItemsStream(TStream& stream, int32_t spotCount,
                         const std::function<void(int32_t index, const TSpotMaskItem& item)>& set) {
    int32_t itemSize = ReadInt(stream);
    int32_t count = ReadInt(stream);
    if (itemSize < 0) Corrupt();
    CheckFits(stream, count, 4);
    for (int32_t n = 0; n < count; ++n) {
        int32_t index = ReadInt(stream);
        if (index < 0) continue;
        TSpotMaskItem item;
        item.States = THighlightStates(ReadByte(stream));
        uint8_t offsets[16] = {};
        int32_t stored = itemSize < 16 ? itemSize : 16;
        stream.ReadBuffer(offsets, stored);
        if (itemSize > 16) {
            CheckFits(stream, itemSize - 16, 1);
            stream.Seek(itemSize - 16, forms::soCurrent);
        }
        item.Offsets[hsMouseOver] = {DecodeInt(offsets), DecodeInt(offsets + 4)};
        item.Offsets[hsMouseDown] = {DecodeInt(offsets + 8), DecodeInt(offsets + 12)};
        if (index < spotCount && set) set(index, item);
    }
}

} // namespace components
