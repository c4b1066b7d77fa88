#include "HotImageWindow.h"

#include <oleacc.h>

#include "HotImage.h"
#include "HotImageAccessible.h"
#include "forms/SystemLibrary.h"

namespace components {

using namespace forms;

namespace {
// Our own window class: no one else sends it this.
constexpr UINT kPickMessage = WM_USER + 1;
} // namespace

THotImageWindow::THotImageWindow(THotImage& image) : TWinControl(nullptr), image_(image) { SetTabStop(true); }

THotImageWindow::~THotImageWindow() {
    // The window itself goes with the base class, which no longer reaches
    // our WM_DESTROY: the object is let go of here.
    ReleaseAccessible();
}

bool THotImageWindow::TabStopNow() const {
    return TWinControl::TabStopNow() && image_.Reachable() && image_.HotSpots().FirstEnabled();
}

bool THotImageWindow::DialogKey(WORD key) {
    switch (key) {
    case VK_RETURN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: return image_.KeyDown(key);
    }
    return false;
}

void THotImageWindow::PostPick(int index, int32_t id) {
    if (HandleAllocated()) PostMessageA(handle_, kPickMessage, WPARAM(index), LPARAM(id));
}

void THotImageWindow::InitializeWnd() {
    // An empty shape: the window is there for the focus and for assistive
    // technology, while the parent goes on painting the image and getting
    // its mouse messages (the system takes the region over).
    TGdiObject empty(CreateRectRgn(0, 0, 0, 0));
    GiveWindowRegion(handle_, empty, false);
}

LRESULT THotImageWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: ValidateRect(handle_, nullptr); return 0;
    case WM_SETFOCUS: image_.FocusChanged(true); break;
    case WM_KILLFOCUS: image_.FocusChanged(false); break;
    case WM_KEYDOWN:
        // Space picks once per press, not again as the key repeats.
        if (wParam == VK_SPACE && (lParam & (1 << 30))) return 0;
        if ((wParam == VK_SPACE || wParam == VK_HOME || wParam == VK_END) && image_.KeyDown(WORD(wParam))) return 0;
        break;
    case WM_UPDATEUISTATE: {
        LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
        image_.InvalidateFocusMark(); // the mark shows only with the keyboard cues
        return result;
    }
    case WM_GETOBJECT: return GetObject(wParam, lParam);
    case WM_DESTROY: ReleaseAccessible(); break;
    case kPickMessage: {
        THotSpots& spots = image_.HotSpots();
        int index = int(wParam);
        if (index < 0 || index >= spots.Count()) return 0;
        TSpot* spot = spots.Items(index);
        if (spot->Id() != int32_t(lParam) || !spot->Enabled()) return 0; // the spots changed meanwhile
        image_.SetFocusedSpot(spot);
        image_.PickFocusedSpot();
        return 0;
    }
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

LRESULT THotImageWindow::GetObject(WPARAM wParam, LPARAM lParam) {
    // Only the client area is ours; the window's frame and everything else
    // keep the platform's standard objects.
    if (DWORD(lParam) != DWORD(OBJID_CLIENT)) return TWinControl::WndProc(WM_GETOBJECT, wParam, lParam);
    if (!accessible_) {
        // Handing out an object marshals it: this thread needs COM, and
        // keeps it until the object is let go of.
        auto initialize = SYSTEM_FUNCTION("ole32.dll", CoInitializeEx);
        if (!comInitialized_ && initialize) comInitialized_ = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
        accessible_ = new THotImageAccessible(image_, *this);
    }
    auto lresultFromObject = SYSTEM_FUNCTION("oleacc.dll", LresultFromObject);
    return lresultFromObject ? lresultFromObject(__uuidof(IAccessible), wParam, accessible_) : 0;
}

void THotImageWindow::ReleaseAccessible() {
    if (accessible_) {
        // Clients still holding it get "disconnected" from now on.
        accessible_->Disconnect();
        if (auto disconnect = SYSTEM_FUNCTION("ole32.dll", CoDisconnectObject)) disconnect(accessible_, 0);
        accessible_->Release();
        accessible_ = nullptr;
    }
    if (comInitialized_) {
        SYSTEM_FUNCTION("ole32.dll", CoUninitialize)(); // there, as it initialized COM
        comInitialized_ = false;
    }
}

} // namespace components
