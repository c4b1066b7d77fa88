// Every caption of every window fits its control and runs into no other
// control, in the program's own language and in the language module's, at
// the screen's resolution (CTest runs it at 96, 120, 144 and 192 dpi).
// Measured here, with each control's own font: the fonts of one system are
// not those of another, so sizes that fit there may clip here.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/KbdDll.h"
#include "app/main.h"
#include "app/wzFunSet.h"
#include "components/ColorForm.h"
#include "forms/Resources.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/Pixels.h"

using namespace forms;

namespace {

// The text's size drawn on one line, '&' marking an access key.
SIZE Measure(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), int(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {r.right, r.bottom};
}

// Width a control of this kind needs for its text beside its own parts:
// the box of a check box, a button's edges and focus frame, the gap a group
// box leaves before its caption, a drop-down list's arrow. The margins are
// given at 96 dpi, as layouts are, and grow with the screen's resolution.
int NeededWidth(TControl* c, int text) {
    auto px = [](int at96) { return ScaleToDpi(at96, ScreenPixelsPerInch()); };
    if (dynamic_cast<TCheckBox*>(c) || dynamic_cast<TRadioButton*>(c))
        return text + GetSystemMetrics(SM_CXMENUCHECK) + px(6);
    if (dynamic_cast<TButton*>(c)) return text + 2 * GetSystemMetrics(SM_CXEDGE) + px(6);
    if (dynamic_cast<TGroupBox*>(c)) return text + px(16);
    if (dynamic_cast<TComboBox*>(c)) return text + GetSystemMetrics(SM_CXVSCROLL) + px(8);
    // The list's picture, its margins and a scroll bar.
    if (dynamic_cast<TListBox*>(c)) return text + px(16 + 16) + GetSystemMetrics(SM_CXVSCROLL);
    if (auto* panel = dynamic_cast<TPanel*>(c)) return text + 2 * (panel->BevelWidth() + panel->BorderWidth());
    return text; // a label: its own width
}

// Pixels a label inks when drawn at the given width: a label drawing less
// at its own width than with room to spare clips its text.
int InkAt(TLabel* label, int width) {
    const RECT bounds = label->BoundsRect();
    label->SetBounds(bounds.left, bounds.top, width, label->Height());
    TBitmap picture;
    picture.SetSize(width, label->Height());
    picture.Canvas().Brush().SetColor(label->Color()); // the ground of a transparent one too
    picture.Canvas().FillRect({0, 0, width, label->Height()});
    label->PaintTo(picture.Canvas().Handle());
    label->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    return width * label->Height() - testing_support::ReadPixels(picture).Count(ColorToRef(label->Color()));
}

// Captions and list items that do not fit, and labels whose text runs into
// a control beside them or out of their parent, as "Window.Control: what".
void CheckFits(TWinControl* parent, const std::string& window, std::set<std::string>& faults) {
    for (TControl* c : parent->Controls()) {
        std::vector<std::string> texts;
        // A page's caption is its name, not shown; tabs size themselves.
        if (!c->Caption().empty() && !dynamic_cast<TTabSheet*>(c) && !dynamic_cast<TPage*>(c))
            texts.push_back(c->Caption());
        if (auto* combo = dynamic_cast<TComboBox*>(c)) texts = combo->Items();
        if (auto* list = dynamic_cast<TListBox*>(c)) texts = list->Items();
        for (const std::string& text : texts) {
            const SIZE size = Measure(c->Font().Handle(), text);
            const std::string name = window + "." + c->Name() + " \"" + text + "\"";
            if (NeededWidth(c, size.cx) > c->Width())
                faults.insert(name + ": needs " + std::to_string(NeededWidth(c, size.cx)) + " px, has " +
                              std::to_string(c->Width()));
            auto* label = dynamic_cast<TLabel*>(c);
            if (!label) continue;
            if (InkAt(label, c->Width()) != InkAt(label, c->Width() + 32)) faults.insert(name + ": clipped");
            // A label sized to its text may draw it wider than DrawText measures.
            RECT drawn{c->Left(), c->Top(), c->Left() + std::max<int>(size.cx, label->AutoSize() ? c->Width() : 0),
                       c->Top() + size.cy}, overlap;
            // A notebook's hidden pages have no size of their own yet.
            TWinControl* room = dynamic_cast<TPage*>(parent) ? parent->Parent() : parent;
            if (drawn.right > room->ClientRect().right)
                faults.insert(name + ": runs out of " + parent->Name() + " to " + std::to_string(drawn.right));
            for (TControl* other : parent->Controls()) {
                const RECT r = other->BoundsRect();
                if (other != c && other->Visible() && IntersectRect(&overlap, &drawn, &r))
                    faults.insert(name + ": runs into " + other->Name());
            }
        }
        if (auto* inner = dynamic_cast<TWinControl*>(c)) CheckFits(inner, window, faults);
    }
}

struct Language {
    const char* name;
    const char* folder; // of TORLANG.DLL and TORSTR.DLL, beside the tests; "" the program's own
};

class TextExtents : public ::testing::TestWithParam<Language> {
protected:
    void SetUp() override {
        ASSERT_NE(SharedBlock, nullptr);
        const std::string folder = ExecutableDirectory() + GetParam().folder;
        if (*GetParam().folder) {
            language = LoadLibraryExA((folder + "TORLANG.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            ASSERT_NE(language, nullptr);
            SwapResourceModule(language);
        }
        strings = LoadLibraryExA((folder + "TORSTR.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(strings, nullptr);
    }
    void TearDown() override {
        SwapResourceModule(MainInstance());
        if (language) FreeLibrary(language);
        if (strings) FreeLibrary(strings);
    }
    std::string Text(UINT id) {
        char text[256] = "";
        LoadStringA(strings, id, text, sizeof text);
        return text;
    }
    HINSTANCE language = nullptr, strings = nullptr;
};

} // namespace

TEST_P(TextExtents, EveryCaptionOfEveryWindowFits) {
    std::set<std::string> faults;
    auto* main = CreateForm<TQorVarnoqForm>(Application());
    // The texts the program puts in from TORSTR.DLL: each key's name, the
    // OSD items, the special functions.
    main->OSDColorItemComboBox->SetItems({Text(4001), Text(4002), Text(4003)});
    std::vector<std::string> functions;
    for (UINT id = 1001; id <= 1008; ++id) functions.push_back(Text(id));
    main->UlaListBox1->SetItems(functions);
    for (UINT key = 1; key <= 18; ++key) {
        main->KeyNameLabel->SetCaption(Text(key));
        main->DefaultRadioButton->SetCaption(Text(key));
        CheckFits(main, "TQorVarnoqForm", faults);
    }
    delete main;
    // The colour palette has no layout: its other-colour button, beside the
    // swatch, holds the caption in the interface font within its edges.
    const std::string other = Text(4004) + "...";
    const int dpi = ScreenPixelsPerInch();
    const RECT button = components::TColorForm::OtherButtonRect(true, dpi);
    const int room = button.right - button.left - ScaleToDpi(4, dpi);
    const int needs = Measure(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), other).cx;
    if (needs > room)
        faults.insert("TColorForm \"" + other + "\": needs " + std::to_string(needs) + " px, has " + std::to_string(room));
    auto* wizard = CreateForm<TFunSetForm>(nullptr);
    CheckFits(wizard, "TFunSetForm", faults);
    delete wizard;
    EXPECT_EQ(faults, std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Languages, TextExtents,
                         ::testing::Values(Language{"English", ""}, Language{"German", "..\\lang\\"}),
                         [](const auto& info) { return std::string(info.param.name); });
