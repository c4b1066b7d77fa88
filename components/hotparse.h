// Reader of hot-spot map files: plain 8-bit text holding one entry per spot,
//
//   <ID=5 SHAPE=rectangle COORDS="3,22 31,47" MOUSEOVER="3,22" HINT="Back">
//
// Entries may span lines; text outside "<" ... ">" is ignored; keywords and
// shape names match without regard to case; malformed entries never stop the
// reading (unknown words are skipped, numbers that do not convert read as 0).
// Portable: reads from any stream.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "HotSpotData.h"
#include "forms/Classes.h"

namespace components {

// Reads the map from the stream's position. `begin` runs once the first
// line has been read (the caller clears its spots there, so a file that
// cannot be read at all changes nothing); `add` gets each entry's spot in
// file order, also one left open at the end of the file.
void ReadHotSpotMap(forms::TStream& stream, const std::function<void()>& begin,
                    const std::function<void(TSpotData&& spot)>& add);

// The integer conversion the map file uses: optional leading spaces and
// sign, then decimal digits, or hexadecimal after "$", "x" or "0x" (a 32-bit
// pattern). Anything else, or a value out of range, gives 0.
int32_t MapTextToInt(std::string_view text);

// The points of a value, one per comma, by the point rule: each comma ends
// one X, made of the run of "-" and digits directly before it, and begins
// one Y, the run directly after it ("10,20 30,40" gives two points,
// "10, 20" gives (10, 0)).
std::vector<TSpotPoint> MapPoints(const std::string& value);

} // namespace components
