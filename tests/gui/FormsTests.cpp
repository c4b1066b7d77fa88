// The form library as the program uses it: a window built from a layout
// resource holding every standard control, driven with real messages.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/Layouts.h"
#include "forms/StdCtrls.h"
#include "forms/Dialogs.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/HandleCounter.h"

using namespace forms;
using testing_support::Later;
using testing_support::Pump;
using testing_support::TEventRecorder;
using testing_support::WaitFor;

namespace {

// A windowless control that records what the parent window routes to it.
// Its hit test answers only for its left two thirds, so routing can be seen
// to consult it.
class TProbeControl : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::string ClassName() const override { return "TProbeControl"; }
    bool HitTest(int x, int) override {
        ++hitTests;
        return x < Width() * 2 / 3;
    }
    bool HintShow(std::string& text) override {
        ++hintAsks;
        if (refuseHint) return false;
        text = Hint() + " (asked)";
        return true;
    }
    void MouseEnter() override { log.Add("enter"); }
    void MouseLeave() override { log.Add("leave"); }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        log.Add("down", x, y);
        TGraphicControl::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        log.Add("up", x, y);
        TGraphicControl::MouseUp(b, s, x, y);
    }
    void MouseMove(TShiftState s, int x, int y) override {
        log.Add("move", x, y);
        TGraphicControl::MouseMove(s, x, y);
    }
    void Paint() override {
        Canvas().Brush().SetColor(clYellow);
        RECT r = ClientRect();
        Canvas().FillRect(r);
    }
    TEventRecorder log;
    int hitTests = 0;
    bool refuseHint = false;
    int hintAsks = 0;
};

class TTestWindow : public TForm {
public:
    using TForm::TForm;
    std::string ClassName() const override { return "TTestWindow"; }
    static TFormBindings<TTestWindow> Bindings() {
        using W = TTestWindow;
        return {{{"FormCreate", &W::FormCreate}, {"ProbeClick", &W::NamedClick}, {"RadioClick", &W::NamedClick},
                 {"CheckClick", &W::CheckClick}, {"ChoiceChange", &W::ChoiceChange}, {"RowsClick", &W::RowsClick},
                 {"PagesChange", &W::PagesChange}, {"FailClick", &W::FailClick}, {"LockClick", &W::NamedClick}},
                {{"ProbeA", &W::probeA}, {"ProbeB", &W::probeB}, {"TopPanel", &W::topPanel}}};
    }
    void FormCreate(TObject*) { ++created; }
    void NamedClick(TObject* s) { events.Add(static_cast<TComponent*>(s)->Name()); }
    void CheckClick(TObject*) { events.Add("Check"); }
    void ChoiceChange(TObject*) { events.Add("Choice"); }
    void RowsClick(TObject*) { events.Add("Rows"); }
    void PagesChange(TObject*) { events.Add("Pages"); }
    void FailClick(TObject*) { throw std::runtime_error("The handler failed on purpose."); }
    int created = 0;
    TEventRecorder events; // the handlers that ran
    TProbeControl* probeA = nullptr;
    TProbeControl* probeB = nullptr;
    TPanel* topPanel = nullptr;
};

void RegisterTestClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterFormClasses();
    RegisterClassOf<TProbeControl>("TProbeControl", "TGraphicControl");
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        // The real pointer stays out of the way: the tests send their own moves.
        SetCursorPos(0, 0);
        window = CreateForm<TTestWindow>(Application());
        window->Show();
        Pump(30);
        window->probeA->log.Clear();
        window->probeB->log.Clear();
    }
    void TearDown() override {
        delete window;
        Pump(10);
    }
    HWND PanelWnd() { return window->topPanel->Handle(); }
    TTestWindow* window = nullptr;
};

} // namespace

TEST_F(FormsTest, LayoutBuildsEveryControlWithItsProperties) {
    EXPECT_EQ(window->created, 1);
    EXPECT_EQ(window->Caption(), "Form library test window");
    RECT client;
    GetClientRect(window->Handle(), &client);
    EXPECT_EQ(client.right, 520);
    EXPECT_EQ(client.bottom, 360);
    EXPECT_EQ(window->topPanel->Color(), clNavy);
    EXPECT_EQ(window->topPanel->Width(), 520); // aligned to the top of the client area
    EXPECT_EQ(window->Field<TComboBox>("Choice")->Items().size(), 3u);
    EXPECT_EQ(window->Field<TLabel>("TitleLabel")->Font().Color(), clWhite);
    EXPECT_EQ(window->Field<TLabel>("TitleLabel")->Font().Name(), "MS Sans Serif"); // from the form, through the panel
    EXPECT_EQ(window->probeA->Parent(), window->topPanel);
    EXPECT_EQ(window->probeA->Cursor(), crHandPoint);
    EXPECT_EQ(window->Field<TPageControl>("Pages")->PageCount(), 3);
    EXPECT_EQ(window->Field<TComponent>("OpenDialog")->Owner(), window);
}

TEST_F(FormsTest, MouseGoesToTheTopmostWindowlessControlThatAnswersTheHitTest) {
    TProbeControl& a = *window->probeA;
    TProbeControl& b = *window->probeB;
    // x=310: only A lies there.
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(310, 10));
    EXPECT_TRUE(a.log.Matches({"enter", "move 10,6"}));
    // x=335: both lie there; B is on top and answers for its left part.
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(335, 10));
    EXPECT_TRUE(a.log.Matches({"leave"}));
    EXPECT_TRUE(b.log.Matches({"enter", "move 5,6"}));
    // x=352: A refuses there (its right third), B answers.
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(352, 10));
    EXPECT_TRUE(b.log.Matches({"move 22,6"}));
    // x=380: B's right third refuses and A does not reach so far: nobody.
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(380, 10));
    EXPECT_TRUE(b.log.Matches({"leave"}));
    EXPECT_TRUE(a.log.Matches({}));
    EXPECT_GT(a.hitTests, 0);
}

TEST_F(FormsTest, PressCapturesTheControlUntilRelease) {
    TProbeControl& a = *window->probeA;
    TProbeControl& b = *window->probeB;
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(305, 10));
    SendMessageA(PanelWnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(305, 10));
    a.log.Clear();
    // Held: moves over B still go to A, in A's coordinates.
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, MK_LBUTTON, At(340, 10));
    SendMessageA(PanelWnd(), WM_LBUTTONUP, 0, At(400, 10));
    EXPECT_TRUE(a.log.Matches({"move 40,6", "up 100,6"}));
    EXPECT_TRUE(b.log.Matches({}));
    EXPECT_TRUE(window->events.Matches({})) << "released outside: no click";

    // Press and release on the control: one click.
    SendMessageA(PanelWnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(305, 10));
    SendMessageA(PanelWnd(), WM_LBUTTONUP, 0, At(306, 11));
    EXPECT_TRUE(window->events.Matches({"ProbeA"}));
}

TEST_F(FormsTest, CursorComesFromTheControlUnderTheMouse) {
    POINT onA = window->probeA->ClientToScreen({5, 5});
    SetCursorPos(onA.x, onA.y);
    SendMessageA(PanelWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(PanelWnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), ScreenCursor(crHandPoint));
    POINT onB = window->probeB->ClientToScreen({15, 5}); // B's own cursor is the default
    SetCursorPos(onB.x, onB.y);
    SendMessageA(PanelWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(PanelWnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), ScreenCursor(crArrow));
}

TEST_F(FormsTest, ControlAtScreenPointSkipsDisabledControls) {
    POINT onA = window->probeA->ClientToScreen({5, 5});
    EXPECT_EQ(FindControlAtScreenPoint(onA), window->probeA);
    window->probeA->SetEnabled(false);
    EXPECT_EQ(FindControlAtScreenPoint(onA), window->topPanel);
}

TEST_F(FormsTest, HintTextComesFromTheHintShowNotification) {
    Application()->HintPause = 20;
    auto hintShown = [] { return Application()->HintWindow().Active(); };
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(305, 10));
    ASSERT_TRUE(WaitFor(hintShown, 5000));
    EXPECT_EQ(Application()->HintWindow().Caption(), "Probe A (asked)");

    // Cancelling hides it; the next move over the same control brings a fresh one.
    Application()->CancelHint();
    EXPECT_FALSE(Application()->HintWindow().Active());
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(306, 10));
    EXPECT_TRUE(WaitFor(hintShown, 5000));

    // A control may refuse: asked, it shows nothing.
    Application()->CancelHint();
    window->probeB->refuseHint = true;
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(340, 10));
    ASSERT_TRUE(WaitFor([&] { return window->probeB->hintAsks > 0; }, 5000));
    EXPECT_FALSE(Application()->HintWindow().Active());
    Application()->CancelHint();
}

// The application hears of a destroyed control through removal notification:
// neither a shown hint nor a pending one outlives its control.
TEST_F(FormsTest, DestroyingTheHintControlTakesItsHintAway) {
    Application()->HintPause = 20;
    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(305, 10));
    ASSERT_TRUE(WaitFor([] { return Application()->HintWindow().Active(); }, 5000));
    delete window->probeA;
    EXPECT_FALSE(Application()->HintWindow().Active());
    EXPECT_EQ(Application()->HintControl(), nullptr);

    SendMessageA(PanelWnd(), WM_MOUSEMOVE, 0, At(340, 10));
    ASSERT_EQ(Application()->HintControl(), window->probeB);
    delete window->probeB;
    EXPECT_EQ(Application()->HintControl(), nullptr);
    // A timer set after the hint's pause expires after it: had the hint's
    // stayed pending, it would have fired by then.
    bool pauseOver = false;
    Later(Application()->HintPause + 1, [&] { pauseOver = true; });
    ASSERT_TRUE(WaitFor([&] { return pauseOver; }, 5000));
    EXPECT_FALSE(Application()->HintWindow().Active());
}

TEST_F(FormsTest, ModalResultsComeFromButtonsAndTheFrame) {
    window->Hide();
    Later(50, [&] { window->Field<TButton>("OKButton")->Click(); });
    EXPECT_EQ(window->ShowModal(), mrOk);

    Later(50, [&] { PostMessageA(window->Handle(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(window->ShowModal(), mrCancel);

    // Escape presses the cancel button through the dialog keys.
    Later(50, [&] {
        HWND focus = window->Field<TButton>("FailButton")->Handle();
        SetFocus(focus);
        PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(window->ShowModal(), mrCancel);
}

TEST_F(FormsTest, ExceptionInAHandlerIsShownAndTheLoopGoesOn) {
    std::string shown;
    testing_support::ConfirmMessage([&](const std::string& text) { shown = text; });
    TButton* fail = window->Field<TButton>("FailButton");
    SendMessageA(fail->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(shown, "The handler failed on purpose.");
    // The loop still works: a posted click reaches its handler.
    PostMessageA(window->probeA->Parent()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(305, 10));
    PostMessageA(window->probeA->Parent()->Handle(), WM_LBUTTONUP, 0, At(305, 10));
    EXPECT_TRUE(WaitFor([&] { return !window->events.Events().empty(); }, 5000));
    EXPECT_TRUE(window->events.Matches({"ProbeA"}));
}

TEST_F(FormsTest, SelectionRulesFromCode) {
    auto* one = window->Field<TRadioButton>("RadioOne");
    auto* two = window->Field<TRadioButton>("RadioTwo");
    auto* check = window->Field<TCheckBox>("Check");
    one->SetChecked(true);
    one->SetChecked(true); // already selected: nothing
    two->SetChecked(true);
    EXPECT_FALSE(one->Checked());
    check->SetChecked(true);
    check->SetChecked(false);
    window->Field<TComboBox>("Choice")->SetItemIndex(2);
    window->Field<TListBox>("Rows")->SetItemIndex(1);
    window->Field<TPageControl>("Pages")->SetActivePageIndex(1);
    EXPECT_TRUE(window->events.Matches({"RadioOne", "RadioTwo", "Check", "Check"}));
}

TEST_F(FormsTest, OwnWindowsNeverEraseAndParentsClipTheirChildren) {
    // Erasing would paint the background once more before the off-screen
    // image arrives: a flash. The own windows refuse it and leave the DC alone.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SetPixel(dc, 2, 2, RGB(255, 0, 255));
    for (TWinControl* w : {static_cast<TWinControl*>(window), static_cast<TWinControl*>(window->topPanel),
                           static_cast<TWinControl*>(window->Field<TGroupBox>("OptionGroup"))}) {
        EXPECT_EQ(SendMessageA(w->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1) << w->Name();
        EXPECT_TRUE(GetWindowLongA(w->Handle(), GWL_STYLE) & WS_CLIPCHILDREN) << w->Name();
    }
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 0, 255));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

namespace {
void ExpectLayoutError(const std::string& text, const std::string& message) {
    RegisterTestClasses();
    TForm form(nullptr);
    try {
        ReadLayoutInto(&form, ReadLayout(text), &form);
        ADD_FAILURE() << "no error for: " << text;
    } catch (const ELayoutError& e) {
        EXPECT_EQ(e.Message, message);
    }
}
} // namespace

// Every pixel value of a layout is at 96 dpi and is read as
// MulDiv(value, dpi, 96); a font size in points stays as it is. A form read
// at 96 dpi and moved to a display of another resolution (WM_DPICHANGED)
// ends with the same pixels.
TEST(Layouts, PixelValuesAreScaledToTheFormsResolution) {
    const std::string text =
        "object F: TForm\n  BorderStyle = bsNone\n  ClientWidth = 642\n  Font.Height = -11\n"
        "  object P: TPanel\n    Left = 7\n    Top = 93\n    Width = 377\n    Height = 21\n"
        "    Font.Size = 8\n  end\n"
        "  object L: TListBox\n    ItemHeight = 21\n  end\nend\n";
    auto pixels = [](TForm& form) {
        auto* panel = dynamic_cast<TPanel*>(form.FindComponent("P"));
        auto* list = dynamic_cast<TListBox*>(form.FindComponent("L"));
        if (!panel || !list) return std::vector<int>{};
        const RECT b = panel->BoundsRect();
        return std::vector<int>{b.left, b.top, b.right - b.left, b.bottom - b.top, form.ClientWidth(),
                                form.Font().Height(), list->ItemHeight()};
    };
    struct Row { int dpi, left, top, width, height, clientWidth, fontHeight; };
    for (const Row& r : {Row{96, 7, 93, 377, 21, 642, -11}, Row{120, 9, 116, 471, 26, 803, -14},
                         Row{144, 11, 140, 566, 32, 963, -17}, Row{192, 14, 186, 754, 42, 1284, -22}}) {
        const std::vector<int> expected{r.left, r.top, r.width, r.height, r.clientWidth, r.fontHeight, r.height};
        TForm form(nullptr);
        form.SetPixelsPerInch(r.dpi);
        ReadLayoutInto(&form, ReadLayout(text), &form);
        EXPECT_EQ(pixels(form), expected) << r.dpi << " dpi";
        EXPECT_EQ(dynamic_cast<TPanel*>(form.FindComponent("P"))->Font().Size(), 8) << r.dpi << " dpi";

        TForm moved(nullptr);
        moved.SetPixelsPerInch(96);
        ReadLayoutInto(&moved, ReadLayout(text), &moved);
        RECT suggested{0, 0, r.clientWidth, 100};
        SendMessageA(moved.Handle(), WM_DPICHANGED, MAKEWPARAM(r.dpi, r.dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(pixels(moved), expected) << "moved to " << r.dpi << " dpi";
        EXPECT_EQ(moved.Width(), r.clientWidth) << "moved to " << r.dpi << " dpi";
    }
}

// Off 96 dpi a text that outgrows its scaled place widens its control just
// enough, toward the side the text keeps, never into a visible neighbour or
// out of the form; a label running out of the form moves in. At 96 dpi the
// layout's bounds stand, too narrow or not. A move to another resolution
// ends as reading at it does, and a text that fits again gives the control
// back its given bounds.
TEST(Layouts, TextsOutgrowingTheirScaledPlacesWidenTheirControls) {
    const std::string text =
        "object F: TForm\n  BorderStyle = bsNone\n  ClientWidth = 300\n  ClientHeight = 100\n  Font.Height = -11\n"
        "  object B: TButton\n    Left = 10\n    Top = 10\n    Width = 20\n    Height = 25\n"
        "    Caption = 'Much too long'\n  end\n"
        "  object N: TPanel\n    Left = 200\n    Top = 10\n    Width = 50\n    Height = 25\n  end\n"
        "  object W: TPanel\n    Left = 0\n    Top = 40\n    Width = 10\n    Height = 17\n  end\n"
        "  object C: TCheckBox\n    Left = 10\n    Top = 40\n    Width = 20\n    Height = 17\n"
        "    Caption = 'A caption far too long for the row it is in'\n  end\n"
        "  object M: TPanel\n    Left = 60\n    Top = 40\n    Width = 50\n    Height = 17\n  end\n"
        "  object R: TLabel\n    Left = 200\n    Top = 62\n    Width = 20\n    Height = 13\n    AutoSize = False\n"
        "    Alignment = taRightJustify\n    Caption = 'To the right'\n  end\n"
        "  object L: TLabel\n    Left = 250\n    Top = 82\n    Caption = 'Runs out of the form'\n  end\nend\n";
    auto read = [&](int dpi) {
        auto form = std::make_unique<TForm>(nullptr);
        form->SetPixelsPerInch(dpi);
        ReadLayoutInto(form.get(), ReadLayout(text), form.get());
        return form;
    };
    // Left, top, right and bottom of the texts' controls, one after another.
    auto bounds = [](TForm& form, std::initializer_list<const char*> names = {"B", "C", "R", "L"}) {
        std::vector<int> all;
        for (const char* name : names) {
            const RECT r = form.Field<TControl>(name)->BoundsRect();
            all.insert(all.end(), {int(r.left), int(r.top), int(r.right), int(r.bottom)});
        }
        return all;
    };
    for (int dpi : {96, 120, 144}) {
        auto px = [dpi](int at96) { return ScaleToDpi(at96, dpi); };
        auto form = read(dpi);
        auto needs = [&](const char* name) { return form->Field<TControl>(name)->WidthForText(); };
        const int labelBottom = form->Field<TControl>("L")->BoundsRect().bottom;
        const std::vector<int> given{px(10), px(10), px(10) + px(20), px(10) + px(25)};
        const std::vector<int> expected =
            dpi == 96 ? std::vector<int>{10, 10, 30, 35, 10, 40, 30, 57, 200, 62, 220, 75,
                                         250, 82, 250 + form->Field<TControl>("L")->Width(), labelBottom}
                      : std::vector<int>{px(10), px(10), px(10) + needs("B"), px(10) + px(25),
                                         px(10), px(40), px(60), px(40) + px(17),
                                         px(200) + px(20) - needs("R"), px(62), px(200) + px(20), px(62) + px(13),
                                         px(300) - needs("L"), px(82), px(300), labelBottom};
        EXPECT_EQ(bounds(*form), expected) << dpi << " dpi";
        auto moved = read(dpi == 96 ? 144 : 96);
        RECT suggested{0, 0, px(300), px(100)};
        SendMessageA(moved->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(bounds(*moved), expected) << "moved to " << dpi << " dpi";
        form->Field<TButton>("B")->SetCaption("B");
        EXPECT_EQ(bounds(*form, {"B"}), given) << dpi << " dpi";
    }
}

TEST(Layouts, BadLayoutsNameTheProblemAndTheLine) {
    ExpectLayoutError("object F: TForm\n  object P: TNoSuchPanel\n  end\nend\n",
                      "Layout error in line 2: Class TNoSuchPanel not found");
    ExpectLayoutError("object F: TForm\n  Left = 1\n  Wdith = 3\nend\n",
                      "Layout error in line 3: Property Wdith does not exist");
    ExpectLayoutError("object F: TForm\n  object B: TButton\n    OnClick = NoSuchHandler\n  end\nend\n",
                      "Layout error in line 3: Handler NoSuchHandler not found");
    ExpectLayoutError("object F: TForm\n  Left = 'text'\nend\n", "Layout error in line 2: Invalid value for property Left");
    ExpectLayoutError("object F: TForm\n  Align = alMiddle\nend\n", "Layout error in line 2: Invalid value for property Align");
    EXPECT_THROW(ReadLayout("object F: TForm\n  Left = 1\n"), ELayoutError);
}

namespace {
// A form whose every step can fail, recording its handlers and its members'
// end in one sequence that outlives it.
TEventRecorder lifeLog;
class TLifeForm : public TForm {
public:
    using TForm::TForm;
    ~TLifeForm() override { lifeLog.Add("members gone"); }
    std::string ClassName() const override { return "TNoSuchForm"; }
    static TFormBindings<TLifeForm> Bindings() {
        using F = TLifeForm;
        return {{{"FormCreate", &F::FormCreate}, {"FormDestroy", &F::FormDestroy}, {"Track", &F::Track},
                 {"Left", &F::Left}, {"Clicked", &F::Clicked}},
                {{"Edit", &F::Edit}}};
    }
    void FormCreate(TObject*) {
        lifeLog.Add("create");
        // The edit has the focus: destroying the window takes it away.
        Show();
        Edit->SetFocus();
        if (failCreate) throw Exception("create failed");
    }
    void FormDestroy(TObject*) { lifeLog.Add("destroy " + std::string(Edit ? Edit->Name() : "?")); }
    void Track(TObject*, TShiftState, int x, int y) { lifeLog.Add("move", x, y); }
    void Left(TObject*) { lifeLog.Add("exit"); }
    void Clicked(TObject*) {}
    static inline bool failCreate = false;
    TEdit* Edit = nullptr;
};
std::string LifeLayout(const std::string& formLines, const std::string& editClass = "TEdit") {
    return "object F: TForm\n  OnCreate = FormCreate\n  OnDestroy = FormDestroy\n" + formLines + "  object Edit: " +
           editClass + "\n    OnExit = Left\n  end\n  object P: TProbeControl\n    OnMouseMove = Track\n  end\nend\n";
}
} // namespace

TEST(FormConstruction, AFailureAtEachStageRunsNoHandlerOnMembersThatAreGone) {
    RegisterTestClasses();
    struct Case {
        std::string layout;
        bool failCreate;
        std::string error; // "" builds
        std::vector<std::string> events;
    } cases[] = {
        {LifeLayout("  OnShow = NoSuchHandler\n"), false, "Layout error in line 4: Handler NoSuchHandler not found",
         {"members gone"}},
        {LifeLayout("  OnMouseDown = Clicked\n"), false, "Layout error in line 4: Handler Clicked does not fit the event",
         {"members gone"}},
        {"object F: TForm\n  OnCreate = FormCreate\nend\n", false, "Component Edit of TNoSuchForm is missing in its layout",
         {"members gone"}},
        {LifeLayout("", "TButton"), false, "Component Edit of TNoSuchForm has another class in its layout", {"members gone"}},
        // OnCreate ran: OnDestroy undoes it while the members are still there.
        {LifeLayout(""), true, "create failed", {"create", "destroy Edit", "members gone"}},
        // Built: the handlers run while the form lives, and no more once it goes.
        {LifeLayout(""), false, "", {"create", "move 3,4", "destroy Edit", "members gone"}},
    };
    for (const Case& c : cases) {
        TLifeForm::failCreate = c.failCreate;
        if (c.error.empty()) {
            TLifeForm* form = CreateFormFromText<TLifeForm>(Application(), c.layout);
            form->Field<TControl>("P")->MouseMove(0, 3, 4);
            delete form;
        } else {
            EXPECT_THROW_MESSAGE(CreateFormFromText<TLifeForm>(Application(), c.layout), c.error);
        }
        EXPECT_TRUE(lifeLog.Matches(c.events)) << c.layout;
        Pump(5);
    }
    // The resource named like the class is read when no text is given.
    EXPECT_THROW_MESSAGE(CreateForm<TLifeForm>(Application()), "Layout resource TNOSUCHFORM not found");
    EXPECT_TRUE(lifeLog.Matches({"members gone"}));
}

TEST(FormConstruction, AFormOwnedByAnotherStaysAboveItWithoutATaskbarButton) {
    RegisterTestClasses();
    TForm* main = CreateFormFromText<TForm>(Application(), "object M: TForm\n  Caption = 'main'\nend\n");
    TForm* wizard = CreateFormFromText<TForm>(main, "object W: TForm\n  Caption = 'wizard'\nend\n");
    main->Show();
    wizard->Show();
    EXPECT_EQ(GetWindow(wizard->Handle(), GW_OWNER), main->Handle());
    EXPECT_FALSE(GetWindowLongA(wizard->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    // Bringing the owner up keeps the owned window above it.
    SetWindowPos(main->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    bool ownerBelow = false;
    for (HWND w = GetWindow(wizard->Handle(), GW_HWNDNEXT); w && !ownerBelow; w = GetWindow(w, GW_HWNDNEXT))
        ownerBelow = w == main->Handle();
    EXPECT_TRUE(ownerBelow);

    // A message box with an owner keeps the owner waiting; asked to, it comes to the front.
    bool answered = false;
    testing_support::AnswerDialog([&](HWND box) {
        EXPECT_EQ(GetWindow(box, GW_OWNER), main->Handle());
        EXPECT_FALSE(IsWindowEnabled(main->Handle()));
        EXPECT_EQ(GetForegroundWindow(), box);
        answered = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(ShowMessageBox("text", "caption", MB_OK, main, true), IDOK);
    EXPECT_TRUE(answered);
    // So does the file dialog of a component on the wizard: the wizard owns it.
    auto* dialog = new TOpenDialog(wizard);
    HWND dialogOwner = nullptr;
    testing_support::AnswerDialog([&](HWND box) {
        dialogOwner = GetWindow(box, GW_OWNER);
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(dialogOwner, wizard->Handle());
    delete main; // and the wizard it owns
    Pump(5);
}

TEST(FormConstruction, OwnWindowsAreBoundFromTheirFirstMessage) {
    // A control that records what reaches it while CreateWindowEx still runs.
    class TEarly : public TCustomControl {
    public:
        using TCustomControl::TCustomControl;
        std::vector<UINT> seen;
    protected:
        LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
            if (seen.size() < 3) seen.push_back(msg);
            return TCustomControl::WndProc(msg, w, l);
        }
    };
    TForm parent(nullptr);
    TEarly early(nullptr);
    early.SetParent(&parent);
    parent.Handle();
    ASSERT_FALSE(early.seen.empty());
    EXPECT_EQ(early.seen[0], UINT(WM_NCCREATE));
}

TEST(FormsLeaks, CreatingShowingPaintingAndDestroyingLeavesNoHandles) {
    RegisterTestClasses();
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "no handle counts on this system";
    // One round first: lazily created shared objects (classes, stock fonts) settle.
    auto round = [] {
        auto* w = CreateForm<TTestWindow>(Application());
        w->Show();
        RedrawWindow(w->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump(1);
        delete w;
    };
    round();
    Pump(20);
    auto before = testing_support::CurrentHandleCounts();
    for (int i = 0; i < 100; ++i) round();
    Pump(20);
    auto after = testing_support::CurrentHandleCounts();
    EXPECT_EQ(after.Gdi, before.Gdi);
    EXPECT_EQ(after.Dc, before.Dc);
    EXPECT_EQ(after.Icons, before.Icons);
    EXPECT_EQ(after.Windows, before.Windows);
}

// ------------------------------------------------------------ keyboard

namespace {

// A key as the user presses it: a virtual key with Shift and Ctrl, or a
// character as TranslateMessage makes it (alt: with Alt held).
struct TKey {
    WORD vk = 0;
    bool shift = false, ctrl = false;
    char ch = 0;
    bool alt = false;
};
const TKey Tab{VK_TAB}, BackTab{VK_TAB, true}, CtrlTab{VK_TAB, false, true}, CtrlBackTab{VK_TAB, true, true},
    Down{VK_DOWN}, Up{VK_UP}, Enter{VK_RETURN}, Esc{VK_ESCAPE};
TKey Char(char c) { return {0, false, false, c}; }
TKey Alt(char c) { return {0, false, false, c, true}; }

std::string FocusName() {
    TWinControl* c = TWinControl::FromHandle(GetFocus());
    return c ? c->Name() : "-";
}

class KeyboardTest : public FormsTest {
protected:
    // Delivers each key to the focused window through the application's
    // loop and records, per key, the handlers that ran and then the focus.
    void Press(const std::vector<TKey>& keys) {
        for (const TKey& k : keys) {
            BYTE state[256] = {};
            if (k.shift) state[VK_SHIFT] = 0x80;
            if (k.ctrl) state[VK_CONTROL] = 0x80;
            SetKeyboardState(state);
            HWND focus = GetFocus();
            if (k.vk) PostMessageA(focus, WM_KEYDOWN, k.vk, 1);
            else PostMessageA(focus, k.alt ? WM_SYSCHAR : WM_CHAR, WPARAM((unsigned char)k.ch), k.alt ? (1 | (1 << 29)) : 1);
            Application()->ProcessMessages();
            window->events.Add(FocusName());
        }
        BYTE none[256] = {};
        SetKeyboardState(none);
    }
    void Focus(const char* name) { window->Field<TWinControl>(name)->SetFocus(); }
};

} // namespace

// Tab walks every control that can take the focus, in tab order (a
// container's contents after it), wrapping; a radio group is one stop.
TEST_F(KeyboardTest, TabAndShiftTabWalkTheTabOrder) {
    struct Case {
        const char* what;
        std::function<void(TTestWindow&)> setUp;
        const char* start;
        std::vector<TKey> keys;
        std::vector<std::string> focus;
    } cases[] = {
        {"forward from OK, no radio selected: the group is entered at its first", nullptr, "OKButton",
         {Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab},
         {"CancelButton", "FailButton", "BrowseButton", "NextButton", "Pages", "RadioOne", "Check", "Choice", "NameEdit",
          "Rows", "OKButton"}},
        {"backward", nullptr, "OKButton",
         {BackTab, BackTab, BackTab, BackTab, BackTab, BackTab, BackTab},
         {"Rows", "NameEdit", "Choice", "Check", "RadioOne", "Pages", "NextButton"}},
        {"at the selection; disabled and hidden controls are skipped",
         [](TTestWindow& w) {
             w.Field<TRadioButton>("RadioTwo")->SetChecked(true);
             w.Field<TComboBox>("Choice")->SetEnabled(false);
             w.Field<TEdit>("NameEdit")->Hide();
         },
         "Pages", {Tab, Tab, Tab, Tab, BackTab, BackTab}, {"RadioTwo", "Check", "Rows", "OKButton", "Rows", "Check"}},
        {"another page: its tab order, none of the hidden pages' controls",
         [](TTestWindow& w) { w.Field<TPageControl>("Pages")->SetActivePageIndex(2); }, "Pages",
         {Tab, Tab, Tab, Tab, Tab}, {"NumLock", "CapsLock", "ScrollLock", "DefaultButton", "OKButton"}},
        {"arrows move the selection within the radio group, wrapping", nullptr, "RadioOne",
         {Down, Down, Up, Tab},
         {"RadioTwo", "RadioTwo", "RadioOne", "RadioOne", "RadioTwo", "RadioTwo", "Check"}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.setUp) c.setUp(*window);
        Focus(c.start);
        window->events.Clear();
        Press(c.keys);
        EXPECT_TRUE(window->events.Matches(c.focus));
    }
}

// Ctrl+Tab switches the page as a click on the next tab does (OnChange runs),
// on the page control holding the focus or else the form's.
TEST_F(KeyboardTest, CtrlTabSwitchesPagesWrapping) {
    auto* pages = window->Field<TPageControl>("Pages");
    Focus("RadioOne");
    Press({CtrlTab, CtrlTab, CtrlTab, CtrlBackTab});
    EXPECT_TRUE(window->events.Matches({"Pages", "Pages", "Pages", "Pages", "Pages", "Pages", "Pages", "Pages"}));
    EXPECT_EQ(pages->ActivePageIndex(), 2);
    window->Field<TTabSheet>("FirstSheet")->SetTabVisible(false);
    pages->SetActivePageIndex(1);
    Focus("OKButton");
    Press({CtrlTab, CtrlTab});
    EXPECT_TRUE(window->events.Matches({"Pages", "OKButton", "Pages", "OKButton"}));
    EXPECT_EQ(pages->ActivePageIndex(), 1);
}

// Access keys: Alt+letter anywhere, the letter alone where the focused
// control takes no characters; only reachable controls answer.
TEST_F(KeyboardTest, AccessKeysPressToggleSelectAndFocus) {
    struct Case {
        const char* what;
        int page;
        const char* start;
        std::vector<TKey> keys;
        std::vector<std::string> events;
    } cases[] = {
        {"check boxes toggle and take the focus", 2, "DefaultButton",
         {Alt('n'), Char('c'), Char('S'), Alt('N')},
         {"NumLock", "NumLock", "CapsLock", "CapsLock", "ScrollLock", "ScrollLock", "NumLock", "NumLock"}},
        {"push buttons click where the focus is", 2, "NumLock",
         {Alt('e'), Char('r'), Alt('n')},
         {"DefaultButton", "NumLock", "BrowseButton", "NumLock", "NumLock", "NumLock"}},
        {"hidden and disabled controls and other pages' controls do not answer", 2, "NumLock",
         {Alt('g'), Alt('d'), Alt('o'), Alt('m')}, {"NumLock", "NumLock", "NumLock", "NumLock"}},
        {"a radio button selects; a label focuses the control after it", 0, "Rows",
         {Alt('t'), Alt('m'), Alt('o')}, {"RadioTwo", "RadioTwo", "NameEdit", "RadioOne", "RadioOne"}},
        {"a control that takes characters keeps the letters", 0, "NameEdit",
         {Char('o'), Char('n'), Alt('x')}, {"NameEdit", "NameEdit", "NameEdit"}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        window->Field<TPageControl>("Pages")->SetActivePageIndex(c.page);
        Focus(c.start);
        window->events.Clear();
        Press(c.keys);
        EXPECT_TRUE(window->events.Matches(c.events));
    }
    EXPECT_EQ(window->Field<TEdit>("NameEdit")->Text(), "read-only text");
}

// Enter presses the focused push button or else the default control, Escape
// the cancel control; without them neither key does anything.
TEST_F(KeyboardTest, EnterAndEscapePressTheDefaultAndCancelControls) {
    auto* ok = window->Field<TButton>("OKButton");
    auto* cancel = window->Field<TButton>("CancelButton");
    ok->OnClick = window->events.Record<TObject*>("OK");
    cancel->OnClick = window->events.Record<TObject*>("Cancel");
    Focus("Check");
    Press({Enter, Esc});
    Focus("Rows");
    Press({Enter});
    Focus("BrowseButton");
    Press({Enter});
    EXPECT_TRUE(window->events.Matches({"OK", "Check", "Cancel", "Check", "OK", "Rows", "BrowseButton", "BrowseButton"}));
    ok->SetDefault(false);
    cancel->SetCancel(false);
    Focus("Check");
    Press({Enter, Esc});
    EXPECT_TRUE(window->events.Matches({"Check", "Check"}));
    EXPECT_FALSE(window->Field<TCheckBox>("Check")->Checked());
}

// Underlines of access keys are hidden until the keyboard is used, as in the
// system's dialogs, unless the user asked to see them always.
TEST_F(KeyboardTest, AccessKeyUnderlinesShowOnceAltIsPressed) {
    BOOL userCues = FALSE;
    SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &userCues, 0);
    auto render = [this] { // the title label's pixels on black
        TLabel* label = window->Field<TLabel>("TitleLabel");
        TBitmap bitmap;
        bitmap.SetSize(label->Width(), label->Height());
        bitmap.Canvas().Brush().SetColor(clBlack);
        bitmap.Canvas().FillRect({0, 0, label->Width(), label->Height()});
        label->PaintTo(bitmap.Canvas().Handle());
        std::vector<COLORREF> pixels;
        for (int y = 0; y < label->Height(); ++y)
            for (int x = 0; x < label->Width(); ++x) pixels.push_back(GetPixel(bitmap.Canvas().Handle(), x, y));
        return pixels;
    };
    for (BOOL always : {FALSE, TRUE}) {
        SCOPED_TRACE(always ? "always shown" : "shown on demand");
        SystemParametersInfoA(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(INT_PTR(always)), 0);
        TearDown();
        SetUp();
        auto first = render();
        PostMessageA(window->Field<TButton>("BrowseButton")->Handle(), WM_SYSKEYDOWN, VK_MENU, 1 | (1 << 29));
        Application()->ProcessMessages();
        auto underlined = render();
        window->Field<TLabel>("TitleLabel")->SetCaption("Title strip");
        auto plain = render();
        EXPECT_NE(underlined, plain);
        EXPECT_EQ(first, always ? underlined : plain);
    }
    SystemParametersInfoA(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(INT_PTR(userCues)), 0);
}
