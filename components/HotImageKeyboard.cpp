// The hot-spot image's keyboard focus: the focused spot, moved by the arrow
// keys and picked with Enter or Space, its hint, and the events that tell
// assistive technology which spot is focused or selected.
#include "HotImage.h"

#include "HotImageWindow.h"
#include "forms/Forms.h"
#include "forms/ScopedValue.h"

namespace components {

using namespace forms;

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

// -------------------------------------------------------------- accessibility

void THotImage::NotifySpotEvent(DWORD event, TSpot* spot) {
    if (!window_ || !window_->HandleAllocated()) return;
    int child = hotSpots_->EnabledOrdinal(spot);
    NotifyWinEvent(event, window_->Handle(), OBJID_CLIENT, child ? child : CHILDID_SELF);
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

} // namespace components
