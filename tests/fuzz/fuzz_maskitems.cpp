// Feeds arbitrary bytes to the "MaskItems" stream reader (the first byte
// sets how many spots there are): a corrupt stream may only raise
// EReadError, and only positions of existing spots are handed on.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "components/HotSpotStreams.h"
#include "forms/Classes.h"
#include "forms/SysUtils.h"

using namespace components;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int32_t spotCount = data[0] % 32;
    std::vector<TSpotData> spots(static_cast<size_t>(spotCount));
    forms::TMemoryStream in(data + 1, size - 1);
    try {
        ReadMaskItemsStream(in, spotCount, [&](int32_t i, const TSpotMaskItem& item) {
            if (i < 0 || i >= spotCount || item.States.Bits() > 3) std::abort();
            spots[size_t(i)].SetMaskItem(item);
        });
    } catch (const forms::EReadError&) {
        return 0;
    }
    if (in.Position() > int64_t(size - 1)) std::abort();

    // What was set writes back and reads again to the same items.
    std::vector<const TSpotData*> pointers;
    for (const TSpotData& s : spots) pointers.push_back(&s);
    forms::TMemoryStream out;
    WriteMaskItemsStream(out, pointers);
    out.SetPosition(0);
    std::vector<TSpotData> back(static_cast<size_t>(spotCount));
    ReadMaskItemsStream(out, spotCount, [&](int32_t i, const TSpotMaskItem& item) { back[size_t(i)].SetMaskItem(item); });
    if (back != spots) std::abort();
    return 0;
}
