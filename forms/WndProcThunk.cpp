#include "WndProcThunk.h"

#include <cstring>

#include "Graphics.h"

#if !defined(__i386__)
#error "The window procedure entries are 32-bit x86 code."
#endif

namespace forms {

namespace {

// mov dword ptr [esp+4], data ; jmp target
constexpr size_t kCodeSize = 13;

// Entries live in a heap of executable memory of their own, made with the
// first entry and given back with the last.
HANDLE codeHeap = nullptr;
int liveEntries = 0;

uint8_t* AllocateCode() {
    if (!codeHeap) codeHeap = HeapCreate(HEAP_CREATE_ENABLE_EXECUTE, 0, 0);
    void* code = codeHeap ? HeapAlloc(codeHeap, 0, 16) : nullptr;
    if (!code) {
        if (liveEntries == 0 && codeHeap) {
            HeapDestroy(codeHeap);
            codeHeap = nullptr;
        }
        std::string text = FormText(TFormTextId(stOutOfResources));
        throw EOutOfResources(text.empty() ? "Out of system resources" : text);
    }
    ++liveEntries;
    return static_cast<uint8_t*>(code);
}

void FreeCode(uint8_t* code) {
    HeapFree(codeHeap, 0, code);
    if (--liveEntries == 0) {
        HeapDestroy(codeHeap);
        codeHeap = nullptr;
    }
}

} // namespace

TWndProcThunk::TWndProcThunk(TTarget target, void* data) : code_(AllocateCode()) { Bind(target, data); }

TWndProcThunk::~TWndProcThunk() { FreeCode(code_); }

void TWndProcThunk::Bind(TTarget target, void* data) {
    uint8_t code[kCodeSize] = {0xC7, 0x44, 0x24, 0x04, 0, 0, 0, 0, 0xE9, 0, 0, 0, 0};
    uint32_t value = uint32_t(reinterpret_cast<uintptr_t>(data));
    std::memcpy(code + 4, &value, 4);
    // The jump is relative to the end of the entry.
    int32_t distance = int32_t(reinterpret_cast<uintptr_t>(target) - reinterpret_cast<uintptr_t>(code_ + kCodeSize));
    std::memcpy(code + 9, &distance, 4);
    std::memcpy(code_, code, kCodeSize);
    FlushInstructionCache(GetCurrentProcess(), code_, kCodeSize);
}

} // namespace forms
