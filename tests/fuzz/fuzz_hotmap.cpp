// Feeds arbitrary bytes to the hot-spot map reader, then checks that every
// spot it made is well-formed and survives the stored streams unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "components/HotSpotStreams.h"
#include "components/hotparse.h"
#include "forms/Classes.h"

using namespace components;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<TSpotData> spots;
    forms::TMemoryStream in(data, size);
    ReadHotSpotMap(in, nullptr, [&](TSpotData&& s) { spots.push_back(std::move(s)); });

    std::vector<const TSpotData*> pointers;
    for (const TSpotData& s : spots) {
        if (s.Shape > ssEllipse) std::abort();
        if (s.Shape != ssPolyline ? s.Points.size() != 4 : s.Points.size() % 2 != 0) std::abort();
        if (s.MaskItem && s.MaskItem->States.Empty()) std::abort();
        pointers.push_back(&s);
    }

    forms::TMemoryStream spotBytes, maskBytes;
    WriteSpotsStream(spotBytes, pointers);
    WriteMaskItemsStream(maskBytes, pointers);
    spotBytes.SetPosition(0);
    maskBytes.SetPosition(0);
    std::vector<TSpotData> back;
    ReadSpotsStream(spotBytes, [&](TSpotData&& s) { back.push_back(std::move(s)); });
    ReadMaskItemsStream(maskBytes, int32_t(back.size()),
                        [&](int32_t i, const TSpotMaskItem& item) { back[size_t(i)].SetMaskItem(item); });
    if (back != spots) std::abort();
    return 0;
}
