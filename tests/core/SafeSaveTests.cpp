// Replacing a file must never leave it half-written or lose the old one.
#include <gtest/gtest.h>

#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

#include "TestFiles.h"
#include "forms/SafeSave.h"
#include "forms/SysUtils.h"

using namespace forms;
using testing_support::ReadAll;
using testing_support::ScratchDir;
using testing_support::TLimitedStream;
using testing_support::WriteAll;

namespace {

const std::vector<uint8_t> kOld = {'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'};

void WriteText(TStream& s, const std::string& text) { s.WriteBuffer(text.data(), int32_t(text.size())); }

} // namespace

TEST(SaveFileSafely, CreatesOrReplacesAndLeavesNothingBehind) {
    ScratchDir dir;
    const std::string target = dir.File("def.kfd");
    SaveFileSafely(target, [](TStream& s) { WriteText(s, "first"); });
    EXPECT_EQ(ReadAll(target), std::vector<uint8_t>({'f', 'i', 'r', 's', 't'}));

    SaveFileSafely(target, [](TStream& s) { WriteText(s, "2nd"); });
    EXPECT_EQ(ReadAll(target), std::vector<uint8_t>({'2', 'n', 'd'}));
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
}

TEST(SaveFileSafely, FailedWriteKeepsTheOldFile) {
    ScratchDir dir;
    const std::string target = dir.File("def.kfd");
    WriteAll(target, kOld);
    try {
        SaveFileSafely(target, [](TStream& s) {
            TLimitedStream full(s, 3);
            WriteText(full, "new content that does not fit");
        });
        FAIL() << "the failed write was not reported";
    } catch (const EWriteError& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    EXPECT_EQ(ReadAll(target), kOld);
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
}

TEST(SaveFileSafely, UncreatableTargetNamesTheTarget) {
    ScratchDir dir;
    const std::string target = dir.File("gone/def.kfd");
    try {
        SaveFileSafely(target, [](TStream& s) { WriteText(s, "x"); });
        FAIL() << "saving into a missing folder was not reported";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file " + target);
    }
    EXPECT_TRUE(dir.List().empty());
}

#ifdef _WIN32
// Another process holding the file open without sharing (as the service may,
// briefly) makes the swap fail; the old file and nothing else must remain.
TEST(SaveFileSafely, LockedTargetKeepsTheOldFile) {
    ScratchDir dir;
    const std::string target = dir.File("def.kfd");
    WriteAll(target, kOld);
    HANDLE lock = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_THROW(SaveFileSafely(target, [](TStream& s) { WriteText(s, "new"); }), EFCreateError);
    CloseHandle(lock);
    EXPECT_EQ(ReadAll(target), kOld);
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
}

// The lock is let go when the save first finds it in the way.
HANDLE heldLock = nullptr;
int retries = 0;
void ReleaseLockOnRetry(TSaveStep step) {
    if (step != TSaveStep::MoveRetried) return;
    ++retries;
    if (heldLock) CloseHandle(std::exchange(heldLock, nullptr));
}

// A lock that goes away during the retries does not fail the save.
TEST(SaveFileSafely, BriefLockIsWaitedOut) {
    ScratchDir dir;
    const std::string target = dir.File("def.kfd");
    WriteAll(target, kOld);
    heldLock = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(heldLock, INVALID_HANDLE_VALUE);
    retries = 0;
    SetSaveStepHook(ReleaseLockOnRetry);
    SaveFileSafely(target, [](TStream& s) { WriteText(s, "new"); });
    SetSaveStepHook(nullptr);
    EXPECT_EQ(retries, 1) << "the lock was met once";
    EXPECT_EQ(ReadAll(target), std::vector<uint8_t>({'n', 'e', 'w'}));
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
}
#endif
