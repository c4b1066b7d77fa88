// The name of the shared memory section that holds the service's settings
// block. Programs that must keep to one per block (one settings window per
// service) name their own objects after it.
#pragma once
#include <windows.h>

#include <string>

// Tests run several services and programs side by side; each run names its
// own section through TORVEL_SECTION_SUFFIX.
inline std::string SharedSectionName() {
    std::string name = "TorvelSharedSettingsBlock";
    // The live environment, not a runtime's copy taken at load.
    char suffix[64];
    DWORD n = GetEnvironmentVariableA("TORVEL_SECTION_SUFFIX", suffix, sizeof suffix);
    if (n > 0 && n < sizeof suffix) name += suffix;
    return name;
}
