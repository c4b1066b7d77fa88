// The hot-spot image: a picture with clickable spots that light up under the
// mouse, painted from a second picture (the mask picture) that holds the
// lit-up look. TSpot is one spot, THotSpots the ordered list of them (the
// first spot under a point wins), THotImage the control.
//
// All spot geometry is in picture coordinates; the image maps them to its
// client area as it draws the picture (stretched, centred or at the top-left).
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HotSpotData.h"
#include "forms/GdiGuards.h"
#include "forms/ExtCtrls.h"

namespace components {

class THotSpots;
class THotImage;
class THotImageWindow;

// Where the arrow keys move the keyboard focus on the picture.
enum TSpotDirection { sdLeft, sdRight, sdUp, sdDown };

class TSpot {
public:
    explicit TSpot(TSpotShape shape);
    // Frees the region and leaves the owning list; the image lets go of it
    // as with THotSpots::Remove, but runs no handler (Remove a listed spot
    // first to have a lost selection reported).
    ~TSpot();
    TSpot(const TSpot&) = delete;
    TSpot& operator=(const TSpot&) = delete;

    THotSpots* Owner() const { return owner_; }

    // Rectangles are tested by arithmetic; other shapes keep their region
    // only while it contains the point asked about.
    bool ContainsPoint(POINT p);
    // Rectangles and ellipses: their four integers. Polylines: the box of
    // their region, one wider to the right and the bottom.
    RECT GetBounds();
    // Polylines scale every point from their bounds into r.
    void SetBounds(const RECT& r);

    TSpotShape Shape() const { return data_.Shape; }
    void SetShape(TSpotShape shape);
    void AddPoint(POINT p);
    void ClearPoints();
    int PointCount() const { return data_.PointCount(); }
    const std::vector<int32_t>& Points() const { return data_.Points; }

    TSpotMaskItem GetMaskItem() const { return data_.GetMaskItem(); }
    void SetMaskItem(const TSpotMaskItem& item) { data_.SetMaskItem(item); }
    bool HasMaskItem() const { return data_.MaskItem.has_value(); }

    const std::string& Hint() const { return data_.Hint; }
    void SetHint(const std::string& hint) { data_.Hint = hint; }
    int32_t Id() const { return data_.Id; }
    void SetId(int32_t id) { data_.Id = id; }
    bool Enabled() const { return data_.Enabled; }
    void SetEnabled(bool enabled) { data_.Enabled = enabled; }

    void FreeRegion();
    bool HasRegion() const { return region_.Get() != nullptr; }
    // A new region of the shape, the caller's to delete; null for a shape
    // that has none (unknown shape values).
    HRGN CreateRegion() const;

    // Copies points, shape, hint, enabled and id; not the mask item.
    void Assign(const TSpot& other);

    const TSpotData& Data() const { return data_; }
    // Takes over a spot read from a map file or a stream.
    void SetData(TSpotData data);

private:
    friend class THotSpots;
    TSpotData data_;
    forms::TGdiObject region_; // only while the cursor is over the spot
    THotSpots* owner_ = nullptr;
};

// The spots of an image in hit-test order. Owns its spots.
class THotSpots : public forms::TPersistent {
public:
    explicit THotSpots(THotImage* owner = nullptr);
    ~THotSpots() override;
    THotSpots(const THotSpots&) = delete;
    THotSpots& operator=(const THotSpots&) = delete;

    std::string ClassName() const override { return "THotSpots"; }
    THotImage* Owner() const { return owner_; }

    int Count() const { return int(spots_.size()); }
    TSpot* Items(int index) const { return spots_.at(size_t(index)); }
    int IndexOf(const TSpot* spot) const;

    // Appends the spot and takes it over.
    TSpot* Add(std::unique_ptr<TSpot> spot);
    // Takes the spot out of the list and hands it back; the image first
    // lets go of it (selection and highlight). Null when it is not here.
    std::unique_ptr<TSpot> Remove(TSpot* spot);
    // Frees the spots, the last one first, each taken out as Remove does.
    void Clear();

    // The first enabled spot containing p (picture coordinates), or -1 / null.
    int IndexAt(POINT p);
    TSpot* SpotAt(POINT p);
    // The enabled spot nearest to `from` in a direction, by the centres of
    // their boxes: of the spots centred beyond that edge of `from`, the one
    // whose centre is nearest, a step aside costing twice a step ahead; null
    // when no enabled spot lies that way. Ties go to the earlier spot.
    TSpot* NearestSpot(TSpot* from, TSpotDirection direction);
    // The first and the last enabled spot in list order, or null.
    TSpot* FirstEnabled() const;
    TSpot* LastEnabled() const;
    // The enabled spots counted from 1 in list order, as assistive
    // technology numbers them: how many, the ordinal of a spot (0 for one
    // disabled or not here) and the spot of an ordinal (null if none).
    int EnabledCount() const;
    int EnabledOrdinal(const TSpot* spot) const;
    TSpot* EnabledAt(int ordinal) const;

    // Copies another THotSpots spot by spot, mask items included; anything
    // else raises the assignment error and changes nothing.
    void Assign(const forms::TPersistent* source) override;
    bool HasMaskItems() const;

    // Replaces the spots by those of a map file; "Cannot open file" when it
    // cannot be opened, before anything changes.
    void LoadFromFile(const std::string& fileName);

    // The stored "Spots" and "MaskItems" values; "MaskItems" refers to the
    // spots by position, so it is read after "Spots".
    void WriteSpots(forms::TStream& stream) const;
    void ReadSpots(forms::TStream& stream);
    void WriteMaskItems(forms::TStream& stream) const;
    void ReadMaskItems(forms::TStream& stream);
    void ReadBinaryProperty(const std::string& name, forms::TStream& stream) override;

private:
    friend class TSpot;
    // The spot leaves the list, not freed; the image lets go of it first,
    // reporting a lost selection only when `report` (never from a destructor).
    void Detach(TSpot* spot, bool report);
    std::vector<const TSpotData*> SpotData() const;

    THotImage* owner_;
    std::vector<TSpot*> spots_; // owned
};

using TGetHintTextEvent = std::function<void(forms::TObject* Sender, TSpot* Spot, std::string& Text)>;
using TSpotEvent = std::function<void(forms::TObject* Sender, TSpot* Spot)>;

class THotImage : public forms::TImage {
public:
    explicit THotImage(forms::TComponent* owner);
    ~THotImage() override;
    std::string ClassName() const override { return "THotImage"; }

    THotSpots& HotSpots() { return *hotSpots_; }
    void SetHotSpots(const THotSpots* value) { hotSpots_->Assign(value); }

    // The image's own hint and cursor, shown while no spot is selected.
    // (Through TControl the hint and cursor in force are seen.)
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) override;
    forms::TCursor Cursor() const { return cursor_; }
    void SetCursor(forms::TCursor cursor) override;
    forms::TCursor HotCursor() const { return hotCursor_; }
    void SetHotCursor(forms::TCursor cursor);
    // Click and double-click count only on a spot.
    bool HotAreasOnly() const { return hotAreasOnly_; }
    void SetHotAreasOnly(bool value) { hotAreasOnly_ = value; }
    forms::TPicture& MaskPicture() { return *maskPicture_; }
    void SetMaskPicture(const forms::TPicture* picture) { maskPicture_->Assign(picture); }
    // Also passed to a bitmap held by the mask picture.
    void SetTransparent(bool value);

    TSpot* SelectedSpot() const { return selectedSpot_; }
    // The spot under a point in control coordinates.
    TSpot* SpotAtPos(int x, int y);

    // The keyboard. The image takes the focus through a window of its own
    // that lies over it and leaves the mouse and the painting to the image;
    // Tab stops there while the image can be reached and has an enabled spot.
    // The arrow keys move the focused spot to the nearest one that way,
    // Home and End to the first and last; Enter and Space pick it as a click
    // on it does. The focused spot is marked along its outline.
    bool TabStop() const;
    void SetTabStop(bool value);
    bool Focused() const;
    void SetFocus();
    TSpot* FocusedSpot() const { return focusedSpot_; }
    // Moves the keyboard focus mark (and shows the spot's hint while the
    // image has the focus); a disabled spot or one of another list is refused.
    void SetFocusedSpot(TSpot* spot);
    // Selects the focused spot, lights it and raises the click, as a click on
    // it does (without the mouse events).
    void PickFocusedSpot();
    // The window the keyboard focus and assistive technology talk to; null
    // until the image has a parent window.
    forms::TWinControl* KeyboardWindow() const;
    // The name assistive technology reads for a spot: the spot's hint,
    // which OnGetSpotName may change.
    std::string SpotName(TSpot* spot);
    // The hint text of a spot, as the mouse shows it.
    std::string SpotHint(TSpot* spot);
    // A spot's box on the screen.
    RECT SpotScreenRect(TSpot* spot);

    // How the picture lies on the control.
    struct TPictureMapping {
        int PictureWidth, PictureHeight, DestWidth, DestHeight, DestLeft, DestTop;
    };
    TPictureMapping PictureMapping();
    POINT ControlToPicture(int x, int y);

    // The lit-up state, for those who draw or test it.
    TSpot* HighlightedSpot() const { return highlightedSpot_; }
    THighlightState HighlightState() const { return highlightState_; }
    bool HighlightVisible() const { return highlightVisible_; }
    forms::TBitmap* HighlightBitmap() const { return highlightBitmap_.get(); }
    POINT HighlightPos() const { return highlightPos_; }

    forms::TNotifyEvent OnPaint;
    TGetHintTextEvent OnGetHintText;
    TSpotEvent OnSelectSpot;
    TGetHintTextEvent OnGetSpotName;

    bool HitTest(int x, int y) override;
    bool HintShow(std::string& text) override;
    void MouseLeave() override;
    void EnabledChanged() override;
    void MouseDown(forms::TMouseButton button, forms::TShiftState shift, int x, int y) override;
    void MouseUp(forms::TMouseButton button, forms::TShiftState shift, int x, int y) override;
    void MouseMove(forms::TShiftState shift, int x, int y) override;
    void Click() override;
    void DblClick() override;
    void SetParent(forms::TWinControl* parent) override;
    void SetVisible(bool visible) override;

protected:
    void Paint() override;
    void BoundsChanged() override;

private:
    friend class THotSpots;
    friend class THotImageWindow;
    // From the keyboard window: a key it was given, true when used.
    bool KeyDown(WORD key);
    void FocusChanged(bool focused);
    // Redraws the focus mark, as the focus or the keyboard cues changed.
    void InvalidateFocusMark(bool focusChanging = false);
    void DrawFocusMark(HDC dc, POINT origin);
    // A picture-coordinate area as it lies on the parent's window; false
    // when it cannot be worked out (no parent window, no context).
    bool PictureToParent(RECT& area);
    // Moves the focus mark to spot; with hint, shows its hint as well.
    void MoveFocus(TSpot* spot, bool hint);
    void ShowFocusedHint();
    bool FocusMarkShown();
    void SetSelectedSpot(TSpot* spot, bool report = true);
    // Tells assistive technology what changed about a spot.
    void NotifySpotEvent(DWORD event, TSpot* spot);
    void SetHighlight(TSpot* spot, THighlightState state);
    // Builds the lit-up image of the part of spot the control shows, with the
    // mask picture laid at offset; box is that part in picture coordinates.
    // False when there is no such part.
    bool ComposeHighlight(TSpot* spot, POINT offset, RECT& box);
    // What of the picture the control shows, in picture coordinates (its
    // client area mapped 1:1 when there is no picture).
    RECT ShownPictureArea();
    // Sets the picture-to-parent mapping on dc, whose device origin is the
    // parent's client origin moved by `origin`.
    void SetPictureToParentMapping(HDC dc, POINT origin);
    void SpotRemoved(TSpot* spot, bool report);
    // Rebuilds the lit-up image after what it is made of changed.
    void RefreshHighlight();

    std::unique_ptr<THotSpots> hotSpots_;
    std::unique_ptr<forms::TPicture> maskPicture_;
    std::string hint_;
    forms::TCursor cursor_ = forms::crDefault;
    forms::TCursor hotCursor_ = forms::crHandPoint;
    bool hotAreasOnly_ = true;

    std::unique_ptr<forms::TBitmap> highlightBitmap_;
    POINT highlightPos_{0, 0};
    bool highlightVisible_ = false;
    TSpot* selectedSpot_ = nullptr;
    uint32_t lastHitPos_ = 0; // X and Y as two packed 16-bit values
    TSpot* highlightedSpot_ = nullptr;
    THighlightState highlightState_ = hsMouseOver;
    bool buttonDown_ = false;
    bool hitPosStale_ = false; // the keyboard moved the selection since the last hit test
    TSpot* focusedSpot_ = nullptr;
    bool keyboardHint_ = false; // the hint asked for is the focused spot's
    std::unique_ptr<THotImageWindow> window_;
    bool selecting_ = false; // a cursor change asks for hit tests of its own meanwhile
    std::unique_ptr<forms::TMemoryDC> mappingDc_; // converts picture areas to parent coordinates
};

} // namespace components
