// The main window as its layout builds it: where every control sits, the
// pages' order and captions, and the pictures stored with the layout.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/KbdDll.h"
#include "app/main.h"
#include "tests/support/GuiTestSupport.h"

using namespace forms;

namespace {

constexpr int Any = -1; // a label sizes itself; a drop-down list its height

struct TPlace {
    const char* Name;
    const char* Parent; // nullptr: the window
    int Left, Top, Width, Height;
};

const TPlace kPlaces[] = {
    {"Panel5", nullptr, 0, 0, 642, 84},
    {"HotImage1", "Panel5", 1, 1, 640, 82},
    {"Panel1", nullptr, 128, 93, 377, 330},
    {"Panel4", "Panel1", 1, 1, 375, 18},
    {"OxaFillBackground2", "Panel4", 0, 0, 375, 18},
    {"OxaFillBackground1", "Panel1", 1, 19, 375, 310},
    {"PageControl1", "Panel1", 8, 28, 361, 262},
    {"OKButton", "Panel1", 130, 297, 75, 25},
    {"CancelButton", "Panel1", 213, 297, 75, 25},
    {"ApplyButton", "Panel1", 295, 297, 75, 25},
    // OSD page
    {"GroupBox2", "TabSheet2", 5, 5, 343, 167},
    {"Panel3", "GroupBox2", 10, 22, 325, 104},
    {"OSDFramePanel", "Panel3", 11, 34, 302, 43},
    {"OSDFunctionImage", "OSDFramePanel", 14, 5, 32, 32},
    {"OSDBKPanel", "OSDFramePanel", 61, 9, 228, 25},
    {"OSDFunctionNameLabel", "OSDBKPanel", 21, 6, Any, Any},
    {"Label2", "GroupBox2", 11, 137, Any, Any},
    {"OSDColorItemComboBox", "GroupBox2", 43, 134, 100, Any},
    {"Label4", "GroupBox2", 150, 139, Any, Any},
    {"OSDColorSelector", "GroupBox2", 186, 135, 42, 21},
    {"UseDefaultOSDColorButton", "GroupBox2", 258, 133, 75, 25},
    {"GroupBox3", "TabSheet2", 5, 175, 344, 48},
    {"Label1", "GroupBox3", 8, 24, Any, Any},
    {"OSDDelayTimeComboBox", "GroupBox3", 47, 20, 88, Any},
    {"Label3", "GroupBox3", 150, 22, Any, Any},
    // Key Status page
    {"GroupBox4", "TabSheet1", 3, 4, 336, 145},
    {"Image2", "GroupBox4", 33, 25, 32, 32},
    {"SLockCheckBox", "GroupBox4", 78, 33, 200, 17},
    {"Image3", "GroupBox4", 33, 64, 32, 32},
    {"NLockCheckBox", "GroupBox4", 78, 74, 200, 17},
    {"Image1", "GroupBox4", 33, 103, 32, 32},
    {"ClockCheckBox", "GroupBox4", 78, 113, 200, 17},
};

class MainLayout : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SharedBlock, nullptr);
        form = CreateForm<TQorVarnoqForm>(Application());
    }
    void TearDown() override { delete form; }

    template <class T = TControl>
    T* Find(const std::string& name) {
        auto* control = dynamic_cast<T*>(form->FindComponent(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    TQorVarnoqForm* form = nullptr;
};

} // namespace

TEST_F(MainLayout, EveryControlWhereTheTablesPutIt) {
    EXPECT_EQ(form->ClientWidth(), 642);
    EXPECT_EQ(form->ClientHeight(), 426);
    for (int page = 0; page < 3; ++page) {
        // Each page shows once, so that its controls have their windows.
        form->PageControl1->SetActivePageIndex(page);
        testing_support::Pump();
    }
    for (const TPlace& p : kPlaces) {
        SCOPED_TRACE(p.Name);
        TControl* control = Find(p.Name);
        if (!control) continue;
        ASSERT_NE(control->Parent(), nullptr);
        EXPECT_EQ(control->Parent(), p.Parent ? Find<TWinControl>(p.Parent) : form);
        const RECT r = control->BoundsRect();
        EXPECT_EQ(r.left, p.Left);
        EXPECT_EQ(r.top, p.Top);
        if (p.Width != Any) {
            EXPECT_EQ(r.right - r.left, p.Width);
        }
        if (p.Height != Any) {
            EXPECT_EQ(r.bottom - r.top, p.Height);
        }
        // A windowed control's window stands where its bounds say.
        auto* windowed = dynamic_cast<TWinControl*>(control);
        if (windowed && windowed->HandleAllocated()) {
            RECT w;
            GetWindowRect(windowed->Handle(), &w);
            MapWindowPoints(HWND_DESKTOP, GetParent(windowed->Handle()), reinterpret_cast<POINT*>(&w), 2);
            EXPECT_EQ(w.left, r.left);
            EXPECT_EQ(w.top, r.top);
            EXPECT_EQ(w.right - w.left, r.right - r.left);
        }
    }
}

TEST_F(MainLayout, PagesInOrderWithTheirCaptions) {
    const char* expected[][2] = {{"TabSheet3", "Keys"}, {"TabSheet2", "OSD"}, {"TabSheet1", "Key Status"}};
    ASSERT_EQ(form->PageControl1->PageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(form->PageControl1->Pages(i)->Name(), expected[i][0]);
        EXPECT_EQ(form->PageControl1->Pages(i)->Caption(), expected[i][1]);
    }
}

// The house is a 16-colour icon drawn through its mask; the key caps are
// three different bitmaps on the same blue-framed green face.
TEST_F(MainLayout, PicturesStoredWithTheLayout) {
    auto* house = dynamic_cast<TIcon*>(Find<TImage>("OSDFunctionImage")->Picture().Graphic());
    ASSERT_NE(house, nullptr);
    EXPECT_EQ(house->Width(), 32);
    TBitmap ground;
    ground.SetSize(32, 32);
    ground.Canvas().Brush().SetColor(clLime);
    ground.Canvas().FillRect({0, 0, 32, 32});
    ground.Canvas().Draw(0, 0, *house);
    EXPECT_EQ(ground.Canvas().Pixels(1, 1), clLime);    // sky: transparent
    EXPECT_EQ(ground.Canvas().Pixels(7, 26), clRed);    // wall
    EXPECT_EQ(ground.Canvas().Pixels(16, 8), clMaroon); // roof

    std::vector<std::vector<TColor>> caps;
    for (const char* name : {"Image2", "Image3", "Image1"}) {
        SCOPED_TRACE(name);
        auto* cap = dynamic_cast<TBitmap*>(Find<TImage>(name)->Picture().Graphic());
        ASSERT_NE(cap, nullptr);
        ASSERT_EQ(cap->Width(), 32);
        ASSERT_EQ(cap->Height(), 32);
        EXPECT_EQ(cap->Canvas().Pixels(5, 15), TColor(RGB(24, 64, 200))); // frame
        TColor face = cap->Canvas().Pixels(8, 22);
        EXPECT_GT(GetGValue(face), GetRValue(face) + 60);
        EXPECT_EQ(cap->Canvas().Pixels(15, 10), clWhite) << "the symbol, white";
        caps.emplace_back();
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) caps.back().push_back(cap->Canvas().Pixels(x, y));
    }
    ASSERT_EQ(caps.size(), 3u);
    EXPECT_NE(caps[0], caps[1]);
    EXPECT_NE(caps[1], caps[2]);
    EXPECT_NE(caps[0], caps[2]);
}
