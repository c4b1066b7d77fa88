// Streams, their errors and the date helpers everything else relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "TestFiles.h"
#include "components/hotparse.h"
#include "tests/support/EventRecorder.h"
#include "forms/Classes.h"
#include "forms/SysUtils.h"

using namespace forms;
using testing_support::ScratchDir;
using testing_support::TLimitedStream;

TEST(MemoryStream, ReadWriteSeekAndShortReads) {
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    s.Seek(-2, soEnd);
    char two[2];
    s.ReadBuffer(two, 2);
    EXPECT_EQ(std::string(two, 2), "ef");

    // A short read raises, but the bytes that did arrive are in the buffer.
    s.SetPosition(3);
    char buf[5] = {'x', 'x', 'x', 'x', 'x'};
    try {
        s.ReadBuffer(buf, 5);
        FAIL() << "short read did not raise";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    EXPECT_EQ(std::string(buf, 5), "defxx");

    // Writing past the end grows the stream; a seek before the start clamps.
    s.SetPosition(8);
    s.WriteBuffer("z", 1);
    EXPECT_EQ(s.Size(), 9);
    EXPECT_EQ(s.Seek(-100, soCurrent), 0);
}

TEST(MemoryStream, RefusedWriteRaisesWriteError) {
    TMemoryStream target;
    TLimitedStream limited(target, 4);
    limited.WriteBuffer("abc", 3);
    try {
        limited.WriteBuffer("def", 3);
        FAIL() << "refused write did not raise";
    } catch (const EWriteError& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
}

TEST(FileStream, OpenAndCreateErrorsNameTheFile) {
    ScratchDir dir;
    const std::string missing = dir.File("missing.bin");
    try {
        TFileStream s(missing, fmOpenRead | fmShareDenyWrite);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "Cannot open file " + missing);
    }
    const std::string inMissingDir = dir.File("no-such-dir/x.bin");
    try {
        TFileStream s(inMissingDir, fmCreate);
        FAIL() << "created a file in a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file " + inMissingDir);
    }
}

TEST(FileStream, CreateTruncatesAndReadsBack) {
    ScratchDir dir;
    const std::string name = dir.File("data.bin");
    testing_support::WriteAll(name, std::vector<uint8_t>(100, 0xAA));
    {
        TFileStream s(name, fmCreate);
        s.WriteBuffer("hello", 5);
    }
    TFileStream s(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(s.Size(), 5);
    char buf[5];
    s.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
}

// A read that fails (here: a handle without read access) raises; only the
// true end of the file reads as nothing. The map reader then keeps its spots
// instead of taking the failure for an empty map.
TEST(FileStream, FailingReadRaisesWhereTheEndReadsNothing) {
    ScratchDir dir;
    const std::string map = dir.File("KBD.hmt"), empty = dir.File("empty.hmt");
    testing_support::WriteAll(map, {'<', 'I', 'D', '=', '5', '>'});
    testing_support::WriteAll(empty, {});
    struct {
        std::string file;
        unsigned mode;
        bool fails;
        int spots;
    } const cases[] = {
        {map, fmOpenRead | fmShareDenyWrite, false, 1},
        {empty, fmOpenRead | fmShareDenyWrite, false, 0},
        {map, fmOpenWrite | fmShareDenyNone, true, 0},
        {empty, fmOpenWrite | fmShareDenyNone, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + (c.fails ? " without read access" : ""));
        int begun = 0, spots = 0;
        auto read = [&] {
            TFileStream stream(c.file, c.mode);
            components::ReadHotSpotMap(stream, [&] { ++begun; }, [&](components::TSpotData&&) { ++spots; });
        };
        if (c.fails) {
            EXPECT_THROW_TYPE_MESSAGE(read(), EReadError, "Stream read error");
        } else {
            EXPECT_NO_THROW(read());
        }
        EXPECT_EQ(begun, c.fails ? 0 : 1);
        EXPECT_EQ(spots, c.spots);
    }
}

TEST(FormTexts, LookupTranslatesAndFallsBackPerText) {
    SetFormTextLookup([](int id) -> std::string {
        return id == stFOpenError ? "Datei %s kann nicht ge\xF6" "ffnet werden" : "";
    });
    EXPECT_EQ(FormTextFmt(stFOpenError, "a.kfd"), "Datei a.kfd kann nicht ge\xF6" "ffnet werden");
    EXPECT_EQ(FormText(stReadError), "Stream read error"); // not translated: English
    SetFormTextLookup(nullptr);
    EXPECT_EQ(FormTextFmt(stFCreateError, "b"), "Cannot create file b");
}

TEST(OleDate, KnownDatesAndMilliseconds) {
    EXPECT_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_EQ(EncodeDateTime(1900, 1, 1, 0, 0, 0, 0), 2.0);
    EXPECT_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
    EXPECT_EQ(EncodeDateTime(2000, 3, 1, 0, 0, 0, 0), 36586.0); // across a leap day
    EXPECT_EQ(EncodeDateTime(2100, 3, 1, 0, 0, 0, 0), 73110.0); // 2100 is no leap year
    double withMs = EncodeDateTime(2026, 12, 7, 7, 50, 2, 123);
    double seconds = (withMs - std::floor(withMs)) * 86400.0;
    EXPECT_NEAR(seconds, 7 * 3600 + 50 * 60 + 2.123, 1e-4);
}

TEST(OleDate, NowIsTheLocalTime) {
    std::time_t t = std::time(nullptr);
    std::tm local = *std::localtime(&t);
    double expected = EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                     local.tm_min, local.tm_sec, 0);
    double now = Now();
    EXPECT_NEAR(now, expected, 3.0 / 86400.0);
    // Milliseconds are kept: two readings a few ms apart differ.
    double later = now;
    while (later == now) later = Now();
    EXPECT_LT(later - now, 1.0 / 86400.0);
}
