// The standard controls as the program drives them: from code, and through
// the very messages the system controls send their parents when the user
// acts. Drawing is checked on the pixels of off-screen bitmaps (shapes and
// colours only: Wine's fonts are not Windows' fonts).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "forms/ComCtrls.h"
#include "forms/Dialogs.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/Layouts.h"
#include "forms/StdCtrls.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/HandleCounter.h"
#include "tests/support/Pixels.h"

using namespace forms;

static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

using testing_support::AnswerDialog;
using testing_support::Later;
using testing_support::Pump;

namespace {

struct Counter {
    int count = 0;
    TNotifyEvent Handler() {
        return [this](TObject*) { ++count; };
    }
};

// What a system control sends its parent when the user acts.
void SendCommand(TWinControl* control, WORD code) {
    HWND wnd = control->Handle();
    SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), code), reinterpret_cast<LPARAM>(wnd));
}

LRESULT Send(TWinControl* control, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(control->Handle(), msg, wParam, lParam);
}

bool HasStyle(TWinControl* control, DWORD style) { return (GetWindowLongA(control->Handle(), GWL_STYLE) & style) == style; }

using testing_support::Fill;
using testing_support::ReadPixels;
using testing_support::TPixels;
using testing_support::Rgb;

void PaintOn(TGraphicControl& control, TBitmap& bitmap) {
    control.PaintTo(bitmap.Canvas().Handle());
    GdiFlush();
}

class TTestPanel : public TPanel {
public:
    using TPanel::TPanel;
    void PaintOn(TBitmap& bitmap) {
        PaintWindow(bitmap.Canvas());
        GdiFlush();
    }
};

struct TDrawCall {
    int index;
    RECT rect;
    unsigned state;
};

class TRecordingListBox : public TListBox {
public:
    using TListBox::TListBox;
    std::vector<TDrawCall> calls;

protected:
    void DrawItem(int index, const RECT& rect, unsigned state) override {
        calls.push_back({index, rect, state});
        TListBox::DrawItem(index, rect, state);
    }
};

class StdCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFormClasses();
        form = new TForm(nullptr);
        form->SetBounds(60, 60, 460, 340);
    }
    void TearDown() override { delete form; }

    template <class T>
    T* Make(TWinControl* parent, int left, int top, int width, int height) {
        T* control = new T(form);
        control->SetParent(parent);
        control->SetBounds(left, top, width, height);
        return control;
    }

    TForm* form = nullptr;
};

} // namespace

// ------------------------------------------------------------ selection rules

TEST_F(StdCtrlsTest, RadioButtonRunsItsHandlerOnlyWhenItBecomesChecked) {
    auto* group = Make<TGroupBox>(form, 8, 8, 200, 100);
    auto* a = Make<TRadioButton>(group, 10, 20, 100, 17);
    auto* b = Make<TRadioButton>(group, 10, 40, 100, 17);
    auto* elsewhere = Make<TRadioButton>(form, 220, 20, 100, 17);
    Counter ca, cb, ce;
    a->OnClick = ca.Handler();
    b->OnClick = cb.Handler();
    elsewhere->OnClick = ce.Handler();
    elsewhere->SetChecked(true);
    form->Show();

    a->SetChecked(true);
    a->SetChecked(true); // already checked: nothing
    EXPECT_EQ(ca.count, 1);
    EXPECT_EQ(Send(a, BM_GETCHECK), BST_CHECKED);
    Send(a, BM_CLICK); // the user clicks the checked one: nothing
    EXPECT_EQ(ca.count, 1);

    Send(b, BM_CLICK);
    EXPECT_EQ(cb.count, 1);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    EXPECT_EQ(Send(a, BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(ca.count, 1) << "unchecking runs nothing";
    EXPECT_TRUE(HasStyle(b, WS_TABSTOP));
    EXPECT_FALSE(HasStyle(a, WS_TABSTOP)) << "Tab enters a group at its selection";

    b->SetChecked(false);
    EXPECT_EQ(cb.count, 1);
    EXPECT_EQ(Send(b, BM_GETCHECK), BST_UNCHECKED);
    EXPECT_TRUE(elsewhere->Checked()) << "another parent is another group";
    EXPECT_EQ(ce.count, 1);
}

TEST_F(StdCtrlsTest, CheckBoxRunsItsHandlerOnEveryChangeOfState) {
    auto* box = Make<TCheckBox>(form, 8, 8, 120, 17);
    Counter clicks;
    box->OnClick = clicks.Handler();
    box->SetChecked(true); // before the window exists
    form->Show();
    EXPECT_EQ(clicks.count, 1);
    EXPECT_EQ(Send(box, BM_GETCHECK), BST_CHECKED);
    box->SetState(cbChecked);
    EXPECT_EQ(clicks.count, 1);
    box->SetChecked(false);
    EXPECT_EQ(clicks.count, 2);

    Send(box, BM_CLICK); // the user toggles
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(Send(box, BM_GETCHECK), BST_CHECKED);
    Send(box, BM_CLICK);
    EXPECT_EQ(box->State(), cbUnchecked);
    EXPECT_EQ(clicks.count, 4);
}

TEST_F(StdCtrlsTest, DropDownListReportsOnlyTheUsersPick) {
    auto* combo = Make<TComboBox>(form, 8, 8, 120, 21);
    Counter changes;
    combo->OnChange = changes.Handler();
    combo->SetItems({"one", "two", "three"});
    combo->SetItemIndex(1); // before the window: carried into it
    form->Show();
    EXPECT_EQ(Send(combo, CB_GETCOUNT), 3);
    EXPECT_EQ(Send(combo, CB_GETCURSEL), 1);
    EXPECT_TRUE(HasStyle(combo, CBS_DROPDOWNLIST));

    combo->SetItemIndex(0);
    EXPECT_EQ(Send(combo, CB_GETCURSEL), 0);
    Send(combo, CB_SETCURSEL, 2);
    SendCommand(combo, CBN_SELCHANGE);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(changes.count, 1);

    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), -1) << "out of range selects nothing";
    EXPECT_EQ(Send(combo, CB_GETCURSEL), CB_ERR);
    combo->SetItemIndex(2);
    combo->SetItems({"only"});
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(Send(combo, CB_GETCOUNT), 1);
    EXPECT_EQ(changes.count, 1);
    // The closed box keeps the height of its text, whatever room the list takes.
    RECT r;
    GetWindowRect(combo->Handle(), &r);
    EXPECT_EQ(r.bottom - r.top, combo->Height());
    EXPECT_LT(combo->Height(), 40);
}

TEST_F(StdCtrlsTest, ADroppedListShowsWholeItemsAndEightAtMost) {
    for (auto [items, rows] : std::vector<std::pair<int, int>>{{3, 3}, {8, 8}, {10, 8}, {40, 8}}) {
        auto* combo = Make<TComboBox>(form, 8, 8, 120, 21);
        combo->SetItems(std::vector<std::string>(size_t(items), "item"));
        form->Show();
        Send(combo, CB_SHOWDROPDOWN, TRUE);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        RECT list{};
        GetComboBoxInfo(combo->Handle(), &info);
        GetClientRect(info.hwndList, &list);
        EXPECT_EQ(list.bottom, rows * Send(combo, CB_GETITEMHEIGHT)) << items << " items";
        delete combo;
    }
}

TEST_F(StdCtrlsTest, EditReportsEveryChangeOfItsTextOnce) {
    auto* early = Make<TEdit>(form, 8, 40, 120, 21);
    auto* edit = Make<TEdit>(form, 8, 8, 120, 21);
    Counter earlyChanges, changes;
    early->OnChange = earlyChanges.Handler();
    early->SetText("before"); // no window yet
    EXPECT_EQ(earlyChanges.count, 1);
    edit->OnChange = changes.Handler();
    form->Show();
    char text[64] = "";
    GetWindowTextA(early->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "before");

    edit->SetText("abc");
    edit->SetText("abc");
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(edit->Text(), "abc");

    edit->SelectAll();
    Send(edit, WM_CHAR, 'x'); // typing replaces the selection
    EXPECT_EQ(edit->Text(), "x");
    EXPECT_EQ(changes.count, 2);

    edit->SetMaxLength(3);
    for (char c : std::string("yzw!")) Send(edit, WM_CHAR, WPARAM(c));
    EXPECT_EQ(edit->Text(), "xyz");

    edit->SetReadOnly(true);
    EXPECT_TRUE(HasStyle(edit, ES_READONLY));
    int before = changes.count;
    edit->SelectAll();
    Send(edit, WM_CHAR, 'q');
    EXPECT_EQ(edit->Text(), "xyz");
    EXPECT_EQ(changes.count, before);
    edit->SetText(""); // code may still change a read-only edit
    EXPECT_EQ(changes.count, before + 1);
}

TEST_F(StdCtrlsTest, ListBoxReportsOnlyTheUsersSelection) {
    auto* list = Make<TListBox>(form, 8, 8, 150, 100);
    Counter clicks;
    list->OnClick = clicks.Handler();
    list->AddItem("first", 1001);
    list->AddItem("second", 1002);
    list->SetItemIndex(1);
    form->Show();
    EXPECT_EQ(Send(list, LB_GETCURSEL), 1);
    EXPECT_EQ(list->ItemObject(1), 1002);
    EXPECT_EQ(list->ItemObject(5), 0);

    list->SetItemIndex(0);
    EXPECT_EQ(clicks.count, 0);
    Send(list, LB_SETCURSEL, 1);
    SendCommand(list, LBN_SELCHANGE);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks.count, 1);
    list->SetItemIndex(-1);
    EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR);
    EXPECT_EQ(clicks.count, 1);
}

TEST_F(StdCtrlsTest, PageControlShowsTheActiveSheetAndReportsOnlyTheUsersChoice) {
    auto* pages = Make<TPageControl>(form, 8, 8, 300, 200);
    TTabSheet* sheets[3];
    const char* captions[] = {"Keys", "OSD", "Key Status"};
    for (int i = 0; i < 3; ++i) {
        sheets[i] = new TTabSheet(form);
        sheets[i]->SetParent(pages);
        sheets[i]->SetCaption(captions[i]);
    }
    Counter changes;
    pages->OnChange = changes.Handler();
    form->Show();
    auto visible = [&](int i) { return IsWindowVisible(sheets[i]->Handle()) != 0; };
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    EXPECT_EQ(Send(pages, TCM_GETITEMCOUNT), 3);
    EXPECT_TRUE(visible(0));
    EXPECT_FALSE(visible(1));

    // The sheets fill the display area below the tabs.
    RECT display;
    GetClientRect(pages->Handle(), &display);
    Send(pages, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    EXPECT_EQ(sheets[1]->BoundsRect().top, display.top);
    EXPECT_GT(display.top, 10);
    EXPECT_EQ(sheets[1]->Width(), display.right - display.left);

    pages->SetActivePageIndex(2);
    EXPECT_EQ(changes.count, 0);
    EXPECT_EQ(Send(pages, TCM_GETCURSEL), 2);
    EXPECT_TRUE(visible(2));
    EXPECT_FALSE(visible(0));

    // The user picks the second tab.
    Send(pages, TCM_SETCURSEL, 1);
    NMHDR note{pages->Handle(), UINT_PTR(GetDlgCtrlID(pages->Handle())), UINT(TCN_SELCHANGE)};
    SendMessageA(form->Handle(), WM_NOTIFY, note.idFrom, reinterpret_cast<LPARAM>(&note));
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_TRUE(visible(1));
    EXPECT_FALSE(visible(2));

    // Without its tab, a sheet is skipped in the tab order of the control.
    sheets[1]->SetTabVisible(false);
    EXPECT_EQ(Send(pages, TCM_GETITEMCOUNT), 2);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    Send(pages, TCM_SETCURSEL, 1);
    SendMessageA(form->Handle(), WM_NOTIFY, note.idFrom, reinterpret_cast<LPARAM>(&note));
    EXPECT_EQ(pages->ActivePage(), sheets[2]);

    sheets[2]->SetPageIndex(0);
    EXPECT_EQ(pages->Pages(0), sheets[2]);
    char text[32] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    Send(pages, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "Key Status");
    EXPECT_EQ(Send(pages, TCM_GETCURSEL), 0) << "the active sheet's tab moved with it";
}

// Pages and their stacks learn of each other's end, in either order.
TEST_F(StdCtrlsTest, PageStacksForgetDestroyedPagesAndPagesTheirStack) {
    auto* notebook = Make<TNotebook>(form, 8, 8, 200, 100);
    auto* pages = Make<TPageControl>(form, 8, 120, 200, 100);
    TPage* page[3];
    TTabSheet* sheet[3];
    for (int i = 0; i < 3; ++i) {
        (page[i] = new TPage(form))->SetParent(notebook);
        (sheet[i] = new TTabSheet(form))->SetParent(pages);
    }
    form->Show();
    pages->SetActivePage(sheet[1]);
    delete page[1];
    delete sheet[1];
    ASSERT_EQ(notebook->PageCount(), 2);
    EXPECT_EQ(notebook->Pages(1), page[2]);
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->ActivePage(), sheet[0]) << "the first sheet with a tab takes over";
    EXPECT_EQ(Send(pages, TCM_GETITEMCOUNT), 2);

    // A page taken elsewhere leaves its stack, and no longer hears of it.
    page[2]->SetParent(form);
    sheet[2]->SetParent(form);
    EXPECT_EQ(notebook->PageCount(), 1);
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(page[2]->Notebook(), nullptr);
    EXPECT_EQ(sheet[2]->PageIndex(), -1);

    delete notebook;
    delete pages;
    EXPECT_EQ(page[0]->Notebook(), nullptr);
    EXPECT_EQ(sheet[0]->PageControl(), nullptr);
    EXPECT_EQ(sheet[0]->PageIndex(), -1);
    sheet[0]->SetTabVisible(false); // nothing left to tell
    page[0]->SetParent(form);
}

// ---------------------------------------------------------------- mouse

// A press runs the ordinary mouse-down handling first; then the control
// takes the keyboard focus, whether it is one of ours or a system control.
TEST_F(StdCtrlsTest, PressRunsOnMouseDownBeforeTheControlTakesTheFocus) {
    auto* panel = Make<TPanel>(form, 8, 8, 100, 60);
    panel->SetTabStop(true);
    auto* elsewhere = Make<TButton>(form, 8, 100, 75, 25);
    TWinControl* controls[] = {panel, Make<TButton>(form, 120, 8, 75, 25), Make<TEdit>(form, 120, 40, 100, 21),
                               Make<TListBox>(form, 240, 8, 100, 60)};
    form->Show();
    testing_support::TEventRecorder record;
    for (TWinControl* control : controls) {
        SCOPED_TRACE(control->ClassName());
        elsewhere->SetFocus();
        control->OnEnter = record.Record<TObject*>("focus");
        control->OnMouseDown = record.Record<TObject*, TMouseButton, TShiftState, int, int>("down");
        control->OnMouseUp = record.Record<TObject*, TMouseButton, TShiftState, int, int>("up");
        Send(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        Send(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_TRUE(record.Matches({"down", "focus", "up"}));
        EXPECT_TRUE(control->Focused());
    }
}

TEST_F(StdCtrlsTest, ButtonsClickEndModalLoopsAndServeEnterAndEscape) {
    auto* ok = Make<TButton>(form, 8, 8, 75, 25);
    auto* cancel = Make<TButton>(form, 90, 8, 75, 25);
    Counter okClicks, cancelClicks;
    ok->OnClick = okClicks.Handler();
    cancel->OnClick = cancelClicks.Handler();
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    form->Show();
    EXPECT_EQ(form->DefaultControl(), ok);
    EXPECT_EQ(form->CancelControl(), cancel);
    EXPECT_TRUE(HasStyle(ok, BS_DEFPUSHBUTTON));

    Send(cancel, BM_CLICK);
    EXPECT_EQ(cancelClicks.count, 1);
    EXPECT_EQ(form->ModalResult(), mrCancel);
    // Enter presses the focused button rather than the default one.
    SetFocus(cancel->Handle());
    PostMessageA(cancel->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    Application()->ProcessMessages();
    EXPECT_EQ(cancelClicks.count, 2);
    EXPECT_EQ(okClicks.count, 0);

    ok->SetDefault(false);
    EXPECT_EQ(form->DefaultControl(), nullptr);
    EXPECT_FALSE(HasStyle(ok, BS_DEFPUSHBUTTON));
    // Destroyed controls stop being the default or cancel control, whatever
    // their class: the form hears of their end.
    delete cancel;
    EXPECT_EQ(form->CancelControl(), nullptr);
    auto* panel = Make<TPanel>(form, 8, 40, 40, 20);
    form->SetDefaultControl(panel);
    form->SetCancelControl(panel);
    delete panel;
    EXPECT_EQ(form->DefaultControl(), nullptr);
    EXPECT_EQ(form->CancelControl(), nullptr);
}

// Freeing a focused control moves the focus, inside the destructors: no
// OnExit or OnEnter runs from there, of the control going or of any other.
TEST_F(StdCtrlsTest, DestroyingTheFocusedControlRunsNoFocusHandlers) {
    static testing_support::TEventRecorder events; // outlives the form, which goes after the test
    events.Clear();
    auto* owner = Make<TEdit>(form, 8, 8, 100, 21);
    form->Show();
    owner->SetFocus();
    auto* dialog = new TForm(owner); // owned by the form's window
    dialog->SetBounds(100, 100, 200, 120);
    auto* a = Make<TEdit>(dialog, 8, 8, 100, 21);
    auto* b = Make<TEdit>(dialog, 8, 40, 100, 21);
    for (TWinControl* c : std::initializer_list<TWinControl*>{form, owner, dialog, a, b}) {
        std::string name = c == form ? "form" : c == owner ? "owner" : c == dialog ? "dialog" : c == a ? "a" : "b";
        c->OnEnter = events.Record<TObject*>(name + " enter");
        c->OnExit = events.Record<TObject*>(name + " exit");
    }
    dialog->Show();
    a->SetFocus();
    b->SetFocus();
    EXPECT_TRUE(events.Matches({"owner exit", "dialog enter", "dialog exit", "a enter", "a exit", "b enter"}));
    delete b; // the focus goes to the dialog, quietly
    ASSERT_TRUE(testing_support::HandlePosted());
    a->SetFocus();
    EXPECT_TRUE(events.Matches({"dialog exit", "a enter"}));
    delete dialog; // the focus goes back to the owner's form
    ASSERT_TRUE(testing_support::HandlePosted());
    EXPECT_TRUE(events.Matches({}));
}

// ------------------------------------------------------------------ drawing

TEST_F(StdCtrlsTest, ListBoxRowsAreOwnerDrawnWithTheFocusOnTop) {
    auto* list = Make<TRecordingListBox>(form, 8, 8, 150, 100);
    list->SetItemHeight(20);
    list->SetColor(clYellow);
    list->SetItems({"a", "b", "c"});
    list->SetItemIndex(1);
    form->Show();
    EXPECT_EQ(Send(list, LB_GETITEMHEIGHT), 20);

    RECT client;
    GetClientRect(list->Handle(), &client);
    TBitmap image;
    Fill(image, client.right, client.bottom, clFuchsia);
    list->calls.clear();
    Send(list, WM_ERASEBKGND, reinterpret_cast<WPARAM>(image.Canvas().Handle()));
    Send(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(image.Canvas().Handle()), PRF_CLIENT);
    GdiFlush();
    ASSERT_EQ(list->calls.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list->calls[size_t(i)].index, i);
        EXPECT_EQ(list->calls[size_t(i)].rect.top, 20 * i);
        EXPECT_EQ(list->calls[size_t(i)].rect.bottom, 20 * i + 20);
    }
    EXPECT_TRUE(list->calls[1].state & ODS_SELECTED);
    EXPECT_FALSE(list->calls[0].state & ODS_SELECTED);
    TCanvas& c = image.Canvas();
    int x = client.right - 4; // right of the text
    EXPECT_EQ(c.Pixels(x, 10), Rgb(clYellow));
    EXPECT_EQ(c.Pixels(x, 30), Rgb(clHighlight));
    EXPECT_EQ(c.Pixels(x, 50), Rgb(clYellow));
    EXPECT_EQ(c.Pixels(x, 80), Rgb(clYellow)) << "below the rows: the list's colour";

    // The focus rectangle goes over the row after the row is drawn.
    auto drawRow = [&](unsigned state) {
        Fill(image, client.right, 20, clFuchsia);
        DRAWITEMSTRUCT item{ODT_LISTBOX, UINT(GetDlgCtrlID(list->Handle())), 0, ODA_DRAWENTIRE, state,
                            list->Handle(), image.Canvas().Handle(), {0, 0, client.right, 20}, 0};
        SendMessageA(form->Handle(), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        GdiFlush();
        int marked = 0;
        for (int px = 0; px < client.right; ++px) marked += image.Canvas().Pixels(px, 0) != Rgb(clYellow);
        return marked;
    };
    EXPECT_EQ(drawRow(0), 0);
    EXPECT_GT(drawRow(ODS_FOCUS), client.right / 4);
    EXPECT_EQ(image.Canvas().Pixels(client.right / 2, 10), Rgb(clYellow));
}

TEST(Image, DestinationRectangle) {
    TImage image(nullptr);
    image.Picture().Bitmap().SetSize(20, 10);
    image.SetBounds(0, 0, 51, 31);
    EXPECT_EQ(image.DestRect(), (RECT{0, 0, 20, 10}));
    image.SetCenter(true);
    EXPECT_EQ(image.DestRect(), (RECT{15, 10, 35, 20})); // (51-20) div 2, (31-10) div 2
    image.SetBounds(0, 0, 15, 5);                        // smaller than the picture
    EXPECT_EQ(image.DestRect(), (RECT{-2, -2, 18, 8}));  // -5 div 2 is -2
    image.SetStretch(true);                              // stretching wins over centring
    EXPECT_EQ(image.DestRect(), (RECT{0, 0, 15, 5}));

    image.SetAutoSize(true);
    EXPECT_EQ(image.Width(), 20);
    EXPECT_EQ(image.Height(), 10);
    image.Picture().Bitmap().SetSize(7, 9);
    EXPECT_EQ(image.Width(), 7);
    EXPECT_EQ(image.Height(), 9);
}

TEST(Image, PaintsThePictureIntoItsDestination) {
    TImage image(nullptr);
    TBitmap picture;
    Fill(picture, 10, 6, clRed);
    picture.Canvas().SetPixels(0, 5, clLime); // the bottom-left pixel: transparent colour
    image.Picture().Assign(&picture);
    image.SetBounds(0, 0, 30, 20);
    image.SetCenter(true);
    TBitmap target;
    Fill(target, 30, 20, clBlue);
    PaintOn(image, target);
    TCanvas& c = target.Canvas();
    EXPECT_EQ(c.Pixels(10, 7), Rgb(clRed));  // dest is (10,7)-(20,13)
    EXPECT_EQ(c.Pixels(19, 12), Rgb(clRed));
    EXPECT_EQ(c.Pixels(9, 7), Rgb(clBlue));
    EXPECT_EQ(c.Pixels(20, 13), Rgb(clBlue));
    EXPECT_EQ(c.Pixels(10, 12), Rgb(clLime));

    image.SetTransparent(true);
    Fill(target, 30, 20, clBlue);
    PaintOn(image, target);
    EXPECT_EQ(c.Pixels(10, 12), Rgb(clBlue)) << "the transparent colour lets the ground through";
    EXPECT_EQ(c.Pixels(11, 12), Rgb(clRed));

    image.SetStretch(true);
    Fill(target, 30, 20, clBlue);
    PaintOn(image, target);
    EXPECT_EQ(c.Pixels(1, 1), Rgb(clRed));
    EXPECT_EQ(c.Pixels(28, 1), Rgb(clRed));
}

TEST_F(StdCtrlsTest, PanelAlignsInsideItsFrameAndSizesToItsContent) {
    auto* panel = Make<TTestPanel>(form, 0, 0, 200, 100);
    auto* top = Make<TPanel>(panel, 0, 0, 10, 30);
    top->SetAlign(alTop);
    EXPECT_EQ(top->BoundsRect(), (RECT{1, 1, 199, 31})); // inside the raised bevel
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(2);
    EXPECT_EQ(panel->FrameWidth(), 4);
    EXPECT_EQ(top->BoundsRect(), (RECT{4, 4, 196, 34}));

    auto* fit = Make<TPanel>(form, 0, 120, 50, 50);
    auto* picture = Make<TImage>(fit, 1, 1, 640, 82);
    fit->SetAutoSize(true);
    EXPECT_EQ(fit->Width(), 642);
    EXPECT_EQ(fit->Height(), 84);
    picture->SetBounds(1, 1, 100, 40); // the content shrinks: so does the panel
    EXPECT_EQ(fit->Width(), 102);
    EXPECT_EQ(fit->Height(), 42);
    auto* label = Make<TLabel>(fit, 1, 60, 20, 13);
    label->SetAutoSize(false);
    EXPECT_EQ(fit->Height(), 74);
    label->Hide(); // hidden children do not count
    EXPECT_EQ(fit->Height(), 42);
}

TEST_F(StdCtrlsTest, PanelAndBevelDrawTheirEdges) {
    auto* panel = Make<TTestPanel>(form, 0, 0, 40, 30);
    panel->SetColor(clGreen);
    TBitmap image;
    Fill(image, 40, 30, clFuchsia);
    panel->PaintOn(image);
    TCanvas& c = image.Canvas();
    EXPECT_EQ(c.Pixels(0, 0), Rgb(clBtnHighlight)); // raised: light above and left
    EXPECT_EQ(c.Pixels(39, 29), Rgb(clBtnShadow));
    EXPECT_EQ(c.Pixels(0, 28), Rgb(clBtnHighlight));
    EXPECT_EQ(c.Pixels(0, 29), Rgb(clBtnShadow)); // the bottom edge runs the full width
    EXPECT_EQ(c.Pixels(20, 3), Rgb(clGreen));
    panel->SetBevelOuter(bvLowered);
    panel->SetBevelInner(bvRaised);
    panel->PaintOn(image);
    EXPECT_EQ(c.Pixels(0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(c.Pixels(1, 1), Rgb(clBtnHighlight));
    EXPECT_EQ(c.Pixels(38, 28), Rgb(clBtnShadow));
    EXPECT_EQ(c.Pixels(39, 29), Rgb(clBtnHighlight));

    TBevel line(nullptr);
    line.SetBounds(0, 0, 30, 4);
    line.SetShape(bsTopLine);
    TBitmap strip;
    Fill(strip, 30, 4, clFuchsia);
    PaintOn(line, strip);
    EXPECT_EQ(strip.Canvas().Pixels(15, 0), Rgb(clBtnShadow));
    EXPECT_EQ(strip.Canvas().Pixels(15, 1), Rgb(clBtnHighlight));
    EXPECT_EQ(strip.Canvas().Pixels(15, 2), Rgb(clFuchsia));
    line.SetStyle(bsRaised);
    PaintOn(line, strip);
    EXPECT_EQ(strip.Canvas().Pixels(29, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(strip.Canvas().Pixels(29, 1), Rgb(clBtnShadow));
}

TEST_F(StdCtrlsTest, AWindowLeadsToItsControlWhileBothLive) {
    auto* button = Make<TButton>(form, 8, 8, 75, 25);
    HWND made = button->Handle();
    HWND foreign = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, form->Handle(), nullptr, nullptr, nullptr);
    const std::vector<std::pair<HWND, TWinControl*>> found = {
        {made, button}, {form->Handle(), form}, {foreign, nullptr}, {GetDesktopWindow(), nullptr}, {nullptr, nullptr}};
    for (const auto& [wnd, control] : found) EXPECT_EQ(TWinControl::FromHandle(wnd), control);
    DestroyWindow(foreign);
    delete button;
    EXPECT_EQ(TWinControl::FromHandle(made), nullptr) << "the window went with its control";
}

namespace {

// The windows that take a WM_PAINT of their own from the queue, by name.
testing_support::TEventRecorder* paintRecorder = nullptr;

LRESULT CALLBACK RecordPaints(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_PAINT && paintRecorder)
        if (TWinControl* control = TWinControl::FromHandle(msg->hwnd)) paintRecorder->Add("paint " + control->Name());
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(StdCtrlsTest, WindowsShownTogetherArePaintedInOnePass) {
    // A form with its children shown paints those it can on its own image;
    // a framed window (the edit) and a tab control paint themselves, and
    // the tab control's sheet its own children. What reaches the screen is
    // what each window painting on its own shows.
    auto* panel = Make<TPanel>(form, 8, 8, 300, 200);
    auto* button = Make<TButton>(panel, 10, 10, 75, 25);
    auto* edit = Make<TEdit>(panel, 10, 50, 120, 21);
    auto* group = Make<TGroupBox>(panel, 140, 10, 150, 80);
    auto* check = Make<TCheckBox>(group, 10, 20, 120, 20);
    auto* tabs = Make<TPageControl>(form, 8, 215, 300, 80);
    auto* sheet = new TTabSheet(form);
    sheet->SetParent(tabs);
    auto* radio = Make<TRadioButton>(sheet, 8, 8, 120, 20);
    const std::vector<std::pair<TControl*, const char*>> names = {
        {form, "Form"}, {panel, "Panel"}, {button, "Button"}, {edit, "Edit"}, {group, "Group"},
        {check, "Check"}, {tabs, "Tabs"}, {sheet, "Sheet"}, {radio, "Radio"}};
    for (const auto& [control, name] : names) control->SetName(name);
    for (TControl* captioned : std::initializer_list<TControl*>{button, check, radio, sheet, group})
        captioned->SetCaption(captioned->Name());

    testing_support::TEventRecorder paints;
    paintRecorder = &paints;
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, RecordPaints, nullptr, GetCurrentThreadId());
    form->Show();
    Pump();
    EXPECT_TRUE(paints.Matches({"paint Form", "paint Edit", "paint Tabs", "paint Sheet"}));
    const TPixels together = testing_support::ReadWindow(form->Handle());

    UnhookWindowsHookEx(hook);
    // One at a time, parents first: each window paints on its own.
    for (const auto& [control, name] : names)
        if (control != form) RedrawWindow(static_cast<TWinControl*>(control)->Handle(), nullptr, nullptr,
                                          RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    paintRecorder = nullptr;
    EXPECT_TRUE(together == testing_support::ReadWindow(form->Handle()));
}

namespace {

// Erasing sent to a window outside its own paint, while switching is set.
bool switchingPages = false;

LRESULT CALLBACK RecordErasing(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && switchingPages && (sent->message == WM_ERASEBKGND || sent->message == WM_NCPAINT))
        if (TWinControl* control = TWinControl::FromHandle(sent->hwnd)) paintRecorder->Add("erase " + control->Name());
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(StdCtrlsTest, APageTheUserPicksIsErasedByNothingBeforeItPaints) {
    // The handler reshapes the window, as the main window's does, and finds
    // the page shown; the first switch makes the page's windows.
    auto* tabs = Make<TPageControl>(form, 8, 8, 300, 200);
    TTabSheet* sheets[2];
    for (TTabSheet*& sheet : sheets) (sheet = new TTabSheet(form))->SetParent(tabs);
    auto* combo = Make<TComboBox>(sheets[1], 8, 8, 120, 21);
    for (auto [control, name] : {std::pair<TControl*, const char*>{form, "Form"}, {tabs, "Tabs"}, {combo, "Combo"},
                                 {sheets[0], "First"}, {sheets[1], "Second"}})
        control->SetName(name);
    tabs->OnChange = [&](TObject*) {
        paintRecorder->Add(IsWindowVisible(tabs->ActivePage()->Handle()) ? "change, page shown" : "change");
        SetWindowRgn(form->Handle(), CreateRectRgn(0, 0, 600, 400 - tabs->ActivePageIndex()), TRUE);
    };
    form->Show();
    Pump();
    testing_support::TEventRecorder events;
    paintRecorder = &events;
    HHOOK sent = SetWindowsHookExA(WH_CALLWNDPROC, RecordErasing, nullptr, GetCurrentThreadId());
    HHOOK queued = SetWindowsHookExA(WH_GETMESSAGE, RecordPaints, nullptr, GetCurrentThreadId());
    const std::vector<std::string> toSecond = {"change, page shown", "erase Form", "paint Tabs", "paint Second",
                                               "paint Combo"}; // the form's frame takes its new shape at once
    for (const auto& [key, expected] : std::vector<std::pair<WPARAM, std::vector<std::string>>>{
             {VK_RIGHT, toSecond}, {VK_LEFT, {"change, page shown", "erase Form", "paint Tabs", "paint First"}},
             {VK_RIGHT, toSecond}}) {
        switchingPages = true;
        SendMessageA(tabs->Handle(), WM_KEYDOWN, key, 0);
        switchingPages = false;
        Pump();
        EXPECT_TRUE(events.Matches(expected)) << "key " << key;
    }
    UnhookWindowsHookEx(queued);
    UnhookWindowsHookEx(sent);
    paintRecorder = nullptr;
}

TEST_F(StdCtrlsTest, ADamagedPartOfTheTabsRepaintsAsTheControlDrawsItOnTheScreen) {
    auto* tabs = Make<TPageControl>(form, 8, 8, 300, 200);
    for (const char* caption : {"Keys", "OSD", "Key Status"}) {
        auto* sheet = new TTabSheet(form);
        sheet->SetParent(tabs);
        sheet->SetCaption(caption);
    }
    form->Show();
    Pump();
    // The tabs, and a part of them that starts elsewhere than the corner.
    for (RECT damage : {RECT{0, 0, 300, 24}, RECT{40, 2, 140, 18}}) {
        {
            TWindowDC screen(tabs->Handle());
            IntersectClipRect(screen, damage.left, damage.top, damage.right, damage.bottom);
            for (UINT msg : {UINT(WM_ERASEBKGND), UINT(WM_PRINTCLIENT)})
                SendMessageA(tabs->Handle(), msg, WPARAM(HDC(screen)), PRF_CLIENT);
        }
        const testing_support::TPixels drawnOnScreen = testing_support::ReadWindow(tabs->Handle());
        InvalidateRect(tabs->Handle(), &damage, TRUE);
        UpdateWindow(tabs->Handle());
        EXPECT_TRUE(testing_support::ReadWindow(tabs->Handle()) == drawnOnScreen) << damage;
    }
}

TEST_F(StdCtrlsTest, LabelSizesToItsTextAndPaintsItsGroundUnlessTransparent) {
    auto* plain = Make<TLabel>(form, 10, 10, 0, 0);
    plain->SetCaption("Delay");
    auto* marked = Make<TLabel>(form, 10, 30, 0, 0);
    marked->SetCaption("&Delay");
    EXPECT_GT(plain->Width(), 10);
    EXPECT_GT(plain->Height(), 5);
    EXPECT_EQ(marked->Width(), plain->Width()) << "the access-key mark takes no room";
    int width = plain->Width();
    plain->SetCaption("Delay time");
    EXPECT_GT(plain->Width(), width);

    auto* right = Make<TLabel>(form, 100, 50, 0, 0);
    right->SetAlignment(taRightJustify);
    right->SetCaption("x");
    int edge = right->Left() + right->Width();
    right->SetCaption("xxxxxxxx");
    EXPECT_EQ(right->Left() + right->Width(), edge);

    // The mark shows as an underline: the two labels differ only below the text.
    marked->SetColor(clWhite);
    plain->SetColor(clWhite);
    plain->SetCaption("Delay");
    TBitmap a, b;
    Fill(a, plain->Width(), plain->Height(), clBlue);
    Fill(b, plain->Width(), plain->Height(), clBlue);
    PaintOn(*plain, a);
    PaintOn(*marked, b);
    int differing = 0;
    for (int y = 0; y < plain->Height(); ++y)
        for (int x = 0; x < plain->Width(); ++x) differing += a.Canvas().Pixels(x, y) != b.Canvas().Pixels(x, y);
    EXPECT_GT(differing, 0);
    EXPECT_EQ(a.Canvas().Pixels(plain->Width() - 1, 0), Rgb(clWhite));

    plain->SetTransparent(true);
    Fill(a, plain->Width(), plain->Height(), clBlue);
    PaintOn(*plain, a);
    EXPECT_EQ(a.Canvas().Pixels(plain->Width() - 1, 0), Rgb(clBlue));
}

// Where a one-line label's text has a space, two blank columns follow the ink
// of the words before it, drawn alone.
TEST_F(StdCtrlsTest, LabelShowsAGapWhereItsTextHasASpace) {
    auto* label = Make<TLabel>(form, 0, 0, 400, 30);
    label->SetAutoSize(false); // room for ink past the last advance
    label->SetColor(clWhite);
    auto shown = [&](const std::string& text) {
        label->SetCaption(text);
        TBitmap picture;
        Fill(picture, 400, 30, clWhite);
        PaintOn(*label, picture);
        return testing_support::ReadPixels(picture);
    };
    auto blank = [](const testing_support::TPixels& p, int x, int w) { return p.All({x, 0, x + w, 30}, Rgb(clWhite)); };
    const std::pair<std::string, std::string> cases[] = {
        {"MS Sans Serif", "1. Click \"Browse\" button below to select an exe file."}, {"Tahoma", "now we view the wax"}};
    for (const auto& [font, caption] : cases) {
        label->Font().SetName(font);
        const auto line = shown(caption);
        for (size_t space = caption.find(' '); space != std::string::npos; space = caption.find(' ', space + 1)) {
            const auto words = shown(caption.substr(0, space));
            int x = words.Width;
            while (x > 0 && blank(words, x - 1, 1)) --x;
            EXPECT_TRUE(blank(line, x, 2)) << font << ": no gap after \"" << caption.substr(0, space) << "\"";
        }
    }
}

TEST(ImageList, HoldsCopiesOfIconsAndDrawsThemByIndex) {
    TImageList list(nullptr);
    EXPECT_EQ(list.Count(), 0);
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION, shared
    EXPECT_EQ(list.AddIcon(icon), 0);
    EXPECT_EQ(list.AddIcon(icon), 1);
    // A missing icon takes its place as a blank image: image i stays row i's.
    EXPECT_EQ(list.AddIcon(nullptr), 2);
    TIcon empty;
    EXPECT_EQ(list.Add(empty), 3);
    EXPECT_EQ(list.AddIcon(icon), 4);
    EXPECT_EQ(list.Count(), 5);
    int w = 0, h = 0;
    ImageList_GetIconSize(list.Handle(), &w, &h);
    EXPECT_EQ(w, 16);

    TBitmap target;
    Fill(target, 40, 20, clFuchsia);
    list.Draw(target.Canvas(), 20, 2, 1);
    list.Draw(target.Canvas(), 0, 0, 2); // blank: nothing
    list.Draw(target.Canvas(), 0, 0, 9); // no such image: nothing
    GdiFlush();
    int drawn = 0, outside = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            bool marked = target.Canvas().Pixels(x, y) != Rgb(clFuchsia);
            (x >= 20 && x < 36 && y >= 2 && y < 18 ? drawn : outside) += marked;
        }
    EXPECT_GT(drawn, 20);
    EXPECT_EQ(outside, 0);

    list.SetWidth(32);
    EXPECT_EQ(list.Count(), 0) << "a new size starts empty";
}

TEST(ImageList, TakesIconResourcesAsTheSystemLoadsThem) {
    // Each image as the system's own loading at the list's size gives it;
    // a missing resource leaves a blank between.
    HINSTANCE module = GetModuleHandleA(nullptr);
    for (int size : {16, 20, 32}) {
        TImageList fromResources(nullptr), fromIcons(nullptr);
        for (TImageList* list : {&fromResources, &fromIcons}) {
            list->SetWidth(size);
            list->SetHeight(size);
        }
        EXPECT_EQ(fromResources.AddIconResources(module, {1001, 4242, 1001}), 0);
        TIcon loaded;
        loaded.SetHandle(static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1001), IMAGE_ICON, size, size, 0)));
        ASSERT_NE(loaded.Handle(), nullptr);
        for (HICON icon : {loaded.Handle(), HICON(nullptr), loaded.Handle()}) fromIcons.AddIcon(icon);
        auto drawn = [&](TImageList& list) {
            TBitmap target;
            Fill(target, 3 * size, size, clFuchsia);
            for (int i = 0; i < 3; ++i) list.Draw(target.Canvas(), i * size, 0, i);
            GdiFlush();
            return ReadPixels(target);
        };
        const TPixels pixels = drawn(fromResources);
        EXPECT_EQ(pixels, drawn(fromIcons)) << size;
        EXPECT_TRUE(pixels.All({size, 0, 2 * size, size}, clFuchsia)) << size;
        EXPECT_LT(pixels.Count(clFuchsia), 2 * size * size) << size;
    }
}

// ------------------------------------------------------------------ layouts

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        text += two;
    }
    return text;
}

std::string ShowcaseLayout() {
    TBitmap bitmap;
    Fill(bitmap, 24, 16, clRed);
    TPicture picture;
    picture.Assign(&bitmap);
    TMemoryStream data;
    picture.WriteData(data);
    // Handlers come before the values that would run them: reading a layout
    // runs none.
    return R"(object Showcase: TForm
  Left = 40  Top = 40  BorderStyle = bsDialog  Caption = 'Standard controls'  ClientWidth = 480
  ClientHeight = 300  Font.Name = 'MS Sans Serif'  Font.Height = -11
  object Banner: TPanel
    Width = 480  Height = 40  BevelInner = bvLowered  BorderWidth = 2  Color = clNavy
    Caption = 'Banner'  Alignment = taLeftJustify  Font.Color = clWhite
    object Title: TLabel
      Left = 300  Top = 12  Caption = '&Title'  Font.Color = clYellow  Font.Style = [fsBold]
      Transparent = True
    end
  end
  object Pages: TPageControl
    Left = 8  Top = 48  Width = 320  Height = 200  ActivePage = Second  OnChange = Changed
    object First: TTabSheet
      Caption = 'First'
      object Group: TGroupBox
        Left = 8  Top = 8  Width = 296  Height = 64  Caption = 'Options'
        object One: TRadioButton
          Left = 10  Top = 18  Width = 100  Height = 17  Caption = '&One'  OnClick = Changed
        end
        object Two: TRadioButton
          Left = 10  Top = 38  Width = 100  Height = 17  Caption = 'T&wo'  OnClick = Changed
          Checked = True
        end
        object Check: TCheckBox
          Left = 140  Top = 18  Width = 140  Height = 17  Caption = 'Show "&Scroll Lock" Status'
          OnClick = Changed  State = cbChecked
        end
      end
      object Choice: TComboBox
        Left = 8  Top = 80  Width = 120  Style = csDropDownList  OnChange = Changed  ItemIndex = 1
        Items.Strings = ('Frame' 'Background' 'Text')
      end
      object NameEdit: TEdit
        Left = 140  Top = 80  Width = 160  Height = 21  OnChange = Changed  Text = 'C:\Tools\player.exe'
        ReadOnly = True  MaxLength = 200
      end
      object Rows: TListBox
        Left = 8  Top = 110  Width = 292  Height = 58  Style = lbOwnerDrawFixed  ItemHeight = 18
        OnClick = Changed  ItemIndex = 2
        Items.Strings = ('Play' 'Stop' 'Mute')
      end
    end
    object Second: TTabSheet
      Caption = 'Second'
      object Stack: TNotebook
        Left = 8  Top = 8  Width = 296  Height = 100  ActivePage = 'pb'
        Pages.Strings = ('pA' 'pB' 'pC')
        object PageA: TPage
        end
        object PageB: TPage
          object OnB: TLabel
            Left = 8  Top = 8  Caption = 'Page B'
          end
        end
      end
      object Line: TBevel
        Left = 8  Top = 120  Width = 296  Height = 2  Shape = bsTopLine  Style = bsRaised
      end
    end
    object Spare: TTabSheet
      Caption = 'Spare'  TabVisible = False
    end
  end
  object Picture: TImage
    Left = 340  Top = 56  Width = 64  Height = 64  AutoSize = True  Center = True
    Transparent = True
    Picture.Data = {)" + Hex(data.Data()) + R"(}
  end
  object OK: TButton
    Left = 300  Top = 264  Caption = 'OK'  Default = True  ModalResult = mrOk
  end
  object Cancel: TButton
    Left = 384  Top = 264  Caption = 'Cancel'  Cancel = True  ModalResult = 2
  end
  object Icons: TImageList
    Width = 24  Height = 24
  end
  object Open: TOpenDialog
    Filter = 'exe file|*.exe'  Title = 'Pick a program'  FileName = 'player.exe'  InitialDir = 'C:\'
    Options = [ofHideReadOnly, ofFileMustExist]
  end
end
)";
}

struct TShowcaseForm : TForm {
    using TForm::TForm;
    static TFormBindings<TShowcaseForm> Bindings() { return {{{"Changed", &TShowcaseForm::Changed}}}; }
    void Changed(TObject*) { ++changes.count; }
    Counter changes;
};

struct TShowcase {
    std::unique_ptr<TShowcaseForm> built{(RegisterFormClasses(), CreateFormFromText<TShowcaseForm>(nullptr, ShowcaseLayout()))};
    TShowcaseForm& form = *built;
    Counter& changes = form.changes;
    template <class T>
    T* Get(const std::string& name) {
        return form.Field<T>(name);
    }
};

} // namespace

TEST(StdLayouts, EveryControlBuildsFromALayout) {
    TShowcase s;
    EXPECT_EQ(s.changes.count, 0) << "reading a layout runs no handler";
    auto* banner = s.Get<TPanel>("Banner");
    EXPECT_EQ(banner->FrameWidth(), 4);
    EXPECT_EQ(banner->Alignment(), taLeftJustify);
    EXPECT_EQ(s.Get<TLabel>("Title")->Parent(), banner);
    EXPECT_TRUE(s.Get<TLabel>("Title")->Transparent());
    EXPECT_TRUE(s.Get<TRadioButton>("Two")->Checked());
    EXPECT_FALSE(s.Get<TRadioButton>("One")->Checked());
    EXPECT_TRUE(s.Get<TCheckBox>("Check")->Checked());
    EXPECT_EQ(s.Get<TComboBox>("Choice")->Items().size(), 3u);
    EXPECT_EQ(s.Get<TComboBox>("Choice")->ItemIndex(), 1) << "an index given before the items";
    auto* edit = s.Get<TEdit>("NameEdit");
    EXPECT_EQ(edit->Text(), "C:\\Tools\\player.exe");
    EXPECT_TRUE(edit->ReadOnly());
    EXPECT_EQ(edit->MaxLength(), 200);
    EXPECT_EQ(s.Get<TListBox>("Rows")->ItemIndex(), 2);
    EXPECT_EQ(s.Get<TListBox>("Rows")->ItemHeight(), 18);

    auto* pages = s.Get<TPageControl>("Pages");
    EXPECT_EQ(pages->PageCount(), 3);
    EXPECT_EQ(pages->ActivePage(), s.Get<TTabSheet>("Second"));
    EXPECT_FALSE(s.Get<TTabSheet>("Spare")->TabVisible());
    auto* stack = s.Get<TNotebook>("Stack");
    ASSERT_EQ(stack->PageCount(), 3) << "a third page made for the third caption";
    EXPECT_EQ(stack->Pages(0), s.Get<TPage>("PageA"));
    EXPECT_EQ(stack->Pages(1)->Caption(), "pB");
    EXPECT_EQ(stack->PageIndex(), 1) << "chosen by caption, in any case";
    EXPECT_EQ(s.Get<TBevel>("Line")->Shape(), bsTopLine);
    EXPECT_EQ(s.Get<TBevel>("Line")->Style(), bsRaised);

    auto* picture = s.Get<TImage>("Picture");
    EXPECT_EQ(picture->Width(), 24);
    EXPECT_EQ(picture->Height(), 16);
    EXPECT_TRUE(picture->Center());
    EXPECT_TRUE(picture->Transparent());
    auto* ok = s.Get<TButton>("OK");
    EXPECT_EQ(s.form.DefaultControl(), ok);
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_EQ(s.form.CancelControl(), s.Get<TButton>("Cancel"));
    EXPECT_EQ(s.Get<TButton>("Cancel")->ModalResult(), mrCancel);
    EXPECT_EQ(s.Get<TImageList>("Icons")->Width(), 24);
    auto* open = s.Get<TOpenDialog>("Open");
    EXPECT_EQ(open->Filter(), "exe file|*.exe");
    EXPECT_EQ(open->Title(), "Pick a program");
    EXPECT_EQ(open->FileName(), "player.exe");
    EXPECT_EQ(open->InitialDir(), "C:\\");
    EXPECT_EQ(open->Options(), ofHideReadOnly | ofFileMustExist);
}

TEST(StdLayouts, WindowsShowWhatTheLayoutSet) {
    TShowcase s;
    s.form.Show();
    ASSERT_TRUE(testing_support::HandlePosted());
    auto* pages = s.Get<TPageControl>("Pages");
    EXPECT_EQ(Send(pages, TCM_GETITEMCOUNT), 2);
    EXPECT_EQ(Send(pages, TCM_GETCURSEL), 1);
    EXPECT_TRUE(IsWindowVisible(s.Get<TPage>("PageB")->Handle()));
    EXPECT_FALSE(IsWindowVisible(s.Get<TPage>("PageA")->Handle()));
    EXPECT_EQ(s.Get<TPage>("PageB")->Width(), 296) << "a page fills its notebook";
    EXPECT_EQ(Send(s.Get<TComboBox>("Choice"), CB_GETCURSEL), 1);
    EXPECT_EQ(Send(s.Get<TListBox>("Rows"), LB_GETCURSEL), 2);
    EXPECT_EQ(Send(s.Get<TCheckBox>("Check"), BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(Send(s.Get<TRadioButton>("Two"), BM_GETCHECK), BST_CHECKED);

    // The screen shows the composed banner: its colour beside the caption.
    // (The banner lies at the form's client origin; Wine reads pixels back
    // through the top-level window only.)
    RedrawWindow(s.form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(s.form.Handle());
    COLORREF ground = GetPixel(dc, 200, 6);
    COLORREF corner = GetPixel(dc, 0, 0);
    ReleaseDC(s.form.Handle(), dc);
    EXPECT_EQ(ground, Rgb(clNavy));
    EXPECT_EQ(corner, Rgb(clBtnHighlight));
    if (const char* hold = std::getenv("STDCTRLS_HOLD_MS")) Pump(DWORD(std::atoi(hold)));
    EXPECT_EQ(s.changes.count, 0);
}

TEST(StdLayouts, ValuesOfTheWrongKindAreRefused) {
    RegisterFormClasses();
    auto error = [](const std::string& object) {
        TForm form(nullptr);
        try {
            ReadLayoutInto(&form, ReadLayout("object F: TForm\n" + object + "end\n"), &form);
        } catch (const ELayoutError& e) {
            return e.Message;
        }
        return std::string("no error");
    };
    EXPECT_EQ(error("  object C: TComboBox\n    Style = csDropDown\n  end\n"),
              "Layout error in line 3: Invalid value for property Style");
    EXPECT_EQ(error("  object P: TPageControl\n    ActivePage = Nowhere\n  end\n"),
              "Layout error in line 3: Invalid value for property ActivePage");
    EXPECT_EQ(error("  object D: TOpenDialog\n    Options = [ofSomething]\n  end\n"),
              "Layout error in line 3: Invalid value for property Options");
}

// ------------------------------------------------------------------ dialogs

TEST(OpenDialog, ReturnsTheChosenFileOrNothing) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "stdctrls_pick.exe";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    TOpenDialog dialog(nullptr);
    dialog.SetTitle("Pick a program");
    dialog.SetFilter("exe file|*.exe");
    dialog.SetOptions(ofFileMustExist);
    std::string title;
    AnswerDialog([&](HWND box) {
        char text[64] = "";
        GetWindowTextA(box, text, sizeof text);
        title = text;
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(title, "Pick a program");
    EXPECT_EQ(dialog.FileName(), "");

    AnswerDialog([&](HWND box) {
        // The file name box of the dialog (edt1 in old-style dialogs, cmb13 in explorer ones).
        HWND name = GetDlgItem(box, 0x47C);
        if (!name) name = GetDlgItem(box, 0x480);
        SetWindowTextA(name, path.c_str());
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    bool chosen = dialog.Execute();
    DeleteFileA(path.c_str());
    EXPECT_TRUE(chosen);
    EXPECT_EQ(lstrcmpiA(dialog.FileName().c_str(), path.c_str()), 0) << dialog.FileName();
}

// The longest path the dialog takes goes in and comes back whole: the name
// box shows the whole name part of the proposal, and the chosen path is
// read to its end.
TEST(OpenDialog, LongestPathsGoInAndComeBackWhole) {
    std::string path = "C:\\" + std::string(252, 'n') + ".exe";
    ASSERT_EQ(path.size(), size_t(MAX_PATH - 1));
    TOpenDialog dialog(nullptr);
    dialog.SetOptions(0);
    dialog.SetFileName(path);
    std::string shown;
    AnswerDialog([&](HWND box) {
        HWND name = GetDlgItem(box, 0x47C);
        if (!name) name = GetDlgItem(box, 0x480);
        char text[1024] = "";
        GetWindowTextA(name, text, sizeof text);
        shown = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(shown, path.substr(3));
    EXPECT_EQ(lstrcmpiA(dialog.FileName().c_str(), path.c_str()), 0) << dialog.FileName();
}

// ------------------------------------------------------------------ handles

TEST(StdLeaks, BuildingShowingPaintingAndDestroyingLeavesNoHandles) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "no handle counts on this system";
    auto round = [] {
        TShowcase s;
        s.form.Show();
        s.Get<TImageList>("Icons")->AddIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)));
        auto* pages = s.Get<TPageControl>("Pages");
        pages->SetActivePageIndex(0);
        RedrawWindow(s.form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        pages->SetActivePageIndex(1);
        RedrawWindow(s.form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump(1);
    };
    round(); // the first round makes the lazily created shared objects
    Pump(20);
    auto before = testing_support::CurrentHandleCounts();
    for (int i = 0; i < 5; ++i) round(); // each shown window costs Wine ~2 s to take down on bare Xvfb
    Pump(20);
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}
