// Painting the hot-spot image: the highlight, composed from the mask picture
// for the spot under the mouse, is drawn over the picture, and the focused
// spot gets a dotted outline.
#include "HotImage.h"

#include "HotImageWindow.h"
#include "forms/GdiGuards.h"

namespace components {

using namespace forms;

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

} // namespace components
