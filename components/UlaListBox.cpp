#include "UlaListBox.h"

#include <algorithm>
#include <string>

#include "forms/Layouts.h"

namespace components {

using namespace forms;

namespace {

// A capital I with acute accent (cp1252) and a small y: the tallest and the
// deepest glyphs of the code page, so every row text fits.
const char kSample[] = "\xCDy";

// Owner-drawn fixed rows cannot be taller than this.
constexpr int kMaxItemHeight = 255;

int SampleHeight(const TFont& font) {
    TMemoryDC dc;
    TCanvas canvas;
    TCanvasBinding binding(canvas, dc, &font); // puts the DC's own font back before it goes
    return canvas.TextHeight(kSample);
}

} // namespace

TUlaListBox::TUlaListBox(TComponent* owner) : TListBox(owner) {
    SetColor(0xD6E9D7);
    SetItemHeight(20);
    barFont_.SetName(Font().Name());
    barFont_.SetSize(8);
    barFont_.SetColor(clRed);
    barFont_.OnChange = [this](TFont*) { BarFontChanged(); };
    imageChangeLink_.OnChange = [this](TChangeLink*) { ImageListChanged(); };
}

TUlaListBox::~TUlaListBox() {
    barFont_.OnChange = nullptr;
    imageChangeLink_.OnChange = nullptr;
}

void TUlaListBox::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TUlaListBox::SetBarColor(TColor value) {
    if (value == barColor_) return;
    barColor_ = value;
    InvalidateSelection();
}

void TUlaListBox::SetBarFont(const TFont* font) {
    if (font && font != &barFont_) barFont_.Assign(font); // raises BarFontChanged when anything differs
    UpdateItemHeight();
}

void TUlaListBox::SetBarStyle(TBarStyle value) {
    if (value == barStyle_) return;
    barStyle_ = value;
    InvalidateSelection();
}

void TUlaListBox::SetEvenColor(TColor value) {
    if (value == evenColor_) return;
    evenColor_ = value;
    Invalidate();
}

void TUlaListBox::SetOddColor(TColor value) {
    if (value == oddColor_) return;
    oddColor_ = value;
    Invalidate();
}

void TUlaListBox::SetOddEvenColors(bool value) {
    if (value == oddEvenColors_) return;
    oddEvenColors_ = value;
    Invalidate();
}

void TUlaListBox::SetImages(TImageList* value) {
    // Unregister through the link: a list that is being destroyed has
    // already let go of it.
    if (TImageList* registered = imageChangeLink_.Sender()) registered->UnRegisterChanges(&imageChangeLink_);
    if (images_ && images_ != value) {
        RemoveFreeNotification(images_);
        images_->RemoveFreeNotification(this);
    }
    images_ = value;
    if (images_) {
        images_->RegisterChanges(&imageChangeLink_);
        FreeNotification(images_);
    }
    UpdateItemHeight();
    Invalidate();
}

void TUlaListBox::SetImagePos(TImagePos value) {
    if (value == imagePos_) return;
    imagePos_ = value;
    if (images_) Invalidate();
}

void TUlaListBox::SetOffset(uint8_t value) {
    if (value == offset_) return;
    offset_ = value;
    Invalidate();
}

void TUlaListBox::UpdateItemHeight() {
    int height = SampleHeight(Font());
    rowsSizedForImages_ = images_ ? images_->Height() : 0;
    height = std::max(height, rowsSizedForImages_);
    height = std::max(height, SampleHeight(barFont_));
    int itemHeight = std::min(height + ScaleForControl(this, 5), kMaxItemHeight);
    if (itemHeight != ItemHeight()) SetItemHeight(itemHeight);
}

void TUlaListBox::InvalidateSelection() {
    int index = ItemIndex();
    if (index < 0 || !HandleAllocated()) return;
    LONG style = GetWindowLongA(handle_, GWL_STYLE);
    if ((style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) && SendMessageA(handle_, LB_GETSELCOUNT, 0, 0) > 1) {
        Invalidate();
        return;
    }
    RECT row;
    if (SendMessageA(handle_, LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&row)) != LB_ERR)
        InvalidateRect(handle_, &row, FALSE);
}

void TUlaListBox::BarFontChanged() {
    UpdateItemHeight();
    InvalidateSelection();
}

void TUlaListBox::ImageListChanged() {
    // Images added or replaced keep the list's size: measuring the fonts
    // again for each would cost more than the image.
    if (images_ && images_->Height() != rowsSizedForImages_) UpdateItemHeight();
    // New or replaced images show at once, even when the row height stays.
    Invalidate();
}

void TUlaListBox::ScaleChanged(int to, int from) { barFont_.SetHeight(MulDiv(barFont_.Height(), to, from)); }

void TUlaListBox::FontChanged() {
    TListBox::FontChanged();
    UpdateItemHeight();
}

void TUlaListBox::Notification(TComponent* component, TOperation operation) {
    TListBox::Notification(component, operation);
    if (operation == opRemove && component != nullptr && component == images_) {
        images_ = nullptr; // going away: nothing of it may be touched now
        SetImages(nullptr);
    }
}

void TUlaListBox::DrawBarFrame(TCanvas& canvas, const RECT& r, TColor topLeft, TColor bottomRight) {
    // Lines leave out their last pixel: the bottom-right colour takes the
    // top-right and bottom-left corners.
    canvas.Pen().SetColor(topLeft);
    canvas.MoveTo(r.left, r.bottom - 1);
    canvas.LineTo(r.left, r.top);
    canvas.LineTo(r.right - 1, r.top);
    canvas.Pen().SetColor(bottomRight);
    canvas.MoveTo(r.right - 1, r.top);
    canvas.LineTo(r.right - 1, r.bottom - 1);
    canvas.LineTo(r.left - 1, r.bottom - 1);
}

void TUlaListBox::DrawItem(int index, const RECT& rect, unsigned state) {
    TCanvas& canvas = Canvas();
    const bool selected = (state & ODS_SELECTED) != 0;
    const bool focused = (state & ODS_FOCUS) != 0;

    int imageIndex = -1;
    if (images_ && OnGetImageIndex) OnGetImageIndex(this, index, imageIndex);

    TColor fill = Color();
    if (selected) fill = barColor_;
    else if (oddEvenColors_) fill = (index & 1) ? oddColor_ : evenColor_;
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(fill);
    RECT r = rect;
    canvas.FillRect(r);

    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psSolid);
    SetROP2(canvas.Handle(), R2_COPYPEN);
    const RECT focusRect = r;

    if (selected && barStyle_ == tbsColor) {
        canvas.Pen().SetColor(barColor_);
        canvas.Rectangle(r);
    } else {
        if (selected && barStyle_ == tbsLowered) DrawBarFrame(canvas, r, clBtnHighlight, clBtnShadow);
        if (selected && barStyle_ == tbsRaised) DrawBarFrame(canvas, r, clBtnShadow, clBtnHighlight);
        InflateRect(&r, -1, -1);
    }

    if (images_) {
        if (imageIndex >= 0) {
            const int width = images_->Width(), height = images_->Height();
            const int y = r.top + (r.bottom - r.top) / 2 - height / 2;
            if (imagePos_ == ipLeft) {
                images_->Draw(canvas, r.left + offset_, y, imageIndex);
                r.left += offset_ + width + 3;
            } else {
                images_->Draw(canvas, r.right - offset_ - width, y, imageIndex);
                r.right -= offset_ + width + 3;
            }
        }
        r.left += (alignment_ == taLeftJustify && imagePos_ == ipRight) ? offset_ : 3;
        r.right -= (alignment_ == taRightJustify && imagePos_ == ipLeft) ? offset_ : 3;
    } else if (alignment_ == taLeftJustify) {
        r.left += offset_;
    } else if (alignment_ == taRightJustify) {
        r.right -= offset_ + 1;
    } else {
        r.right -= 1;
    }
    r.bottom -= 1;

    if (selected || focused) canvas.Font().Assign(&barFont_);

    UINT format = DT_VCENTER | DT_SINGLELINE;
    if (alignment_ == taRightJustify) format |= DT_RIGHT;
    else if (alignment_ == taCenter) format |= DT_CENTER;
    HDC dc = canvas.Handle(); // selects the tools first, so the mode below sticks
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, Items()[size_t(index)].c_str(), -1, &r, format);

    // The list inverts a focus rectangle over every focused row afterwards;
    // this one cancels it on the bar.
    if (focused && selected) canvas.DrawFocusRect(focusRect);
}

// ------------------------------------------------------------ layouts

void RegisterUlaListBox() {
    using L = TUlaListBox;
    const char* k = "TUlaListBox";
    RegisterClassOf<L>(k, "TListBox");
    RegisterProp<L>(k, "Alignment", [](L& c, auto& p, auto&) {
        c.SetAlignment(TAlignment(AsEnum(p, {"taLeftJustify", "taRightJustify", "taCenter"})));
    });
    RegisterProp<L>(k, "BarColor", [](L& c, auto& p, auto&) { c.SetBarColor(AsColor(p)); });
    RegisterProp<L>(k, "OnGetImageIndex", [](L& c, auto& p, auto& ctx) {
        c.OnGetImageIndex = EventHandler<TUlaGetIndexEvent>(p, ctx);
    });
    RegisterProp<L>(k, "BarFont.Name", [](L& c, auto& p, auto&) { c.BarFont().SetName(AsString(p)); });
    RegisterProp<L>(k, "BarFont.Height", [](L& c, auto& p, auto& ctx) { c.BarFont().SetHeight(ctx.Pixels(p)); });
    RegisterProp<L>(k, "BarFont.Size", [](L& c, auto& p, auto&) { c.BarFont().SetSize(AsInteger(p)); });
    RegisterProp<L>(k, "BarFont.Color", [](L& c, auto& p, auto&) { c.BarFont().SetColor(AsColor(p)); });
    RegisterProp<L>(k, "BarFont.Style", [](L& c, auto& p, auto&) {
        TFontStyles styles;
        for (const std::string& s : AsSet(p)) {
            TLayoutProperty member{p.Name, p.Line, {TLayoutValueKind::Identifier, 0, s, {}, {}}};
            styles.Include(TFontStyle(AsEnum(member, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})));
        }
        c.BarFont().SetStyle(styles);
    });
    RegisterProp<L>(k, "BarStyle", [](L& c, auto& p, auto&) {
        c.SetBarStyle(TBarStyle(AsEnum(p, {"tbsLowered", "tbsRaised", "tbsColor"})));
    });
    RegisterProp<L>(k, "EvenColor", [](L& c, auto& p, auto&) { c.SetEvenColor(AsColor(p)); });
    RegisterProp<L>(k, "OddColor", [](L& c, auto& p, auto&) { c.SetOddColor(AsColor(p)); });
    RegisterProp<L>(k, "OddEvenColors", [](L& c, auto& p, auto&) { c.SetOddEvenColors(AsBoolean(p)); });
    RegisterProp<L>(k, "ImagePos", [](L& c, auto& p, auto&) { c.SetImagePos(TImagePos(AsEnum(p, {"ipLeft", "ipRight"}))); });
    RegisterProp<L>(k, "Offset", [](L& c, auto& p, auto& ctx) {
        int value = AsInteger(p);
        if (value < 0 || value > 255) BadLayoutValue(p);
        c.SetOffset(uint8_t(std::min(ctx.Pixels(p), 255)));
    });
    RegisterProp<L>(k, "Images", [](L& c, auto& p, TLayoutContext& ctx) {
        // The image list may come later in the layout than the list box.
        ctx.Fixups.push_back([&c, p, &ctx] {
            auto* images = dynamic_cast<TImageList*>(ctx.Component(AsIdentifier(p), p));
            if (!images) BadLayoutValue(p);
            c.SetImages(images);
        });
    });
}

} // namespace components
