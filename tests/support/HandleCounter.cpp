#include "HandleCounter.h"

#include <cstdlib>

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace testing_support {

namespace {

enum TKind { kGdi, kDc, kIcon, kKinds };

// Handles made by counted calls and not yet freed. Sets rather than plain
// counters, so freeing a stock or shared object we never counted changes
// nothing.
std::mutex liveLock;
std::unordered_set<const void*> live[kKinds];

void Add(TKind kind, const void* handle) {
    if (!handle) return;
    std::lock_guard<std::mutex> guard(liveLock);
    live[kind].insert(handle);
}

void Remove(TKind kind, const void* handle) {
    if (!handle) return;
    std::lock_guard<std::mutex> guard(liveLock);
    live[kind].erase(handle);
}

TKind KindOfImage(UINT type) { return type == IMAGE_BITMAP ? kGdi : kIcon; }

// A wrapper that counts what a creating call returns; real_<name> holds the
// import it replaced.
#define COUNTED(kind, Ret, name, params, args)      \
    decltype(&::name) real_##name = nullptr;        \
    Ret WINAPI Hook_##name params {                 \
        Ret handle = real_##name args;              \
        Add(kind, handle);                          \
        return handle;                              \
    }

// gdi32
COUNTED(kGdi, HPEN, CreatePen, (int style, int width, COLORREF color), (style, width, color))
COUNTED(kGdi, HPEN, CreatePenIndirect, (const LOGPEN* pen), (pen))
COUNTED(kGdi, HPEN, ExtCreatePen, (DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count, const DWORD* dashes),
        (style, width, brush, count, dashes))
COUNTED(kGdi, HBRUSH, CreateSolidBrush, (COLORREF color), (color))
COUNTED(kGdi, HBRUSH, CreateBrushIndirect, (const LOGBRUSH* brush), (brush))
COUNTED(kGdi, HBRUSH, CreateHatchBrush, (int hatch, COLORREF color), (hatch, color))
COUNTED(kGdi, HBRUSH, CreatePatternBrush, (HBITMAP bitmap), (bitmap))
COUNTED(kGdi, HBRUSH, CreateDIBPatternBrushPt, (const VOID* dib, UINT usage), (dib, usage))
COUNTED(kGdi, HFONT, CreateFontIndirectA, (const LOGFONTA* font), (font))
COUNTED(kGdi, HFONT, CreateFontA,
        (int h, int w, int esc, int orient, int weight, DWORD italic, DWORD underline, DWORD strike, DWORD charset,
         DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitch, LPCSTR face),
        (h, w, esc, orient, weight, italic, underline, strike, charset, outPrecision, clipPrecision, quality, pitch,
         face))
COUNTED(kGdi, HBITMAP, CreateBitmap, (int w, int h, UINT planes, UINT bpp, const VOID* bits), (w, h, planes, bpp, bits))
COUNTED(kGdi, HBITMAP, CreateBitmapIndirect, (const BITMAP* bitmap), (bitmap))
COUNTED(kGdi, HBITMAP, CreateCompatibleBitmap, (HDC dc, int w, int h), (dc, w, h))
COUNTED(kGdi, HBITMAP, CreateDIBSection,
        (HDC dc, const BITMAPINFO* info, UINT usage, VOID** bits, HANDLE section, DWORD offset),
        (dc, info, usage, bits, section, offset))
COUNTED(kGdi, HBITMAP, CreateDIBitmap,
        (HDC dc, const BITMAPINFOHEADER* header, DWORD init, const VOID* bits, const BITMAPINFO* info, UINT usage),
        (dc, header, init, bits, info, usage))
COUNTED(kGdi, HDC, CreateCompatibleDC, (HDC dc), (dc))
COUNTED(kGdi, HDC, CreateDCA, (LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode),
        (driver, device, port, mode))
COUNTED(kGdi, HRGN, CreateRectRgn, (int x1, int y1, int x2, int y2), (x1, y1, x2, y2))
COUNTED(kGdi, HRGN, CreateRectRgnIndirect, (const RECT* r), (r))
COUNTED(kGdi, HRGN, CreateRoundRectRgn, (int x1, int y1, int x2, int y2, int w, int h), (x1, y1, x2, y2, w, h))
COUNTED(kGdi, HRGN, CreateEllipticRgn, (int x1, int y1, int x2, int y2), (x1, y1, x2, y2))
COUNTED(kGdi, HRGN, CreateEllipticRgnIndirect, (const RECT* r), (r))
COUNTED(kGdi, HRGN, CreatePolygonRgn, (const POINT* points, int count, int mode), (points, count, mode))
COUNTED(kGdi, HRGN, CreatePolyPolygonRgn, (const POINT* points, const INT* counts, int polygons, int mode),
        (points, counts, polygons, mode))
COUNTED(kGdi, HRGN, ExtCreateRegion, (const XFORM* xform, DWORD count, const RGNDATA* data), (xform, count, data))
COUNTED(kGdi, HRGN, PathToRegion, (HDC dc), (dc))
COUNTED(kGdi, HPALETTE, CreatePalette, (const LOGPALETTE* palette), (palette))
COUNTED(kGdi, HPALETTE, CreateHalftonePalette, (HDC dc), (dc))
// user32
COUNTED(kGdi, HBITMAP, LoadBitmapA, (HINSTANCE module, LPCSTR name), (module, name))
COUNTED(kDc, HDC, GetDC, (HWND window), (window))
COUNTED(kDc, HDC, GetWindowDC, (HWND window), (window))
COUNTED(kIcon, HICON, CreateIconIndirect, (PICONINFO info), (info))
COUNTED(kIcon, HICON, CreateIconFromResource, (PBYTE bits, DWORD size, WINBOOL icon, DWORD version),
        (bits, size, icon, version))
COUNTED(kIcon, HICON, CopyIcon, (HICON icon), (icon))
COUNTED(kIcon, HICON, CreateIcon,
        (HINSTANCE module, int w, int h, BYTE planes, BYTE bpp, const BYTE* andBits, const BYTE* xorBits),
        (module, w, h, planes, bpp, andBits, xorBits))
COUNTED(kIcon, HCURSOR, CreateCursor,
        (HINSTANCE module, int x, int y, int w, int h, const VOID* andBits, const VOID* xorBits),
        (module, x, y, w, h, andBits, xorBits))
// shell32
COUNTED(kIcon, HICON, ExtractAssociatedIconA, (HINSTANCE module, LPSTR path, LPWORD index), (module, path, index))

#undef COUNTED

decltype(&::CreateIconFromResourceEx) real_CreateIconFromResourceEx = nullptr;
HICON WINAPI Hook_CreateIconFromResourceEx(PBYTE bits, DWORD size, WINBOOL icon, DWORD version, int w, int h,
                                           UINT flags) {
    HICON handle = real_CreateIconFromResourceEx(bits, size, icon, version, w, h, flags);
    if (!(flags & LR_SHARED)) Add(kIcon, handle);
    return handle;
}

decltype(&::LoadImageA) real_LoadImageA = nullptr;
HANDLE WINAPI Hook_LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int w, int h, UINT flags) {
    HANDLE handle = real_LoadImageA(module, name, type, w, h, flags);
    if (!(flags & LR_SHARED)) Add(KindOfImage(type), handle);
    return handle;
}

decltype(&::CopyImage) real_CopyImage = nullptr;
HANDLE WINAPI Hook_CopyImage(HANDLE original, UINT type, int w, int h, UINT flags) {
    HANDLE handle = real_CopyImage(original, type, w, h, flags);
    if (handle && handle != original) {
        Add(KindOfImage(type), handle);
        if (flags & LR_COPYDELETEORG) Remove(KindOfImage(type), original);
    }
    return handle;
}

decltype(&::PrivateExtractIconsA) real_PrivateExtractIconsA = nullptr;
UINT WINAPI Hook_PrivateExtractIconsA(LPCSTR file, int index, int w, int h, HICON* icons, UINT* ids, UINT count,
                                      UINT flags) {
    const UINT got = real_PrivateExtractIconsA(file, index, w, h, icons, ids, count, flags);
    for (UINT i = 0; icons && got != UINT(-1) && i < got && i < count; ++i) Add(kIcon, icons[i]);
    return got;
}

// The bitmaps GetIconInfo hands out are the caller's to delete.
decltype(&::GetIconInfo) real_GetIconInfo = nullptr;
WINBOOL WINAPI Hook_GetIconInfo(HICON icon, PICONINFO info) {
    WINBOOL ok = real_GetIconInfo(icon, info);
    if (ok && info) {
        Add(kGdi, info->hbmColor);
        Add(kGdi, info->hbmMask);
    }
    return ok;
}

// With a clipping flag the system takes over the region.
decltype(&::GetDCEx) real_GetDCEx = nullptr;
HDC WINAPI Hook_GetDCEx(HWND window, HRGN clip, DWORD flags) {
    HDC dc = real_GetDCEx(window, clip, flags);
    Add(kDc, dc);
    if (dc && clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) Remove(kGdi, clip);
    return dc;
}

decltype(&::ExtractIconA) real_ExtractIconA = nullptr;
HICON WINAPI Hook_ExtractIconA(HINSTANCE module, LPCSTR file, UINT index) {
    HICON icon = real_ExtractIconA(module, file, index);
    // 1 means "not a file with icons", not a handle.
    if (reinterpret_cast<UINT_PTR>(icon) > 1) Add(kIcon, icon);
    return icon;
}

decltype(&::ExtractIconExA) real_ExtractIconExA = nullptr;
UINT WINAPI Hook_ExtractIconExA(LPCSTR file, int index, HICON* large, HICON* smallIcons, UINT count) {
    UINT n = real_ExtractIconExA(file, index, large, smallIcons, count);
    if (index != -1)
        for (UINT i = 0; i < n && i < count; ++i) {
            if (large) Add(kIcon, large[i]);
            if (smallIcons) Add(kIcon, smallIcons[i]);
        }
    return n;
}

decltype(&::DeleteObject) real_DeleteObject = nullptr;
WINBOOL WINAPI Hook_DeleteObject(HGDIOBJ object) {
    WINBOOL ok = real_DeleteObject(object);
    if (ok) Remove(kGdi, object);
    return ok;
}

decltype(&::DeleteDC) real_DeleteDC = nullptr;
WINBOOL WINAPI Hook_DeleteDC(HDC dc) {
    WINBOOL ok = real_DeleteDC(dc);
    if (ok) Remove(kGdi, dc);
    return ok;
}

decltype(&::ReleaseDC) real_ReleaseDC = nullptr;
int WINAPI Hook_ReleaseDC(HWND window, HDC dc) {
    int ok = real_ReleaseDC(window, dc);
    if (ok) Remove(kDc, dc);
    return ok;
}

decltype(&::DestroyIcon) real_DestroyIcon = nullptr;
WINBOOL WINAPI Hook_DestroyIcon(HICON icon) {
    WINBOOL ok = real_DestroyIcon(icon);
    if (ok) Remove(kIcon, icon);
    return ok;
}

decltype(&::DestroyCursor) real_DestroyCursor = nullptr;
WINBOOL WINAPI Hook_DestroyCursor(HCURSOR cursor) {
    WINBOOL ok = real_DestroyCursor(cursor);
    if (ok) Remove(kIcon, cursor);
    return ok;
}

// A window region belongs to the system once set.
decltype(&::SetWindowRgn) real_SetWindowRgn = nullptr;
int WINAPI Hook_SetWindowRgn(HWND window, HRGN region, WINBOOL redraw) {
    int ok = real_SetWindowRgn(window, region, redraw);
    if (ok && region) Remove(kGdi, region);
    return ok;
}

// Libraries the program loads on first use are reached by name: the
// functions above are handed out hooked there too.
decltype(&::GetProcAddress) real_GetProcAddress = nullptr;
FARPROC WINAPI Hook_GetProcAddress(HMODULE module, LPCSTR name);

struct THook {
    const char* dll;
    const char* name;
    void** real;
    void* hook;
};

#define HOOK(dll, name) {dll, #name, reinterpret_cast<void**>(&real_##name), reinterpret_cast<void*>(&Hook_##name)}

const THook hooks[] = {
    HOOK("gdi32.dll", CreatePen), HOOK("gdi32.dll", CreatePenIndirect), HOOK("gdi32.dll", ExtCreatePen),
    HOOK("gdi32.dll", CreateSolidBrush), HOOK("gdi32.dll", CreateBrushIndirect), HOOK("gdi32.dll", CreateHatchBrush),
    HOOK("gdi32.dll", CreatePatternBrush), HOOK("gdi32.dll", CreateDIBPatternBrushPt),
    HOOK("gdi32.dll", CreateFontIndirectA), HOOK("gdi32.dll", CreateFontA), HOOK("gdi32.dll", CreateBitmap),
    HOOK("gdi32.dll", CreateBitmapIndirect), HOOK("gdi32.dll", CreateCompatibleBitmap),
    HOOK("gdi32.dll", CreateDIBSection), HOOK("gdi32.dll", CreateDIBitmap), HOOK("gdi32.dll", CreateCompatibleDC),
    HOOK("gdi32.dll", CreateDCA), HOOK("gdi32.dll", CreateRectRgn), HOOK("gdi32.dll", CreateRectRgnIndirect),
    HOOK("gdi32.dll", CreateRoundRectRgn), HOOK("gdi32.dll", CreateEllipticRgn),
    HOOK("gdi32.dll", CreateEllipticRgnIndirect), HOOK("gdi32.dll", CreatePolygonRgn),
    HOOK("gdi32.dll", CreatePolyPolygonRgn), HOOK("gdi32.dll", ExtCreateRegion), HOOK("gdi32.dll", PathToRegion),
    HOOK("gdi32.dll", CreatePalette), HOOK("gdi32.dll", CreateHalftonePalette), HOOK("gdi32.dll", DeleteObject),
    HOOK("gdi32.dll", DeleteDC),
    HOOK("user32.dll", LoadBitmapA), HOOK("user32.dll", GetDC), HOOK("user32.dll", GetWindowDC),
    HOOK("user32.dll", GetDCEx), HOOK("user32.dll", ReleaseDC), HOOK("user32.dll", CreateIconIndirect),
    HOOK("user32.dll", CreateIconFromResource), HOOK("user32.dll", CreateIconFromResourceEx),
    HOOK("user32.dll", CopyIcon), HOOK("user32.dll", CreateIcon), HOOK("user32.dll", CreateCursor),
    HOOK("user32.dll", LoadImageA), HOOK("user32.dll", CopyImage), HOOK("user32.dll", GetIconInfo),
    HOOK("user32.dll", PrivateExtractIconsA),
    HOOK("user32.dll", DestroyIcon), HOOK("user32.dll", DestroyCursor), HOOK("user32.dll", SetWindowRgn),
    HOOK("shell32.dll", ExtractAssociatedIconA), HOOK("shell32.dll", ExtractIconA),
    HOOK("shell32.dll", ExtractIconExA), HOOK("kernel32.dll", GetProcAddress),
};

#undef HOOK

// Functions a test answers the look-up with instead, by name.
struct TReplacement {
    const char* name;
    void* replacement;
    void** original;
};
std::vector<TReplacement> replacements;

FARPROC WINAPI Hook_GetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC found = real_GetProcAddress(module, name);
    if (!found || IS_INTRESOURCE(name)) return found;
    for (const TReplacement& r : replacements)
        if (std::strcmp(r.name, name) == 0) {
            *r.original = reinterpret_cast<void*>(found);
            return reinterpret_cast<FARPROC>(r.replacement);
        }
    for (const THook& h : hooks)
        if (std::strcmp(h.name, name) == 0 && GetModuleHandleA(h.dll) == module) {
            if (!*h.real) *h.real = reinterpret_cast<void*>(found);
            return reinterpret_cast<FARPROC>(h.hook);
        }
    return found;
}

// Rewrites the executable's import address table. Static libraries are
// linked into the executable, so its one table covers the library and the
// tests alike. True when at least the GDI deletions are seen, without which
// no count means anything.
bool InstallHooks() {
    auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return false;

    bool deletionsSeen = false;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        const char* dll = reinterpret_cast<const char*>(base + d->Name);
        HMODULE module = GetModuleHandleA(dll);
        auto* iat = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        // The name table, when the linker kept one; otherwise entries are
        // matched by address.
        auto* names = d->OriginalFirstThunk ? reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk) : nullptr;
        for (size_t i = 0; iat[i].u1.Function; ++i) {
            for (const THook& h : hooks) {
                if (lstrcmpiA(h.dll, dll) != 0) continue;
                bool match;
                if (names) {
                    if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) break;
                    auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
                    match = std::strcmp(reinterpret_cast<const char*>(byName->Name), h.name) == 0;
                } else {
                    match = module && reinterpret_cast<FARPROC>(iat[i].u1.Function) == GetProcAddress(module, h.name);
                }
                if (!match) continue;
                *h.real = reinterpret_cast<void*>(iat[i].u1.Function);
                DWORD protection;
                if (!VirtualProtect(&iat[i].u1.Function, sizeof iat[i].u1.Function, PAGE_READWRITE, &protection))
                    break;
                iat[i].u1.Function = reinterpret_cast<uintptr_t>(h.hook);
                VirtualProtect(&iat[i].u1.Function, sizeof iat[i].u1.Function, protection, &protection);
                if (h.real == reinterpret_cast<void**>(&real_DeleteObject)) deletionsSeen = true;
                break;
            }
        }
    }
    return deletionsSeen;
}

bool Installed() {
    static const bool installed = InstallHooks();
    return installed;
}

bool OwnWindow(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

// The input-method windows the system gives each thread with its first
// window come and go with the thread's windows; they are not ours.
bool SystemWindow(HWND window) {
    char name[32];
    int n = GetClassNameA(window, name, sizeof name);
    return n > 0 && (lstrcmpiA(name, "IME") == 0 || lstrcmpiA(name, "MSCTFIME UI") == 0);
}

BOOL CALLBACK CountChild(HWND window, LPARAM count) {
    if (!SystemWindow(window)) ++*reinterpret_cast<long*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
    if (OwnWindow(window) && !SystemWindow(window)) {
        ++*reinterpret_cast<long*>(count);
        EnumChildWindows(window, CountChild, count); // all descendants
    }
    return TRUE;
}

long CountWindows() {
    long count = 0;
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    // Message-only windows are not top-level windows to EnumWindows.
    for (HWND w = nullptr; (w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr));)
        CountTopLevel(w, reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const THandleCounts& c) {
    out << "{Gdi " << c.Gdi << ", Dc " << c.Dc << ", Icons " << c.Icons << ", Windows " << c.Windows;
    if (c.SystemGdi >= 0) out << ", system GDI " << c.SystemGdi << ", system USER " << c.SystemUser;
    return out << "}";
}

bool ReplaceLookedUpFunction(const char* name, void* replacement, void** original) {
    if (!Installed() || !real_GetProcAddress) return false;
    replacements.push_back({name, replacement, original});
    return true;
}

bool HandleCountingAvailable() {
    static const bool switchedOff = std::getenv("VARNOQ_NO_HANDLE_COUNTS") != nullptr;
    return !switchedOff && Installed();
}

THandleCounts CurrentHandleCounts() {
    THandleCounts counts;
    Installed();
    {
        std::lock_guard<std::mutex> guard(liveLock);
        counts.Gdi = long(live[kGdi].size());
        counts.Dc = long(live[kDc].size());
        counts.Icons = long(live[kIcon].size());
    }
    counts.Windows = CountWindows();
    // Wine's GetGuiResources is a stub answering 0; a real process always
    // has some objects.
    DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (gdi > 0) {
        counts.SystemGdi = long(gdi);
        counts.SystemUser = long(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    }
    return counts;
}

} // namespace testing_support
