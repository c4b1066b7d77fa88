// The link to the keyboard service: its shared settings block, the default
// OSD colours, and the loaders of texts and icons by number.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "SharedSettingsBlock.h"

// Set once while the program's modules start; never released or changed.
// Null only when the service library could not provide the block.
extern TSharedSettingsBlock* SharedBlock;

// Writes the three default OSD colours into the block; nothing else.
void SetDefaultOSDColors();

// Modules the loaders read from; the main window chooses them when it opens.
extern HINSTANCE StringModule;
extern HINSTANCE IconModule;

// A text of StringModule, at most 254 characters; empty when absent.
std::string LoadTextResource(int32_t identifier);
// An icon of IconModule; 0 when absent.
HICON LoadIconResource(int32_t identifier);
// The same at size x size pixels: the module's image of that size, or its
// nearest scaled. Owned by the caller; 0 when absent.
HICON LoadIconResource(int32_t identifier, int size);

// The special functions in list order; entries past the last give the first.
constexpr int SpecialFunctionCount = 8;
int32_t SpecialFunctionIds(int index);
