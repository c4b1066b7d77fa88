// Reading a window's accessible object back as a screen reader does, through
// oleacc, with texts narrowed to the system code page for comparing.
#pragma once
#include <windows.h>
#include <oleacc.h>

#include <string>

namespace testing_support {

// COM for the length of a test block.
struct TComScope {
    TComScope() { CoInitialize(nullptr); }
    ~TComScope() { CoUninitialize(); }
};

inline IAccessible* AccessibleOf(HWND wnd) {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(wnd, DWORD(OBJID_CLIENT), __uuidof(IAccessible), reinterpret_cast<void**>(&acc))))
        return nullptr;
    return acc;
}

inline VARIANT Child(long id) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// A text property of a child (get_accName, get_accDefaultAction ...), or
// "<error>" when the call fails.
inline std::string AccText(IAccessible* acc, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), long id) {
    BSTR text = nullptr;
    if ((acc->*get)(Child(id), &text) != S_OK) return "<error>";
    char narrow[512] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    SysFreeString(text);
    return narrow;
}

// A numeric property of a child (get_accRole, get_accState), or -1.
inline long AccNumber(IAccessible* acc, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), long id) {
    VARIANT out;
    return (acc->*get)(Child(id), &out) == S_OK && out.vt == VT_I4 ? out.lVal : -1;
}

} // namespace testing_support
