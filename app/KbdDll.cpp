#include "KbdDll.h"

#include "Torvel32.h"

TSharedSettingsBlock* SharedBlock = static_cast<TSharedSettingsBlock*>(AttachSharedBlock());

HINSTANCE StringModule = nullptr;
HINSTANCE IconModule = nullptr;

void SetDefaultOSDColors() {
    SharedBlock->OSDFrameColor = DefaultOSDFrameColor;
    SharedBlock->OSDBKColor = DefaultOSDBKColor;
    SharedBlock->OSDFunctionNameColor = DefaultOSDFunctionNameColor;
}

std::string LoadTextResource(int32_t identifier) {
    char buffer[256];
    if (LoadStringA(StringModule, UINT(identifier), buffer, 255) > 0) return buffer;
    return {};
}

HICON LoadIconResource(int32_t identifier) {
    return LoadIconA(IconModule, MAKEINTRESOURCEA(identifier));
}

HICON LoadIconResource(int32_t identifier, int size) {
    return static_cast<HICON>(LoadImageA(IconModule, MAKEINTRESOURCEA(identifier), IMAGE_ICON, size, size, 0));
}

int32_t SpecialFunctionIds(int index) {
    static const int32_t ids[SpecialFunctionCount] = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008};
    return index >= 0 && index < SpecialFunctionCount ? ids[index] : ids[0];
}
