// Plain values of hot spots: what the map file, the stored streams and the
// hot-spot image share. No platform header: the readers and writers built on
// these values are part of the portable core.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace components {

// Stored as one byte; values above ssEllipse can arrive from a stored spot
// list and then describe a spot that never contains a point.
enum TSpotShape : uint8_t { ssPolyline = 0, ssRectangle = 1, ssEllipse = 2 };

enum THighlightState : uint8_t { hsMouseOver = 0, hsMouseDown = 1 };

// A set of THighlightState: bit 0 hsMouseOver, bit 1 hsMouseDown.
class THighlightStates {
public:
    constexpr THighlightStates() = default;
    constexpr explicit THighlightStates(uint8_t bits) : bits_(bits & 3u) {}
    constexpr bool Contains(THighlightState s) const { return (bits_ >> s) & 1u; }
    constexpr THighlightStates& Include(THighlightState s) { bits_ = uint8_t(bits_ | (1u << s)); return *this; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint8_t Bits() const { return bits_; }
    constexpr bool operator==(const THighlightStates&) const = default;

private:
    uint8_t bits_ = 0;
};

struct TSpotPoint {
    int32_t X = 0, Y = 0;
    constexpr bool operator==(const TSpotPoint&) const = default;
};

// Right and Bottom are exclusive.
struct TSpotRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr bool operator==(const TSpotRect&) const = default;
};

// Where in the mask picture the lit-up image of a spot lies, per state: the
// offset is the mask-picture point laid on the top-left corner of the spot's
// bounding box.
struct TSpotMaskItem {
    THighlightStates States;
    TSpotPoint Offsets[2]; // indexed by THighlightState
    bool operator==(const TSpotMaskItem&) const = default;
};

// One spot as data. Points holds X0, Y0, X1, Y1 ... for a polyline and
// exactly Left, Top, Right, Bottom for the other shapes.
struct TSpotData {
    explicit TSpotData(TSpotShape shape = ssPolyline);

    std::vector<int32_t> Points;
    TSpotShape Shape = ssPolyline;
    std::string Hint;
    int32_t Id = 0;
    bool Enabled = true;
    std::optional<TSpotMaskItem> MaskItem; // present only with a non-empty States

    int PointCount() const { return int(Points.size() / 2); }
    // Changing to a rectangle or ellipse cuts or pads the list to four
    // integers, so a polygon's first two points become the corners as they stand.
    void SetShape(TSpotShape shape);
    void AddPoint(TSpotPoint p); // turns the spot into a polyline first
    void ClearPoints();          // likewise
    // The four integers of a rectangle or ellipse (missing ones read as 0).
    TSpotRect Corners() const;
    void SetCorners(const TSpotRect& r);
    // A copy, or an all-zero item when there is none.
    TSpotMaskItem GetMaskItem() const;
    // An item with no states removes the spot's item.
    void SetMaskItem(const TSpotMaskItem& item);

    bool operator==(const TSpotData&) const = default;
};

} // namespace components
