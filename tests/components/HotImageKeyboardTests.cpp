// The hot-spot image by keyboard and to assistive technology: Tab and the
// arrow keys over the default key map and over a map file's own layout,
// picks by Enter and Space against a mouse click's events, the focus mark on
// the screen, the hint, and the accessible object read back through oleacc.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "components/ComponentsRegistration.h"
#include "components/HotImage.h"
#include "components/HotImageAccessible.h"
#include "forms/Forms.h"
#include "forms/LayoutReader.h"
#include "forms/Layouts.h"
#include "forms/SysUtils.h"
#include "tests/support/AccessibleReading.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/KeyboardImageBlock.h"
#include "tests/support/Pixels.h"
#include "tests/support/ResourcePath.h"

using namespace forms;
using namespace components;
using testing_support::Pump;
using testing_support::TEventRecorder;

namespace {

// A map file whose keys lie in two columns, listed out of reading order,
// with every shape and a disabled key in the middle of the right column.
const char* kColumnsMap = "columns\r\n"
                          "<ID=31 SHAPE=rectangle COORDS=\"60,0 100,30\" HINT=\"top right\">\r\n"
                          "<ID=30 SHAPE=ellipse COORDS=\"0,0 40,30\">\r\n"
                          "<ID=32 COORDS=\"0,45 40,45 20,75\">\r\n"
                          "<ID=33 SHAPE=rectangle COORDS=\"60,40 100,70\" DISABLED>\r\n"
                          "<ID=34 SHAPE=rectangle COORDS=\"60,80 100,110\">\r\n"
                          "<ID=35 SHAPE=ellipse COORDS=\"0,80 40,110\">\r\n";

constexpr COLORREF kPicture = RGB(40, 120, 90), kMarked = RGB(215, 135, 165); // and inverted

// A form with a button and then the image; `block` is the image's layout
// block (the main window's keyboard image), or empty for a bare 120 x 120
// image whose spots come from kColumnsMap.
class KeyboardPicture : public ::testing::Test {
protected:
    void Build(const std::string& block) {
        RegisterComponentClasses();
        SetCursorPos(1200, 1000); // the real pointer starts away from the window
        std::string image = block.empty() ? "  object HotImage1: THotImage\n    Left = 10\n    Top = 40\n"
                                            "    Width = 120\n    Height = 120\n  end\n"
                                          : block;
        form = new TForm(Application());
        ReadLayoutInto(form,
                       ReadLayout("object KeyForm: TForm\n  BorderStyle = bsNone\n  object First: TButton\n"
                                  "    Left = 0\n    Top = 160\n    Width = 60\n    Height = 20\n    TabOrder = 0\n"
                                  "  end\n" + image + "end\n"),
                       form);
        form->SetBounds(0, 30, 640, 180);
        pic = form->Field<THotImage>("HotImage1");
        if (block.empty()) {
            TBitmap& bitmap = pic->Picture().Bitmap();
            bitmap.SetSize(120, 120);
            bitmap.Canvas().Brush().SetColor(kPicture);
            bitmap.Canvas().FillRect({0, 0, 120, 120});
            std::string file = ExecutableDirectory() + "keyboard_tests.hmt";
            std::ofstream(file, std::ios::binary) << kColumnsMap;
            pic->HotSpots().LoadFromFile(file);
            std::remove(file.c_str());
        } else {
            pic->Picture().LoadFromFile(testing_support::ResourcePath("Q5.bmp"));
        }
        pic->OnSelectSpot = [this](TObject*, TSpot* s) { events.Add("select " + Id(s)); };
        pic->OnClick = [this](TObject*) { events.Add("click " + Id(pic->SelectedSpot())); };
        pic->OnGetSpotName = [](TObject*, TSpot* s, std::string& text) { text = "key " + std::to_string(s->Id()); };
        form->Show();
        Pump(10);
        form->Field<TWinControl>("First")->SetFocus();
    }
    void TearDown() override {
        delete form;
        Pump(10);
    }
    static std::string Id(TSpot* s) { return s ? std::to_string(s->Id()) : "none"; }
    // A key delivered to the focused window through the application's loop.
    void Press(WORD vk) {
        PostMessageA(GetFocus(), WM_KEYDOWN, vk, 1);
        Application()->ProcessMessages();
    }
    TSpot* SpotById(int32_t id) {
        for (int i = 0; i < pic->HotSpots().Count(); ++i)
            if (pic->HotSpots().Items(i)->Id() == id) return pic->HotSpots().Items(i);
        return nullptr;
    }
    // Each key of the walk, then the key focused after it.
    void Walk(const std::vector<std::pair<WORD, int>>& steps) {
        for (auto [vk, id] : steps) {
            Press(vk);
            ASSERT_TRUE(pic->FocusedSpot()) << "after key " << vk;
            EXPECT_EQ(pic->FocusedSpot()->Id(), id) << "after key " << vk;
        }
    }
    // The real pointer and a mouse move onto a point of the picture.
    void MouseAt(POINT p) {
        HWND wnd = pic->Parent()->Handle();
        POINT in{pic->Left() + p.x, pic->Top() + p.y}, screen = in;
        ClientToScreen(wnd, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(in.x, in.y));
    }
    // The mouse onto a point of the picture off every key (in two steps, so
    // it is hit tested even where it rests).
    void OffKeys() {
        MouseAt({4, 4});
        MouseAt({2, 2});
    }
    void MouseClick() {
        POINT p;
        GetCursorPos(&p);
        HWND wnd = pic->Parent()->Handle();
        ScreenToClient(wnd, &p);
        SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    static POINT Centre(TSpot* s) {
        RECT r = s->GetBounds();
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    TForm* form = nullptr;
    THotImage* pic = nullptr;
    TEventRecorder events;
};

} // namespace

TEST_F(KeyboardPicture, TabReachesTheDefaultMapAndArrowsGoToTheNearestKey) {
    Build(testing_support::KeyboardImageBlock());
    Press(VK_TAB);
    ASSERT_TRUE(pic->Focused());
    EXPECT_EQ(pic->FocusedSpot()->Id(), 5); // the first key when none was picked
    // Along the upper row, down to the media row and up to the nearest key
    // above; the edges keep the focus where it is.
    Walk({{VK_RIGHT, 6}, {VK_RIGHT, 1}, {VK_DOWN, 8}, {VK_RIGHT, 9}, {VK_UP, 3}, {VK_RIGHT, 8}, {VK_END, 18},
          {VK_LEFT, 17}, {VK_DOWN, 11}, {VK_RIGHT, 16}, {VK_UP, 16}, {VK_HOME, 5}, {VK_LEFT, 5}, {VK_UP, 5}});
    Press(VK_TAB);
    EXPECT_FALSE(pic->Focused());
    EXPECT_TRUE(events.Matches({})) << "moving the focus picks nothing";
}

TEST_F(KeyboardPicture, AMapFilesOwnLayoutIsWalkedByItsGeometry) {
    Build("");
    Press(VK_TAB);
    // Home is the first key listed; the disabled key is stepped over.
    Walk({{VK_HOME, 31}, {VK_LEFT, 30}, {VK_DOWN, 32}, {VK_RIGHT, 34}, {VK_UP, 31}, {VK_UP, 31}, {VK_END, 35},
          {VK_RIGHT, 34}, {VK_LEFT, 35}, {VK_UP, 32}});
}

TEST_F(KeyboardPicture, EnterAndSpacePickAsAClickDoes) {
    Build(testing_support::KeyboardImageBlock());
    for (int id : {9, 16, 5}) {
        TSpot* key = SpotById(id);
        OffKeys();
        events.Clear();
        MouseAt(Centre(key));
        MouseClick();
        std::vector<std::string> byMouse = events.Events();
        ASSERT_EQ(byMouse, (std::vector<std::string>{"select " + std::to_string(id), "click " + std::to_string(id)}));
        for (WORD vk : {WORD(VK_RETURN), WORD(VK_SPACE)}) {
            OffKeys();
            events.Clear();
            pic->SetFocus();
            pic->SetFocusedSpot(key);
            Press(vk);
            EXPECT_TRUE(events.Matches(byMouse)) << "key " << id << " by " << vk;
            EXPECT_EQ(pic->HighlightedSpot(), key);
        }
    }
    // With the mouse resting on one key, a key picked by the keyboard does
    // not take the place of the one under the mouse at the next click.
    MouseAt(Centre(SpotById(9)));
    pic->SetFocusedSpot(SpotById(16));
    Press(VK_RETURN);
    events.Clear();
    MouseClick();
    EXPECT_TRUE(events.Matches({"select 9", "click 9"}));
}

// A click gives the picture the keyboard at the key clicked: the arrows go on
// from there, as in a list.
TEST_F(KeyboardPicture, AClickGivesThePictureTheKeyboardAtThatKey) {
    Build(testing_support::KeyboardImageBlock());
    MouseAt(Centre(SpotById(5)));
    MouseClick();
    ASSERT_TRUE(pic->Focused());
    Press(VK_RIGHT);
    Press(VK_RETURN);
    EXPECT_TRUE(events.Matches({"select 5", "click 5", "select 6", "click 6"}));
}

TEST_F(KeyboardPicture, TheFocusMarkFollowsTheKeysOutlineOnlyWhileFocused) {
    Build("");
    HWND wnd = form->Handle();
    auto shown = [&] {
        UpdateWindow(wnd);
        return testing_support::ReadWindow(wnd);
    };
    // Counts the marked pixels along a row of the picture, from x0 to x1.
    auto marked = [&](const testing_support::TPixels& p, int y, int x0, int x1) {
        int n = 0;
        for (int x = x0; x < x1; ++x) {
            COLORREF c = p.At(pic->Left() + x, pic->Top() + y);
            if (c == kMarked) ++n;
            else EXPECT_EQ(c, kPicture) << x << "," << y;
        }
        return n;
    };
    EXPECT_EQ(marked(shown(), 0, 60, 100), 0);
    Press(VK_TAB); // focus on key 31, the rectangle 60,0 - 100,30
    testing_support::TPixels p = shown();
    EXPECT_GE(marked(p, 0, 60, 100), 15) << "a dotted top edge";
    EXPECT_GE(marked(p, 29, 60, 100), 15) << "a dotted bottom edge";
    EXPECT_EQ(marked(p, 15, 61, 99), 0) << "the inside stays";
    Press(VK_LEFT); // the ellipse 0,0 - 40,30: its corners stay as they were
    p = shown();
    EXPECT_EQ(marked(p, 0, 60, 100), 0);
    EXPECT_EQ(marked(p, 0, 0, 8) + marked(p, 29, 32, 40), 0);
    auto leftEnd = [&](const testing_support::TPixels& p) {
        int n = 0;
        for (int y = 10; y < 20; ++y) n += marked(p, y, 0, 3);
        return n;
    };
    EXPECT_GE(leftEnd(p), 3) << "the ellipse's left end";
    Press(VK_TAB);
    EXPECT_EQ(leftEnd(shown()), 0) << "gone with the focus";
}

TEST_F(KeyboardPicture, TheFocusedKeysHintShowsAsForTheMouse) {
    Build("");
    pic->SetShowHint(true);
    pic->OnGetHintText = [](TObject*, TSpot* s, std::string& text) {
        if (text.empty()) text = "spot " + std::to_string(s->Id());
    };
    Press(VK_TAB);
    THintWindow& hint = Application()->HintWindow();
    ASSERT_TRUE(hint.Active());
    EXPECT_EQ(hint.Caption(), "top right");
    RECT key = pic->SpotScreenRect(pic->FocusedSpot());
    EXPECT_EQ(hint.Left(), key.left);
    EXPECT_GT(hint.Top(), key.bottom);
    Press(VK_DOWN); // the disabled key is passed over
    EXPECT_EQ(hint.Caption(), "spot 34");
    Press(VK_TAB);
    EXPECT_FALSE(hint.Active());
}

TEST_F(KeyboardPicture, TheAccessibleTreeReadsBackThroughThePlatform) {
    using namespace testing_support;
    Build("");
    Press(VK_TAB);
    Press(VK_DOWN); // focus on 34
    MouseAt(Centre(SpotById(30)));
    {
        TComScope com;
        IAccessible* acc = AccessibleOf(pic->KeyboardWindow()->Handle());
        ASSERT_TRUE(acc);
        long count = 0;
        EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
        EXPECT_EQ(count, 5) << "one child per enabled key";
        POINT origin = pic->ClientToScreen({0, 0});
        struct TChild {
            int id;
            long states;
        } expected[] = {{31, 0}, {30, STATE_SYSTEM_SELECTED}, {32, 0}, {34, STATE_SYSTEM_FOCUSED}, {35, 0}};
        for (long child = 1; child <= 5; ++child) {
            const TChild& want = expected[child - 1];
            SCOPED_TRACE(::testing::Message() << "child " << child);
            EXPECT_EQ(AccText(acc, &IAccessible::get_accName, child), "key " + std::to_string(want.id));
            EXPECT_EQ(AccText(acc, &IAccessible::get_accDefaultAction, child), "Select");
            EXPECT_EQ(AccNumber(acc, &IAccessible::get_accRole, child), ROLE_SYSTEM_PUSHBUTTON);
            EXPECT_EQ(AccNumber(acc, &IAccessible::get_accState, child),
                      STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE | want.states);
            long x = 0, y = 0, w = 0, h = 0;
            ASSERT_EQ(acc->accLocation(&x, &y, &w, &h, Child(child)), S_OK);
            RECT box = SpotById(want.id)->GetBounds(); // the picture lies 1:1 at the image's corner
            EXPECT_EQ((std::vector<long>{x, y, w, h}),
                      (std::vector<long>{origin.x + box.left, origin.y + box.top, box.right - box.left,
                                         box.bottom - box.top}));
            VARIANT hit;
            ASSERT_EQ(acc->accHitTest(x + w / 2, y + h / 2, &hit), S_OK);
            EXPECT_EQ(hit.lVal, child);
        }
        EXPECT_EQ(AccNumber(acc, &IAccessible::get_accRole, CHILDID_SELF), ROLE_SYSTEM_CLIENT)
            << "the image itself answers as the standard object";
        EXPECT_EQ(AccText(acc, &IAccessible::get_accName, 6), "<error>");

        // The default action picks as Enter does, from the message loop.
        events.Clear();
        EXPECT_EQ(acc->accDoDefaultAction(Child(5)), S_OK);
        Pump(10);
        EXPECT_TRUE(events.Matches({"select 35", "click 35"}));

        // The form's own client object stays the platform's.
        IAccessible* formAcc = AccessibleOf(form->Handle());
        ASSERT_TRUE(formAcc);
        EXPECT_EQ(AccNumber(formAcc, &IAccessible::get_accRole, CHILDID_SELF), ROLE_SYSTEM_CLIENT);
        formAcc->Release();

        // A client holding on past the image gets "disconnected", and the
        // last release frees the object.
        delete form;
        form = nullptr;
        Pump(10);
        EXPECT_EQ(acc->get_accChildCount(&count), RPC_E_DISCONNECTED);
        acc->Release();
    }
    EXPECT_EQ(THotImageAccessible::LiveCount(), 0);
}
