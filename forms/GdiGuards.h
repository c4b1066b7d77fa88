// Scope guards for GDI state: whatever a block selects, saves or creates is
// put back or deleted however the block ends, so no handle leaks and no DC
// is left with our objects in it.
#pragma once
#include <windows.h>

#include "GraphicTexts.h"

namespace forms {

// Deletes a GDI object (pen, brush, bitmap, region) at the end of a block.
class TGdiObject {
public:
    explicit TGdiObject(HGDIOBJ object = nullptr) : object_(object) {}
    ~TGdiObject() { if (object_) DeleteObject(object_); }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    HGDIOBJ Get() const { return object_; }
    // Hands the object on; the guard deletes nothing afterwards.
    HGDIOBJ Release() {
        HGDIOBJ object = object_;
        object_ = nullptr;
        return object;
    }
    // Deletes the object held and holds another.
    void Reset(HGDIOBJ object = nullptr) {
        if (object_ && object_ != object) DeleteObject(object_);
        object_ = object;
    }

private:
    HGDIOBJ object_;
};

// Gives a window the region a guard holds: the window owns it from then on.
// A region the window refused stays with the guard, which deletes it.
inline bool GiveWindowRegion(HWND window, TGdiObject& region, bool redraw) {
    if (!region.Get() || !SetWindowRgn(window, static_cast<HRGN>(region.Get()), redraw)) return false;
    region.Release();
    return true;
}

// The DC's whole state (objects, clipping, origins, modes), saved and restored.
class TSavedDC {
public:
    explicit TSavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~TSavedDC() { if (saved_) RestoreDC(dc_, saved_); }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

// One object selected into a DC for the length of a block.
class TSelectedObject {
public:
    TSelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~TSelectedObject() { if (old_) SelectObject(dc_, old_); }
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory DC compatible with `like` (0: the screen), optionally with a
// bitmap selected; the bitmap stays the caller's.
class TMemoryDC {
public:
    explicit TMemoryDC(HBITMAP bitmap = nullptr, HDC like = nullptr) : dc_(CreateCompatibleDC(like)) {
        if (!dc_) OutOfResources();
        if (bitmap) old_ = SelectObject(dc_, bitmap);
    }
    ~TMemoryDC() {
        if (old_) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// A window's DC (0: the screen's) for the length of a block.
class TWindowDC {
public:
    explicit TWindowDC(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {
        if (!dc_) OutOfResources();
    }
    // GetDCEx's DC of the client area: without DCX_CLIPCHILDREN in flags,
    // one that draws over the child windows too.
    TWindowDC(HWND window, DWORD flags) : window_(window), dc_(GetDCEx(window, nullptr, flags)) {
        if (!dc_) OutOfResources();
    }
    ~TWindowDC() { ReleaseDC(window_, dc_); }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

} // namespace forms
