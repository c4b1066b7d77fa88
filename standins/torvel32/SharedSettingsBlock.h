// The keyboard service's settings block, shared between processes. Its layout
// is fixed by the service: whatever stands in for the service uses this type.
#pragma once
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct TSharedSettingsBlock {
    uint32_t ServiceWindow;   // the service's window; 0 when it is not running
    uint32_t SettingsWindow;  // the open settings window; 0 when none is open
    uint8_t ServiceOwn1[48];  // the service's own, carried only in whole-block copies
    int32_t OSDDelayTime;     // seconds the on-screen display stays up, 1..10
    uint32_t OSDFrameColor;
    uint32_t OSDFunctionNameColor;
    uint32_t OSDBKColor;
    int32_t CapsLockStatus;   // flags: written as -1 (show) or 0, read as non-zero
    int32_t NumLockStatus;
    int32_t ScrollLockStatus;
    uint8_t ServiceOwn2[24];
};
#pragma pack(pop)

static_assert(sizeof(TSharedSettingsBlock) == 108);
static_assert(offsetof(TSharedSettingsBlock, SettingsWindow) == 4);
static_assert(offsetof(TSharedSettingsBlock, OSDDelayTime) == 56);
static_assert(offsetof(TSharedSettingsBlock, OSDFrameColor) == 60);
static_assert(offsetof(TSharedSettingsBlock, OSDFunctionNameColor) == 64);
static_assert(offsetof(TSharedSettingsBlock, OSDBKColor) == 68);
static_assert(offsetof(TSharedSettingsBlock, CapsLockStatus) == 72);
static_assert(offsetof(TSharedSettingsBlock, NumLockStatus) == 76);
static_assert(offsetof(TSharedSettingsBlock, ScrollLockStatus) == 80);

// Default colours of the on-screen display.
constexpr uint32_t DefaultOSDFrameColor = 0x8000000F;        // button face
constexpr uint32_t DefaultOSDBKColor = 0x00FFFF00;           // aqua
constexpr uint32_t DefaultOSDFunctionNameColor = 0x00FF0000; // blue

#if defined(_WIN32)
#include <windows.h>

// Window handles cross the block's 32-bit fields as the platform shares them
// between 32- and 64-bit processes: truncated on the way in, sign-extended on
// the way out. The same bytes thus name the same window to either kind.
inline uint32_t WindowToField(HWND wnd) { return static_cast<uint32_t>(HandleToLong(wnd)); }
inline HWND WindowFromField(uint32_t field) { return static_cast<HWND>(LongToHandle(static_cast<LONG>(field))); }
#endif

// Posted to ServiceWindow when the block and def.kfd are committed.
constexpr unsigned ReloadMessage = 1024 + 1002;
