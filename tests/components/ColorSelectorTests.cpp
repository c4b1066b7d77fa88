// The colour selector: its raised and pushed looks pixel by pixel, its mouse
// and keyboard input, and the colour it takes from its palette, driven with
// real messages under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "ColorTestSupport.h"
#include "HandleCounter.h"
#include "components/ColorSelector.h"
#include "components/ComponentsRegistration.h"
#include "forms/Layouts.h"
#include "forms/StdCtrls.h"
#include "tests/support/EventRecorder.h"

using namespace forms;
using namespace components;
using namespace color_tests;
using testing_support::TEventRecorder;

namespace {

// Renders the control's picture into a bitmap through its own painting.
class TProbeSelector : public TColorSelector {
public:
    using TColorSelector::TColorSelector;
    TPixels Picture() {
        TBitmap bitmap;
        bitmap.SetSize(Width(), Height());
        PaintWindow(bitmap.Canvas());
        return ReadPixels(bitmap);
    }
};

// The 42 x 21 look as the elements' table gives it, raised or pushed (all
// one pixel right and down); elsewhere the system's button face shows.
void ExpectLook(const TPixels& p, bool pushed, TColor color) {
    const int d = pushed ? 1 : 0;
    TPixels face = ButtonFace(42, 21, pushed);
    for (int y = 3 + d; y <= 17 + d; ++y) {
        if (y <= 16 + d) {
            ASSERT_EQ(p.At(30 + d, y), RGB(128, 128, 128)) << y;
        }
        ASSERT_EQ(p.At(31 + d, y), clWhite) << y;
    }
    for (int y = 4 + d; y < 17 + d; ++y)
        for (int x = 5 + d; x < 27 + d; ++x) {
            bool border = x == 5 + d || x == 26 + d || y == 4 + d || y == 16 + d;
            ASSERT_EQ(p.At(x, y), border ? clBlack : Rgb(color)) << x << "," << y;
        }
    // The arrow, corners (33, 9), (37, 9), (35, 11) when raised.
    for (int y = 9; y <= 12; ++y)
        for (int x = 32; x <= 38; ++x) {
            bool inside = y <= 11 && x >= 33 + (y - 9) && x <= 37 - (y - 9);
            ASSERT_EQ(p.At(x + d, y + d) == clBlack, inside) << x + d << "," << y + d;
        }
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 42; ++x)
            if (x < 4 || x > 39 || y < 3 || y > 18) {
                ASSERT_EQ(p.At(x, y), face.At(x, y)) << "face " << x << "," << y;
            }
}

// Number of differing pixels, or -1 when one lies off the rectangle's outline.
int DifferencesOnOutline(const TPixels& a, const TPixels& b, RECT r) {
    int n = 0;
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < a.Width; ++x) {
            if (a.At(x, y) == b.At(x, y)) continue;
            bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            if (!inside || (x != r.left && x != r.right - 1 && y != r.top && y != r.bottom - 1)) return -1;
            ++n;
        }
    return n;
}

class ColorSelectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = new TForm(Application());
        host->SetBounds(80, 80, 320, 240);
        selector = new TProbeSelector(host);
        selector->SetParent(host);
        selector->SetBounds(20, 30, 42, 21);
        selector->OnChangeColor = [this](TObject* sender) {
            EXPECT_EQ(sender, selector);
            changes.push_back(selector->Color()); // already the new colour
        };
        selector->OnClick = [this](TObject*) {
            clickSawPalette = PaletteOpen();
            ++clicks;
        };
        button = new TButton(host);
        button->SetParent(host);
        button->SetTop(100);
        host->Show();
        Pump();
        OtherColorCaption.clear();
    }
    void TearDown() override {
        EXPECT_EQ(unexpectedDialogs.Opened, 0);
        delete host;
        Pump(10);
    }
    HWND Wnd() { return selector->Handle(); }
    void Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { SendMessageA(Wnd(), msg, wParam, lParam); }
    void ClickAt(int x, int y) {
        Send(WM_MOUSEMOVE, 0, At(x, y));
        Send(WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        Pump(); // as long as a finger takes: focus changes settle
        Send(WM_LBUTTONUP, 0, At(x, y));
        Pump();
    }
    bool PaletteOpen() { return selector->Palette() && IsWindowVisible(selector->Palette()->Handle()); }
    // Opens the palette and picks the position under a palette point.
    void OpenAndPick(int x, int y) {
        ClickAt(10, 10);
        ASSERT_TRUE(PaletteOpen());
        HWND palette = selector->Palette()->Handle();
        SendMessageA(palette, WM_MOUSEMOVE, 0, At(x, y));
        SendMessageA(palette, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        Pump();
    }

    TColorDialogDriver unexpectedDialogs{false}; // cancels any a test did not ask for
    TForm* host = nullptr;
    TProbeSelector* selector = nullptr;
    TButton* button = nullptr;
    std::vector<TColor> changes;
    int clicks = 0;
    bool clickSawPalette = false;
};

} // namespace

TEST_F(ColorSelectorTest, LooksRaisedPushedAndFocused) {
    EXPECT_EQ(selector->Color(), clBlack);
    selector->SetColor(0x00336699);
    TPixels raised = selector->Picture();
    ExpectLook(raised, false, 0x00336699);
    Send(WM_SETFOCUS);
    EXPECT_GT(DifferencesOnOutline(raised, selector->Picture(), {3, 3, 39, 18}), 20);
    Send(WM_KILLFOCUS);

    Send(WM_MOUSEMOVE, 0, At(10, 10));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    Send(WM_KILLFOCUS); // the press took the focus; look at the face alone first
    TPixels pushed = selector->Picture();
    ExpectLook(pushed, true, 0x00336699);
    Send(WM_SETFOCUS);
    EXPECT_GT(DifferencesOnOutline(pushed, selector->Picture(), {4, 4, 40, 19}), 20);
    Send(WM_LBUTTONUP, 0, At(-10, 10));
    Send(WM_KILLFOCUS);

    // System colours are resolved to draw; disabled looks the same.
    selector->SetColor(clBtnShadow);
    selector->SetEnabled(false);
    ExpectLook(selector->Picture(), false, clBtnShadow);
}

TEST_F(ColorSelectorTest, MousePressDraggedOutLooksRaisedUntilThePointerReturns) {
    Send(WM_MOUSEMOVE, 0, At(10, 10));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    EXPECT_TRUE(selector->PushedLook());
    EXPECT_EQ(GetFocus(), Wnd());
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(50, 10)); // captured: moves outside arrive here
    EXPECT_TRUE(selector->Pressed());
    EXPECT_FALSE(selector->PushedLook());
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(12, 12));
    EXPECT_TRUE(selector->PushedLook());
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(12, 40));
    Send(WM_LBUTTONUP, 0, At(12, 40)); // released outside: no activation
    Pump();
    EXPECT_FALSE(selector->Pressed());
    EXPECT_EQ(selector->Palette(), nullptr);
    EXPECT_EQ(clicks, 0);
    Send(WM_RBUTTONDOWN, MK_RBUTTON, At(10, 10)); // only the left button presses
    EXPECT_FALSE(selector->Pressed());
}

TEST_F(ColorSelectorTest, SpaceKeyPressesAndItsReleaseActivates) {
    Send(WM_MOUSEMOVE, 0, At(10, 10));
    Send(WM_KEYDOWN, VK_SPACE);
    EXPECT_TRUE(selector->Pressed() && selector->SpaceDown());
    Send(WM_MOUSELEAVE);
    EXPECT_FALSE(selector->MouseInside());
    EXPECT_TRUE(selector->PushedLook()); // SpaceDown keeps it pushed
    Send(WM_KEYUP, VK_SPACE);
    Pump();
    EXPECT_FALSE(selector->Pressed() || selector->SpaceDown());
    EXPECT_TRUE(PaletteOpen());
    EXPECT_EQ(clicks, 1);

    // A release whose key-down went elsewhere activates as well.
    selector->SetFocus();
    Pump();
    Send(WM_KEYUP, VK_SPACE);
    Pump();
    EXPECT_TRUE(PaletteOpen());
    EXPECT_EQ(clicks, 2);

    // A held key whose release will go elsewhere does not leave it pushed.
    selector->SetFocus();
    Send(WM_KEYDOWN, VK_SPACE);
    button->SetFocus();
    Pump();
    EXPECT_FALSE(selector->Pressed() || selector->SpaceDown());
}

TEST_F(ColorSelectorTest, ClickDropsThePaletteUnderTheControlThenRaisesOnClick) {
    PaletteCaption = "stale";
    ClickAt(10, 10);
    ASSERT_TRUE(PaletteOpen());
    HWND first = selector->Palette()->Handle();
    UpdateWindow(selector->Palette()->Handle());
    EXPECT_EQ(PaletteCaption, "&Other...");

    selector->SetColor(clNavy);
    OtherColorCaption = "&More colours...";
    ClickAt(10, 10);
    ASSERT_TRUE(PaletteOpen());
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(clickSawPalette);
    EXPECT_FALSE(selector->Pressed());
    EXPECT_FALSE(IsWindow(first)); // the previous palette is gone
    TColorForm* palette = selector->Palette();
    EXPECT_EQ(palette->CurrentColor(), clNavy);
    EXPECT_EQ(palette->HotColumn() * 10 + palette->HotRow(), 24);
    EXPECT_EQ(PaletteCaption, "&More colours...");
    POINT corner{0, 21};
    ClientToScreen(Wnd(), &corner);
    RECT r;
    GetWindowRect(palette->Handle(), &r);
    EXPECT_EQ(r.left, corner.x);
    EXPECT_EQ(r.top, corner.y);
    EXPECT_EQ(r.right - r.left, 78);
    EXPECT_EQ(r.bottom - r.top, 120);
    EXPECT_EQ(GetFocus(), palette->Handle());
}

TEST_F(ColorSelectorTest, TabReachesItAndEnterActivatesAheadOfTheDefaultButton) {
    button->SetTabStop(true);
    EXPECT_EQ(GetNextDlgTabItem(host->Handle(), button->Handle(), FALSE), Wnd());
    button->SetDefault(true);
    int buttonClicks = 0;
    button->OnClick = [&](TObject*) { ++buttonClicks; };
    selector->SetFocus();
    Pump();
    PostMessageA(Wnd(), WM_KEYDOWN, VK_RETURN, 1); // through the loop's dialog keys
    ASSERT_TRUE(testing_support::HandlePosted());
    EXPECT_TRUE(PaletteOpen());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(buttonClicks, 0);
}

TEST_F(ColorSelectorTest, OnChangeColorOnlyForADifferentPickedColour) {
    selector->SetColor(clBlue);
    OpenAndPick(10, 64); // blue again
    EXPECT_FALSE(PaletteOpen());
    EXPECT_TRUE(changes.empty());

    OpenAndPick(28, 28);
    EXPECT_EQ(changes, std::vector<TColor>{clMaroon});
    EXPECT_EQ(GetFocus(), Wnd()); // back on the selector for the keyboard

    // A system colour opens with the swatch; picking it changes nothing.
    selector->SetColor(clBtnFace);
    OpenAndPick(66, 108);
    EXPECT_EQ(selector->Color(), clBtnFace);
    {
        TColorDialogDriver dialog(false);
        OpenAndPick(20, 108);
        EXPECT_EQ(dialog.InitialColor, Rgb(clBtnFace));
    }
    EXPECT_EQ(changes.size(), 1u);
    {
        TColorDialogDriver dialog(true, 0x00204060);
        OpenAndPick(20, 108);
        EXPECT_EQ(dialog.TimedOut, 0);
    }
    EXPECT_EQ(changes, (std::vector<TColor>{clMaroon, 0x00204060}));
    EXPECT_EQ(GetFocus(), Wnd());
}

TEST_F(ColorSelectorTest, PalettesAreReleasedWithoutLeaks) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "handle counting unavailable";
    auto rounds = [&](TColorSelector* s) {
        for (int i = 0; i < 4; ++i) {
            SendMessageA(s->Handle(), WM_KEYUP, VK_SPACE, 0);
            Pump();
            HWND palette = s->Palette()->Handle();
            SendMessageA(palette, WM_MOUSEMOVE, 0, At(10 + 18 * i, 10));
            SendMessageA(palette, WM_LBUTTONDOWN, MK_LBUTTON, At(10 + 18 * i, 10));
            Pump();
        }
    };
    rounds(selector); // warm-up: what is made once and kept
    auto before = testing_support::CurrentHandleCounts();
    auto* other = new TColorSelector(host);
    other->SetParent(host);
    rounds(other);
    delete other;
    Pump();
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

TEST_F(ColorSelectorTest, FocusChangesRaiseOnEnterAndOnExitOnce) {
    TEventRecorder events;
    selector->OnEnter = events.Record<TObject*>("enter");
    selector->OnExit = events.Record<TObject*>("exit");
    selector->SetFocus();
    Pump();
    button->SetFocus();
    Pump();
    EXPECT_TRUE(events.Matches({"enter", "exit"}));
    // Freed with its palette up: the focus must not come back to it meanwhile.
    ClickAt(10, 10);
    ASSERT_TRUE(PaletteOpen());
    EXPECT_TRUE(events.Matches({"enter", "exit"}));
    delete selector;
    selector = nullptr;
    Pump();
    EXPECT_TRUE(events.Matches({}));
}

namespace {

// Records when the component it watches is freed.
class TFreeProbe : public TComponent {
public:
    TFreeProbe(TComponent* watched, TEventRecorder& events) : events_(events) { FreeNotification(watched); }

protected:
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == opRemove) events_.Add("palette freed");
        TComponent::Notification(component, operation);
    }

private:
    TEventRecorder& events_;
};

} // namespace

// The selector, or its whole form, freed from inside the colour dialog's
// loop: the palette outlives the dialog call and goes once it returns,
// reporting no colour to the selector that is gone.
TEST_F(ColorSelectorTest, FreedWhileItsColourDialogIsUpThePaletteOutlivesTheCall) {
    for (bool wholeForm : {false, true}) {
        SCOPED_TRACE(wholeForm ? "the form" : "the selector");
        TEventRecorder events;
        ClickAt(10, 10);
        ASSERT_TRUE(PaletteOpen());
        TColorForm* palette = selector->Palette();
        HWND paletteWnd = palette->Handle();
        TFreeProbe probe(palette, events);
        TColorDialogDriver dialog(true, 0x00204060);
        std::function<void()> freeUnderTheDialog = [&] {
            if (!dialog.Opened) return testing_support::Later(1, freeUnderTheDialog); // answered 10 ms later
            events.Add("dialog up");
            if (wholeForm) delete host;
            else delete selector;
            events.Add("freed");
        };
        testing_support::Later(1, freeUnderTheDialog);
        SendMessageA(paletteWnd, WM_MOUSEMOVE, 0, At(20, 108));
        SendMessageA(paletteWnd, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 108));
        events.Add("press returned");
        EXPECT_TRUE(events.Matches({"dialog up", "freed", "palette freed", "press returned"}));
        EXPECT_EQ(dialog.TimedOut, 0);
        EXPECT_TRUE(changes.empty());
        if (!wholeForm) delete host;
        SetUp(); // a fresh form for the next round
    }
}

TEST(ColorSelectorLayout, BuildsFromALayoutWithItsEvent) {
    RegisterComponentClasses();
    struct TSelectorForm : TForm {
        using TForm::TForm;
        static TFormBindings<TSelectorForm> Bindings() { return {{{"SelectorChange", &TSelectorForm::Change}}}; }
        void Change(TObject*) { ++changes; }
        int changes = 0;
    };
    std::unique_ptr<TSelectorForm> form(CreateFormFromText<TSelectorForm>(
        nullptr, "object F: TForm\n  object Selector: TColorSelector\n    Left = 186\n"
                 "    Color = clRed\n    OnChangeColor = SelectorChange\n  end\nend\n"));
    const int& changes = form->changes;
    auto* selector = form->Field<TColorSelector>("Selector");
    EXPECT_EQ(selector->Color(), clRed);
    EXPECT_EQ(selector->Width(), 42);
    EXPECT_TRUE(selector->TabStop());
    selector->PaletteColorPicked(nullptr, clRed);
    selector->PaletteColorPicked(nullptr, clLime);
    EXPECT_EQ(changes, 1);
}
