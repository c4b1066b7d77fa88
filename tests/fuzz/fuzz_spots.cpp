// Feeds arbitrary bytes to the "Spots" stream reader: a corrupt stream may
// only raise EReadError; whatever was read writes back in the current layout
// and reads again to the same spots.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "components/HotSpotStreams.h"
#include "forms/Classes.h"
#include "forms/SysUtils.h"

using namespace components;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<TSpotData> spots;
    forms::TMemoryStream in(data, size);
    bool complete = true;
    try {
        ReadSpotsStream(in, [&](TSpotData&& s) { spots.push_back(std::move(s)); });
    } catch (const forms::EReadError&) {
        complete = false;
    }
    if (complete && in.Position() > int64_t(size)) std::abort();

    std::vector<const TSpotData*> pointers;
    for (const TSpotData& s : spots) {
        if (s.Shape != ssPolyline ? s.Points.size() != 4 : s.Points.size() % 2 != 0) std::abort();
        pointers.push_back(&s);
    }
    forms::TMemoryStream out;
    WriteSpotsStream(out, pointers);
    out.SetPosition(0);
    std::vector<TSpotData> back;
    ReadSpotsStream(out, [&](TSpotData&& s) { back.push_back(std::move(s)); });
    if (back != spots || out.Position() != int64_t(out.Data().size())) std::abort();
    return 0;
}
