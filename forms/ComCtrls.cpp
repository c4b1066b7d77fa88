#include "ComCtrls.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "GdiGuards.h"
#include "IcoDecoder.h"
#include "Painting.h"
#include "Resources.h"

namespace forms {

namespace {

void InitTabControls() {
    static bool done = false;
    if (done) return;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    done = true;
}

bool HoldsFocus(TWinControl* control, HWND focus) {
    if (!focus || !control->HandleAllocated()) return false;
    HWND wnd = control->Handle();
    return focus == wnd || IsChild(wnd, focus);
}

} // namespace

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) { SetVisible(false); }

void TTabSheet::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == pageControl_) pageControl_ = nullptr;
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    return int(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
    if (pageControl_) pageControl_->MovePage(this, index);
}

void TTabSheet::SetTabVisible(bool value) {
    if (value == tabVisible_) return;
    tabVisible_ = value;
    if (!pageControl_) return;
    if (!value && pageControl_->activePage_ == this) {
        // The user can no longer reach this sheet: show the first that has a tab.
        TTabSheet* next = pageControl_->PageOfTab(0);
        pageControl_->activePage_ = next;
        pageControl_->ShowActivePage();
    }
    pageControl_->UpdateTabs();
}

void TTabSheet::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    if (pageControl_) {
        pageControl_->RemovePage(this);
        RemoveFreeNotification(pageControl_);
        pageControl_ = nullptr;
    }
    TWinControl::SetParent(parent);
    if (auto* pageControl = dynamic_cast<TPageControl*>(parent)) pageControl->InsertPage(this);
}

void TTabSheet::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    TWinControl::SetCaption(caption);
    if (pageControl_) pageControl_->UpdateTabs();
}

// ------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
}

// Sheets and their page control learn of each other's end by removal notification.
void TPageControl::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    for (TTabSheet* page : pages_)
        if (page == component) return RemovePage(page);
}

void TPageControl::CreateParams(TCreateParams& params) {
    InitTabControls();
    TWinControl::CreateParams(params);
    params.WinClassName = WC_TABCONTROLA;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN; // the sheets are not painted over
}

void TPageControl::InitializeWnd() { UpdateTabs(); }

LRESULT TPageControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT && !wParam) {
        PaintDamage();
        return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

void TPageControl::PaintDamage() {
    // Drawn on the screen, each themed part of a tab costs the system a
    // round trip to the display settings (about 0.1 ms under Wine); drawn
    // on an image, none. A large damage (the whole control) is drawn on the
    // screen: its image would cost more than it saves.
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(handle_, &ps);
    if (!dc) return;
    const RECT box = ps.rcPaint;
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (width * height * 4 > SmallImageBytes) {
        DefaultHandler(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    } else if (width > 0 && height > 0) {
        TGdiObject image(NewImage(dc, width, height));
        TMemoryDC own(static_cast<HBITMAP>(image.Get()), dc);
        SetViewportOrgEx(own, -box.left, -box.top, nullptr);
        // The control leaves the pixels beside a raised tab as they were.
        BitBlt(own, box.left, box.top, width, height, dc, box.left, box.top, SRCCOPY);
        DefaultHandler(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(own)), PRF_CLIENT);
        BitBlt(dc, box.left, box.top, width, height, own, box.left, box.top, SRCCOPY);
    }
    EndPaint(handle_, &ps);
}

void TPageControl::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    LayoutSheets();
}

void TPageControl::FontChanged() {
    TWinControl::FontChanged();
    LayoutSheets(); // the tabs' height follows the font
}

int TPageControl::TabIndexOf(TTabSheet* page) const {
    int tab = 0;
    for (TTabSheet* p : pages_) {
        if (!p->tabVisible_) continue;
        if (p == page) return tab;
        ++tab;
    }
    return -1;
}

TTabSheet* TPageControl::PageOfTab(int tab) const {
    for (TTabSheet* p : pages_)
        if (p->tabVisible_ && tab-- == 0) return p;
    return nullptr;
}

void TPageControl::UpdateTabs() {
    if (!HandleAllocated()) return;
    SendMessageA(handle_, TCM_DELETEALLITEMS, 0, 0);
    int tab = 0;
    for (TTabSheet* p : pages_) {
        if (!p->tabVisible_) continue;
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(p->Caption().c_str());
        SendMessageA(handle_, TCM_INSERTITEMA, WPARAM(tab++), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(handle_, TCM_SETCURSEL, WPARAM(TabIndexOf(activePage_)), 0);
    LayoutSheets();
}

void TPageControl::LayoutSheets() {
    if (!HandleAllocated()) return;
    RECT r;
    GetClientRect(handle_, &r);
    SendMessageA(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    for (TTabSheet* p : pages_) p->SetBounds(r.left, r.top, std::max<LONG>(r.right - r.left, 0), std::max<LONG>(r.bottom - r.top, 0));
}

void TPageControl::ShowActivePage() {
    HWND focus = GetFocus();
    bool focusHidden = false;
    // The new page first, in the old one's place: the old one then goes
    // without the system painting what it uncovered (nothing: the pages
    // share their bounds) or, with that, erasing each of the new page's
    // windows at once, a round trip each.
    if (activePage_) activePage_->SetVisible(true);
    const bool covered = activePage_ && activePage_->HandleAllocated() && IsWindowVisible(activePage_->Handle());
    for (TTabSheet* p : pages_) {
        if (p == activePage_) continue;
        const bool heldFocus = HoldsFocus(p, focus);
        focusHidden = focusHidden || heldFocus;
        if (covered && !heldFocus && p->HandleAllocated() && IsWindowVisible(p->Handle())) {
            SendMessageA(p->Handle(), WM_SHOWWINDOW, FALSE, 0);
            SetWindowPos(p->Handle(), nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOREDRAW |
                             SWP_DEFERERASE);
        }
        p->SetVisible(false);
    }
    // Focus must not stay on a control that can no longer be seen.
    if (focusHidden && HandleAllocated() && CanFocus()) ::SetFocus(handle_);
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    FreeNotification(page);
    if (!activePage_ && page->tabVisible_) activePage_ = page;
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::RemovePage(TTabSheet* page) {
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    // Touches only the control's side: the sheet may be on its way out.
    RemoveFreeNotification(page);
    if (activePage_ == page) activePage_ = PageOfTab(0);
    if (Destroying()) return;
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    pages_.erase(it);
    index = std::clamp(index, 0, int(pages_.size()));
    pages_.insert(pages_.begin() + index, page);
    UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this) return;
    if (page == activePage_) return;
    activePage_ = page;
    if (HandleAllocated()) SendMessageA(handle_, TCM_SETCURSEL, WPARAM(TabIndexOf(page)), 0);
    ShowActivePage();
}

int TPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[size_t(index)] : nullptr);
}

void TPageControl::UserSelectPage(TTabSheet* page) {
    if (!page || page == activePage_) return;
    activePage_ = page;
    if (HandleAllocated()) SendMessageA(handle_, TCM_SETCURSEL, WPARAM(TabIndexOf(page)), 0);
    // The handler finds the page shown (it may focus one of its controls),
    // and the page waits to be painted until the handler is done (it may
    // change the window's shape, as the program's main window does).
    TPaintShownLater paintAfterHandler;
    ShowActivePage();
    if (OnChange) OnChange(this);
}

void TPageControl::SelectNextPage(bool forward) {
    int tabs = 0;
    while (PageOfTab(tabs)) ++tabs;
    if (tabs == 0) return;
    int at = TabIndexOf(activePage_);
    if (at < 0) at = forward ? -1 : tabs;
    UserSelectPage(PageOfTab(((forward ? at + 1 : at - 1) % tabs + tabs) % tabs));
}

bool TPageControl::NotifyReflected(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case TCN_SELCHANGING:
        result = FALSE; // the user may always leave a page
        return true;
    case TCN_SELCHANGE: {
        result = 0;
        UserSelectPage(PageOfTab(int(SendMessageA(handle_, TCM_GETCURSEL, 0, 0))));
        return true;
    }
    }
    return false;
}

// --------------------------------------------------------------- TImageList

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

TImageList::~TImageList() {
    for (TChangeLink* link : changeLinks_) link->sender_ = nullptr;
    FreeHandle();
}

TChangeLink::~TChangeLink() {
    if (sender_) sender_->UnRegisterChanges(this);
}

void TImageList::RegisterChanges(TChangeLink* link) {
    if (!link || link->sender_ == this) return;
    if (link->sender_) link->sender_->UnRegisterChanges(link);
    link->sender_ = this;
    changeLinks_.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(changeLinks_.begin(), changeLinks_.end(), link);
    if (it == changeLinks_.end()) return;
    changeLinks_.erase(it);
    link->sender_ = nullptr;
}

void TImageList::Change() {
    // A listener may unregister itself or another one while being told.
    std::vector<TChangeLink*> links = changeLinks_;
    for (TChangeLink* link : links)
        if (link->sender_ == this && link->OnChange) link->OnChange(link);
}

void TImageList::FreeHandle() {
    if (handle_) ImageList_Destroy(handle_);
    handle_ = nullptr;
}

void TImageList::SetWidth(int value) {
    if (value <= 0 || value == width_) return;
    width_ = value;
    FreeHandle();
    Change();
}

void TImageList::SetHeight(int value) {
    if (value <= 0 || value == height_) return;
    height_ = value;
    FreeHandle();
    Change();
}

HIMAGELIST TImageList::Handle() {
    if (!handle_) {
        handle_ = ImageList_Create(width_, height_, ILC_COLOR24 | ILC_MASK, 4, 4);
        if (!handle_) OutOfResources();
    }
    return handle_;
}

int TImageList::Count() const { return handle_ ? ImageList_GetImageCount(handle_) : 0; }

int TImageList::Add(const TIcon& icon) { return AddIcon(icon.Handle()); }

namespace {

// Draws the icon's image and mask scaled into place.
void DrawIconParts(HICON icon, HDC image, HDC mask, const RECT& place) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return;
    TGdiObject color(info.hbmColor), andMask(info.hbmMask); // ours to delete
    BITMAP size{};
    GetObjectA(info.hbmMask, sizeof size, &size);
    // A monochrome icon keeps its image below its mask, twice as high.
    const int height = info.hbmColor ? size.bmHeight : size.bmHeight / 2;
    TMemoryDC source(info.hbmMask, mask);
    const int w = place.right - place.left, h = place.bottom - place.top;
    StretchBlt(mask, place.left, place.top, w, h, source, 0, 0, size.bmWidth, height, SRCCOPY);
    if (info.hbmColor) SelectObject(source, info.hbmColor);
    StretchBlt(image, place.left, place.top, w, h, source, 0, info.hbmColor ? 0 : height, size.bmWidth, height,
               SRCCOPY);
}

// Draws an icon image as a module holds it, scaled into place: its pixels
// straight from the resource, without making an icon of it first.
void DrawIconImage(const uint8_t* bytes, DWORD size, HDC image, HDC mask, const RECT& place) {
    TIconImage parts;
    try {
        parts = ReadIconImage(bytes, size);
    } catch (const EInvalidGraphic&) {
        return; // a blank, as for a missing icon
    }
    const int w = place.right - place.left, h = place.bottom - place.top;
    if (parts.Png) {
        // Only the system reads PNG.
        HICON icon = CreateIconFromResourceEx(const_cast<uint8_t*>(bytes), size, TRUE, 0x00030000, w, h, 0);
        DrawIconParts(icon, image, mask, place);
        if (icon) DestroyIcon(icon);
        return;
    }
    // The stored header counts the mask in the height: a copy says one image.
    std::vector<uint8_t> header(bytes, bytes + parts.PixelsOffset);
    auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
    info->bmiHeader.biHeight = parts.Height;
    info->bmiHeader.biSizeImage = 0;
    StretchDIBits(image, place.left, place.top, w, h, 0, 0, parts.Width, parts.Height, bytes + parts.PixelsOffset,
                  info, DIB_RGB_COLORS, SRCCOPY);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } monochrome{{sizeof(BITMAPINFOHEADER), parts.Width, parts.Height, 1, 1, BI_RGB, 0, 0, 0, 0, 0},
                 {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    StretchDIBits(mask, place.left, place.top, w, h, 0, 0, parts.Width, parts.Height, bytes + parts.MaskOffset,
                  reinterpret_cast<BITMAPINFO*>(&monochrome), DIB_RGB_COLORS, SRCCOPY);
}

} // namespace

int TImageList::AddIcon(HICON icon) {
    return AddImages(1, [&](int, HDC image, HDC mask, const RECT& place) { DrawIconParts(icon, image, mask, place); });
}

int TImageList::AddIconResources(HINSTANCE module, const std::vector<int>& ids) {
    TWindowDC screen;
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    return AddImages(int(ids.size()), [&](int i, HDC image, HDC mask, const RECT& place) {
        const TResourceBytes group = FindResourceBytes(module, MAKEINTRESOURCEA(ids[size_t(i)]), RT_GROUP_ICON);
        const int id = group.Data ? ChooseGroupIcon(group.Data, group.Size, width_, height_, depth) : 0;
        const TResourceBytes icon = id ? FindResourceBytes(module, MAKEINTRESOURCEA(id), RT_ICON) : TResourceBytes{};
        if (icon.Data) DrawIconImage(icon.Data, icon.Size, image, mask, place);
    });
}

int TImageList::AddImages(int count, const std::function<void(int, HDC, HDC, const RECT&)>& draw) {
    if (count <= 0) return Count();
    // The images are laid side by side on one image and one mask, which the
    // list takes in one step: the list's own way with an icon loads it
    // again from its module, one at a time.
    TWindowDC screen;
    TGdiObject image(NewImage(screen, width_ * count, height_));
    TGdiObject mask(CreateBitmap(width_ * count, height_, 1, 1, nullptr));
    if (!image.Get() || !mask.Get()) OutOfResources();
    {
        TMemoryDC imageDC(static_cast<HBITMAP>(image.Get()), screen), maskDC(static_cast<HBITMAP>(mask.Get()), screen);
        // What is not drawn stays blank: black, and masked out all over.
        PatBlt(imageDC, 0, 0, width_ * count, height_, BLACKNESS);
        PatBlt(maskDC, 0, 0, width_ * count, height_, WHITENESS);
        for (int i = 0; i < count; ++i) draw(i, imageDC, maskDC, {i * width_, 0, (i + 1) * width_, height_});
    }
    const int index = ImageList_Add(Handle(), static_cast<HBITMAP>(image.Get()), static_cast<HBITMAP>(mask.Get()));
    if (index < 0) OutOfResources();
    Change();
    return index;
}

void TImageList::Clear() {
    if (handle_ && ImageList_Remove(handle_, -1)) Change();
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) {
    if (index < 0 || index >= Count()) return;
    ImageList_Draw(handle_, index, canvas.Handle(), x, y, ILD_TRANSPARENT);
}

} // namespace forms
