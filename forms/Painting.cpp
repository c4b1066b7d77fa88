#include "Painting.h"

#include <algorithm>

namespace forms {

namespace {

RECT ClientRectOf(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

HBITMAP NewAreaImage(HDC like, const RECT& area) {
    return NewImage(like, area.right - area.left, area.bottom - area.top);
}

// A memory DC holding an image of another format than 32 bits (a mask, a
// picture's own pixels) gets images of that format.
bool HoldsOtherFormat(HDC dc) {
    if (GetObjectType(dc) != OBJ_MEMDC) return false;
    BITMAP held{};
    return !GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof held, &held) || held.bmBitsPixel != 32;
}

} // namespace

HBITMAP NewImage(HDC like, int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    HBITMAP bitmap = nullptr;
    if (HoldsOtherFormat(like) || width * height * 4 > SmallImageBytes) {
        bitmap = CreateCompatibleBitmap(like, width, height);
    } else {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    }
    if (!bitmap) OutOfResources();
    return bitmap;
}

TCanvasBinding::TCanvasBinding(TCanvas& canvas, HDC dc, const TFont* font)
    : canvas_(canvas), previous_(canvas.dc_) {
    canvas_.SetHandle(dc);
    if (font) canvas_.Font().Assign(font);
}

TCanvasBinding::~TCanvasBinding() { canvas_.SetHandle(previous_); }

TPaintBuffer::TPaintScope::TPaintScope(HWND window) : window(window) {
    if (!window) return;
    dc = BeginPaint(window, &ps);
    if (!dc) OutOfResources();
}

TPaintBuffer::TPaintBuffer(HWND window)
    : paint_(window), targetDC_(paint_.dc), area_(ClientRectOf(window)), paintRect_(paint_.ps.rcPaint),
      // Nothing to paint (a window all covered by its children) needs no image.
      bitmap_(NewAreaImage(targetDC_, IsRectEmpty(&paintRect_) ? RECT{} : area_)),
      memoryDC_(static_cast<HBITMAP>(bitmap_.Get()), targetDC_) {
    canvas_.SetHandle(memoryDC_);
    ::IntersectClipRect(memoryDC_, paintRect_.left, paintRect_.top, paintRect_.right, paintRect_.bottom);
}

TPaintBuffer::TPaintBuffer(HDC target, const RECT& area)
    : paint_(nullptr), targetDC_(target), area_(area), paintRect_(area), bitmap_(NewAreaImage(targetDC_, area_)),
      memoryDC_(static_cast<HBITMAP>(bitmap_.Get()), targetDC_) {
    canvas_.SetHandle(memoryDC_);
    // Drawing uses the target's coordinates.
    SetViewportOrgEx(memoryDC_, -area.left, -area.top, nullptr);
}

TPaintBuffer::TPaintBuffer(TCanvas& target, const RECT& area) : TPaintBuffer(target.Handle(), area) {
    targetCanvas_ = &target;
    canvas_.Pen().Assign(&target.Pen());
    canvas_.Brush().Assign(&target.Brush());
    canvas_.Font().Assign(&target.Font());
}

TPaintBuffer::~TPaintBuffer() = default;

void TPaintBuffer::Flush() {
    const RECT& r = paintRect_;
    if (r.right <= r.left || r.bottom <= r.top) return;
    // Both DCs take the same coordinates: the image's origin is moved to area_.
    HDC to = targetCanvas_ ? targetCanvas_->Handle() : targetDC_;
    BitBlt(to, r.left, r.top, r.right - r.left, r.bottom - r.top, memoryDC_, r.left, r.top, SRCCOPY);
}

} // namespace forms
