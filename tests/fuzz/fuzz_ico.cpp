// Feeds arbitrary bytes to the icon file decoder and checks that the image
// it picks lies inside what it read and has a size an icon may have; reads
// the same bytes as an icon group resource, within them.
#include <cstdint>
#include <cstdlib>

#include "forms/IcoDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    forms::ChooseGroupIcon(data, size, 16, 16, 32);
    forms::TMemoryStream in(data, size);
    forms::TIcoFile icon;
    try {
        forms::ReadIco(in, icon);
    } catch (const forms::EReadError&) {
        return 0;
    } catch (const forms::EInvalidGraphic&) {
        return 0;
    }
    if (icon.Data.size() > size) std::abort();
    if (uint64_t(icon.ImageOffset) + icon.ImageSize > icon.Data.size()) std::abort();
    if (icon.Width < 1 || icon.Width > 256 || icon.Height < 1 || icon.Height > 256) std::abort();
    return 0;
}
