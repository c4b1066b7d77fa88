// Controls that draw themselves: the image, the bevel, the panel, and the
// notebook, a stack of pages of which one is shown.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"

namespace forms {

// A picture on its parent's window.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    std::string ClassName() const override { return "TImage"; }

    TPicture& Picture() { return *picture_; }
    // Sizes the control to the picture whenever the picture changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    // Bitmaps leave out their transparent colour (the bottom-left pixel).
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    // Where the picture goes in client coordinates: the whole control when
    // stretched, else the picture's size, centred or at the top-left.
    RECT DestRect() const;
    // The picture's size on this control: its pixels scaled from the
    // resolution they are made for to the form's.
    SIZE PictureSize() const;

    void Loaded() override;

protected:
    void Paint() override;

private:
    void PictureChanged();

    std::unique_ptr<TPicture> picture_;
    bool autoSize_ = false;
    bool center_ = false;
    bool stretch_ = false;
    bool transparent_ = false;
};

enum TBevelShape { bsBox, bsTopLine };
enum TBevelStyle { bsLowered, bsRaised };

// A sunken or raised box or line.
class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    std::string ClassName() const override { return "TBevel"; }

    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A container with an outer bevel, a border of its own colour, an inner
// bevel and a caption in the middle. Aligned children share what lies
// inside the bevels and the border.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    std::string ClassName() const override { return "TPanel"; }

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // Sizes the panel to the bounding box of its visible children plus
    // its bevels and border.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    // The width of bevels and border on each side.
    int FrameWidth() const;
    // The caption within the bevels and the border.
    int WidthForText() override;
    TAlignment TextAlignment() const override { return alignment_; }

    void Loaded() override;

protected:
    void Paint() override;
    void AdjustClientRect(RECT& rect) override;
    void ControlChanged(TControl* control) override;

private:
    void AdjustSize();

    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
    bool autoSize_ = false;
    bool adjusting_ = false;
};

class TNotebook;

// One page of a notebook; it fills the notebook.
class TPage : public TWinControl {
public:
    explicit TPage(TComponent* owner);
    std::string ClassName() const override { return "TPage"; }

    TNotebook* Notebook() const { return notebook_; }
    void SetParent(TWinControl* parent) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TNotebook;
    TNotebook* notebook_ = nullptr;
};

// A stack of pages, one shown at a time; pages are known by index and by
// caption. Choosing the page from code runs no handler (there is none).
class TNotebook : public TWinControl {
public:
    explicit TNotebook(TComponent* owner);
    std::string ClassName() const override { return "TNotebook"; }

    int PageCount() const { return int(pages_.size()); }
    TPage* Pages(int index) const { return pages_.at(size_t(index)); }
    // An index out of range is ignored.
    int PageIndex() const { return pageIndex_; }
    void SetPageIndex(int index);
    // The caption of the shown page; naming no page is ignored.
    std::string ActivePage() const;
    void SetActivePage(const std::string& caption);
    // Gives page i the caption captions[i], adding pages that are missing.
    void SetPageCaptions(const std::vector<std::string>& captions);

    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TPage;
    void InsertPage(TPage* page);
    void RemovePage(TPage* page);
    void ShowActivePage();

    std::vector<TPage*> pages_;
    int pageIndex_ = 0;
    std::string pendingActivePage_; // named in a layout before the pages existed
};

} // namespace forms
