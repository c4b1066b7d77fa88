#include "ExtCtrls.h"

#include <algorithm>

#include "Forms.h"
#include "ScopedValue.h"

namespace forms {

namespace {

// A 3-D frame `width` pixels deep just inside r: top and left in topColor,
// bottom and right in bottomColor. r shrinks to what lies inside.
void Frame3D(TCanvas& canvas, RECT& r, TColor topColor, TColor bottomColor, int width) {
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psSolid);
    --r.right, --r.bottom;
    for (; width > 0; --width) {
        canvas.Pen().SetColor(topColor);
        const POINT topLeft[] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
        canvas.Polyline(topLeft);
        canvas.Pen().SetColor(bottomColor);
        const POINT bottomRight[] = {{r.right, r.top}, {r.right, r.bottom}, {r.left - 1, r.bottom}};
        canvas.Polyline(bottomRight);
        InflateRect(&r, -1, -1);
    }
    ++r.right, ++r.bottom;
}

} // namespace

// ------------------------------------------------------------------- TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    SetBounds(0, 0, 105, 105);
    picture_->OnChange = [this](TPicture*) { PictureChanged(); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::PictureChanged() {
    if (TGraphic* graphic = picture_->Graphic()) graphic->SetTransparent(transparent_);
    if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0) {
        const SIZE size = PictureSize();
        SetBounds(Left(), Top(), size.cx, size.cy);
    }
    Invalidate();
}

void TImage::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    PictureChanged();
}

void TImage::SetCenter(bool value) {
    if (value == center_) return;
    center_ = value;
    Invalidate();
}

void TImage::SetStretch(bool value) {
    if (value == stretch_) return;
    stretch_ = value;
    Invalidate();
}

void TImage::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    PictureChanged();
}

void TImage::Loaded() {
    TGraphicControl::Loaded();
    if (autoSize_) PictureChanged(); // the layout may give the size after the picture
}

SIZE TImage::PictureSize() const {
    TGraphic* graphic = picture_->Graphic();
    const int from = graphic ? graphic->PixelsPerInch() : DesignPixelsPerInch;
    const int to = ControlPixelsPerInch(const_cast<TImage*>(this));
    return {MulDiv(picture_->Width(), to, from), MulDiv(picture_->Height(), to, from)};
}

RECT TImage::DestRect() const {
    if (stretch_) return {0, 0, Width(), Height()};
    const SIZE size = PictureSize();
    int w = size.cx, h = size.cy;
    RECT r{0, 0, w, h};
    if (center_) OffsetRect(&r, (Width() - w) / 2, (Height() - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* graphic = picture_->Graphic();
    if (graphic && !graphic->Empty()) Canvas().StretchDraw(DestRect(), *graphic);
}

// ------------------------------------------------------------------- TBevel

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape value) {
    if (value == shape_) return;
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    if (value == style_) return;
    style_ = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas& canvas = Canvas();
    TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psSolid);
    if (shape_ == bsTopLine) {
        canvas.Pen().SetColor(first);
        canvas.MoveTo(0, 0);
        canvas.LineTo(Width(), 0);
        canvas.Pen().SetColor(second);
        canvas.MoveTo(0, 1);
        canvas.LineTo(Width(), 1);
        return;
    }
    int right = Width() - 1, bottom = Height() - 1;
    canvas.Pen().SetColor(first);
    const POINT topLeft[] = {{0, bottom}, {0, 0}, {right, 0}};
    canvas.Polyline(topLeft);
    canvas.Pen().SetColor(second);
    const POINT bottomRight[] = {{right, 0}, {right, bottom}, {0, bottom}};
    canvas.Polyline(bottomRight);
}

// ------------------------------------------------------------------- TPanel

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 185, 41); }

int TPanel::FrameWidth() const {
    return (bevelOuter_ != bvNone ? bevelWidth_ : 0) + borderWidth_ + (bevelInner_ != bvNone ? bevelWidth_ : 0);
}

void TPanel::SetBevelInner(TBevelCut value) {
    if (value == bevelInner_) return;
    bevelInner_ = value;
    AlignControls();
    AdjustSize();
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut value) {
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    AlignControls();
    AdjustSize();
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    if (value < 1 || value == bevelWidth_) return;
    bevelWidth_ = value;
    AlignControls();
    AdjustSize();
    Invalidate();
}

void TPanel::SetBorderWidth(int value) {
    if (value < 0 || value == borderWidth_) return;
    borderWidth_ = value;
    AlignControls();
    AdjustSize();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TPanel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustSize();
}

void TPanel::Loaded() {
    TCustomControl::Loaded();
    AdjustSize();
}

void TPanel::AdjustClientRect(RECT& rect) {
    int frame = FrameWidth();
    InflateRect(&rect, -frame, -frame);
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;
}

void TPanel::ControlChanged(TControl*) { AdjustSize(); }

int TPanel::WidthForText() { return Caption().empty() ? 0 : TextWidth(Caption()) + 2 * FrameWidth(); }

void TPanel::AdjustSize() {
    if (!autoSize_ || adjusting_ || Loading()) return;
    int right = 0, bottom = 0;
    bool any = false;
    for (TControl* c : Controls()) {
        if (!c->Visible()) continue;
        right = std::max(right, c->Left() + c->Width());
        bottom = std::max(bottom, c->Top() + c->Height());
        any = true;
    }
    if (!any) return;
    int frame = FrameWidth();
    TScopedValue adjusting(adjusting_, true);
    SetBounds(Left(), Top(), right + frame, bottom + frame);
}

void TPanel::Paint() {
    TCanvas& canvas = Canvas();
    RECT r{0, 0, Width(), Height()};
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        TColor top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        TColor bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
        Frame3D(canvas, r, top, bottom, bevelWidth_);
    };
    bevel(bevelOuter_);
    Frame3D(canvas, r, Color(), Color(), borderWidth_);
    bevel(bevelInner_);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
    if (Caption().empty()) return;
    canvas.Brush().SetStyle(bsClear);
    int textHeight = canvas.TextHeight("W");
    r.top = (r.top + r.bottom - textHeight) / 2;
    r.bottom = r.top + textHeight;
    UINT flags = DT_EXPANDTABS | (alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT);
    canvas.DrawText(Caption(), r, flags);
}

// -------------------------------------------------------------------- TPage

TPage::TPage(TComponent* owner) : TWinControl(owner) { SetVisible(false); }

void TPage::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == notebook_) notebook_ = nullptr;
}

void TPage::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    if (notebook_) {
        notebook_->RemovePage(this);
        RemoveFreeNotification(notebook_);
        notebook_ = nullptr;
    }
    TWinControl::SetParent(parent);
    if (auto* notebook = dynamic_cast<TNotebook*>(parent)) notebook->InsertPage(this);
}

// ---------------------------------------------------------------- TNotebook

TNotebook::TNotebook(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 150, 150); }

// Pages and their stack learn of each other's end by removal notification.
void TNotebook::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    for (TPage* page : pages_)
        if (page == component) return RemovePage(page);
}

void TNotebook::InsertPage(TPage* page) {
    pages_.push_back(page);
    page->notebook_ = this;
    FreeNotification(page);
    page->SetAlign(alClient);
    ShowActivePage();
}

void TNotebook::RemovePage(TPage* page) {
    // Touches only the stack's side: the page may be on its way out.
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    RemoveFreeNotification(page);
    if (!Destroying()) ShowActivePage();
}

void TNotebook::ShowActivePage() {
    // Hide first, so two pages are never up at once.
    for (size_t i = 0; i < pages_.size(); ++i)
        if (int(i) != pageIndex_) pages_[i]->SetVisible(false);
    if (pageIndex_ >= 0 && size_t(pageIndex_) < pages_.size()) pages_[size_t(pageIndex_)]->SetVisible(true);
}

void TNotebook::SetPageIndex(int index) {
    if (index == pageIndex_) return;
    // While a layout is read, the pages follow the index.
    if (!Loading() && (index < 0 || index >= PageCount())) return;
    pageIndex_ = index;
    ShowActivePage();
}

std::string TNotebook::ActivePage() const {
    return pageIndex_ >= 0 && pageIndex_ < PageCount() ? pages_[size_t(pageIndex_)]->Caption() : std::string();
}

void TNotebook::SetActivePage(const std::string& caption) {
    if (Loading()) {
        pendingActivePage_ = caption;
        return;
    }
    for (int i = 0; i < PageCount(); ++i)
        if (lstrcmpiA(pages_[size_t(i)]->Caption().c_str(), caption.c_str()) == 0) {
            SetPageIndex(i);
            return;
        }
}

void TNotebook::SetPageCaptions(const std::vector<std::string>& captions) {
    for (size_t i = 0; i < captions.size(); ++i) {
        if (i >= pages_.size()) (new TPage(this))->SetParent(this); // owned by the notebook
        pages_[i]->SetCaption(captions[i]);
    }
}

void TNotebook::Loaded() {
    TWinControl::Loaded();
    if (!pendingActivePage_.empty()) {
        std::string caption = std::move(pendingActivePage_);
        pendingActivePage_.clear();
        SetActivePage(caption);
    }
    if (pageIndex_ < 0 || pageIndex_ >= PageCount()) pageIndex_ = 0;
    ShowActivePage();
}

} // namespace forms
