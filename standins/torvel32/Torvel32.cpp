// Stand-in for the keyboard service's library: a named shared memory section
// of 108 bytes, mapped once per process and never unmapped.
#include <windows.h>

#include <string>

#define TORVEL32_BUILD
#include "Torvel32.h"

namespace {

constexpr DWORD kBlockSize = 108;
void* mappedBlock = nullptr;

// Tests run several services and programs side by side; each run names its
// own section through TORVEL_SECTION_SUFFIX.
std::string SectionName() {
    std::string name = "TorvelSharedSettingsBlock";
    // The live environment, not a runtime's copy taken at load.
    char suffix[64];
    DWORD n = GetEnvironmentVariableA("TORVEL_SECTION_SUFFIX", suffix, sizeof suffix);
    if (n > 0 && n < sizeof suffix) name += suffix;
    return name;
}

} // namespace

void* AttachSharedBlock(void) {
    if (mappedBlock) return mappedBlock;
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBlockSize,
                                        SectionName().c_str());
    if (!section) return nullptr;
    // The handle stays open with the mapping: the block lives as long as any
    // process holds it.
    mappedBlock = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, kBlockSize);
    return mappedBlock;
}
