#include "StdCtrls.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace forms {

namespace {

// A row or item index as the control would hold it: out of range is none.
int ValidIndex(int index, size_t count) { return index >= 0 && size_t(index) < count ? index : -1; }

// Colours a system control's background (and text) from a control's
// colours; the brush stays with the control until the next change.
LRESULT ColorDC(WPARAM dcParam, TBrush& brush, TColor back, TColor text) {
    HDC dc = reinterpret_cast<HDC>(dcParam);
    brush.SetColor(back);
    SetBkColor(dc, ColorToRGB(back));
    SetTextColor(dc, ColorToRGB(text));
    return reinterpret_cast<LRESULT>(brush.Handle());
}

// The advances one line of text is drawn on, one for each char: for each
// character the wider of what GetTextExtentExPoint measures and what the
// glyph drawn without smoothing advances. Wine measures glyphs hinted for
// grey levels but draws unsmoothed text (at the small sizes whose fonts ask
// for no grey) with glyphs hinted for black and white, whose advances and
// bearings differ by a pixel or two: "w" measures 8 but draws 10 wide with its
// ink a pixel further right, "t" draws a pixel to the left, and on the
// measured advances "below to" lost its space. So no glyph lands nearer its
// neighbour than the system itself would place it.
std::vector<INT> LineAdvances(HDC dc, const std::string& text) {
    const size_t n = text.size();
    std::vector<INT> ends(n), advances(n);
    SIZE size{};
    GetTextExtentExPointA(dc, text.data(), int(n), 0, nullptr, ends.data(), &size);
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (size_t i = 0; i < n; ++i) {
        advances[i] = ends[i] - (i ? ends[i - 1] : 0);
        GLYPHMETRICS glyph{};
        if (IsDBCSLeadByte(BYTE(text[i])) && i + 1 < n) { // a double-byte character keeps its measure
            ++i;
            advances[i] = ends[i] - ends[i - 1];
        } else if (GetGlyphOutlineA(dc, BYTE(text[i]), GGO_BITMAP, &glyph, 0, nullptr, &identity) != GDI_ERROR) {
            advances[i] = std::max(advances[i], INT(glyph.gmCellIncX));
        }
    }
    return advances;
}

int Sum(const std::vector<INT>& advances) { return std::accumulate(advances.begin(), advances.end(), 0); }

// One line of a label's caption, placed in r as alignment says, drawn on
// LineAdvances, the ones a label sizes itself by. DrawText draws without
// given advances, and a system may then place the glyphs a few pixels off
// the measured sum (Wine does, with its scalable fonts): a label exactly as
// wide as its text lost its last character. The access key, when shown, is
// underlined here as DrawText would.
void DrawMeasuredLine(TCanvas& canvas, const std::string& caption, const RECT& r, TAlignment alignment,
                      bool showAccel) {
    const std::string text = StripAccel(caption);
    int accel = -1;
    size_t shown = 0;
    for (size_t i = 0; i < caption.size(); ++i, ++shown)
        if (caption[i] == '&' && i + 1 < caption.size()) {
            if (caption[i + 1] != '&' && accel < 0) accel = int(shown);
            ++i;
        }
    if (text.empty()) return;
    HDC dc = canvas.Handle();
    const std::vector<INT> advances = LineAdvances(dc, text);
    const int width = Sum(advances);
    int x = r.left;
    if (alignment == taRightJustify) x = r.right - width;
    else if (alignment == taCenter) x = r.left + (r.right - r.left - width) / 2;
    ExtTextOutA(dc, x, r.top, 0, nullptr, text.data(), UINT(text.size()), advances.data());
    if (!showAccel || accel < 0) return;
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    const int underline = r.top + metrics.tmAscent + 1;
    const int start = x + std::accumulate(advances.begin(), advances.begin() + accel, 0);
    RECT line{start, underline, start + advances[size_t(accel)], underline + 1};
    TGdiObject brush(CreateSolidBrush(GetTextColor(dc)));
    ::FillRect(dc, &line, static_cast<HBRUSH>(brush.Get()));
}

// Pixels of frame before a group box's caption; as many stay after it.
constexpr int GroupCaptionIndent = 8;

bool IsOneLine(const std::string& caption, bool wordWrap) {
    return !wordWrap && caption.find_first_of("\r\n\t") == std::string::npos;
}

} // namespace

// ---------------------------------------------------------- TButtonControl

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetParentColor(true);
}

void TButtonControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "BUTTON";
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    params.ExStyle = 0;
}

bool TButtonControl::NotifyReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return false;
        ButtonClicked();
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC: // check boxes and radio buttons: the ground beside the box
        result = ColorDC(wParam, background_, Color(), Font().Color());
        return true;
    }
    return false;
}

bool TButtonControl::DialogChar(char) {
    SetFocus();
    ButtonClicked();
    return true;
}

int TButtonControl::WidthForText() {
    // The box, the gap before the caption and the focus frame around it.
    return TextWidth(Caption()) + GetSystemMetrics(SM_CXMENUCHECK) + ScaleForControl(this, 6);
}

// ------------------------------------------------------------------ TButton

TButton::TButton(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 75, 25); }

void TButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::LinkToForm(bool link) {
    TForm* form = GetParentForm(this);
    if (!form || form->Destroying()) return;
    if (link) {
        if (default_) form->SetDefaultControl(this);
        if (cancel_) form->SetCancelControl(this);
        return;
    }
    if (form->DefaultControl() == this) form->SetDefaultControl(nullptr);
    if (form->CancelControl() == this) form->SetCancelControl(nullptr);
}

void TButton::SetDefault(bool value) {
    if (value == default_) return;
    LinkToForm(false);
    default_ = value;
    LinkToForm(true);
    if (HandleAllocated()) SendMessageA(handle_, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::SetCancel(bool value) {
    if (value == cancel_) return;
    LinkToForm(false);
    cancel_ = value;
    LinkToForm(true);
}

void TButton::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    LinkToForm(false);
    TButtonControl::SetParent(parent);
    LinkToForm(true);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

bool TButton::DialogKey(WORD key) {
    if (key != VK_RETURN) return false;
    Click();
    return true;
}

bool TButton::DialogChar(char) {
    Click();
    return true;
}

int TButton::WidthForText() {
    // The raised edges and the focus frame inside them.
    return TextWidth(Caption()) + 2 * GetSystemMetrics(SM_CXEDGE) + ScaleForControl(this, 6);
}

// ------------------------------------------------------------- TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 113, 17);
    SetTabStop(false);
}

void TRadioButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_RADIOBUTTON; // not AUTO: the selection rules are ours
}

namespace {
// The radio buttons of member's group, in tab order.
std::vector<TRadioButton*> RadioGroup(const TControl* member) {
    std::vector<TRadioButton*> group;
    if (!member->Parent()) return group;
    for (TWinControl* c : member->Parent()->TabOrderedChildren())
        if (auto* radio = dynamic_cast<TRadioButton*>(c)) group.push_back(radio);
    return group;
}
} // namespace

bool TRadioButton::TabStopNow() const {
    if (!HandleAllocated() || !CanFocus()) return false;
    if (checked_) return true;
    TRadioButton* first = nullptr;
    for (TRadioButton* radio : RadioGroup(this)) {
        if (!radio->HandleAllocated() || !radio->CanFocus()) continue;
        if (radio->checked_) return false;
        if (!first) first = radio;
    }
    return first == this;
}

bool TRadioButton::DialogKey(WORD key) {
    bool forward = key == VK_RIGHT || key == VK_DOWN;
    if (!forward && key != VK_LEFT && key != VK_UP) return false;
    std::vector<TRadioButton*> group = RadioGroup(this);
    int n = int(group.size());
    int at = int(std::find(group.begin(), group.end(), this) - group.begin());
    for (int step = 1; step < n; ++step) {
        TRadioButton* radio = group[size_t(((forward ? at + step : at - step) % n + n) % n)];
        if (!radio->HandleAllocated() || !radio->CanFocus()) continue;
        radio->SetFocus();
        radio->SetChecked(true);
        break;
    }
    return true;
}

void TRadioButton::InitializeWnd() { SendMessageA(handle_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0); }

void TRadioButton::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    SetTabStop(value);
    if (HandleAllocated()) SendMessageA(handle_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!value) return;
    if (Parent())
        for (TControl* c : Parent()->Controls())
            if (auto* other = dynamic_cast<TRadioButton*>(c); other && other != this) other->SetChecked(false);
    // A layout's initial selection is design, not a click.
    if (!Loading()) Click();
}

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 97, 17); }

void TCheckBox::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_CHECKBOX; // not AUTO: we toggle, so code and user run the same path
}

void TCheckBox::InitializeWnd() { SendMessageA(handle_, BM_SETCHECK, state_ == cbChecked ? BST_CHECKED : BST_UNCHECKED, 0); }

void TCheckBox::SetState(TCheckBoxState state) {
    if (state == state_) return;
    state_ = state;
    if (HandleAllocated()) SendMessageA(handle_, BM_SETCHECK, state == cbChecked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!Loading()) Click();
}

// ---------------------------------------------------------------- TComboBox

namespace {

// The dropped list shows eight items; with its frame.
constexpr int DroppedItems = 8;
int DropDownHeight(int itemHeight, int items = DroppedItems) { return items * itemHeight + 2; }

} // namespace

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 145, 21);
    SetTabStop(true);
    SetColor(clWindow);
}

void TComboBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "COMBOBOX";
    // The list is a window of its own, on the desktop, and each move of it
    // costs the system round trips to the display settings. The system moves
    // it as the control is made and given its font, and a list of integral
    // height would then size itself again after each move: its height is
    // set when it drops instead (see NotifyReflected).
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_NOINTEGRALHEIGHT;
    params.ExStyle = 0;
    // Made with a list that shows all its items (up to a limit), so that
    // its scroll bar, a change of the list's frame, does not appear while
    // they are added: the list gets its scroll bar when it first drops.
    params.Height = height_ + DropDownHeight(FontItemHeight(), std::clamp(int(items_.size()) + 1, DroppedItems, 32));
}

void TComboBox::InitializeWnd() {
    FillWindow(false);
    ReadClosedHeight();
}

int TComboBox::FontItemHeight() {
    TWindowDC screen;
    TCanvas canvas;
    TCanvasBinding binding(canvas, screen, &Font());
    TEXTMETRICA metrics{};
    GetTextMetricsA(canvas.Handle(), &metrics);
    return metrics.tmHeight;
}

void TComboBox::FillWindow(bool showsItems) {
    // Emptying a new window would cost as much as filling it.
    if (showsItems) SendMessageA(handle_, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items_) SendMessageA(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(handle_, CB_SETCURSEL, WPARAM(itemIndex_), 0);
}

void TComboBox::SizeDropDown() {
    // The window's height includes the dropped list; the system keeps the
    // closed part at the height the font needs, and so do we.
    int itemHeight = int(SendMessageA(handle_, CB_GETITEMHEIGHT, 0, 0));
    if (itemHeight <= 0) itemHeight = 16;
    ReadClosedHeight(); // a layout may have given the control another height since
    SetWindowPos(handle_, nullptr, 0, 0, width_, height_ + DropDownHeight(itemHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ReadClosedHeight();
}

void TComboBox::ReadClosedHeight() {
    RECT r;
    GetWindowRect(handle_, &r);
    if (r.bottom > r.top) height_ = r.bottom - r.top;
}

void TComboBox::SetItems(const std::vector<std::string>& items) {
    items_ = items;
    itemIndex_ = -1;
    if (HandleAllocated()) FillWindow();
    TextChanged();
}

void TComboBox::AddItem(const std::string& text) {
    items_.push_back(text);
    if (HandleAllocated()) SendMessageA(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    TextChanged();
}

int TComboBox::WidthForText() {
    if (items_.empty()) return 0;
    int widest = 0;
    for (const std::string& item : items_) widest = std::max(widest, TextWidth(item, DT_NOPREFIX));
    // The frame, the margins of the shown item and its focus, the button.
    return widest + ScaleForControl(this, 8) + GetSystemMetrics(SM_CXVSCROLL);
}

void TComboBox::SetItemIndex(int index) {
    // While a layout is read, the items may follow the index.
    if (!Loading()) index = ValidIndex(index, items_.size());
    itemIndex_ = index;
    if (HandleAllocated()) SendMessageA(handle_, CB_SETCURSEL, WPARAM(index), 0);
}

void TComboBox::Loaded() {
    TWinControl::Loaded();
    SetItemIndex(itemIndex_);
}

bool TComboBox::NotifyReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg == WM_COMMAND && HIWORD(wParam) == CBN_DROPDOWN) {
        // Sent before the list is placed: it drops showing whole items.
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        RECT list{};
        const int itemHeight = int(SendMessageA(handle_, CB_GETITEMHEIGHT, 0, 0));
        if (GetComboBoxInfo(handle_, &info) && GetWindowRect(info.hwndList, &list) &&
            list.bottom - list.top != DropDownHeight(itemHeight))
            SizeDropDown();
        return false;
    }
    if (msg != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return false;
    itemIndex_ = int(SendMessageA(handle_, CB_GETCURSEL, 0, 0));
    if (OnChange) OnChange(this);
    result = 0;
    return true;
}

// -------------------------------------------------------------------- TEdit

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetColor(clWindow);
}

void TEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "EDIT";
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0);
    params.ExStyle = WS_EX_CLIENTEDGE;
    params.Caption = text_;
}

void TEdit::InitializeWnd() {
    if (maxLength_ > 0) SendMessageA(handle_, EM_LIMITTEXT, WPARAM(maxLength_), 0);
}

std::string TEdit::Text() const {
    if (!handle_) return text_;
    int length = GetWindowTextLengthA(handle_);
    std::string text(size_t(length) + 1, '\0');
    text.resize(size_t(GetWindowTextA(handle_, text.data(), length + 1)));
    return text;
}

void TEdit::SetText(const std::string& text) {
    if (text == Text()) return;
    text_ = text;
    if (HandleAllocated()) {
        // The control reports this change itself on some systems and not on
        // others; we report it once, here.
        settingText_ = true;
        SetWindowTextA(handle_, text.c_str());
        settingText_ = false;
    }
    Change();
}

void TEdit::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    readOnly_ = value;
    if (HandleAllocated()) SendMessageA(handle_, EM_SETREADONLY, value, 0);
}

void TEdit::SetMaxLength(int value) {
    if (value < 0) value = 0;
    if (value == maxLength_) return;
    maxLength_ = value;
    if (HandleAllocated()) SendMessageA(handle_, EM_LIMITTEXT, WPARAM(value), 0);
}

void TEdit::SelectAll() {
    if (HandleAllocated()) SendMessageA(handle_, EM_SETSEL, 0, -1);
}

void TEdit::Change() {
    if (OnChange && !Loading()) OnChange(this);
}

bool TEdit::NotifyReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != EN_CHANGE) return false;
        if (!settingText_) {
            text_ = Text();
            Change();
        }
        result = 0;
        return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: // read-only and disabled edits keep the edit's colour
        result = ColorDC(wParam, background_, Color(), Font().Color());
        return true;
    }
    return false;
}

// ------------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 13);
    SetParentColor(true);
}

void TLabel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Invalidate();
}

void TLabel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Invalidate();
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

bool TLabel::DialogChar(char) {
    if (!Parent()) return false;
    const std::vector<TControl*>& siblings = Parent()->Controls();
    for (auto it = std::find(siblings.begin(), siblings.end(), this); it != siblings.end(); ++it)
        if ((*it)->IsWindowed())
            if (TWinControl* target = static_cast<TWinControl*>(*it)->FirstTabStop()) {
                target->SetFocus();
                return true;
            }
    return false;
}

void TLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

UINT TLabel::TextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    else if (alignment_ == taCenter) flags |= DT_CENTER;
    return flags;
}

SIZE TLabel::TextSize() {
    // An empty caption still measures one line, so the label keeps a height.
    std::string text = Caption().empty() ? std::string(" ") : Caption();
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    TWindowDC screen;
    TCanvas canvas;
    TCanvasBinding binding(canvas, screen, &Font());
    canvas.DrawText(text, r, TextFlags() | DT_CALCRECT);
    if (IsOneLine(text, wordWrap_)) r.right = Sum(LineAdvances(canvas.Handle(), StripAccel(text)));
    return {r.right, r.bottom};
}

int TLabel::WidthForText() { return wordWrap_ ? 0 : int(TextSize().cx); }

void TLabel::AdjustBounds() {
    if (Loading()) return;
    if (autoSize_) {
        const SIZE size = TextSize();
        const RECT given = GivenBounds();
        // The right edge stays for right-aligned text.
        const int left = alignment_ == taRightJustify ? int(given.right - size.cx) : int(given.left);
        SetBounds(left, Top(), size.cx, size.cy);
    }
    FitText();
}

void TLabel::Paint() {
    TCanvas& canvas = Canvas();
    RECT r{0, 0, Width(), Height()};
    if (!transparent_) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(Color());
        canvas.FillRect(r);
    }
    canvas.Brush().SetStyle(bsClear);
    UINT flags = TextFlags();
    // Access keys show underlined as the form says. The prefix is taken out
    // here rather than by DT_HIDEPREFIX, which not every system honours.
    std::string text = Caption();
    TForm* form = GetParentForm(this);
    const bool accelsShown = !form || form->AccelsShown();
    if (!accelsShown) {
        text = StripAccel(text);
        flags |= DT_NOPREFIX;
    }
    if (layout_ != tlTop) {
        RECT calc = r;
        canvas.DrawText(text, calc, flags | DT_CALCRECT);
        int free = r.bottom - calc.bottom;
        OffsetRect(&r, 0, layout_ == tlBottom ? free : free / 2);
    }
    const bool oneLine = IsOneLine(Caption(), wordWrap_);
    auto draw = [&](RECT at) {
        if (oneLine) DrawMeasuredLine(canvas, Caption(), at, alignment_, accelsShown);
        else canvas.DrawText(text, at, flags);
    };
    if (Enabled()) {
        draw(r);
        return;
    }
    // Disabled: engraved, a light copy under a shadow one.
    OffsetRect(&r, 1, 1);
    canvas.Font().SetColor(clBtnHighlight);
    draw(r);
    OffsetRect(&r, -1, -1);
    canvas.Font().SetColor(clBtnShadow);
    draw(r);
}

// ---------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 185, 105); }

int TGroupBox::WidthForText() { return Caption().empty() ? 0 : TextWidth(Caption()) + 2 * GroupCaptionIndent; }

void TGroupBox::Paint() {
    TCanvas& canvas = Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect({0, 0, Width(), Height()});
    int textHeight = canvas.TextHeight("0");
    // Etched: a light frame one pixel down-right of a shadow frame.
    RECT frame{1, textHeight / 2, Width(), Height()};
    canvas.Brush().SetColor(clBtnHighlight);
    canvas.FrameRect(frame);
    OffsetRect(&frame, -1, -1);
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FrameRect(frame);
    if (Caption().empty()) return;
    RECT text{GroupCaptionIndent, 0, 0, textHeight};
    canvas.DrawText(Caption(), text, DT_SINGLELINE | DT_LEFT | DT_CALCRECT);
    canvas.Brush().SetColor(Color()); // the caption interrupts the frame
    if (!Enabled()) canvas.Font().SetColor(clGrayText);
    canvas.DrawText(Caption(), text, DT_SINGLELINE | DT_LEFT);
}

// ----------------------------------------------------------------- TListBox

TListBox::TListBox(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetColor(clWindow);
}

TListBox::~TListBox() = default;

void TListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "LISTBOX";
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_HASSTRINGS |
                   LBS_NOINTEGRALHEIGHT;
    params.ExStyle = WS_EX_CLIENTEDGE;
}

void TListBox::InitializeWnd() { FillWindow(false); }

void TListBox::FillWindow(bool showsItems) {
    if (showsItems) SendMessageA(handle_, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items_) SendMessageA(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(handle_, LB_SETCURSEL, WPARAM(itemIndex_), 0);
}

void TListBox::SetItems(const std::vector<std::string>& items) {
    items_ = items;
    objects_.assign(items.size(), 0);
    itemIndex_ = -1;
    if (HandleAllocated()) FillWindow();
}

int TListBox::AddItem(const std::string& text, intptr_t object) {
    items_.push_back(text);
    objects_.push_back(object);
    if (HandleAllocated()) SendMessageA(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return int(items_.size()) - 1;
}

intptr_t TListBox::ItemObject(int index) const { return ValidIndex(index, objects_.size()) < 0 ? 0 : objects_[size_t(index)]; }

void TListBox::SetItemIndex(int index) {
    if (!Loading()) index = ValidIndex(index, items_.size());
    itemIndex_ = index;
    if (HandleAllocated()) SendMessageA(handle_, LB_SETCURSEL, WPARAM(index), 0);
}

void TListBox::SetItemHeight(int value) {
    if (value <= 0 || value == itemHeight_) return;
    itemHeight_ = value;
    if (HandleAllocated()) {
        SendMessageA(handle_, LB_SETITEMHEIGHT, 0, value);
        Invalidate();
    }
}

void TListBox::Loaded() {
    TWinControl::Loaded();
    SetItemIndex(itemIndex_);
}

void TListBox::DrawItem(int index, const RECT& rect, unsigned state) {
    TCanvas& canvas = Canvas();
    canvas.FillRect(rect);
    if ((state & ODS_DISABLED) && !(state & ODS_SELECTED)) canvas.Font().SetColor(clGrayText);
    RECT text = rect;
    text.left += 2;
    canvas.DrawText(items_[size_t(index)], text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

bool TListBox::NotifyReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != LBN_SELCHANGE) return false;
        itemIndex_ = int(SendMessageA(handle_, LB_GETCURSEL, 0, 0));
        Click();
        result = 0;
        return true;
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = UINT(itemHeight_);
        result = TRUE;
        return true;
    case WM_CTLCOLORLISTBOX:
        result = ColorDC(wParam, background_, Color(), Font().Color());
        return true;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        // The row is composed off-screen and reaches the list in one copy.
        TPaintBuffer buffer(item->hDC, item->rcItem);
        TCanvas& canvas = Canvas();
        TCanvasBinding binding(canvas, buffer.DC(), &Font());
        canvas.Brush().SetStyle(bsSolid);
        int index = int(item->itemID);
        bool row = index >= 0 && size_t(index) < items_.size();
        if (row && (item->itemState & ODS_SELECTED)) {
            canvas.Brush().SetColor(clHighlight);
            canvas.Font().SetColor(clHighlightText);
        } else {
            canvas.Brush().SetColor(Color());
        }
        if (row) DrawItem(index, item->rcItem, item->itemState);
        else canvas.FillRect(item->rcItem); // an empty list shows only the focus
        if (item->itemState & ODS_FOCUS) canvas.DrawFocusRect(item->rcItem);
        buffer.Flush();
        result = TRUE;
        return true;
    }
    }
    return false;
}

} // namespace forms
