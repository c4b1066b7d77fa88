// The spots of the hot-spot image: each spot's shape, its region and bounds
// in picture coordinates, and the ordered list of spots with its lookups,
// keyboard neighbours, map-file loading and stored streams.
#include "HotImage.h"

#include <algorithm>

#include "HotSpotStreams.h"
#include "MathUtils.h"
#include "forms/GdiGuards.h"
#include "hotparse.h"

namespace components {

using namespace forms;

namespace {

RECT ToRect(const TSpotRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

} // namespace

// ---------------------------------------------------------------------- TSpot

TSpot::TSpot(TSpotShape shape) : data_(shape) {}

TSpot::~TSpot() {
    if (owner_) owner_->Detach(this, false); // no handler runs from a destructor
    FreeRegion();
}

HRGN TSpot::CreateRegion() const {
    switch (data_.Shape) {
    case ssRectangle: {
        TSpotRect r = data_.Corners();
        return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    }
    case ssEllipse: {
        RECT r = ToRect(data_.Corners());
        return CreateEllipticRgnIndirect(&r);
    }
    case ssPolyline: {
        int count = data_.PointCount();
        if (count < 3) return CreateRectRgn(0, 0, 0, 0); // encloses nothing
        std::vector<POINT> points(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) points[size_t(i)] = {data_.Points[2 * size_t(i)], data_.Points[2 * size_t(i) + 1]};
        return CreatePolygonRgn(points.data(), count, ALTERNATE);
    }
    default: return nullptr;
    }
}

void TSpot::FreeRegion() { region_.Reset(); }

bool TSpot::ContainsPoint(POINT p) {
    if (data_.Shape == ssRectangle) {
        TSpotRect r = data_.Corners();
        return p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom;
    }
    if (!region_.Get()) region_.Reset(CreateRegion());
    if (!region_.Get()) return false;
    if (PtInRegion(static_cast<HRGN>(region_.Get()), p.x, p.y)) return true;
    FreeRegion(); // only spots under the cursor keep a region
    return false;
}

RECT TSpot::GetBounds() {
    if (data_.Shape != ssPolyline) return ToRect(data_.Corners());
    RECT box{0, 0, 0, 0};
    TGdiObject region(CreateRegion());
    if (!region.Get()) return box;
    if (GetRgnBox(static_cast<HRGN>(region.Get()), &box) > NULLREGION) {
        // The region leaves out the right and bottom edges of the polygon.
        ++box.right;
        ++box.bottom;
    } else {
        box = {0, 0, 0, 0};
    }
    return box;
}

void TSpot::SetBounds(const RECT& r) {
    FreeRegion();
    if (data_.Shape != ssPolyline) {
        data_.SetCorners({r.left, r.top, r.right, r.bottom});
        return;
    }
    RECT b = GetBounds();
    int32_t fromW = Wrap(int64_t(b.right) - b.left), fromH = Wrap(int64_t(b.bottom) - b.top);
    int32_t toW = Wrap(int64_t(r.right) - r.left), toH = Wrap(int64_t(r.bottom) - r.top);
    for (size_t i = 0; i + 1 < data_.Points.size(); i += 2) {
        int32_t& x = data_.Points[i];
        int32_t& y = data_.Points[i + 1];
        x = Wrap(int64_t(MulDivRound(Wrap(int64_t(x) - b.left), toW, fromW)) + r.left);
        y = Wrap(int64_t(MulDivRound(Wrap(int64_t(y) - b.top), toH, fromH)) + r.top);
    }
}

void TSpot::SetShape(TSpotShape shape) {
    FreeRegion();
    data_.SetShape(shape);
}

void TSpot::AddPoint(POINT p) {
    FreeRegion();
    data_.AddPoint({p.x, p.y});
}

void TSpot::ClearPoints() {
    FreeRegion();
    data_.ClearPoints();
}

void TSpot::Assign(const TSpot& other) {
    if (&other == this) return;
    FreeRegion();
    data_.Points = other.data_.Points;
    data_.Shape = other.data_.Shape;
    data_.Hint = other.data_.Hint;
    data_.Enabled = other.data_.Enabled;
    data_.Id = other.data_.Id;
}

void TSpot::SetData(TSpotData data) {
    FreeRegion();
    data_ = std::move(data);
}

// ------------------------------------------------------------------ THotSpots

THotSpots::THotSpots(THotImage* owner) : owner_(owner) {}

THotSpots::~THotSpots() {
    while (!spots_.empty()) delete spots_.back(); // each leaves the list quietly as it goes
}

int THotSpots::IndexOf(const TSpot* spot) const {
    auto it = std::find(spots_.begin(), spots_.end(), spot);
    return it == spots_.end() ? -1 : int(it - spots_.begin());
}

TSpot* THotSpots::Add(std::unique_ptr<TSpot> spot) {
    if (!spot) return nullptr;
    TSpot* s = spot.release();
    if (s->owner_) s->owner_->Detach(s, true);
    spots_.push_back(s);
    s->owner_ = this;
    return s;
}

std::unique_ptr<TSpot> THotSpots::Remove(TSpot* spot) {
    if (!spot || spot->owner_ != this) return nullptr;
    Detach(spot, true);
    return std::unique_ptr<TSpot>(spot);
}

void THotSpots::Detach(TSpot* spot, bool report) {
    if (owner_) owner_->SpotRemoved(spot, report);
    spots_.erase(std::remove(spots_.begin(), spots_.end(), spot), spots_.end());
    spot->owner_ = nullptr;
}

void THotSpots::Clear() {
    // Each spot is taken out, with the image told, before it is freed: a
    // handler's exception then reaches the caller with the spot still listed.
    while (!spots_.empty()) Remove(spots_.back());
}

int THotSpots::IndexAt(POINT p) {
    for (size_t i = 0; i < spots_.size(); ++i)
        if (spots_[i]->Enabled() && spots_[i]->ContainsPoint(p)) return int(i);
    return -1;
}

TSpot* THotSpots::SpotAt(POINT p) {
    int i = IndexAt(p);
    return i < 0 ? nullptr : spots_[size_t(i)];
}

void THotSpots::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const THotSpots*>(source);
    if (!other) {
        TPersistent::Assign(source); // raises the assignment error
        return;
    }
    if (other == this) return;
    Clear();
    for (const TSpot* s : other->spots_) {
        auto copy = std::make_unique<TSpot>(ssPolyline);
        copy->Assign(*s);
        if (s->HasMaskItem()) copy->SetMaskItem(s->GetMaskItem());
        Add(std::move(copy));
    }
}

TSpot* THotSpots::NearestSpot(TSpot* from, TSpotDirection direction) {
    if (!from) return nullptr;
    RECT f = from->GetBounds();
    // Centres doubled, so halves need no rounding.
    int64_t fx = int64_t(f.left) + f.right, fy = int64_t(f.top) + f.bottom;
    TSpot* best = nullptr;
    int64_t bestCost = 0;
    for (TSpot* s : spots_) {
        if (s == from || !s->Enabled()) continue;
        RECT r = s->GetBounds();
        int64_t cx = int64_t(r.left) + r.right, cy = int64_t(r.top) + r.bottom;
        int64_t dx = cx - fx, dy = cy - fy;
        // Only a spot whose centre lies beyond the edge of `from` counts: a
        // key of the same row set a little higher is not "up".
        bool beyond = false;
        int64_t ahead = 0, aside = 0;
        switch (direction) {
        case sdLeft: beyond = cx < 2 * int64_t(f.left), ahead = -dx, aside = dy; break;
        case sdRight: beyond = cx > 2 * int64_t(f.right), ahead = dx, aside = dy; break;
        case sdUp: beyond = cy < 2 * int64_t(f.top), ahead = -dy, aside = dx; break;
        case sdDown: beyond = cy > 2 * int64_t(f.bottom), ahead = dy, aside = dx; break;
        }
        if (!beyond) continue;
        int64_t cost = ahead + 2 * (aside < 0 ? -aside : aside);
        if (!best || cost < bestCost) best = s, bestCost = cost;
    }
    return best;
}

TSpot* THotSpots::FirstEnabled() const { return EnabledAt(1); }

TSpot* THotSpots::LastEnabled() const { return EnabledAt(EnabledCount()); }

int THotSpots::EnabledCount() const {
    return int(std::count_if(spots_.begin(), spots_.end(), [](const TSpot* s) { return s->Enabled(); }));
}

int THotSpots::EnabledOrdinal(const TSpot* spot) const {
    if (!spot || !spot->Enabled()) return 0;
    int ordinal = 0;
    for (const TSpot* s : spots_) {
        if (s->Enabled()) ++ordinal;
        if (s == spot) return ordinal;
    }
    return 0;
}

TSpot* THotSpots::EnabledAt(int ordinal) const {
    if (ordinal < 1) return nullptr;
    for (TSpot* s : spots_)
        if (s->Enabled() && --ordinal == 0) return s;
    return nullptr;
}

bool THotSpots::HasMaskItems() const {
    return std::any_of(spots_.begin(), spots_.end(), [](const TSpot* s) { return s->HasMaskItem(); });
}

std::vector<const TSpotData*> THotSpots::SpotData() const {
    std::vector<const TSpotData*> data;
    data.reserve(spots_.size());
    for (const TSpot* s : spots_) data.push_back(&s->Data());
    return data;
}

void THotSpots::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    ReadHotSpotMap(
        file, [this] { Clear(); },
        [this](TSpotData&& data) {
            auto spot = std::make_unique<TSpot>(ssPolyline);
            spot->SetData(std::move(data));
            Add(std::move(spot));
        });
}

void THotSpots::WriteSpots(TStream& stream) const { WriteSpotsStream(stream, SpotData()); }

void THotSpots::ReadSpots(TStream& stream) {
    Clear();
    ReadSpotsStream(stream, [this](TSpotData&& data) {
        auto spot = std::make_unique<TSpot>(ssPolyline);
        spot->SetData(std::move(data));
        Add(std::move(spot));
    });
}

void THotSpots::WriteMaskItems(TStream& stream) const { WriteMaskItemsStream(stream, SpotData()); }

void THotSpots::ReadMaskItems(TStream& stream) {
    ReadMaskItemsStream(stream, Count(),
                        [this](int32_t index, const TSpotMaskItem& item) { spots_[size_t(index)]->SetMaskItem(item); });
}

void THotSpots::ReadBinaryProperty(const std::string& name, TStream& stream) {
    if (name == "Spots") ReadSpots(stream);
    else if (name == "MaskItems") ReadMaskItems(stream);
    else TPersistent::ReadBinaryProperty(name, stream);
}

} // namespace components
