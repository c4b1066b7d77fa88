// Controls: the windowed and windowless building blocks every window of the
// program is made of. TWinControl owns an HWND; TGraphicControl has none and
// lives on its parent's window, which paints it, routes mouse input to it and
// asks it for its cursor and hint.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Components.h"
#include "Graphics.h"

namespace forms {

class TWinControl;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Shift state bits of mouse and keyboard events.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64;

// Screen cursors by number, as layouts and the screen's cursor table know them.
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeAll = -22,
                  crHourGlass = -11, crNo = -18, crHandPoint = -21;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;
    std::string ClassName() const override { return "TControl"; }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    // Bounds set here replace any that FitText chose.
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    // The bounds the control was given (by its layout, its owner or a
    // rescale), before FitText moved or widened it.
    RECT GivenBounds() const;
    virtual RECT ClientRect() const { return {0, 0, width_, height_}; }
    // Client size as layouts give it for windows with a frame.
    virtual void SetClientSize(int width, int height) { SetBounds(left_, top_, width, height); }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent up to a shown window.
    bool Showing() const;
    // Visible and enabled here and in every parent: the user can reach it.
    bool Reachable() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    TColor Color() const { return color_; }
    virtual void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TFont& Font() { return *font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);

    const std::string& Caption() const { return caption_; }
    virtual void SetCaption(const std::string& caption);

    // Moved to a display of another resolution (ChangeScale has scaled its
    // place, size and font): anything else it keeps in pixels follows by
    // the ratio to / from, a second font, say.
    virtual void ScaleChanged(int /*to*/, int /*from*/) {}

    // The width the control needs to show its caption (or its items) whole
    // in its font, its own parts included; 0 when it shows no text of its own.
    virtual int WidthForText() { return 0; }
    // The side its text keeps when the control widens for it.
    virtual TAlignment TextAlignment() const { return taLeftJustify; }
    // Layouts are scaled from 96 dpi by one rule, but fonts grow by steps of
    // their own, so a text that fits its place at 96 dpi may not at another
    // resolution. There, this widens the control from its given bounds just
    // enough for WidthForText, toward the side TextAlignment leaves free,
    // and keeps it within its parent and out of its visible neighbours. At
    // 96 dpi the given bounds stand.
    void FitText();

    const std::string& Hint() const { return hint_; }
    virtual void SetHint(const std::string& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value) { showHint_ = value; }

    TCursor Cursor() const { return cursor_; }
    virtual void SetCursor(TCursor cursor);

    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;
    // Position of the control's client origin in the nearest window.
    POINT OriginInWindow() const;

    virtual void Invalidate();
    void Update();
    void Repaint();
    void BringToFront();

    // Notifications the parent window sends to its windowless children, and
    // the ordinary mouse handling every control shares.
    virtual bool HitTest(int x, int y); // point in control coordinates
    virtual bool HintShow(std::string& text); // false refuses the hint
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void EnabledChanged();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    // Its access key (AccelChar of its caption) was pressed: the control
    // acts as the user's click would and answers true, or false to let the
    // key go on to the next control that has it.
    virtual bool DialogChar(char) { return false; }

    TNotifyEvent OnClick, OnDblClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    bool IsWindowed() const { return windowed_; }
    void Loaded() override;

protected:
    // Called after the parent's font or colour changed, for controls that follow it.
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void FontChanged();
    virtual void BoundsChanged() {}
    void RequestAlign();
    // The caption or the texts shown changed.
    virtual void TextChanged() { FitText(); }
    // One line of text in the control's font as DrawText lays it out with
    // format (DT_NOPREFIX: '&' shown as it is).
    int TextWidth(const std::string& text, UINT format = 0);

    bool windowed_ = false;
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool clicked_ = false; // the left button went down on the control; a release on it clicks

private:
    friend class TWinControl;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool followingParentFont_ = false;
    std::string caption_;
    std::string hint_;
    bool showHint_ = false;
    TCursor cursor_ = crDefault;
    bool paintFailed_ = false; // its last paint failed and was reported
    // How far FitText moved the left edge and widened the control.
    int fitShift_ = 0, fitGrowth_ = 0;
    bool fitting_ = false;
};

// A windowless control painted on its parent's window. Its canvas draws
// into the parent's device context with the origin moved to the control.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    std::string ClassName() const override { return "TGraphicControl"; }

    TCanvas& Canvas() { return *canvas_; }
    // Paints the control into dc, whose origin the parent has moved to the
    // control's top-left corner and whose clipping it has set.
    void PaintTo(HDC dc);

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> canvas_;
};

struct TCreateParams {
    std::string WinClassName; // a system class to subclass, or empty for our own
    DWORD Style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ExStyle = 0;
    std::string Caption;
    UINT ClassStyle = CS_DBLCLKS;
    HWND WndParent = nullptr; // the owner of a top-level window; children take their parent's
    int Height = -1;          // the window's height when made; -1: the control's
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    std::string ClassName() const override { return "TWinControl"; }

    // While one lives, windows shown on this thread wait to be painted until
    // it ends: a handler run meanwhile that changes the window's shape would
    // have the system erase each of them at once, a round trip each.
    class TPaintShownLater {
    public:
        TPaintShownLater();
        ~TPaintShownLater();
        TPaintShownLater(const TPaintShownLater&) = delete;
        TPaintShownLater& operator=(const TPaintShownLater&) = delete;

    private:
        friend class TWinControl;
        TPaintShownLater* outer_;
        std::vector<HWND> shown_;
    };

    // The window, created on first use with every parent before it.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { Handle(); }
    static TWinControl* FromHandle(HWND wnd);

    const std::vector<TControl*>& Controls() const { return controls_; } // z-order, bottom first
    int ControlCount() const { return int(controls_.size()); }

    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    // Whether Tab stops here now: a tab stop that can take the focus.
    virtual bool TabStopNow() const;
    // A dialog key (Enter, Escape, an arrow) pressed while this control has
    // the focus; true when the control handled it.
    virtual bool DialogKey(WORD) { return false; }

    // Windowed children in tab order: TabOrder first, then layout order.
    std::vector<TWinControl*> TabOrderedChildren() const;
    // Every windowed control inside, each followed by its own contents, in tab order.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    // The control inside where Tab (forward) or Shift+Tab stops after
    // current, wrapping; from the start (or end) when current is not inside.
    // Null when nothing inside can take the focus.
    TWinControl* FindNextControl(TWinControl* current, bool forward) const;
    // This control if Tab stops here, else the first stop inside it.
    TWinControl* FirstTabStop();

    // The windowless child at a point in client coordinates, topmost first,
    // that is visible, enabled (unless allowDisabled) and answers the hit test.
    TControl* ControlAtPos(POINT p, bool allowDisabled);

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetCaption(const std::string& caption) override;
    void Invalidate() override;
    RECT ClientRect() const override;
    void AlignControls();

    TNotifyEvent OnEnter, OnExit;

    // Sends a message to the window, creating it when needed.
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // After the window exists: push the state kept so far into it.
    virtual void InitializeWnd() {}
    // True for a container whose window (and its children's) is made only
    // when it is first shown, not with its parent's.
    virtual bool WindowWaitsWhileHidden() const { return false; }
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND, WM_NOTIFY, WM_DRAWITEM and the like, sent to the parent
    // by a system control and handed back to the control here.
    virtual bool NotifyReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Painting of our own windows: background, then windowless children,
    // all composed off-screen and copied in one step.
    virtual void PaintWindow(TCanvas& canvas);
    virtual bool PaintsOwnBackground() const { return windowSubclassed_ == false; }
    // How the window is painted when its parent is painted while it waits
    // to be painted too: on the parent's image, by PaintWindow or by the
    // system control's own WM_PRINTCLIENT; or on its own, afterwards.
    enum class TPaintedWith { OwnMessage, PaintWindow, PrintClient };
    virtual TPaintedWith PaintedWithParent() const {
        return PaintsOwnBackground() ? TPaintedWith::PaintWindow : TPaintedWith::OwnMessage;
    }
    // The part of the client area that aligned children share (a panel
    // leaves its bevels and border out).
    virtual void AdjustClientRect(RECT&) {}
    // A child moved, resized, appeared or vanished: for controls that size
    // themselves to their content.
    virtual void ControlChanged(TControl*) {}
    // The windowless children within clip; each failure is added once.
    void PaintControls(HDC dc, const RECT& clip, std::vector<std::exception_ptr>& failures);
    void FontChanged() override;
    void ParentFontChanged() override;
    void ParentColorChanged() override;

    HWND handle_ = nullptr;
    bool windowSubclassed_ = false;

private:
    friend class TControl;
    friend class TApplication;
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    void InsertControl(TControl* control);
    // Puts a child's new window after its tab-order predecessors' windows.
    void PlaceInTabOrder(TWinControl* child);
    // Shows the window, left whole to the next paint.
    void ShowHandle();
    void RemoveControl(TControl* control);
    bool RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    void UpdateMouseControl(TControl* control);
    bool HandleSetCursor(WPARAM wParam, LPARAM lParam);
    // A window just made is painted whole anyway: it takes its font without
    // being redrawn (a combo box would redraw itself and its list at once).
    void UpdateFontHandle(bool redraw = true);
    // WM_PAINT through the paint buffer; a painter's error is shown once
    // per control, until it paints successfully again.
    void PaintOwnWindow();
    // Paints the child windows that wait to be painted, theirs with them,
    // on dc, the image of a window whose client area lies at origin; adds
    // their areas to shown and takes out those of the windows left to
    // paint themselves. Returns how many it painted.
    int PaintWaitingChildren(HDC dc, POINT origin, HRGN shown, std::vector<std::exception_ptr>& failures);
    static bool PaintGuarded(TControl* control, std::vector<std::exception_ptr>& failures,
                             const std::function<void()>& paint);

    std::vector<TControl*> controls_;
    WNDPROC defWndProc_ = nullptr;
    int tabOrder_ = -1;
    bool tabStop_ = false;
    TControl* captureControl_ = nullptr;
    TControl* mouseControl_ = nullptr;
    bool trackingLeave_ = false;
    bool aligning_ = false;
};

// A windowed control that draws itself on a canvas (off-screen composed).
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    std::string ClassName() const override { return "TCustomControl"; }
    TCanvas& Canvas() { return *canvas_; }

protected:
    virtual void Paint() {}
    void PaintWindow(TCanvas& canvas) override;

private:
    std::unique_ptr<TCanvas> canvas_;
};

// FitText for every control inside parent, each before its own contents.
void FitTexts(TWinControl* parent);

// The access key a caption marks with '&' ("&&" is a plain '&'), in lower
// case, or 0 when it has none.
char AccelChar(const std::string& caption);
// The caption as shown without access-key marks ("&&" becomes '&').
std::string StripAccel(const std::string& caption);

// Screen-wide lookups of the form library.
// The control under a point in screen coordinates, disabled controls excluded.
TControl* FindControlAtScreenPoint(POINT screenPoint);
HCURSOR ScreenCursor(TCursor cursor);

} // namespace forms
