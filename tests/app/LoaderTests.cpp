// The service link's loaders in-process: texts and icons from their
// libraries (or the program's own module without them), the special
// function table and the default OSD colours.
#include "AppFixtures.h"

#include <cstring>

#include "forms/Resources.h"

TEST_F(App, TextsComeCutAt254AndAbsentOnesEmpty) {
    StringModule = LoadLibraryA((BinDir() + "TORSTR.DLL").c_str());
    ASSERT_NE(StringModule, nullptr) << "TORSTR.DLL beside the tests";
    std::string longText = LoadTextResource(4900);
    EXPECT_EQ(longText.size(), 254u);
    EXPECT_FALSE(LoadTextResource(15).empty());
    EXPECT_EQ(LoadTextResource(31999), "");
    FreeLibrary(StringModule);
    // Without the library the program's own module answers, and it holds
    // none of the texts asked for by number.
    StringModule = forms::ResourceModule();
    for (int32_t id : {1, 15, 18, 1001, 1002, 1008, 4001, 4004})
        EXPECT_EQ(LoadTextResource(id), "") << id;
    StringModule = nullptr;
}

TEST_F(App, IconsAndSpecialFunctionTable) {
    IconModule = LoadLibraryA((BinDir() + "TORGFX.DLL").c_str());
    ASSERT_NE(IconModule, nullptr) << "TORGFX.DLL beside the tests";
    EXPECT_NE(LoadIconResource(1001), nullptr);
    EXPECT_EQ(LoadIconResource(31999), nullptr);
    FreeLibrary(IconModule);
    IconModule = nullptr;
    EXPECT_EQ(SpecialFunctionIds(0), 1001);
    EXPECT_EQ(SpecialFunctionIds(7), 1008);
    EXPECT_EQ(SpecialFunctionIds(8), 1001);
    EXPECT_EQ(SpecialFunctionIds(100), 1001);
}

TEST_F(App, DefaultColoursTouchOnlyTheThreeColourFields) {
    TSharedSettingsBlock before;
    std::memcpy(&before, SharedBlock, sizeof before);
    SetDefaultOSDColors();
    EXPECT_EQ(SharedBlock->OSDFrameColor, 0x8000000Fu);
    EXPECT_EQ(SharedBlock->OSDBKColor, 0x00FFFF00u);
    EXPECT_EQ(SharedBlock->OSDFunctionNameColor, 0x00FF0000u);
    before.OSDFrameColor = 0x8000000F, before.OSDBKColor = 0x00FFFF00, before.OSDFunctionNameColor = 0x00FF0000;
    EXPECT_EQ(std::memcmp(&before, SharedBlock, sizeof before), 0);
}
