// The two byte streams in which a layout stores a hot-spot image's spots,
// little-endian and packed:
//
//   "Spots":     int32 0 (layout marker), int32 count, then per spot
//                uint8 shape, int32 id, uint8 enabled, int32 hint length,
//                the hint bytes, and either int32 left, top, right, bottom
//                (shape not 0) or int32 point count P and P pairs (polyline).
//                An older layout starts with the count itself (not 0) and
//                has no shape bytes: every spot of it is a polyline.
//   "MaskItems": int32 item size S (16 written), int32 entry count, then per
//                entry int32 spot position I and, when I >= 0, uint8 states
//                and S bytes of offsets (mouse-over X, Y, mouse-down X, Y).
//
// Readers check every count and length against the bytes that are left
// before they allocate or skip; a stream that cannot hold what it announces
// raises EReadError ("Stream read error"). Portable.
#pragma once
#include <functional>
#include <vector>

#include "HotSpotData.h"
#include "forms/Classes.h"

namespace components {

void WriteSpotsStream(forms::TStream& stream, const std::vector<const TSpotData*>& spots);
// Calls `add` for each record once it is read completely, in stream order.
// The mask items are not part of this stream and stay empty.
void ReadSpotsStream(forms::TStream& stream, const std::function<void(TSpotData&& spot)>& add);

// One entry for every spot that has a mask item, with its list position.
void WriteMaskItemsStream(forms::TStream& stream, const std::vector<const TSpotData*>& spots);
// Calls `set` for each entry whose position lies below spotCount; entries
// for other positions are read and skipped. States keep their two low bits;
// a shorter item leaves the later offsets 0, a longer one is skipped over.
void ReadMaskItemsStream(forms::TStream& stream, int32_t spotCount,
                         const std::function<void(int32_t index, const TSpotMaskItem& item)>& set);

} // namespace components
