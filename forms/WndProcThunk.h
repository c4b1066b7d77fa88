// A window procedure bound to one object. Windows calls a window procedure
// with the window handle only; this entry is a few bytes of code, made per
// object, that puts the object's address in place of the handle and jumps
// to a static function, which then knows whose message it is. Entries stay
// valid at the same address for their whole life, so they can be chained
// under and over other window procedures.
#pragma once
#include <windows.h>

#include <cstdint>

namespace forms {

class TWndProcThunk {
public:
    // Called with the bound data where the window handle would be.
    using TTarget = LRESULT(CALLBACK*)(HWND data, UINT msg, WPARAM wParam, LPARAM lParam);

    TWndProcThunk(TTarget target, void* data);
    ~TWndProcThunk();
    TWndProcThunk(const TWndProcThunk&) = delete;
    TWndProcThunk& operator=(const TWndProcThunk&) = delete;

    WNDPROC Proc() const { return reinterpret_cast<WNDPROC>(code_); }
    // Sends later calls elsewhere; the entry's address stays the same.
    void Bind(TTarget target, void* data);

private:
    uint8_t* code_ = nullptr;
};

} // namespace forms
