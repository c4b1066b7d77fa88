// The key-function data file: byte-exact round trips, the three record modes
// and the errors of damaged or unreachable files.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

#include "TestFiles.h"
#include "app/KbDataType.h"
#include "forms/SafeSave.h"
#include "forms/SysUtils.h"

using namespace forms;
using testing_support::ReadAll;
using testing_support::ScratchDir;
using testing_support::TLimitedStream;
using testing_support::WriteAll;

namespace {

constexpr size_t kHeader = 1293, kRecord = 526;
constexpr size_t kSavedAt = 1, kHeaderName = 1033, kRecordCount = 1289;

void PutInt32(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(uint32_t(value) >> (8 * i));
}

int32_t GetInt32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(bytes[at + i]) << (8 * i);
    return int32_t(v);
}

// A file whose every byte is random noise except the record count and the
// key identifiers, so that a round trip shows every byte carried through.
std::vector<uint8_t> NoisyFile(const std::vector<int32_t>& keyIds, uint8_t statusByte = 0x5A,
                               int32_t recordCount = -1) {
    std::mt19937 random(1234 + uint32_t(keyIds.size()));
    std::vector<uint8_t> bytes(kHeader + kRecord * keyIds.size());
    for (auto& b : bytes) b = uint8_t(random());
    bytes[0] = statusByte;
    PutInt32(bytes, kRecordCount, recordCount >= 0 ? recordCount : int32_t(keyIds.size()));
    for (size_t i = 0; i < keyIds.size(); ++i) PutInt32(bytes, kHeader + kRecord * i, keyIds[i]);
    return bytes;
}

std::vector<uint8_t> Saved(TDralKeyFunctionDataFile& file, double savedAt = 46000.25) {
    TMemoryStream out;
    file.SaveToStream(out, savedAt);
    return out.Data();
}

uint8_t Load(TDralKeyFunctionDataFile& file, const std::vector<uint8_t>& bytes) {
    TMemoryStream in(bytes);
    return file.LoadFromStream(in);
}

// Offsets at which two equally long files differ.
std::vector<size_t> Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::vector<size_t> at;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) at.push_back(i);
    return at;
}

bool OnlyIn(const std::vector<size_t>& offsets, const std::vector<std::pair<size_t, size_t>>& ranges) {
    for (size_t o : offsets) {
        bool inside = false;
        for (auto [from, to] : ranges) inside |= (o >= from && o < to);
        if (!inside) return false;
    }
    return true;
}

class KbDataType : public ::testing::Test {
protected:
    // The header is process-wide; every test starts from a process that has
    // not loaded anything yet.
    void SetUp() override { TDralKeyFunctionDataFile::Header() = {}; }
};

} // namespace

TEST_F(KbDataType, RoundTripChangesOnlyTheStampedFieldsAndEdits) {
    const auto original = NoisyFile({1, 2, 15});
    TDralKeyFunctionDataFile file;
    EXPECT_EQ(Load(file, original), 0x5A);
    ASSERT_EQ(file.Records().size(), 3u);

    auto untouched = Saved(file);
    ASSERT_EQ(untouched.size(), kHeader + 3 * kRecord);
    EXPECT_TRUE(OnlyIn(Differences(original, untouched),
                       {{kSavedAt, kSavedAt + 8}, {kHeaderName, kHeaderName + 8}, {kRecordCount, kRecordCount + 4}}));
    EXPECT_EQ(std::vector<uint8_t>(untouched.begin() + kHeaderName, untouched.begin() + kHeaderName + 8),
              std::vector<uint8_t>({7, 'D', 'e', 'f', 'a', 'u', 'l', 't'}));
    double savedAt;
    std::memcpy(&savedAt, untouched.data() + kSavedAt, 8);
    EXPECT_EQ(savedAt, 46000.25);
    EXPECT_EQ(GetInt32(untouched, kRecordCount), 3);

    // Editing record 15 into a custom program touches its fields only.
    TKeyFunctionRecord* r = file.FindRecord(15);
    ASSERT_NE(r, nullptr);
    r->UseDefault = 0;
    r->SpecialFunctionId = 0;
    r->CustomPath.Set("C:\\Tools\\calc.exe");
    const size_t rec = kHeader + 2 * kRecord;
    EXPECT_TRUE(OnlyIn(Differences(untouched, Saved(file)),
                       {{kSavedAt, kSavedAt + 8}, {rec + 9, rec + 14}, {rec + 270, rec + 270 + 18}}));
}

TEST_F(KbDataType, ShorterNameKeepsTheOldCharactersBehindIt) {
    TDralKeyFunctionDataFile file;
    Load(file, NoisyFile({7}));
    TKeyFunctionRecord* r = file.FindRecord(7);
    r->CustomName.Set("Browser");
    r->CustomName.Set("Go");
    auto bytes = Saved(file);
    const size_t name = kHeader + 14;
    EXPECT_EQ(std::string(bytes.begin() + name, bytes.begin() + name + 8), std::string("\x02" "Goowser"));
    EXPECT_EQ(r->CustomName.Get(), "Go");

    // Values past 255 characters are cut to 255 when stored.
    r->CustomPath.Set(std::string(300, 'p'));
    EXPECT_EQ(r->CustomPath.Get(), std::string(255, 'p'));
}

TEST_F(KbDataType, SaveWithoutLoadWritesAnEmptyDefaultFile) {
    TDralKeyFunctionDataFile file;
    auto bytes = Saved(file, 0.0);
    ASSERT_EQ(bytes.size(), kHeader);
    std::vector<uint8_t> expected(kHeader, 0);
    const char name[] = "\x07" "Default";
    std::memcpy(expected.data() + kHeaderName, name, 8);
    EXPECT_EQ(bytes, expected);
}

TEST_F(KbDataType, SaveToFileStampsTheLocalTimeWithMilliseconds) {
    ScratchDir dir;
    const std::string name = dir.File("def.kfd");
    WriteAll(name, NoisyFile({3, 4}));
    TDralKeyFunctionDataFile file;
    EXPECT_EQ(file.LoadFromFile(name), 0x5A);
    double before = Now();
    EXPECT_TRUE(file.SaveToFile(name));
    double after = Now();

    auto bytes = ReadAll(name);
    ASSERT_EQ(bytes.size(), kHeader + 2 * kRecord);
    double savedAt;
    std::memcpy(&savedAt, bytes.data() + kSavedAt, 8);
    EXPECT_GE(savedAt, before);
    EXPECT_LE(savedAt, after);
    EXPECT_NE(savedAt * 86400.0, std::floor(savedAt * 86400.0 + 0.5)) << "time has no sub-second part";
    EXPECT_EQ(bytes, Saved(file, savedAt));
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
}

TEST_F(KbDataType, MissingFileReturnsOneAndKeepsEverything) {
    TDralKeyFunctionDataFile file;
    Load(file, NoisyFile({1, 2}));
    TKeyFunctionRecord* kept = file.FindRecord(2);
    ScratchDir dir;
    EXPECT_EQ(file.LoadFromFile(dir.File("def.kfd")), 1);
    EXPECT_EQ(file.FindRecord(2), kept);
    EXPECT_EQ(TDralKeyFunctionDataFile::Header().StatusByte, 0x5A);

    TDralKeyFunctionDataFile fresh;
    EXPECT_EQ(fresh.LoadFromFile(dir.File("def.kfd")), 1);
    EXPECT_EQ(fresh.FindRecord(1), nullptr);
}

TEST_F(KbDataType, CountOfZeroOrLessEmptiesTheList) {
    for (int32_t count : {0, -1, INT32_MIN}) {
        TDralKeyFunctionDataFile file;
        Load(file, NoisyFile({1, 2}));
        ASSERT_EQ(file.Records().size(), 2u);
        auto empty = NoisyFile({}, 9, count);
        EXPECT_EQ(Load(file, empty), 9);
        EXPECT_TRUE(file.Records().empty()) << count;
        EXPECT_EQ(Saved(file).size(), kHeader);
    }
}

TEST_F(KbDataType, DamagedFilesRaiseReadErrors) {
    TDralKeyFunctionDataFile file;
    Load(file, NoisyFile({1, 2}));

    // Shorter than the header: the records stay, the header holds what was read.
    auto shortHeader = NoisyFile({}, 0x33);
    shortHeader.resize(100);
    EXPECT_THROW(Load(file, shortHeader), EReadError);
    EXPECT_EQ(file.Records().size(), 2u);
    EXPECT_EQ(TDralKeyFunctionDataFile::Header().StatusByte, 0x33);

    // Shorter than the records announced: the complete ones are kept.
    auto cut = NoisyFile({5, 6, 7});
    cut.resize(cut.size() - 10);
    try {
        Load(file, cut);
        FAIL() << "a cut record was not reported";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    ASSERT_EQ(file.Records().size(), 2u);
    EXPECT_NE(file.FindRecord(6), nullptr);
    EXPECT_EQ(file.FindRecord(7), nullptr);

    // A count the data cannot hold ends at the first missing record.
    auto huge = NoisyFile({8}, 0, INT32_MAX);
    EXPECT_THROW(Load(file, huge), EReadError);
    ASSERT_EQ(file.Records().size(), 1u);
    EXPECT_EQ(int32_t(file.Records()[0]->KeyId), 8);
}

TEST_F(KbDataType, FindRecordTakesTheFirstAndResetKeepsSpecialIds) {
    TDralKeyFunctionDataFile file;
    Load(file, NoisyFile({4, 9, 4}));
    TKeyFunctionRecord* first = file.FindRecord(4);
    EXPECT_EQ(first, file.Records()[0].get());
    EXPECT_EQ(file.FindRecord(5), nullptr);

    std::vector<int32_t> specials;
    for (const auto& r : file.Records()) {
        r->UseDefault = 0;
        specials.push_back(int32_t(r->SpecialFunctionId));
    }
    auto before = Saved(file);
    file.ResetAllFunctions();
    for (size_t i = 0; i < file.Records().size(); ++i) {
        const auto& r = *file.Records()[i];
        EXPECT_EQ(r.UseDefault, 1);
        EXPECT_EQ(r.CustomName.Get(), "");
        EXPECT_EQ(r.CustomPath.Get(), "");
        EXPECT_EQ(int32_t(r.SpecialFunctionId), specials[i]);
    }
    // Only the mode byte and the two length bytes of each record changed.
    std::vector<std::pair<size_t, size_t>> allowed = {{kSavedAt, kSavedAt + 8}};
    for (size_t i = 0; i < 3; ++i) {
        size_t rec = kHeader + kRecord * i;
        allowed.insert(allowed.end(), {{rec + 9, rec + 10}, {rec + 14, rec + 15}, {rec + 270, rec + 271}});
    }
    EXPECT_TRUE(OnlyIn(Differences(before, Saved(file)), allowed));
}

TEST_F(KbDataType, FailedSaveLeavesThePreviousFileIntact) {
    ScratchDir dir;
    const std::string name = dir.File("def.kfd");
    const auto original = NoisyFile({1, 2, 3});
    WriteAll(name, original);
    TDralKeyFunctionDataFile file;
    file.LoadFromFile(name);
    file.FindRecord(2)->CustomName.Set("changed");

    // The disk fills up in the middle of the second record.
    try {
        SaveFileSafely(name, [&](TStream& s) {
            TLimitedStream full(s, kHeader + kRecord + 100);
            file.SaveToStream(full, Now());
        });
        FAIL() << "the failed save was not reported";
    } catch (const EWriteError& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    EXPECT_EQ(ReadAll(name), original);
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));

    // An unreachable target reports the target's name; the header was stamped.
    const std::string unreachable = dir.File("missing/def.kfd");
    try {
        file.SaveToFile(unreachable);
        FAIL() << "saving into a missing folder was not reported";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file " + unreachable);
    }
    EXPECT_EQ(int32_t(TDralKeyFunctionDataFile::Header().RecordCount), 3);
    EXPECT_EQ(TDralKeyFunctionDataFile::Header().HeaderName.Get(), "Default");
}

#ifdef _WIN32
// Loading shares the file with readers only.
TEST_F(KbDataType, LoadSharesTheFileWithReadersOnly) {
    ScratchDir dir;
    const std::string name = dir.File("def.kfd");
    WriteAll(name, NoisyFile({1}));
    TDralKeyFunctionDataFile file;

    HANDLE reader = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.LoadFromFile(name), 0x5A);
    CloseHandle(reader);

    HANDLE writer = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    try {
        file.LoadFromFile(name);
        FAIL() << "loaded a file another program is writing";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "Cannot open file " + name);
    }
    CloseHandle(writer);
    EXPECT_EQ(file.Records().size(), 1u);
}
#endif

// A save stopped between moving the old file aside and moving the new one in
// leaves only the backup: the next load takes it back and says so, once; a
// save never deletes a backup it did not make itself.
TEST_F(KbDataType, MissingFileIsRestoredFromTheBackupOfAnInterruptedSave) {
    ScratchDir dir;
    const std::string name = dir.File("def.kfd");
    const auto original = NoisyFile({1, 2, 3});
    WriteAll(SafeSaveBackupName(name), original);
    TDralKeyFunctionDataFile file;
    EXPECT_EQ(file.LoadFromFile(name), 0x5A);
    EXPECT_TRUE(file.RecoveredFromBackup());
    EXPECT_EQ(file.Records().size(), 3u);
    EXPECT_EQ(ReadAll(name), original);
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
    TDralKeyFunctionDataFile nextStart;
    nextStart.LoadFromFile(name);
    EXPECT_FALSE(nextStart.RecoveredFromBackup());

    ScratchDir unloaded;
    const std::string other = unloaded.File("def.kfd");
    WriteAll(SafeSaveBackupName(other), original);
    TDralKeyFunctionDataFile().SaveToFile(other);
    EXPECT_EQ(ReadAll(SafeSaveBackupName(other)), original);
}

// A backup beside def.kfd is older than it (its save was stopped after the
// new file was in place): the next load deletes it, so def.kfd going missing
// later brings back nothing.
TEST_F(KbDataType, AStaleBackupBesideTheFileIsNeverTakenBack) {
    ScratchDir dir;
    const std::string name = dir.File("def.kfd");
    WriteAll(name, NoisyFile({1, 2}));
    WriteAll(SafeSaveBackupName(name), NoisyFile({7}));
    TDralKeyFunctionDataFile file;
    file.LoadFromFile(name);
    EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
    DeleteFileNamed(name);
    TDralKeyFunctionDataFile later;
    EXPECT_EQ(later.LoadFromFile(name), 1);
    EXPECT_FALSE(later.RecoveredFromBackup());
    EXPECT_TRUE(dir.List().empty());
}

// A save killed at each of its steps (a real kill of a helper process) leaves
// a file from which the next start loads the old or the new content, byte for
// byte; the save after that leaves def.kfd alone in its folder.
TEST_F(KbDataType, SaveKilledAtAnyStepLeavesTheOldOrTheNewFile) {
    const auto original = NoisyFile({1, 2, 3});
    struct {
        int killAt;
        bool newSurvives, restored;
    } const steps[] = {
        {int(TSaveStep::TempCreated), false, false},     {int(TSaveStep::TempWritten), false, false},
        {int(TSaveStep::OldMovedToBackup), false, true}, {int(TSaveStep::NewInPlace), true, false},
        {int(TSaveStep::BackupRemoved), true, false},    {-1, true, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(::testing::Message() << "killed at step " << step.killAt);
        ScratchDir dir, side;
        const std::string name = dir.File("def.kfd");
        WriteAll(name, original);
        ASSERT_EQ(testing_support::RunHelper("save_victim", {dir.Path(), std::to_string(step.killAt), side.File("new")}),
                  step.killAt < 0 ? 0 : 137);

        TDralKeyFunctionDataFile next;
        next.LoadFromFile(name);
        EXPECT_EQ(next.RecoveredFromBackup(), step.restored);
        const auto survived = ReadAll(name);
        if (step.newSurvives) {
            EXPECT_EQ(survived, ReadAll(side.File("new")));
            EXPECT_NE(survived, original);
        } else {
            EXPECT_EQ(survived, original);
        }
        ASSERT_EQ(next.Records().size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(std::memcmp(next.Records()[i].get(), survived.data() + kHeader + kRecord * i, kRecord), 0);

        next.SaveToFile(name);
        EXPECT_EQ(dir.List(), std::vector<std::string>({"def.kfd"}));
    }
}
