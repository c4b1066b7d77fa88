// The hot-spot map file reader and the stored "Spots" / "MaskItems" streams,
// including the default key map the main window stores. Portable: runs on
// the host under the sanitizers and under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "components/HotSpotStreams.h"
#include "components/hotparse.h"
#include "forms/LayoutReader.h"
#include "forms/SysUtils.h"
#include "tests/support/ResourcePath.h"
#include "tests/support/KeyboardImageBlock.h"

using namespace components;
using forms::EReadError;
using forms::TMemoryStream;

namespace {

std::vector<TSpotData> Parse(const std::string& text, bool* begun = nullptr) {
    std::vector<TSpotData> spots;
    TMemoryStream stream(text.data(), text.size());
    ReadHotSpotMap(
        stream, [&] { if (begun) *begun = true; }, [&](TSpotData&& s) { spots.push_back(std::move(s)); });
    return spots;
}

TSpotData ParseOne(const std::string& text) {
    std::vector<TSpotData> spots = Parse(text);
    EXPECT_EQ(spots.size(), 1u) << text;
    return spots.empty() ? TSpotData() : spots[0];
}

std::vector<int32_t> Ints(std::initializer_list<int32_t> v) { return v; }

// Little-endian builder for hand-made streams.
struct TBytes {
    std::vector<uint8_t> data;
    TBytes& I32(int32_t v) {
        for (int i = 0; i < 4; ++i) data.push_back(uint8_t(uint32_t(v) >> (8 * i)));
        return *this;
    }
    TBytes& U8(uint8_t v) {
        data.push_back(v);
        return *this;
    }
    TBytes& Text(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
};

std::vector<TSpotData> ReadSpots(const std::vector<uint8_t>& bytes) {
    std::vector<TSpotData> spots;
    TMemoryStream stream(bytes);
    ReadSpotsStream(stream, [&](TSpotData&& s) { spots.push_back(std::move(s)); });
    return spots;
}

std::vector<uint8_t> WriteSpots(const std::vector<TSpotData>& spots) {
    std::vector<const TSpotData*> pointers;
    for (const TSpotData& s : spots) pointers.push_back(&s);
    TMemoryStream stream;
    WriteSpotsStream(stream, pointers);
    return stream.Data();
}

std::vector<uint8_t> WriteMasks(const std::vector<TSpotData>& spots) {
    std::vector<const TSpotData*> pointers;
    for (const TSpotData& s : spots) pointers.push_back(&s);
    TMemoryStream stream;
    WriteMaskItemsStream(stream, pointers);
    return stream.Data();
}

// Entries the reader hands on: position and item.
std::vector<std::pair<int32_t, TSpotMaskItem>> ReadMasks(const std::vector<uint8_t>& bytes, int32_t spotCount,
                                                          int64_t* endPosition = nullptr) {
    std::vector<std::pair<int32_t, TSpotMaskItem>> items;
    TMemoryStream stream(bytes);
    ReadMaskItemsStream(stream, spotCount, [&](int32_t i, const TSpotMaskItem& item) { items.push_back({i, item}); });
    if (endPosition) *endPosition = stream.Position();
    return items;
}

TSpotMaskItem Item(uint8_t states, TSpotPoint over, TSpotPoint down) {
    TSpotMaskItem item;
    item.States = THighlightStates(states);
    item.Offsets[hsMouseOver] = over;
    item.Offsets[hsMouseDown] = down;
    return item;
}

} // namespace

// ---------------------------------------------------------------- map file

TEST(HotSpotMap, EllipseWithQuotedHintAndCoordsInAnyOrder) {
    TSpotData s = ParseOne("<ID=3 HINT=\"Say \"\"Hi\"\" now\" SHAPE=ellipse COORDS=\"50,10 10,40\">");
    EXPECT_EQ(s.Id, 3);
    EXPECT_EQ(s.Hint, "Say \"Hi\" now");
    EXPECT_EQ(s.Shape, ssEllipse);
    EXPECT_EQ(s.Corners(), (TSpotRect{10, 10, 50, 40}));
    EXPECT_TRUE(s.Enabled);
    EXPECT_FALSE(s.MaskItem);
}

TEST(HotSpotMap, DefaultKeyEntryAsTheMapWritesIt) {
    TSpotData s = ParseOne("<ID=5, SHAPE=rectangle, COORDS=\"3,22 31,47\", MOUSEOVER=\"3,22\">");
    EXPECT_EQ(s.Id, 5);
    EXPECT_EQ(s.Shape, ssRectangle);
    EXPECT_EQ(s.Points, Ints({3, 22, 31, 47}));
    ASSERT_TRUE(s.MaskItem);
    EXPECT_EQ(*s.MaskItem, Item(1, {3, 22}, {0, 0}));
}

TEST(HotSpotMap, LineBreaksInsideQuotedValues) {
    // CR LF and a lone CR both end a line and come back as CR LF; a lone LF
    // belongs to the line and stays as it is.
    EXPECT_EQ(ParseOne("<HINT=\"first\r\nsecond\">").Hint, "first\r\nsecond");
    EXPECT_EQ(ParseOne("<HINT=\"first\rsecond\">").Hint, "first\r\nsecond");
    EXPECT_EQ(ParseOne("<HINT=\"first\nsecond\">").Hint, "first\nsecond");
    EXPECT_EQ(ParseOne("<HINT=\"a\r\n\r\nb\">").Hint, "a\r\n\r\nb");
    // An open value ends with the file; the spot is still added.
    EXPECT_EQ(ParseOne("<ID=4 HINT=\"never closed\r\nstill").Hint, "never closed\r\nstill");
}

TEST(HotSpotMap, EntriesSpanLinesAndTextAroundThemIsIgnored) {
    std::vector<TSpotData> spots = Parse("junk <ID=1> between <ID=2> after\r\n"
                                         "whole line of text\r\n"
                                         "<ID\r\n=\r\n  7\r\nHINT\r\n=\t\"x\"\r\n>");
    ASSERT_EQ(spots.size(), 3u);
    EXPECT_EQ(spots[0].Id, 1);
    EXPECT_EQ(spots[1].Id, 2);
    EXPECT_EQ(spots[2].Id, 7);
    EXPECT_EQ(spots[2].Hint, "x");
}

TEST(HotSpotMap, EmptyFilesAndFilesWithoutEntries) {
    bool begun = false;
    EXPECT_TRUE(Parse("", &begun).empty());
    EXPECT_TRUE(begun); // the caller clears its spots even then
    EXPECT_TRUE(Parse("no entries\r\nat all > here\r\n").empty());
}

TEST(HotSpotMap, CtrlZEndsTheFile) {
    std::vector<TSpotData> spots = Parse("<ID=1>\r\n<ID=2\x1A ID=9> <ID=3>");
    ASSERT_EQ(spots.size(), 2u);
    EXPECT_EQ(spots[1].Id, 2); // the open entry ends at the Ctrl-Z
}

TEST(HotSpotMap, KeywordsIgnoreCaseAndUnknownWordsAreSkipped) {
    TSpotData s = ParseOne("<id=9 Shape=RECTANGLE coords=\"1,2 3,4\" TARGET=\"C:\\x\" NAME=foo disabled hint=h>");
    EXPECT_EQ(s.Id, 9);
    EXPECT_EQ(s.Shape, ssRectangle);
    EXPECT_EQ(s.Points, Ints({1, 2, 3, 4}));
    EXPECT_FALSE(s.Enabled);
    EXPECT_EQ(s.Hint, "h");
}

TEST(HotSpotMap, MalformedAttributes) {
    // Without "=", the keyword's own text is its value.
    TSpotData noValue = ParseOne("<ID 5 HINT SHAPE>");
    EXPECT_EQ(noValue.Id, 0);
    EXPECT_EQ(noValue.Hint, "HINT");
    EXPECT_EQ(noValue.Shape, ssPolyline);
    EXPECT_EQ(ParseOne("<hint,x>").Hint, "hint");
    // A ">" where a value is expected ends the entry; the next one follows.
    std::vector<TSpotData> spots = Parse("<HINT=> <ID >HINT=lost <ID=x12>");
    ASSERT_EQ(spots.size(), 3u);
    EXPECT_EQ(spots[0].Hint, "");
    EXPECT_EQ(spots[1].Id, 0);
    EXPECT_EQ(spots[2].Id, 0x12);
    // Unknown shape names give a polyline; numbers that do not convert give 0.
    EXPECT_EQ(ParseOne("<SHAPE=circle>").Shape, ssPolyline);
    EXPECT_EQ(ParseOne("<ID=12abc>").Id, 0);
    EXPECT_EQ(ParseOne("<ID=,5>").Id, 0);
}

TEST(HotSpotMap, CoordsFollowTheShapeInForce) {
    // Bare: the word stops at the comma, so no point is read.
    TSpotData bare = ParseOne("<COORDS=10,20 ID=4>");
    EXPECT_TRUE(bare.Points.empty());
    EXPECT_EQ(bare.Id, 4);

    TSpotData polygon = ParseOne("<COORDS=\"0,0 10,0 10,10 0,10\">");
    EXPECT_EQ(polygon.Shape, ssPolyline);
    EXPECT_EQ(polygon.PointCount(), 4);
    EXPECT_EQ(polygon.Points, Ints({0, 0, 10, 0, 10, 10, 0, 10}));

    // A second COORDS replaces the points; one without a comma leaves them.
    EXPECT_EQ(ParseOne("<COORDS=\"1,1 2,2 3,3\" COORDS=\"7,8\" COORDS=\"none\">").Points, Ints({7, 8}));

    // The missing second corner is (0, 0); corners are put in order.
    TSpotData rect = ParseOne("<SHAPE=RECTANGLE COORDS=\"5,5\">");
    EXPECT_EQ(rect.Corners(), (TSpotRect{0, 0, 5, 5}));

    // COORDS first stores a polygon; the later SHAPE keeps its first two
    // points as the corners, unordered.
    TSpotData late = ParseOne("<COORDS=\"30,40 10,20 5,5\" SHAPE=rectangle>");
    EXPECT_EQ(late.Shape, ssRectangle);
    EXPECT_EQ(late.Points, Ints({30, 40, 10, 20}));
}

TEST(HotSpotMap, MaskOffsetsAddTheirState) {
    TSpotData down = ParseOne("<MOUSEDOWN=\"7,8\">");
    ASSERT_TRUE(down.MaskItem);
    EXPECT_EQ(*down.MaskItem, Item(2, {0, 0}, {7, 8}));

    TSpotData both = ParseOne("<MOUSEOVER=\"1,2\" MOUSEDOWN=\"3,4\" MOUSEOVER=\"none\">");
    ASSERT_TRUE(both.MaskItem);
    EXPECT_EQ(*both.MaskItem, Item(3, {1, 2}, {3, 4})); // no comma: the offset stays

    // Without "=" the keyword is its own value: no comma, so only the state.
    TSpotData bare = ParseOne("<MOUSEOVER ID=1>");
    ASSERT_TRUE(bare.MaskItem);
    EXPECT_EQ(*bare.MaskItem, Item(1, {0, 0}, {0, 0}));
    // Directly before ">" the keyword has no effect at all.
    EXPECT_FALSE(ParseOne("<MOUSEOVER>").MaskItem);
}

TEST(HotSpotMap, IntegerConversion) {
    EXPECT_EQ(MapTextToInt("42"), 42);
    EXPECT_EQ(MapTextToInt("  -17"), -17);
    EXPECT_EQ(MapTextToInt("+8"), 8);
    EXPECT_EQ(MapTextToInt("$1F"), 31);
    EXPECT_EQ(MapTextToInt("x1f"), 31);
    EXPECT_EQ(MapTextToInt("0X10"), 16);
    EXPECT_EQ(MapTextToInt("-$10"), -16);
    EXPECT_EQ(MapTextToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(MapTextToInt("2147483647"), 2147483647);
    EXPECT_EQ(MapTextToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "-", "$", "0x", "2147483648", "$100000000", "12 ", "1.5", "--1", "99999999999999999999"})
        EXPECT_EQ(MapTextToInt(bad), 0) << '"' << bad << '"';
}

TEST(HotSpotMap, PointRule) {
    using P = std::vector<TSpotPoint>;
    EXPECT_EQ(MapPoints("10,20 30,40"), (P{{10, 20}, {30, 40}}));
    EXPECT_EQ(MapPoints("10, 20"), (P{{10, 0}}));
    EXPECT_EQ(MapPoints("1,2,3"), (P{{1, 2}, {2, 3}}));
    EXPECT_EQ(MapPoints("x=-5,-6;"), (P{{-5, -6}}));
    EXPECT_EQ(MapPoints("5-3,4"), (P{{0, 4}})); // a run that does not convert is 0
    EXPECT_TRUE(MapPoints("10 20").empty());
}

// ------------------------------------------------------------------ streams

TEST(HotSpotStreams, SpotsRoundTripEveryShape) {
    std::vector<TSpotData> spots(4);
    spots[0] = TSpotData(ssRectangle);
    spots[0].SetCorners({3, 22, 31, 47});
    spots[0].Id = 5;
    spots[1] = TSpotData(ssEllipse);
    spots[1].SetCorners({-4, -5, 60, 70});
    spots[1].Hint = std::string("two\r\nlines \"q\"\xE9", 16);
    spots[1].Enabled = false;
    spots[2].AddPoint({1, 2});
    spots[2].AddPoint({-3, 4});
    spots[2].AddPoint({5, INT32_MIN});
    spots[2].Id = -1;
    spots[3] = TSpotData(TSpotShape(7)); // unknown: still 16 bytes of geometry
    spots[3].SetCorners({9, 8, 7, 6});

    std::vector<uint8_t> bytes = WriteSpots(spots);
    EXPECT_EQ(bytes.size(), 8u + 26 + (26 + 16) + (10 + 4 + 24) + 26);
    EXPECT_EQ(ReadSpots(bytes), spots);
    EXPECT_TRUE(ReadSpots(WriteSpots({})).empty());
}

TEST(HotSpotStreams, DefaultKeyRecordAndEntryBytes) {
    TSpotData key(ssRectangle);
    key.Id = 5;
    key.SetCorners({3, 22, 31, 47});
    key.SetMaskItem(Item(1, {3, 22}, {0, 0}));
    std::vector<uint8_t> spots = WriteSpots({key});
    std::vector<uint8_t> record(spots.begin() + 8, spots.end());
    EXPECT_EQ(record, (std::vector<uint8_t>{0x01, 0x05, 0, 0, 0, 0x01, 0, 0, 0, 0, 0x03, 0, 0, 0, 0x16, 0, 0, 0,
                                            0x1F, 0, 0, 0, 0x2F, 0, 0, 0}));
    std::vector<uint8_t> masks = WriteMasks({key});
    EXPECT_EQ(masks, (std::vector<uint8_t>{16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x03, 0, 0, 0, 0x16, 0, 0, 0,
                                           0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(HotSpotStreams, OlderLayoutWithoutShapeBytes) {
    TBytes b;
    b.I32(2);
    b.I32(11).U8(1).I32(2).Text("hi").I32(2).I32(1).I32(2).I32(3).I32(4);
    b.I32(12).U8(0).I32(0).I32(0);
    std::vector<TSpotData> spots = ReadSpots(b.data);
    ASSERT_EQ(spots.size(), 2u);
    EXPECT_EQ(spots[0].Shape, ssPolyline);
    EXPECT_EQ(spots[0].Id, 11);
    EXPECT_EQ(spots[0].Hint, "hi");
    EXPECT_EQ(spots[0].Points, Ints({1, 2, 3, 4}));
    EXPECT_EQ(spots[1].Id, 12);
    EXPECT_FALSE(spots[1].Enabled);
    EXPECT_TRUE(spots[1].Points.empty());
}

TEST(HotSpotStreams, MaskItemsRoundTripOnlySpotsWithItems) {
    std::vector<TSpotData> spots(3);
    spots[0].SetMaskItem(Item(3, {1, 2}, {3, 4}));
    spots[2].SetMaskItem(Item(2, {0, 0}, {-7, 8}));
    std::vector<uint8_t> bytes = WriteMasks(spots);
    EXPECT_EQ(bytes.size(), 8u + 2 * 21);
    auto items = ReadMasks(bytes, 3);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].first, 0);
    EXPECT_EQ(items[0].second, *spots[0].MaskItem);
    EXPECT_EQ(items[1].first, 2);
    EXPECT_EQ(items[1].second, *spots[2].MaskItem);
}

TEST(HotSpotStreams, MaskItemSizesOtherThanSixteen) {
    // Longer items: the extra bytes are skipped.
    TBytes wide;
    wide.I32(20).I32(2);
    wide.I32(0).U8(1).I32(1).I32(2).I32(3).I32(4).I32(-1);
    wide.I32(1).U8(2).I32(5).I32(6).I32(7).I32(8).I32(-1);
    auto items = ReadMasks(wide.data, 2);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].second, Item(1, {1, 2}, {3, 4}));
    EXPECT_EQ(items[1].second, Item(2, {5, 6}, {7, 8}));

    // Shorter items: only the mouse-over offset, the rest stays 0.
    TBytes narrow;
    narrow.I32(8).I32(2).I32(0).U8(1).I32(9).I32(10).I32(1).U8(3).I32(11).I32(12);
    int64_t end = 0;
    items = ReadMasks(narrow.data, 2, &end);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].second, Item(1, {9, 10}, {0, 0}));
    EXPECT_EQ(items[1].second, Item(3, {11, 12}, {0, 0}));
    EXPECT_EQ(end, int64_t(narrow.data.size()));
}

TEST(HotSpotStreams, MaskEntriesForMissingSpotsAreConsumed) {
    TBytes b;
    b.I32(16).I32(4);
    b.I32(-1);                                           // no spot: the entry is just its position
    b.I32(5).U8(1).I32(1).I32(1).I32(1).I32(1);          // beyond the spots: skipped
    b.I32(1).U8(0xFE).I32(1).I32(2).I32(3).I32(4);        // only the two low bits count
    b.I32(0).U8(0).I32(0).I32(0).I32(0).I32(0);           // empty states: removes the item
    int64_t end = 0;
    auto items = ReadMasks(b.data, 2, &end);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].first, 1);
    EXPECT_EQ(items[0].second, Item(2, {1, 2}, {3, 4}));
    EXPECT_EQ(items[1].first, 0);
    EXPECT_TRUE(items[1].second.States.Empty());
    EXPECT_EQ(end, int64_t(b.data.size()));
    // A spot's item goes away when the stream sets an empty one.
    TSpotData spot;
    spot.SetMaskItem(Item(1, {1, 1}, {0, 0}));
    spot.SetMaskItem(items[1].second);
    EXPECT_FALSE(spot.MaskItem);
}

TEST(HotSpotStreams, CorruptStreamsRaiseReadErrors) {
    std::vector<TSpotData> spots(2);
    spots[0].Hint = "hint";
    spots[0].AddPoint({1, 2});
    spots[1] = TSpotData(ssRectangle);
    spots[1].SetMaskItem(Item(1, {1, 2}, {0, 0}));
    std::vector<uint8_t> good = WriteSpots(spots);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        std::vector<uint8_t> part(good.begin(), good.begin() + cut);
        EXPECT_THROW(ReadSpots(part), EReadError) << "cut at " << cut;
    }
    std::vector<uint8_t> masks = WriteMasks(spots);
    for (size_t cut = 0; cut < masks.size(); ++cut) {
        std::vector<uint8_t> part(masks.begin(), masks.begin() + cut);
        EXPECT_THROW(ReadMasks(part, 2), EReadError) << "cut at " << cut;
    }

    // Counts and lengths the data cannot hold fail before anything is made.
    auto spotsFail = [](TBytes b) {
        int made = 0;
        TMemoryStream stream(b.data);
        EXPECT_THROW(ReadSpotsStream(stream, [&](TSpotData&&) { ++made; }), EReadError);
        return made;
    };
    EXPECT_EQ(spotsFail(TBytes().I32(0).I32(0x7FFFFFFF)), 0);
    EXPECT_EQ(spotsFail(TBytes().I32(0).I32(-3)), 0);
    EXPECT_EQ(spotsFail(TBytes().I32(-1)), 0); // an older layout with a negative count
    EXPECT_EQ(spotsFail(TBytes().I32(0).I32(1).U8(0).I32(1).U8(1).I32(0x7FFFFFF0).I32(0).I32(0)), 0);
    EXPECT_EQ(spotsFail(TBytes().I32(0).I32(1).U8(0).I32(1).U8(1).I32(-2).I32(0).I32(0)), 0);
    EXPECT_EQ(spotsFail(TBytes().I32(0).I32(1).U8(0).I32(1).U8(1).I32(0).I32(0x10000000).I32(0)), 0);
    EXPECT_EQ(spotsFail(TBytes().I32(0).I32(1).U8(0).I32(1).U8(1).I32(0).I32(-1).I32(0)), 0);

    EXPECT_THROW(ReadMasks(TBytes().I32(16).I32(0x40000000).data, 1), EReadError);
    EXPECT_THROW(ReadMasks(TBytes().I32(16).I32(-1).data, 1), EReadError);
    EXPECT_THROW(ReadMasks(TBytes().I32(-4).I32(0).data, 1), EReadError);
    EXPECT_THROW(ReadMasks(TBytes().I32(0x7FFFFFFF).I32(1).I32(0).U8(1).I32(0).I32(0).I32(0).I32(0).data, 1),
                 EReadError);
    // An empty list is fine, whatever the item size.
    EXPECT_TRUE(ReadMasks(TBytes().I32(0x7FFFFFFF).I32(0).data, 1).empty());
}

// --------------------------------------------------------- default key map

namespace {

struct TKey {
    int32_t Id, Left, Top, Right, Bottom;
};
constexpr TKey kDefaultKeys[18] = {
    {5, 3, 22, 31, 47},     {6, 35, 18, 66, 47},    {1, 67, 17, 98, 41},    {2, 102, 14, 131, 42},
    {4, 133, 12, 166, 39},  {3, 168, 11, 199, 39},  {8, 213, 40, 239, 64},  {9, 243, 38, 270, 62},
    {10, 276, 37, 302, 63}, {14, 308, 38, 333, 62}, {13, 336, 38, 366, 61}, {12, 370, 39, 395, 64},
    {11, 400, 39, 428, 65}, {16, 439, 10, 470, 38}, {15, 474, 11, 503, 40}, {7, 506, 15, 539, 40},
    {17, 540, 16, 570, 45}, {18, 572, 17, 603, 47},
};

} // namespace

TEST(DefaultKeyMap, StoredStreamsDecodeToTheEighteenKeys) {
    std::string fragment = testing_support::KeyboardImageBlock();
    ASSERT_FALSE(fragment.empty()) << "the main window's layout has no keyboard image";
    forms::TLayoutObject image = forms::ReadLayout(fragment);
    EXPECT_EQ(image.Name, "HotImage1");
    EXPECT_EQ(image.ClassName, "THotImage");
    const std::vector<uint8_t>* spotBytes = nullptr;
    const std::vector<uint8_t>* maskBytes = nullptr;
    for (const forms::TLayoutProperty& p : image.Properties) {
        if (p.Name == "HotSpots.Spots") spotBytes = &p.Value.Bytes;
        if (p.Name == "HotSpots.MaskItems") maskBytes = &p.Value.Bytes;
        // Spots come first: MaskItems refers to them by position.
        if (p.Name == "HotSpots.MaskItems") {
            EXPECT_NE(spotBytes, nullptr);
        }
    }
    ASSERT_TRUE(spotBytes && maskBytes);
    EXPECT_EQ(spotBytes->size(), 476u);
    EXPECT_EQ(maskBytes->size(), 386u);

    std::vector<TSpotData> spots = ReadSpots(*spotBytes);
    auto items = ReadMasks(*maskBytes, int32_t(spots.size()));
    for (auto& [index, item] : items) spots[size_t(index)].SetMaskItem(item);

    ASSERT_EQ(spots.size(), 18u);
    for (size_t i = 0; i < 18; ++i) {
        const TKey& k = kDefaultKeys[i];
        SCOPED_TRACE(::testing::Message() << "position " << i << ", id " << k.Id);
        EXPECT_EQ(spots[i].Id, k.Id);
        EXPECT_EQ(spots[i].Shape, ssRectangle);
        EXPECT_EQ(spots[i].Corners(), (TSpotRect{k.Left, k.Top, k.Right, k.Bottom}));
        EXPECT_TRUE(spots[i].Enabled);
        EXPECT_EQ(spots[i].Hint, "");
        ASSERT_TRUE(spots[i].MaskItem);
        EXPECT_EQ(*spots[i].MaskItem, Item(1, {k.Left, k.Top}, {0, 0}));
    }
}
