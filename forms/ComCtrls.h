// Common controls: the page control with its tab sheets, and the image list.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "Controls.h"

namespace forms {

class TPageControl;

// One page of a page control, with its tab. The page control sizes it to
// its display area and shows only the active sheet.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    std::string ClassName() const override { return "TTabSheet"; }

    TPageControl* PageControl() const { return pageControl_; }
    // Position among the page control's sheets; -1 outside one.
    int PageIndex() const;
    void SetPageIndex(int index);
    // A sheet without a tab cannot be chosen by the user.
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);

    void SetParent(TWinControl* parent) override;
    void SetCaption(const std::string& caption) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // A sheet the user has not opened yet costs no windows.
    bool WindowWaitsWhileHidden() const override { return true; }

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
};

// Tabs over a stack of sheets. Choosing the page from code runs no
// handler; the user's choice of a tab shows its sheet and runs OnChange.
class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    std::string ClassName() const override { return "TPageControl"; }

    int PageCount() const { return int(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(size_t(index)); }
    TTabSheet* ActivePage() const { return activePage_; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // The next (or previous) page with a tab, wrapping, chosen as the user's
    // click on its tab would (Ctrl+Tab): OnChange runs.
    void SelectNextPage(bool forward);

    void SetBounds(int left, int top, int width, int height) override;

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWnd() override;
    bool NotifyReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void FontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TTabSheet;
    // WM_PAINT: a small damage (the tabs after a switch) through an image.
    void PaintDamage();
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void MovePage(TTabSheet* page, int index);
    // Tab position of a sheet (-1 when its tab is hidden) and back.
    int TabIndexOf(TTabSheet* page) const;
    TTabSheet* PageOfTab(int tab) const;
    void UpdateTabs();
    void LayoutSheets();
    void ShowActivePage();
    // The user's choice of a page: shows it and runs OnChange.
    void UserSelectPage(TTabSheet* page);

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
};

class TImageList;

// A listener's registration with an image list: OnChange runs after the
// list's images or their size changed. A link is with one list at a time;
// destroying it unregisters it.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    TImageList* Sender() const { return sender_; }
    std::function<void(TChangeLink*)> OnChange;

private:
    friend class TImageList;
    TImageList* sender_ = nullptr;
};

// Small pictures of one size, drawn by index (the rows of a list).
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner);
    ~TImageList() override;
    std::string ClassName() const override { return "TImageList"; }

    // Changing the size empties the list.
    int Width() const { return width_; }
    void SetWidth(int value);
    int Height() const { return height_; }
    void SetHeight(int value);

    int Count() const;
    // Adds a copy of the icon, scaled to the list's size, and returns its
    // index. An empty icon (one that could not be loaded) adds a blank
    // image, so image i stays in step with row i of what the list serves.
    int Add(const TIcon& icon);
    int AddIcon(HICON icon);
    // Adds the images of the module's icon resources ids in one step, each
    // the image of its group nearest the list's size, and returns the first
    // one's index; a missing or malformed resource adds a blank image.
    int AddIconResources(HINSTANCE module, const std::vector<int>& ids);
    void Clear();
    // Draws image index with its mask at (x, y); an index out of range draws nothing.
    void Draw(TCanvas& canvas, int x, int y, int index);

    // Made on first use, destroyed with the list.
    HIMAGELIST Handle();

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);

private:
    void FreeHandle();
    void Change();
    // Adds count images in one step, each drawn by draw(i, image DC, mask
    // DC, its place) on a blank strip.
    int AddImages(int count, const std::function<void(int, HDC, HDC, const RECT&)>& draw);
    std::vector<TChangeLink*> changeLinks_;

    int width_ = 16;
    int height_ = 16;
    HIMAGELIST handle_ = nullptr;
};

} // namespace forms
