#include "ColorForm.h"

#include "forms/Dialogs.h"

namespace components {

using namespace forms;

std::string PaletteCaption;

const TColor PaletteColors[5][4] = {
    {0xFFFFFF, 0x000000, 0xC0C0C0, 0x808080},
    {0x0000FF, 0x000080, 0x00FFFF, 0x008080},
    {0x00FF00, 0x008000, 0xFFFF00, 0x808000},
    {0xFF0000, 0x800000, 0xFF00FF, 0x800080},
    {0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0},
};

namespace {

constexpr int W = TColorForm::PaletteWidth;
constexpr int H = TColorForm::PaletteHeight;

// The wells are drawn in fixed colours, not the system's 3-D colours, so the
// grid looks the same under every colour scheme.
constexpr TColor kWellShadow = RGB(128, 128, 128);
constexpr TColor kWellLight = RGB(223, 223, 223);

void Fill(TCanvas& canvas, int left, int top, int right, int bottom, TColor color) {
    canvas.Brush().SetColor(color);
    canvas.FillRect({left, top, right, bottom});
}

void Frame(TCanvas& canvas, const RECT& r, TColor color) {
    canvas.Brush().SetColor(color);
    canvas.FrameRect(r);
}

// A sunken 16 x 16 well with a 12 x 12 square of colour inside, its table
// of offsets scaled to the palette's resolution.
void DrawWell(TCanvas& canvas, const RECT& cell, TColor color, int dpi) {
    const int l = cell.left, t = cell.top;
    auto at = [dpi](int offset) { return ScaleToDpi(offset, dpi); };
    Fill(canvas, l, t, l + at(15), t + at(1), kWellShadow);
    Fill(canvas, l, t, l + at(1), t + at(15), kWellShadow);
    Fill(canvas, l, t + at(15), l + at(15), t + at(16), clWhite);
    Fill(canvas, l + at(15), t, l + at(16), t + at(16), clWhite);
    Fill(canvas, l + at(1), t + at(1), l + at(14), t + at(2), clBlack);
    Fill(canvas, l + at(1), t + at(1), l + at(2), t + at(14), clBlack);
    Fill(canvas, l + at(1), t + at(14), l + at(14), t + at(15), kWellLight);
    Fill(canvas, l + at(14), t + at(1), l + at(15), t + at(15), kWellLight);
    Fill(canvas, l + at(2), t + at(2), l + at(14), t + at(14), color);
}

// The platform's default interface font, read once.
void UseInterfaceFont(TFont& font) {
    static LOGFONTA logFont = [] {
        LOGFONTA lf{};
        if (!GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) {
            lstrcpynA(lf.lfFaceName, "MS Sans Serif", LF_FACESIZE);
            lf.lfHeight = -11;
        }
        return lf;
    }();
    font.SetName(logFont.lfFaceName);
    font.SetHeight(logFont.lfHeight);
    font.SetStyle({});
}

// Custom colours of the colour dialog, kept for the whole session.
COLORREF customColors[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                             0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};

bool IsCell(int column, int row) { return column >= 1 && column <= 4 && row >= 1 && row <= 5; }

} // namespace

TColorForm::TColorForm(TComponent* owner, int dpi) : TForm(owner) {
    SetPixelsPerInch(dpi);
    SetBorderStyle(bsNone);
    SetBounds(0, 0, ScaleToDpi(PaletteWidth, dpi), ScaleToDpi(PaletteHeight, dpi));
}

void TColorForm::CreateParams(TCreateParams& params) {
    TForm::CreateParams(params);
    params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
}

void TColorForm::InitializeWnd() {
    TForm::InitializeWnd();
    if (!ownerWindow_) ownerWindow_ = OwnerWindow(Owner());
    if (ownerWindow_) SetWindowLongPtrA(handle_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow_));
}

void TColorForm::Release() {
    OnSelect = nullptr;
    OnCloseUp = nullptr;
    if (busy_ > 0) released_ = true;
    else delete this;
}

void TColorForm::SetCurrentColor(TColor color) {
    if (color == currentColor_) return;
    currentColor_ = color;
    Invalidate();
}

bool TColorForm::SwatchShown() const {
    int column, row;
    return !FindPaletteColor(currentColor_, column, row);
}

void TColorForm::SetHot(int column, int row) {
    bool valid = (column == 0 && row == 0) || IsCell(column, row) || (column == SwatchColumn && row == SwatchRow);
    if (!valid) column = row = 0;
    if (column == hotColumn_ && row == hotRow_) return;
    hotColumn_ = column;
    hotRow_ = row;
    Invalidate();
}

void TColorForm::InitHot() {
    int column, row;
    if (FindPaletteColor(currentColor_, column, row)) SetHot(column, row);
    else SetHot(SwatchColumn, SwatchRow);
}

RECT TColorForm::CellRect(int column, int row, int dpi) {
    const int l = 18 * (column - 1) + 4, t = 18 * (row - 1) + 4;
    return {ScaleToDpi(l, dpi), ScaleToDpi(t, dpi), ScaleToDpi(l + 16, dpi), ScaleToDpi(t + 16, dpi)};
}

RECT TColorForm::SwatchRect(int dpi) {
    return {ScaleToDpi(W - 20, dpi), ScaleToDpi(H - 20, dpi), ScaleToDpi(W - 4, dpi), ScaleToDpi(H - 4, dpi)};
}

RECT TColorForm::OtherButtonRect(bool swatchShown, int dpi) {
    return {ScaleToDpi(3, dpi), ScaleToDpi(H - 21, dpi), ScaleToDpi(swatchShown ? 56 : 65, dpi), ScaleToDpi(H - 3, dpi)};
}

bool TColorForm::FindPaletteColor(TColor color, int& column, int& row) {
    for (row = 1; row <= 5; ++row)
        for (column = 1; column <= 4; ++column)
            if (PaletteColors[row - 1][column - 1] == color) return true;
    column = row = 0;
    return false;
}

namespace {

// (x, y) strictly inside r grown by margin on every side.
bool Within(const RECT& r, int x, int y, int margin = 0) {
    return r.left - margin < x && x < r.right + margin && r.top - margin < y && y < r.bottom + margin;
}

} // namespace

void TColorForm::PositionAt(int x, int y, int& column, int& row, int dpi) {
    // A cell answers up to 2 pixels (at 96 dpi) around its well.
    for (row = 1; row <= 5; ++row)
        for (column = 1; column <= 4; ++column)
            if (Within(CellRect(column, row, dpi), x, y, ScaleToDpi(2, dpi))) return;
    column = row = 0;
    // The swatch's area answers whether or not the swatch is drawn.
    if (Within(SwatchRect(dpi), x, y)) column = SwatchColumn, row = SwatchRow;
}

void TColorForm::DrawPalette(TCanvas& canvas) {
    const int dpi = PixelsPerInch();
    auto at = [dpi](int offset) { return ScaleToDpi(offset, dpi); };
    RECT all{0, 0, at(W), at(H)};
    DrawFrameControl(canvas.Handle(), &all, DFC_BUTTON, DFCS_BUTTONPUSH);

    for (int row = 1; row <= 5; ++row)
        for (int column = 1; column <= 4; ++column)
            DrawWell(canvas, CellRect(column, row, dpi), PaletteColors[row - 1][column - 1], dpi);
    bool swatch = SwatchShown();
    if (swatch) DrawWell(canvas, SwatchRect(dpi), currentColor_, dpi);

    // Etched separator above the button.
    Fill(canvas, at(4), at(H - 25), at(W - 4), at(H - 24), kWellShadow);
    Fill(canvas, at(4), at(H - 24), at(W - 5), at(H - 23), clWhite);
    Fill(canvas, at(W - 5), at(H - 24), at(W - 4), at(H - 23), kWellShadow);

    RECT button = OtherButtonRect(swatch, dpi);
    DrawFrameControl(canvas.Handle(), &button, DFC_BUTTON, DFCS_BUTTONPUSH);
    if (PaletteCaption.empty()) PaletteCaption = "&Other...";
    UseInterfaceFont(canvas.Font());
    canvas.Font().SetColor(clBtnText);
    canvas.Brush().SetColor(clBtnFace);
    canvas.Brush().SetStyle(bsSolid);
    // Centred in the button, but clipped inside its edges: a long caption
    // must not paint over them.
    RECT text{button.left + at(2), button.top + at(2), button.right - at(2), button.bottom - at(2)};
    canvas.DrawText(PaletteCaption, text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);

    if (hotColumn_ && hotRow_) {
        // Black, white and black frames of one pixel each at 96 dpi.
        RECT r = hotColumn_ == SwatchColumn && hotRow_ == SwatchRow ? SwatchRect(dpi) : CellRect(hotColumn_, hotRow_, dpi);
        const int line = at(1);
        for (int i = 0; i < line; ++i) {
            Frame(canvas, {r.left - line + i, r.top - line + i, r.right + line - i, r.bottom + line - i}, clBlack);
            Frame(canvas, {r.left + i, r.top + i, r.right - i, r.bottom - i}, clWhite);
            Frame(canvas, {r.left + line + i, r.top + line + i, r.right - line - i, r.bottom - line - i}, clBlack);
        }
    }
}

void TColorForm::Paint() {
    TPaintBuffer buffer(handle_);
    DrawPalette(buffer.Canvas());
    buffer.Flush();
}

void TColorForm::MouseMove(TShiftState shift, int x, int y) {
    int column, row;
    PositionAt(x, y, column, row, PixelsPerInch());
    SetHot(column, row);
    TForm::MouseMove(shift, x, y);
}

void TColorForm::Press(int x, int y) {
    // The colour dialog runs a message loop, in which the palette may be
    // released: it is then freed once the press is over, however it ends.
    struct TPressScope {
        TColorForm& palette;
        explicit TPressScope(TColorForm& p) : palette(p) { ++palette.busy_; }
        ~TPressScope() {
            if (--palette.busy_ == 0 && palette.released_) delete &palette;
        }
    } scope(*this);

    bool closed = false;
    // The highlight decides what is picked, not the press point.
    if (hotColumn_ && hotRow_) {
        TColor picked = hotRow_ == SwatchRow ? currentColor_ : PaletteColors[hotRow_ - 1][hotColumn_ - 1];
        if (OnSelect) OnSelect(this, picked);
        CloseUp();
        closed = true;
    }
    // The wide button's area, its edges included, counts also when the
    // button is drawn narrower beside the swatch.
    if (Within(OtherButtonRect(false, PixelsPerInch()), x, y, ScaleToDpi(1, PixelsPerInch()))) {
        CloseUp();
        RunColorDialog();
        closed = true;
    }
    if (closed && OnCloseUp) OnCloseUp(this);
}

void TColorForm::CloseUp() {
    if (Visible()) Close();
}

void TColorForm::RunColorDialog() {
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = ownerWindow_;
    // The dialog knows plain RGB only: system colours are resolved now.
    cc.rgbResult = ColorToRGB(currentColor_) & 0x00FFFFFF;
    cc.lpCustColors = customColors;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (forms::ShowColorDialog(cc) && OnSelect) OnSelect(this, cc.rgbResult);
}

LRESULT TColorForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the picture covers the whole window
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        // Handled here rather than by the library's routing, which would
        // capture the mouse for a window that may be hidden by the press.
        Press(short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_SHOWWINDOW:
        if (wParam) InitHot();
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) CloseUp();
        break;
    case WM_KILLFOCUS:
        CloseUp();
        break;
    }
    return TForm::WndProc(msg, wParam, lParam);
}

} // namespace components
