// Stand-in for the keyboard service's library: a named shared memory section
// of 108 bytes, mapped once per process and never unmapped.
#include <windows.h>

#define TORVEL32_BUILD
#include "Torvel32.h"
#include "SharedSectionName.h"

namespace {

constexpr DWORD kBlockSize = 108;
void* mappedBlock = nullptr;

} // namespace

void* AttachSharedBlock(void) {
    if (mappedBlock) return mappedBlock;
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBlockSize,
                                        SharedSectionName().c_str());
    if (!section) return nullptr;
    // The handle stays open with the mapping: the block lives as long as any
    // process holds it.
    mappedBlock = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, kBlockSize);
    return mappedBlock;
}
