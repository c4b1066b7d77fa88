// The resource libraries and pictures that stand beside the program: the
// texts and icons the program asks for by identifier, both libraries free of
// code, and the keyboard picture whose keys light up from its twin at the
// places of the default key map.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "HandleCounter.h"
#include "forms/Classes.h"
#include "forms/Graphics.h"
#include "tests/support/ResourcePath.h"

using namespace forms;
using testing_support::CurrentHandleCounts;
using testing_support::HandleCountingAvailable;

namespace {

// Every identifier the program asks the libraries for.
std::vector<int> TextIds() {
    std::vector<int> ids;
    for (int id = 1; id <= 18; ++id) ids.push_back(id);
    for (int id = 1001; id <= 1008; ++id) ids.push_back(id);
    for (int id = 4001; id <= 4004; ++id) ids.push_back(id);
    return ids;
}

std::vector<int> IconIds() {
    std::vector<int> ids;
    for (int id = 1; id <= 18; ++id) ids.push_back(id);
    for (int id = 1001; id <= 1008; ++id) ids.push_back(id);
    return ids;
}

constexpr int kLongTextId = 4900; // 300 characters in the library

// The default key map: Id, Left, Top, Right and Bottom (both exclusive).
struct TKeyRect {
    int Id, Left, Top, Right, Bottom;
};
constexpr TKeyRect kKeyMap[] = {
    {5, 3, 22, 31, 47},     {6, 35, 18, 66, 47},    {1, 67, 17, 98, 41},    {2, 102, 14, 131, 42},
    {4, 133, 12, 166, 39},  {3, 168, 11, 199, 39},  {8, 213, 40, 239, 64},  {9, 243, 38, 270, 62},
    {10, 276, 37, 302, 63}, {14, 308, 38, 333, 62}, {13, 336, 38, 366, 61}, {12, 370, 39, 395, 64},
    {11, 400, 39, 428, 65}, {16, 439, 10, 470, 38}, {15, 474, 11, 503, 40}, {7, 506, 15, 539, 40},
    {17, 540, 16, 570, 45}, {18, 572, 17, 603, 47},
};

// Paths come relative to the test executable's folder, so the tests do not
// depend on the working directory.
std::string Beside(const char* relative) { return forms::ExecutableDirectory() + relative; }

enum class TLoadMode { DataFile, Library };

void PrintTo(TLoadMode mode, std::ostream* out) {
    *out << (mode == TLoadMode::DataFile ? "LoadLibraryExA as data file" : "LoadLibraryA");
}

// Owns a loaded library for one test.
class TModule {
public:
    TModule(const std::string& path, TLoadMode mode)
        : handle_(mode == TLoadMode::DataFile ? LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)
                                              : LoadLibraryA(path.c_str())) {}
    ~TModule() {
        if (handle_) FreeLibrary(handle_);
    }
    TModule(const TModule&) = delete;
    TModule& operator=(const TModule&) = delete;
    HMODULE Handle() const { return handle_; }

private:
    HMODULE handle_;
};

// What the program's text loader does: a 255-character buffer.
std::string LoadText(HMODULE module, int id, int* length) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    *length = LoadStringA(module, UINT(id), buffer, 255);
    return *length > 0 ? std::string(buffer) : std::string();
}

std::string Ruler(int length) {
    std::string s;
    for (int i = 1; i <= length; ++i)
        s += i % 10 == 0 ? char('0' + (i / 10) % 10) : i % 5 == 0 ? '+' : '.';
    return s;
}

struct TIconFacts {
    int Width = 0, Height = 0;
    bool CornerTransparent = false, CentreOpaque = false;
};

// Size of the icon and what its AND mask says at a corner and the centre.
TIconFacts Inspect(HICON icon) {
    TIconFacts facts;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return facts;
    BITMAP bm{};
    GetObjectA(info.hbmMask, sizeof bm, &bm);
    facts.Width = bm.bmWidth;
    // A colour icon's mask is the icon's size; a monochrome one stacks two.
    facts.Height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    std::vector<uint32_t> mask(size_t(bm.bmWidth) * bm.bmHeight);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    if (GetDIBits(screen, info.hbmMask, 0, UINT(bm.bmHeight), mask.data(), &bi, DIB_RGB_COLORS) == bm.bmHeight) {
        facts.CornerTransparent = (mask[0] & 0xFFFFFF) == 0xFFFFFF;
        size_t centre = size_t(facts.Height / 2) * bm.bmWidth + facts.Width / 2;
        facts.CentreOpaque = (mask[centre] & 0xFFFFFF) == 0;
    }
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return facts;
}

class ResourceLibraries : public ::testing::TestWithParam<TLoadMode> {};

INSTANTIATE_TEST_SUITE_P(LoadedBothWays, ResourceLibraries,
                         ::testing::Values(TLoadMode::DataFile, TLoadMode::Library),
                         [](const ::testing::TestParamInfo<TLoadMode>& info) {
                             return info.param == TLoadMode::DataFile ? "AsDataFile" : "AsLibrary";
                         });

TEST_P(ResourceLibraries, EveryTextIsThereDistinctAndShortEnough) {
    TModule strings(Beside(VARNOQ_TORSTR_PATH), GetParam());
    ASSERT_NE(strings.Handle(), nullptr) << "cannot load " << Beside(VARNOQ_TORSTR_PATH);
    std::set<std::string> names;
    for (int id : TextIds()) {
        int length = 0;
        std::string text = LoadText(strings.Handle(), id, &length);
        EXPECT_GT(length, 0) << "no text " << id;
        EXPECT_LE(length, 254) << "text " << id;
        EXPECT_EQ(text.size(), size_t(length)) << "text " << id;
        EXPECT_EQ(text.find("..."), std::string::npos) << "text " << id << " brings its own ellipsis";
        // A key or function named like another would be ambiguous on the Keys page.
        EXPECT_TRUE(names.insert(text).second) << "text " << id << " repeats \"" << text << "\"";
    }
}

TEST_P(ResourceLibraries, LongTextComesBackAsItsFirst254Characters) {
    TModule strings(Beside(VARNOQ_TORSTR_PATH), GetParam());
    ASSERT_NE(strings.Handle(), nullptr);
    int length = 0;
    std::string text = LoadText(strings.Handle(), kLongTextId, &length);
    EXPECT_EQ(length, 254);
    EXPECT_EQ(text, Ruler(254));
}

// Loads every icon of the library at 32 and 16 pixels and looks at each.
static void InspectEveryIcon(HMODULE icons) {
    for (int id : IconIds()) {
        // Shared icons: the system keeps them until the library goes.
        HICON large = LoadIconA(icons, MAKEINTRESOURCEA(id));
        ASSERT_NE(large, nullptr) << "no icon " << id;
        TIconFacts facts = Inspect(large);
        EXPECT_EQ(facts.Width, 32) << "icon " << id;
        EXPECT_EQ(facts.Height, 32) << "icon " << id;
        EXPECT_TRUE(facts.CornerTransparent) << "icon " << id;
        EXPECT_TRUE(facts.CentreOpaque) << "icon " << id;

        HICON small = HICON(LoadImageA(icons, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        ASSERT_NE(small, nullptr) << "no small icon " << id;
        facts = Inspect(small);
        EXPECT_EQ(facts.Width, 16) << "icon " << id;
        EXPECT_EQ(facts.Height, 16) << "icon " << id;
        EXPECT_TRUE(facts.CornerTransparent) << "icon " << id;
        EXPECT_TRUE(facts.CentreOpaque) << "icon " << id;
        EXPECT_TRUE(DestroyIcon(small));
    }
}

TEST_P(ResourceLibraries, EveryIconComesAtBothSizesWithItsMask) {
    TModule icons(Beside(VARNOQ_TORGFX_PATH), GetParam());
    ASSERT_NE(icons.Handle(), nullptr) << "cannot load " << Beside(VARNOQ_TORGFX_PATH);
    InspectEveryIcon(icons.Handle());
}

TEST_P(ResourceLibraries, IconsLeaveNoHandlesBehind) {
    if (!HandleCountingAvailable()) GTEST_SKIP() << "GDI/USER handles cannot be counted in this run";
    TModule icons(Beside(VARNOQ_TORGFX_PATH), GetParam());
    ASSERT_NE(icons.Handle(), nullptr) << "cannot load " << Beside(VARNOQ_TORGFX_PATH);
    const auto before = CurrentHandleCounts();
    InspectEveryIcon(icons.Handle());
    EXPECT_EQ(CurrentHandleCounts(), before);
}

// The libraries hold resources only: nothing runs when one is loaded as a
// library, no other module is pulled in and nothing is exported. (The linker
// still writes an import directory holding only its terminator.)
TEST(ResourceLibrariesHoldNoCode, NoEntryPointNoImportsNoExports) {
    for (const char* relative : {VARNOQ_TORSTR_PATH, VARNOQ_TORGFX_PATH}) {
        SCOPED_TRACE(relative);
        TModule module(Beside(relative), TLoadMode::Library);
        ASSERT_NE(module.Handle(), nullptr);
        auto base = reinterpret_cast<const uint8_t*>(module.Handle());
        auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
        auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
        const IMAGE_OPTIONAL_HEADER& opt = nt->OptionalHeader;
        ASSERT_EQ(opt.Magic, IMAGE_NT_OPTIONAL_HDR_MAGIC) << "built for another architecture";
        EXPECT_EQ(opt.AddressOfEntryPoint, 0u);
        EXPECT_EQ(opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS].Size, 0u);
        EXPECT_NE(opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].Size, 0u);

        const IMAGE_DATA_DIRECTORY& imports = opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        int importedModules = 0;
        if (imports.VirtualAddress != 0) {
            auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
            for (; d->Name != 0 || d->FirstThunk != 0; ++d) ++importedModules;
        }
        EXPECT_EQ(importedModules, 0);
        EXPECT_EQ(opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT].Size, 0u);

        const IMAGE_DATA_DIRECTORY& exports = opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        if (exports.VirtualAddress != 0) {
            auto e = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + exports.VirtualAddress);
            EXPECT_EQ(e->NumberOfFunctions, 0u);
        }
    }
}

// ---------------------------------------------------------------------------
// The keyboard picture and its lit-up twin.

struct TRgb {
    uint8_t B, G, R;
    bool operator==(const TRgb&) const = default;
};

class TStrip {
public:
    explicit TStrip(const std::string& path) {
        bitmap_.LoadFromFile(path);
    }
    TBitmap& Bitmap() { return bitmap_; }
    TRgb At(int x, int y) {
        const uint8_t* p = bitmap_.ScanLine(y) + 3 * x;
        return {p[0], p[1], p[2]};
    }

private:
    TBitmap bitmap_;
};

bool InsideAnyKey(int x, int y) {
    for (const TKeyRect& k : kKeyMap)
        if (x >= k.Left && x < k.Right && y >= k.Top && y < k.Bottom) return true;
    return false;
}

TEST(KeyboardPicture, LitTwinDiffersOnEveryKeyAndNowhereElse) {
    TStrip picture(testing_support::ResourcePath("Q5.bmp"));
    TStrip mask(testing_support::ResourcePath("Q5Mask.bmp"));
    for (TStrip* strip : {&picture, &mask}) {
        ASSERT_EQ(strip->Bitmap().Width(), 640);
        ASSERT_EQ(strip->Bitmap().Height(), 82);
        ASSERT_EQ(strip->Bitmap().BitsPerPixel(), 24);
    }

    for (const TKeyRect& k : kKeyMap) {
        SCOPED_TRACE(::testing::Message() << "key " << k.Id);
        int differing = 0, area = (k.Right - k.Left) * (k.Bottom - k.Top);
        for (int y = k.Top; y < k.Bottom; ++y)
            for (int x = k.Left; x < k.Right; ++x) differing += !(picture.At(x, y) == mask.At(x, y));
        EXPECT_GT(differing, area / 2);

        // The lit key fills its rectangle: each of its four edges lights up.
        auto edgeLit = [&](int x0, int y0, int dx, int dy, int steps) {
            int lit = 0;
            for (int i = 0; i < steps; ++i)
                lit += !(picture.At(x0 + i * dx, y0 + i * dy) == mask.At(x0 + i * dx, y0 + i * dy));
            return lit > steps / 2;
        };
        EXPECT_TRUE(edgeLit(k.Left, k.Top, 1, 0, k.Right - k.Left)) << "top edge";
        EXPECT_TRUE(edgeLit(k.Left, k.Bottom - 1, 1, 0, k.Right - k.Left)) << "bottom edge";
        EXPECT_TRUE(edgeLit(k.Left, k.Top, 0, 1, k.Bottom - k.Top)) << "left edge";
        EXPECT_TRUE(edgeLit(k.Right - 1, k.Top, 0, 1, k.Bottom - k.Top)) << "right edge";
    }

    // Outside the keys the twin is the picture itself.
    int outsideDiffering = 0;
    for (int y = 0; y < 82; ++y)
        for (int x = 0; x < 640; ++x)
            if (!InsideAnyKey(x, y)) outsideDiffering += !(picture.At(x, y) == mask.At(x, y));
    EXPECT_EQ(outsideDiffering, 0);
}

} // namespace
