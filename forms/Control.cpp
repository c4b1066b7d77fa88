// The control's properties and geometry: parent, bounds and alignment,
// visibility, colour, font and caption, coordinates on the screen and
// invalidation, the default mouse events, and how a windowed control carries
// its properties to its window.
#include "Controls.h"

#include <algorithm>

#include "ControlHooks.h"

namespace forms {

TControlHooks& ControlHooks() {
    static TControlHooks hooks;
    return hooks;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this](TFont*) {
        if (!followingParentFont_) parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    NotifyRemoval();
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) return;
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (!fitting_) fitShift_ = fitGrowth_ = 0;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    if (!windowed_ && parent_ && visible_) Invalidate();
    left_ = left, top_ = top, width_ = width, height_ = height;
    if (!windowed_ && parent_ && visible_) Invalidate();
    BoundsChanged();
    RequestAlign();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (!parent_ || Loading()) return;
    if (align_ != alNone) parent_->AlignControls();
    parent_->ControlChanged(this);
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (!visible && parent_) Invalidate();
    visible_ = visible;
    if (visible && parent_) Invalidate();
    RequestAlign();
}

bool TControl::Showing() const {
    if (!visible_) return false;
    if (parent_) return parent_->Showing();
    if (windowed_) {
        auto* self = static_cast<const TWinControl*>(this);
        return self->HandleAllocated() && IsWindowVisible(self->handle_);
    }
    return false;
}

bool TControl::Reachable() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_ || !c->enabled_) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    EnabledChanged();
}

void TControl::EnabledChanged() { Invalidate(); }

void TControl::SetColor(TColor color) {
    if (color == color_ && !parentColor_) return;
    color_ = color;
    parentColor_ = false;
    Invalidate();
    if (windowed_)
        for (TControl* c : static_cast<TWinControl*>(this)->controls_) c->ParentColorChanged();
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    SetColor(parent_->Color());
    parentColor_ = true;
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    followingParentFont_ = true;
    font_->Assign(&parent_->Font());
    followingParentFont_ = false;
}

void TControl::FontChanged() { Invalidate(); }

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    Invalidate();
    TextChanged();
}

POINT TControl::OriginInWindow() const {
    if (windowed_) return {0, 0};
    POINT p{left_, top_};
    return p;
}

POINT TControl::ClientToScreen(POINT p) const {
    const TControl* c = this;
    if (!windowed_) {
        p.x += left_, p.y += top_;
        c = parent_;
    }
    if (!c) return p;
    auto* wc = const_cast<TWinControl*>(static_cast<const TWinControl*>(c));
    ::ClientToScreen(wc->Handle(), &p);
    return p;
}

POINT TControl::ScreenToClient(POINT p) const {
    const TControl* c = windowed_ ? this : parent_;
    if (!c) return p;
    auto* wc = const_cast<TWinControl*>(static_cast<const TWinControl*>(c));
    ::ScreenToClient(wc->Handle(), &p);
    if (!windowed_) p.x -= left_, p.y -= top_;
    return p;
}

void TControl::Invalidate() {
    if (windowed_ || !parent_ || !parent_->HandleAllocated()) return;
    RECT r = BoundsRect();
    InvalidateRect(parent_->handle_, &r, FALSE);
}

void TControl::Update() {
    const TControl* c = windowed_ ? this : parent_;
    if (c && static_cast<const TWinControl*>(c)->HandleAllocated())
        UpdateWindow(static_cast<const TWinControl*>(c)->handle_);
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    if (windowed_ && static_cast<TWinControl*>(this)->HandleAllocated())
        SetWindowPos(static_cast<TWinControl*>(this)->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Invalidate();
}

bool TControl::HitTest(int, int) { return true; }

bool TControl::HintShow(std::string& text) {
    text = hint_;
    return true;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    // A click needs the press and the release on the control.
    if (button == mbLeft && clicked_) {
        clicked_ = false;
        if (x >= 0 && y >= 0 && x < width_ && y < height_) Click();
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parentFont_) ParentFontChanged();
    if (parentColor_) ParentColorChanged();
    RequestAlign();
    // Children aligned while this control was still loading wait for it.
    if (windowed_) static_cast<TWinControl*>(this)->AlignControls();
}

// ---------------------------------------------- TWinControl, on its window

void TWinControl::SetBounds(int left, int top, int width, int height) {
    bool sizeChanged = width != width_ || height != height_;
    TControl::SetBounds(left, top, width, height);
    if (handle_) SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    if (sizeChanged) AlignControls();
}

void TWinControl::SetVisible(bool visible) {
    if (visible == Visible()) return;
    TControl::SetVisible(visible);
    if (handle_ && visible) ShowHandle();
    else if (handle_) ShowWindow(handle_, SW_HIDE);
    else if (visible && parent_ && parent_->HandleAllocated()) Handle();
}

void TWinControl::SetEnabled(bool enabled) {
    if (enabled == Enabled()) return;
    TControl::SetEnabled(enabled);
    if (handle_) EnableWindow(handle_, enabled);
}

void TWinControl::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    TControl::SetCaption(caption);
    if (handle_) SetWindowTextA(handle_, caption.c_str());
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

RECT TWinControl::ClientRect() const {
    RECT r{0, 0, width_, height_};
    if (handle_) GetClientRect(handle_, &r);
    return r;
}

void TWinControl::AlignControls() {
    if (aligning_ || Loading()) return;
    aligning_ = true;
    RECT r = ClientRect();
    AdjustClientRect(r);
    std::vector<TControl*> tops, clients;
    for (TControl* c : controls_) {
        if (!c->visible_) continue;
        if (c->align_ == alTop) tops.push_back(c);
        else if (c->align_ == alClient) clients.push_back(c);
    }
    std::stable_sort(tops.begin(), tops.end(), [](TControl* a, TControl* b) { return a->top_ < b->top_; });
    for (TControl* c : tops) {
        c->SetBounds(r.left, r.top, r.right - r.left, c->height_);
        r.top += c->height_;
    }
    for (TControl* c : clients) c->SetBounds(r.left, r.top, r.right - r.left, std::max<LONG>(r.bottom - r.top, 0));
    aligning_ = false;
}

void TWinControl::UpdateFontHandle(bool redraw) {
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), redraw);
}

void TWinControl::FontChanged() {
    UpdateFontHandle();
    Invalidate();
    for (TControl* c : controls_) c->ParentFontChanged();
}

void TWinControl::ParentFontChanged() { TControl::ParentFontChanged(); }

void TWinControl::ParentColorChanged() { TControl::ParentColorChanged(); }

} // namespace forms
