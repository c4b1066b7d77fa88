#include "WndProcThunk.h"

#include <cstring>

#include "Graphics.h"

#if !defined(__i386__) && !defined(__x86_64__)
#error "The window procedure entries are x86 or x86-64 code."
#endif

namespace forms {

namespace {

#if defined(__i386__)
// stdcall: the window handle is the first argument on the stack.
// mov dword ptr [esp+4], data ; jmp target (relative to the entry's end)
constexpr size_t kCodeSize = 13;
#else
// The x64 convention: the window handle arrives in rcx. The target may lie
// more than 2 GB from the heap, so the jump goes through a register.
// mov rcx, data ; mov rax, target ; jmp rax
constexpr size_t kCodeSize = 22;
#endif
constexpr size_t kEntrySize = 32;
static_assert(kCodeSize <= kEntrySize);

// Entries live in a heap of executable memory of their own, made with the
// first entry and given back with the last.
HANDLE codeHeap = nullptr;
int liveEntries = 0;

uint8_t* AllocateCode() {
    if (!codeHeap) codeHeap = HeapCreate(HEAP_CREATE_ENABLE_EXECUTE, 0, 0);
    void* code = codeHeap ? HeapAlloc(codeHeap, 0, kEntrySize) : nullptr;
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
#if defined(__i386__)
    uint8_t code[kCodeSize] = {0xC7, 0x44, 0x24, 0x04, 0, 0, 0, 0, 0xE9, 0, 0, 0, 0};
    uint32_t value = uint32_t(reinterpret_cast<uintptr_t>(data));
    std::memcpy(code + 4, &value, 4);
    int32_t distance = int32_t(reinterpret_cast<uintptr_t>(target) - reinterpret_cast<uintptr_t>(code_ + kCodeSize));
    std::memcpy(code + 9, &distance, 4);
#else
    uint8_t code[kCodeSize] = {0x48, 0xB9, 0, 0, 0, 0, 0, 0, 0, 0, 0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xE0};
    uint64_t value = reinterpret_cast<uintptr_t>(data);
    uint64_t address = reinterpret_cast<uintptr_t>(target);
    std::memcpy(code + 2, &value, 8);
    std::memcpy(code + 12, &address, 8);
#endif
    std::memcpy(code_, code, kCodeSize);
    FlushInstructionCache(GetCurrentProcess(), code_, kCodeSize);
}

} // namespace forms
