// The hot-spot image control: its properties, the mapping between picture
// and control, the hit test that selects the spot under the mouse, hints,
// and the mouse and click handling.
#include "HotImage.h"

#include "HotImageWindow.h"
#include "MathUtils.h"
#include "forms/Forms.h"
#include "forms/GdiGuards.h"
#include "forms/ScopedValue.h"

namespace components {

using namespace forms;

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
