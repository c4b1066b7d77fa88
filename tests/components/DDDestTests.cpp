// Drop targets: real WM_DROPFILES messages carrying drop data built here the
// way the shell builds it, sent to hooked windows under Wine; the hook's
// place in the window procedure chain; owners, controls and layouts.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "EventRecorder.h"
#include "HandleCounter.h"
#include "components/ComponentsRegistration.h"
#include "components/DDDest.h"
#include "forms/ControlHooks.h" // to catch what the application would show
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/LayoutReader.h"
#include "forms/Layouts.h"
#include "tests/support/Drops.h"

using namespace forms;
using testing_support::MakeDrop;
using namespace components;

namespace {


// The drop data was given back to the system.
bool Released(HDROP drop) { return GlobalSize(drop) == 0; }

LRESULT Drop(HWND target, HDROP drop) { return SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0); }

// Counts the name reads of DragQueryFileW made by code in this executable,
// which looks the function up by name.
int nameReads = 0;
decltype(&DragQueryFileW) realDragQueryFileW = nullptr;

UINT WINAPI CountingDragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT size) {
    if (index != 0xFFFFFFFF) ++nameReads;
    return realDragQueryFileW(drop, index, buffer, size);
}

bool CountNameReads() {
    return realDragQueryFileW || testing_support::ReplaceLookedUpFunction("DragQueryFileW", reinterpret_cast<void*>(&CountingDragQueryFileW),
                                                                          reinterpret_cast<void**>(&realDragQueryFileW));
}

// A form that records the messages its own window procedure gets.
class TRecordingForm : public TForm {
public:
    using TForm::TForm;
    std::vector<UINT> Seen;
    bool AcceptedFilesAtDestroy = true;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        Seen.push_back(msg);
        if (msg == WM_DESTROY) AcceptedFilesAtDestroy = (GetWindowLongA(Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
        return TForm::WndProc(msg, wParam, lParam);
    }
};

constexpr UINT kProbe = WM_USER + 77;

class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TRecordingForm(Application());
        form->SetBounds(60, 60, 300, 200);
    }
    void TearDown() override { delete form; }

    // A drop target as a layout would leave it: events set, then Loaded.
    TDnDForm* HookedTarget() {
        auto* target = new TDnDForm(form);
        Record(target);
        target->Loaded();
        return target;
    }
    void Record(TDnDForm* target) {
        target->OnDnDStart = [this](TObject* sender, int32_t count, int32_t x, int32_t y) {
            senders.push_back(sender);
            events.push_back("start " + std::to_string(count) + " " + std::to_string(x) + "," + std::to_string(y));
        };
        target->OnDnDItem = [this](TObject* sender, const std::string& item) {
            senders.push_back(sender);
            events.push_back("item " + item);
        };
        target->OnDnDFinish = [this](TObject* sender) {
            senders.push_back(sender);
            events.push_back("finish");
            finishSawReleased = Released(lastDrop);
        };
    }

    TRecordingForm* form = nullptr;
    std::vector<std::string> events;
    std::vector<TObject*> senders;
    HDROP lastDrop = nullptr;
    bool finishSawReleased = false;
};

} // namespace

TEST_F(DropTest, ThreeFilesGiveStartItemsInOrderAndFinishAfterRelease) {
    TDnDForm* target = HookedTarget();
    ASSERT_TRUE(target->Hooked());
    EXPECT_EQ(target->TargetHandle(), form->Handle());
    EXPECT_TRUE(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    lastDrop = MakeDrop({"C:\\data\\one.txt", "C:\\data\\two.exe", "D:\\three"}, {17, 42});
    EXPECT_EQ(Drop(form->Handle(), lastDrop), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"start 3 17,42", "item C:\\data\\one.txt", "item C:\\data\\two.exe",
                                                "item D:\\three", "finish"}));
    EXPECT_EQ(senders, std::vector<TObject*>(5, target));
    EXPECT_TRUE(finishSawReleased);
    // The drop is handled here, never handed on to the form.
    for (UINT msg : form->Seen) EXPECT_NE(msg, UINT(WM_DROPFILES));
}

TEST_F(DropTest, OnlyTheFinishEventReadsNoNames) {
    if (!CountNameReads()) GTEST_SKIP() << "the look-up of DragQueryFileW could not be replaced";
    TDnDForm* target = HookedTarget();
    target->OnDnDStart = nullptr;
    target->OnDnDItem = nullptr;
    nameReads = 0;
    lastDrop = MakeDrop({"C:\\a", "C:\\b"}, {1, 2});
    Drop(form->Handle(), lastDrop);
    EXPECT_EQ(events, std::vector<std::string>{"finish"});
    EXPECT_EQ(nameReads, 0);
    EXPECT_TRUE(finishSawReleased);

    // With the item event set, each name is read (its length, then its text).
    Record(target);
    events.clear();
    lastDrop = MakeDrop({"C:\\a", "C:\\b"}, {1, 2});
    Drop(form->Handle(), lastDrop);
    EXPECT_EQ(events.size(), 4u);
    EXPECT_EQ(nameReads, 4);
}

TEST_F(DropTest, LongNamesArriveWhole) {
    HookedTarget();
    std::string deep = "C:\\";
    while (deep.size() < 300) deep += "folder\\";
    deep.resize(296);
    deep += ".txt";
    ASSERT_EQ(deep.size(), 300u);
    std::string exact259(259, 'x');
    exact259.replace(0, 3, "C:\\");
    lastDrop = MakeDrop({deep, exact259, "C:\\short"}, {0, 0});
    Drop(form->Handle(), lastDrop);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[1], "item " + deep);
    EXPECT_EQ(events[2], "item " + exact259);
    EXPECT_EQ(events[3], "item C:\\short");

    HDROP empty = MakeDrop({""}, {0, 0});
    EXPECT_EQ(DroppedFileName(empty, 0), "");
    EXPECT_EQ(DroppedFileName(empty, 5), ""); // no such name
    DragFinish(empty);
}

TEST_F(DropTest, FailingHandlerStillReleasesTheDropAndReportsTheError) {
    TDnDForm* target = HookedTarget();
    int reported = 0;
    std::string message;
    auto saved = ControlHooks().HandleException;
    ControlHooks().HandleException = [&] {
        ++reported;
        try {
            throw;
        } catch (const Exception& e) {
            message = e.Message;
        }
    };
    target->OnDnDItem = [](TObject*, const std::string&) { throw Exception("cannot take this file"); };
    lastDrop = MakeDrop({"C:\\a", "C:\\b"}, {0, 0});
    EXPECT_EQ(Drop(form->Handle(), lastDrop), 0);
    ControlHooks().HandleException = saved;
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(message, "cannot take this file");
    EXPECT_TRUE(Released(lastDrop));
    EXPECT_EQ(events, std::vector<std::string>{"start 2 0,0"}); // no finish after a failure
}

TEST_F(DropTest, OtherMessagesPassThroughAndTheOldProcedureComesBack) {
    HWND wnd = form->Handle();
    auto before = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
    TDnDForm* target = HookedTarget();
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(target->HookInstance()));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(target->OldWindowProc()), before);

    form->Seen.clear();
    SendMessageA(wnd, kProbe, 0, 0);
    SetWindowTextA(wnd, "Dropped here");
    EXPECT_EQ(form->Seen.front(), kProbe);
    char caption[32] = {};
    GetWindowTextA(wnd, caption, sizeof caption);
    EXPECT_STREQ(caption, "Dropped here");

    // Loaded twice hooks once: the entry never becomes its own old procedure.
    target->Loaded();
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(target->OldWindowProc()), before);

    delete target;
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), before);
    EXPECT_FALSE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "unhooking switches drops off again";
    form->Seen.clear();
    SendMessageA(wnd, kProbe, 0, 0);
    EXPECT_EQ(form->Seen, std::vector<UINT>{kProbe});
    // Unhooked, a drop is the form's business and reaches no event.
    lastDrop = MakeDrop({"C:\\a"}, {0, 0});
    Drop(wnd, lastDrop);
    EXPECT_TRUE(events.empty());
    DragFinish(lastDrop);
}

// A handler may destroy the drop target, or its whole form: the drop ends
// there, with the data given back, and nothing touches what is gone.
TEST(DropTargetLifetime, AHandlerThatDestroysItsComponentEndsTheDrop) {
    struct TCase {
        const char* killer; // the event whose handler destroys
        bool wholeForm;
        std::vector<std::string> expected;
    };
    const TCase cases[] = {
        {"start", false, {"start", "killed"}},
        {"item", false, {"start", "item C:\\a", "killed"}},
        {"start", true, {"start", "killed"}},
        {"item", true, {"start", "item C:\\a", "killed"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.killer) + (c.wholeForm ? " destroys the form" : " destroys the target"));
        testing_support::TEventRecorder record;
        auto* form = new TForm(Application());
        HWND wnd = form->Handle();
        auto* target = new TDnDForm(form);
        auto kill = [&record, &form, target, c] {
            if (c.wholeForm) {
                delete form;
                form = nullptr;
            } else {
                delete target;
            }
            record.Add("killed"); // the handler's own state outlives the component
        };
        target->OnDnDStart = [&record, kill, c](TObject*, int32_t, int32_t, int32_t) {
            record.Add("start");
            if (std::string(c.killer) == "start") kill();
        };
        target->OnDnDItem = [&record, kill, c](TObject*, const std::string& item) {
            record.Add("item " + item);
            if (std::string(c.killer) == "item") kill();
        };
        target->OnDnDFinish = record.Record<TObject*>("finish");
        target->Loaded();
        HDROP data = MakeDrop({"C:\\a", "C:\\b"}, {0, 0});
        EXPECT_EQ(Drop(wnd, data), 0);
        EXPECT_TRUE(record.Matches(c.expected));
        EXPECT_TRUE(Released(data));
        EXPECT_EQ(IsWindow(wnd) != 0, !c.wholeForm);
        if (form) {
            // The window is the form's own again.
            EXPECT_FALSE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
            HDROP again = MakeDrop({"C:\\c"}, {0, 0});
            Drop(wnd, again);
            DragFinish(again);
            EXPECT_TRUE(record.Matches({}));
            delete form;
        }
    }
}

TEST(DropTargetWindow, DestroyUnregistersBeforeTheFormSeesIt) {
    auto* form = new TRecordingForm(Application());
    auto* target = new TDnDForm(form);
    target->Loaded();
    HWND wnd = form->Handle();
    ASSERT_TRUE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    // Destroy only the window: the component outlives it and is freed later.
    DestroyWindow(wnd);
    EXPECT_FALSE(form->AcceptedFilesAtDestroy);
    EXPECT_FALSE(target->Hooked());
    EXPECT_FALSE(IsWindow(wnd));
    delete form; // frees the component with nothing left to restore
}

// A procedure installed on top of the hook keeps working when the drop
// target goes first: the hook's entry must not vanish under it.
namespace {
WNDPROC belowTop = nullptr;
int topCalls = 0;
LRESULT CALLBACK TopProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ++topCalls;
    return CallWindowProcA(belowTop, wnd, msg, wParam, lParam);
}
} // namespace

TEST(DropTargetWindow, HookUnderAnotherProcedureStaysCallableAfterDestruction) {
    auto* form = new TRecordingForm(Application());
    HWND wnd = form->Handle();
    auto original = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
    auto* target = new TDnDForm(form);
    target->Loaded();
    belowTop = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TopProc)));
    ASSERT_EQ(belowTop, target->HookInstance());

    delete target;
    // Ours stays on top; the form still gets its messages through both.
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&TopProc));
    EXPECT_FALSE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    form->Seen.clear();
    topCalls = 0;
    SendMessageA(wnd, kProbe, 0, 0);
    EXPECT_EQ(topCalls, 1);
    EXPECT_EQ(form->Seen, std::vector<UINT>{kProbe});
    // Taking the top one off leaves the orphaned entry in front of the form's.
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(belowTop));
    SendMessageA(wnd, kProbe, 0, 0);
    EXPECT_EQ(form->Seen.size(), 2u);
    EXPECT_NE(GetWindowLongPtrA(wnd, GWLP_WNDPROC), original);
    delete form; // the entry's last message frees it
}

TEST(DropTargetOwner, AnOwnerThatIsNotAFormIsAnInvalidCast) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    size_t owned = panel->Components().size();
    try {
        new TDnDForm(panel);
        FAIL() << "a panel was taken for a form";
    } catch (const EInvalidCast& e) {
        EXPECT_STREQ(e.what(), "Invalid class typecast");
    }
    EXPECT_EQ(panel->Components().size(), owned); // nothing half-made stays behind
    EXPECT_THROW(new TDnDControl(nullptr), EInvalidCast);
    TComponent plain(nullptr);
    EXPECT_THROW(new TDnDControl(&plain), EInvalidCast);
    EXPECT_TRUE(plain.Components().empty());
}

TEST(DropTargetOwner, ConstructionTakesTheFormWindowButOnlyLoadedHooks) {
    TForm form(nullptr);
    EXPECT_FALSE(form.HandleAllocated());
    TDnDForm* target = new TDnDForm(&form);
    ASSERT_TRUE(form.HandleAllocated());
    EXPECT_EQ(target->TargetHandle(), form.Handle());
    EXPECT_FALSE(target->Hooked());
    EXPECT_NE(GetWindowLongPtrA(form.Handle(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(target->HookInstance()));
    EXPECT_FALSE(GetWindowLongA(form.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

class DropControlTest : public DropTest {
protected:
    void SetUp() override {
        DropTest::SetUp();
        panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(10, 10, 120, 80);
        target = new TDnDControl(form);
        Record(target);
    }
    TPanel* panel = nullptr;
    TDnDControl* target = nullptr;
};

TEST_F(DropControlTest, TheControlsWindowIsTheTarget) {
    target->SetControl(panel);
    target->Loaded();
    ASSERT_TRUE(target->Hooked());
    EXPECT_EQ(target->TargetHandle(), panel->Handle());
    lastDrop = MakeDrop({"C:\\in\\panel.bmp"}, {5, 6});
    Drop(panel->Handle(), lastDrop);
    EXPECT_EQ(events, (std::vector<std::string>{"start 1 5,6", "item C:\\in\\panel.bmp", "finish"}));

    // The form itself is no drop target.
    EXPECT_FALSE(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    events.clear();
    HDROP onForm = MakeDrop({"C:\\x"}, {0, 0});
    Drop(form->Handle(), onForm);
    EXPECT_TRUE(events.empty());
    DragFinish(onForm);
}

TEST_F(DropControlTest, WithoutAControlNothingIsHooked) {
    WNDPROC formProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC));
    target->Loaded();
    EXPECT_FALSE(target->Hooked());
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC)), formProc);
    EXPECT_FALSE(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(DropControlTest, ControlIsClearedWhenItIsDestroyed) {
    auto* other = new TPanel(form);
    other->SetParent(form);
    target->SetControl(panel);
    target->SetControl(other); // the first one no longer matters
    delete panel;
    panel = nullptr;
    EXPECT_EQ(target->Control(), other);
    delete other;
    EXPECT_EQ(target->Control(), nullptr);
}

TEST_F(DropControlTest, HookedControlDestroyedBeforeTheTarget) {
    target->SetControl(panel);
    target->Loaded();
    HWND wnd = panel->Handle();
    delete panel;
    panel = nullptr;
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(target->Control(), nullptr);
    EXPECT_FALSE(target->Hooked());
    delete target; // nothing to restore on a window that is gone
}

TEST(DropTargetLayout, ALayoutHooksTheNamedControlAtLoaded) {
    RegisterComponentClasses();
    class TDropForm : public TForm {
    public:
        using TForm::TForm;
        static TFormBindings<TDropForm> Bindings() { return {{{"DropFinished", &TDropForm::DropFinished}}}; }
        void DropFinished(TObject*) { ++Finished; }
        int Finished = 0;
    };
    std::unique_ptr<TDropForm> built(CreateFormFromText<TDropForm>(nullptr,
        "object F: TForm\n"
        "  Width = 200\n"
        "  Height = 150\n"
        "  object Drop: TDnDControl\n"
        "    Control = Area\n"
        "    OnDnDFinish = DropFinished\n"
        "  end\n"
        "  object Area: TPanel\n"
        "    Width = 80\n"
        "    Height = 60\n"
        "  end\n"
        "end\n"));
    TDropForm& form = *built;
    auto* drop = form.Field<TDnDControl>("Drop");
    auto* area = form.Field<TPanel>("Area");
    EXPECT_EQ(drop->Control(), area);
    ASSERT_TRUE(drop->Hooked());
    EXPECT_EQ(drop->TargetHandle(), area->Handle());
    HDROP data = MakeDrop({"C:\\f"}, {0, 0});
    Drop(area->Handle(), data);
    EXPECT_EQ(form.Finished, 1);
    EXPECT_TRUE(Released(data));

    // A control that is not windowed cannot be a drop target.
    TForm bad(nullptr);
    EXPECT_THROW(ReadLayoutInto(&bad,
                                ReadLayout("object F: TForm\n"
                                           "  object Drop: TDnDControl\n"
                                           "    Control = Shape\n"
                                           "  end\n"
                                           "  object Shape: TBevel\n"
                                           "  end\n"
                                           "end\n"),
                                &bad),
                 ELayoutError);
}

TEST(DropTargetHandles, HookingAndDroppingLeaveNoHandles) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "handle counting unavailable";
    auto round = [] {
        auto* form = new TForm(Application());
        auto* panel = new TPanel(form);
        panel->SetParent(form);
        auto* target = new TDnDControl(form);
        target->SetControl(panel);
        target->OnDnDItem = [](TObject*, const std::string&) {};
        target->Loaded();
        HDROP data = MakeDrop({"C:\\a", "C:\\b"}, {0, 0});
        Drop(panel->Handle(), data);
        delete form;
    };
    round();
    auto before = testing_support::CurrentHandleCounts();
    for (int i = 0; i < 3; ++i) round();
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}
