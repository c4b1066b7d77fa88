#include "HotImage.h"

#include <algorithm>

#include "HotImageWindow.h"
#include "HotSpotStreams.h"
#include "MathUtils.h"
#include "forms/Forms.h"
#include "forms/GdiGuards.h"
#include "forms/ScopedValue.h"
#include "hotparse.h"

namespace components {

using namespace forms;

namespace {

// Region coordinates wrap like the platform's 32-bit arithmetic does, so
// extreme values read from a file cannot overflow.
int32_t Wrap(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }

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

// ------------------------------------------------------------------ THotImage

THotImage::THotImage(TComponent* owner)
    : TImage(owner), hotSpots_(std::make_unique<THotSpots>(this)), maskPicture_(std::make_unique<TPicture>()),
      window_(std::make_unique<THotImageWindow>(*this)) {
    maskPicture_->OnChange = [this](TPicture*) { RefreshHighlight(); };
    // The lit-up image shows parts of the picture too, and lies where the picture lies.
    auto pictureChanged = Picture().OnChange;
    Picture().OnChange = [this, pictureChanged](TPicture* picture) {
        if (pictureChanged) pictureChanged(picture);
        RefreshHighlight();
    };
}

THotImage::~THotImage() {
    // No events from here on: the owner may be half gone.
    MarkDestroying();
    window_.reset(); // its focus and accessibility calls end here
    Picture().OnChange = nullptr;
    highlightBitmap_.reset();
    highlightVisible_ = false;
    highlightedSpot_ = nullptr;
    hotSpots_.reset();
    maskPicture_.reset();
    mappingDc_.reset();
}

void THotImage::SetHint(const std::string& hint) {
    hint_ = hint;
    if (!selectedSpot_) TImage::SetHint(hint);
}

void THotImage::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    if (!selectedSpot_) TImage::SetCursor(cursor);
}

void THotImage::SetHotCursor(TCursor cursor) {
    hotCursor_ = cursor;
    if (selectedSpot_) TImage::SetCursor(cursor);
}

void THotImage::SetTransparent(bool value) {
    if (value == Transparent()) return;
    TImage::SetTransparent(value);
    if (auto* bitmap = dynamic_cast<TBitmap*>(maskPicture_->Graphic())) bitmap->SetTransparent(value);
    RefreshHighlight();
}

void THotImage::SetParent(TWinControl* parent) {
    TImage::SetParent(parent);
    if (window_) window_->SetParent(parent);
}

void THotImage::SetVisible(bool visible) {
    TImage::SetVisible(visible);
    if (window_) window_->SetVisible(visible);
}

void THotImage::BoundsChanged() {
    TImage::BoundsChanged();
    if (window_) window_->SetBounds(Left(), Top(), Width(), Height());
}

THotImage::TPictureMapping THotImage::PictureMapping() {
    RECT d = DestRect();
    return {Picture().Width(), Picture().Height(), int(d.right - d.left), int(d.bottom - d.top), int(d.left), int(d.top)};
}

POINT THotImage::ControlToPicture(int x, int y) {
    TPictureMapping m = PictureMapping();
    return {MulDivRound(Wrap(int64_t(x) - m.DestLeft), m.PictureWidth, m.DestWidth),
            MulDivRound(Wrap(int64_t(y) - m.DestTop), m.PictureHeight, m.DestHeight)};
}

TSpot* THotImage::SpotAtPos(int x, int y) { return hotSpots_->SpotAt(ControlToPicture(x, y)); }

void THotImage::SetPictureToParentMapping(HDC dc, POINT origin) {
    TPictureMapping m = PictureMapping();
    SetMapMode(dc, MM_ANISOTROPIC);
    if (m.PictureWidth > 0 && m.PictureHeight > 0 && m.DestWidth > 0 && m.DestHeight > 0) {
        SetWindowExtEx(dc, m.PictureWidth, m.PictureHeight, nullptr);
        SetViewportExtEx(dc, m.DestWidth, m.DestHeight, nullptr);
    } else {
        SetWindowExtEx(dc, 1, 1, nullptr); // no picture: nothing to scale by
        SetViewportExtEx(dc, 1, 1, nullptr);
    }
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, origin.x + m.DestLeft, origin.y + m.DestTop, nullptr);
}

bool THotImage::HitTest(int x, int y) {
    if (selecting_) return true;
    uint32_t packed = uint32_t(uint16_t(y)) << 16 | uint16_t(x);
    if (packed == lastHitPos_) return true;
    lastHitPos_ = packed;
    hitPosStale_ = false;
    TSpot* next = nullptr;
    // While the button is held the pressed spot keeps the selection as long
    // as the mouse stays on it, even where a spot earlier in the list overlaps.
    if (buttonDown_ && highlightedSpot_ && highlightedSpot_->ContainsPoint(ControlToPicture(x, y)))
        next = highlightedSpot_;
    else
        next = SpotAtPos(x, y);
    SetSelectedSpot(next);
    return true; // the whole control answers, also outside every spot
}

void THotImage::SetSelectedSpot(TSpot* spot, bool report) {
    if (spot == selectedSpot_) return;
    selectedSpot_ = spot;
    if (Destroying()) return;
    // Setting the cursor looks up the control under the mouse, which hit
    // tests this image again; that inner test must not move the selection.
    {
        TScopedValue selecting(selecting_, true);
        Application()->CancelHint();
        TImage::SetCursor(spot ? hotCursor_ : cursor_);
    }
    NotifySpotEvent(EVENT_OBJECT_SELECTION, spot);
    if (report && OnSelectSpot) OnSelectSpot(this, spot);
}

void THotImage::NotifySpotEvent(DWORD event, TSpot* spot) {
    if (!window_ || !window_->HandleAllocated()) return;
    int child = hotSpots_->EnabledOrdinal(spot);
    NotifyWinEvent(event, window_->Handle(), OBJID_CLIENT, child ? child : CHILDID_SELF);
}

void THotImage::SetHighlight(TSpot* spot, THighlightState state) {
    POINT offset{0, 0};
    bool hasOffset = false;
    if (!maskPicture_->Empty() && spot && spot->HasMaskItem()) {
        TSpotMaskItem item = spot->GetMaskItem();
        if (item.States.Contains(state)) {
            hasOffset = true;
        } else if (state == hsMouseDown && item.States.Contains(hsMouseOver)) {
            state = hsMouseOver; // a press without an image of its own keeps the hover look
            hasOffset = true;
        }
        if (hasOffset) offset = {item.Offsets[state].X, item.Offsets[state].Y};
    }
    if (spot == highlightedSpot_ && state == highlightState_) return;
    highlightState_ = state;
    highlightedSpot_ = spot;

    bool wasShown = highlightBitmap_ != nullptr;
    RECT oldArea{0, 0, 0, 0};
    if (wasShown)
        oldArea = {highlightPos_.x, highlightPos_.y, highlightPos_.x + highlightBitmap_->Width(),
                   highlightPos_.y + highlightBitmap_->Height()};
    RECT box{0, 0, 0, 0};
    bool shown = hasOffset && ComposeHighlight(spot, offset, box);
    if (!shown) highlightBitmap_.reset();

    if ((wasShown || shown) && Parent() && Parent()->HandleAllocated()) {
        HWND parent = Parent()->Handle();
        if ((wasShown && !PictureToParent(oldArea)) || (shown && !PictureToParent(box))) {
            Invalidate();
        } else {
            if (wasShown) InvalidateRect(parent, &oldArea, FALSE);
            if (shown) InvalidateRect(parent, &box, FALSE);
        }
    }
    highlightVisible_ = shown;
}

bool THotImage::PictureToParent(RECT& area) {
    if (!Parent() || !Parent()->HandleAllocated()) return false;
    // Through the same mapping the painting uses, on a context kept for it
    // (a screen context costs a server round trip).
    if (!mappingDc_) mappingDc_ = std::make_unique<TMemoryDC>();
    SetPictureToParentMapping(*mappingDc_, {Left(), Top()});
    LPtoDP(*mappingDc_, reinterpret_cast<POINT*>(&area), 2);
    return true;
}

RECT THotImage::ShownPictureArea() {
    TPictureMapping m = PictureMapping();
    if (m.PictureWidth <= 0 || m.PictureHeight <= 0 || m.DestWidth <= 0 || m.DestHeight <= 0)
        return {-m.DestLeft, -m.DestTop, Width() - m.DestLeft, Height() - m.DestTop};
    POINT topLeft = ControlToPicture(0, 0), bottomRight = ControlToPicture(Width(), Height());
    RECT picture{0, 0, m.PictureWidth, m.PictureHeight}, control{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    RECT shown{0, 0, 0, 0};
    IntersectRect(&shown, &picture, &control);
    return shown;
}

bool THotImage::ComposeHighlight(TSpot* spot, POINT offset, RECT& box) {
    TGdiObject regionGuard(spot->CreateRegion());
    const HRGN region = static_cast<HRGN>(regionGuard.Get());
    if (!region) return false;
    // Only what is seen is built: a map file's coordinates must not decide
    // how large the bitmap gets.
    RECT spotBox, shown = ShownPictureArea();
    if (GetRgnBox(region, &spotBox) <= NULLREGION || !IntersectRect(&box, &spotBox, &shown)) return false;
    {
        TGdiObject visible(CreateRectRgnIndirect(&box));
        CombineRgn(region, region, static_cast<HRGN>(visible.Get()), RGN_AND); // small from here on, so moving it cannot overflow
    }
    int width = box.right - box.left, height = box.bottom - box.top;
    highlightPos_ = {box.left, box.top};
    // A bitmap of another size is made afresh: resizing would copy the old image.
    if (!highlightBitmap_ || highlightBitmap_->Width() != width || highlightBitmap_->Height() != height)
        highlightBitmap_ = std::make_unique<TBitmap>();
    TBitmap& bitmap = *highlightBitmap_;
    TGraphic* mask = maskPicture_->Graphic();
    TGraphic* picture = Picture().Graphic();
    // The offset's point of the mask lies on the corner of the whole spot,
    // seen or not; in 64 bits, as both come from a file.
    int64_t maskLeft = int64_t(spotBox.left) - offset.x, maskTop = int64_t(spotBox.top) - offset.y;
    bool maskMeets = maskLeft < box.right && maskLeft + mask->Width() > box.left && maskTop < box.bottom &&
                     maskTop + mask->Height() > box.top;
    bool maskCovers = maskLeft <= box.left && maskLeft + mask->Width() >= box.right && maskTop <= box.top &&
                      maskTop + mask->Height() >= box.bottom;
    try {
        bitmap.SetSize(width, height);
        TCanvas& canvas = bitmap.Canvas();
        HDC dc = canvas.Handle();
        SetViewportOrgEx(dc, -box.left, -box.top, nullptr); // draw in picture coordinates
        if (Transparent()) {
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(Color());
            canvas.FillRect(box);
        }
        OffsetRgn(region, -box.left, -box.top); // clipping regions are in device units
        // Where the shape does not fill its box (and wherever the mask picture
        // falls short), the normal picture shows.
        if ((spot->Shape() != ssRectangle || !maskCovers) && picture && !picture->Empty()) {
            TGdiObject outside(CreateRectRgn(0, 0, width, height));
            const HRGN area = static_cast<HRGN>(outside.Get());
            if (spot->Shape() != ssRectangle) CombineRgn(area, area, region, RGN_DIFF);
            SelectClipRgn(dc, area);
            canvas.Draw(0, 0, *picture);
        }
        if (maskMeets) { // then both lie within a mask's size of the box
            SelectClipRgn(dc, region);
            canvas.Draw(int(maskLeft), int(maskTop), *mask);
        }
        SelectClipRgn(dc, nullptr);
        SetViewportOrgEx(dc, 0, 0, nullptr);
    } catch (...) {
        highlightBitmap_.reset(); // no half-made highlight is kept
        throw;
    }
    return true;
}

void THotImage::RefreshHighlight() {
    if (!highlightedSpot_ || Destroying()) return;
    TSpot* spot = highlightedSpot_;
    highlightedSpot_ = nullptr; // so the same spot and state are built again
    SetHighlight(spot, highlightState_);
}

void THotImage::SpotRemoved(TSpot* spot, bool report) {
    // The highlight must not outlive its spot; it goes first, as the
    // selection's handler may throw.
    if (spot == highlightedSpot_) {
        if (Destroying()) highlightedSpot_ = nullptr;
        else SetHighlight(nullptr, hsMouseOver);
    }
    if (spot == focusedSpot_) {
        InvalidateFocusMark();
        focusedSpot_ = nullptr;
    }
    if (spot == selectedSpot_) SetSelectedSpot(nullptr, report);
}

void THotImage::Paint() {
    bool hasOnPaint = bool(OnPaint);
    TCanvas& canvas = Canvas();
    bool excluded = false;
    HDC dc = canvas.Handle();
    POINT origin{0, 0};
    LPtoDP(dc, &origin, 1); // the control's top-left on the device
    if (highlightVisible_ && highlightBitmap_) {
        RECT r{highlightPos_.x, highlightPos_.y, highlightPos_.x + highlightBitmap_->Width(),
               highlightPos_.y + highlightBitmap_->Height()};
        {
            TSavedDC saved(dc);
            SetPictureToParentMapping(dc, origin);
            LPtoDP(dc, reinterpret_cast<POINT*>(&r), 2);
            canvas.Draw(highlightPos_.x, highlightPos_.y, *highlightBitmap_); // scaled like the picture
        }
        DPtoLP(dc, reinterpret_cast<POINT*>(&r), 2);
        canvas.ExcludeClipRect(r); // the picture must not paint over the lit-up image
        excluded = true;
    }
    TImage::Paint();
    bool mark = FocusMarkShown();
    if (excluded && (hasOnPaint || mark)) canvas.RestoreClip();
    if (mark) DrawFocusMark(dc, origin);
    if (hasOnPaint) OnPaint(this);
}

bool THotImage::FocusMarkShown() {
    if (!focusedSpot_ || !focusedSpot_->Enabled() || !Focused()) return false;
    // As the system's focus rectangles: shown once the keyboard is used.
    return !(SendMessageA(window_->Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void THotImage::DrawFocusMark(HDC dc, POINT origin) {
    // A dotted line along the spot's outline, inverting what lies under it
    // so it shows on any picture; one pixel wide however the picture scales.
    TGdiObject pen(CreatePen(PS_DOT, 0, RGB(0, 0, 0)));
    TSavedDC saved(dc);
    SetPictureToParentMapping(dc, origin);
    SelectObject(dc, pen.Get());
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetROP2(dc, R2_NOT);
    SetBkMode(dc, TRANSPARENT);
    const TSpotData& data = focusedSpot_->Data();
    switch (data.Shape) {
    case ssRectangle: {
        TSpotRect r = data.Corners();
        Rectangle(dc, r.Left, r.Top, r.Right, r.Bottom);
        break;
    }
    case ssEllipse: {
        TSpotRect r = data.Corners();
        Ellipse(dc, r.Left, r.Top, r.Right, r.Bottom);
        break;
    }
    case ssPolyline: {
        std::vector<POINT> points(size_t(data.PointCount()));
        for (size_t i = 0; i < points.size(); ++i) points[i] = {data.Points[2 * i], data.Points[2 * i + 1]};
        if (points.size() >= 2) Polygon(dc, points.data(), int(points.size()));
        break;
    }
    default: break; // a shape without an outline
    }
}

bool THotImage::HintShow(std::string& text) {
    TSpot* spot = keyboardHint_ ? focusedSpot_ : selectedSpot_;
    text = spot ? SpotHint(spot) : hint_;
    return true;
}

std::string THotImage::SpotHint(TSpot* spot) {
    std::string text = spot->Hint();
    if (OnGetHintText) OnGetHintText(this, spot, text);
    return text;
}

std::string THotImage::SpotName(TSpot* spot) {
    std::string text = spot->Hint();
    if (OnGetSpotName) OnGetSpotName(this, spot, text);
    return text;
}

RECT THotImage::SpotScreenRect(TSpot* spot) {
    RECT r = spot->GetBounds();
    if (!PictureToParent(r)) return {0, 0, 0, 0};
    MapWindowPoints(Parent()->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// ------------------------------------------------------------------ keyboard

bool THotImage::TabStop() const { return window_->TabStop(); }

void THotImage::SetTabStop(bool value) { window_->SetTabStop(value); }

bool THotImage::Focused() const { return window_ && window_->Focused(); }

void THotImage::SetFocus() {
    if (window_->Parent() && window_->CanFocus()) window_->SetFocus();
}

TWinControl* THotImage::KeyboardWindow() const { return window_ && window_->Parent() ? window_.get() : nullptr; }

void THotImage::SetFocusedSpot(TSpot* spot) {
    if (spot && (spot->Owner() != hotSpots_.get() || !spot->Enabled())) return;
    MoveFocus(spot, true);
}

void THotImage::MoveFocus(TSpot* spot, bool hint) {
    if (spot == focusedSpot_) return;
    InvalidateFocusMark();
    focusedSpot_ = spot;
    InvalidateFocusMark();
    if (!Focused()) return;
    NotifySpotEvent(EVENT_OBJECT_FOCUS, spot);
    if (hint) ShowFocusedHint();
}

void THotImage::ShowFocusedHint() {
    if (!focusedSpot_) return;
    RECT r = SpotScreenRect(focusedSpot_);
    TScopedValue keyboard(keyboardHint_, true);
    Application()->ActivateHint(this, {r.left, r.bottom + 2}); // below the key, as below the pointer
}

void THotImage::InvalidateFocusMark(bool focusChanging) {
    // Without the focus there is no mark, unless it is just going or coming.
    if (!focusedSpot_ || Destroying() || (!focusChanging && !Focused())) return;
    RECT r = focusedSpot_->GetBounds();
    if (!PictureToParent(r)) return;
    InflateRect(&r, 1, 1); // the outline may round onto the box's edge
    InvalidateRect(Parent()->Handle(), &r, FALSE);
}

void THotImage::FocusChanged(bool focused) {
    if (Destroying()) return;
    if (focused && (!focusedSpot_ || !focusedSpot_->Enabled())) {
        // The keyboard starts where the mouse last was, else at the first key.
        focusedSpot_ = selectedSpot_ && selectedSpot_->Enabled() ? selectedSpot_ : hotSpots_->FirstEnabled();
    }
    InvalidateFocusMark(true);
    if (focused) {
        NotifySpotEvent(EVENT_OBJECT_FOCUS, focusedSpot_);
        ShowFocusedHint();
    } else if (Application()->HintControl() == this) {
        Application()->CancelHint();
    }
}

bool THotImage::KeyDown(WORD key) {
    TSpot* from = focusedSpot_ && focusedSpot_->Enabled() ? focusedSpot_ : nullptr;
    TSpot* to = nullptr;
    switch (key) {
    case VK_LEFT: to = from ? hotSpots_->NearestSpot(from, sdLeft) : hotSpots_->FirstEnabled(); break;
    case VK_RIGHT: to = from ? hotSpots_->NearestSpot(from, sdRight) : hotSpots_->FirstEnabled(); break;
    case VK_UP: to = from ? hotSpots_->NearestSpot(from, sdUp) : hotSpots_->FirstEnabled(); break;
    case VK_DOWN: to = from ? hotSpots_->NearestSpot(from, sdDown) : hotSpots_->FirstEnabled(); break;
    case VK_HOME: to = hotSpots_->FirstEnabled(); break;
    case VK_END: to = hotSpots_->LastEnabled(); break;
    case VK_RETURN:
    case VK_SPACE:
        if (!from) return false;
        PickFocusedSpot();
        return true;
    default: return false;
    }
    if (to) MoveFocus(to, true); // at the edge the focus stays where it is
    return true;
}

void THotImage::PickFocusedSpot() {
    TSpot* spot = focusedSpot_;
    if (!spot || !spot->Enabled() || !Reachable()) return;
    hitPosStale_ = true; // the mouse's next press looks again, even where it rests
    SetSelectedSpot(spot);
    SetHighlight(spot, hsMouseOver);
    Click();
}

void THotImage::MouseMove(TShiftState shift, int x, int y) {
    // A release that went elsewhere (the capture was taken away) ends the press.
    if (buttonDown_ && !(shift & ssLeft)) buttonDown_ = false;
    if (buttonDown_) {
        if (FindControlAtScreenPoint(ClientToScreen({x, y})) != this) SetSelectedSpot(nullptr);
        SetHighlight(highlightedSpot_, highlightedSpot_ == selectedSpot_ ? hsMouseDown : hsMouseOver);
    } else {
        SetHighlight(selectedSpot_, hsMouseOver);
    }
    TImage::MouseMove(shift, x, y);
}

void THotImage::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // After a pick by the keyboard, a press where the mouse rests is on the
    // spot under it, not on the one the keyboard picked.
    if (hitPosStale_) {
        hitPosStale_ = false;
        SetSelectedSpot(SpotAtPos(x, y));
    }
    TImage::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    buttonDown_ = true;
    SetHighlight(selectedSpot_, hsMouseDown);
    // As in a list, the press gives the picture the keyboard, at the key
    // pressed, so the arrow keys go on from there.
    if (selectedSpot_ && selectedSpot_->Enabled()) MoveFocus(selectedSpot_, false);
    SetFocus();
}

void THotImage::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        buttonDown_ = false;
        SetHighlight(selectedSpot_, hsMouseOver);
    }
    TImage::MouseUp(button, shift, x, y);
}

void THotImage::MouseLeave() {
    TImage::MouseLeave();
    if (!buttonDown_) SetHighlight(nullptr, hsMouseOver); // SelectedSpot stays until the next hit test
}

void THotImage::EnabledChanged() {
    TImage::EnabledChanged();
    if (window_) window_->SetEnabled(Enabled());
    if (Enabled()) return;
    SetHighlight(nullptr, hsMouseOver);
    Repaint();
}

void THotImage::Click() {
    if (!hotAreasOnly_ || (selectedSpot_ && selectedSpot_ == highlightedSpot_)) {
        if (selectedSpot_) MoveFocus(selectedSpot_, false); // the keyboard goes on from the key picked
        TImage::Click();
    }
}

void THotImage::DblClick() {
    if (!hotAreasOnly_ || (selectedSpot_ && selectedSpot_ == highlightedSpot_)) TImage::DblClick();
}

} // namespace components
