// A small button-like control that shows one colour and drops down the
// palette (TColorForm) under itself to change it. Activated by a click, by
// releasing the space key or by Enter; raises OnChangeColor only when the
// user picked a colour different from the one shown.
#pragma once
#include <windows.h>

#include <string>

#include "components/ColorForm.h"
#include "forms/Controls.h"

namespace components {

// Caption of the palette's other-colour button, set by the host program;
// an empty caption gives "&Other...".
extern std::string OtherColorCaption;

class TColorSelector : public forms::TCustomControl {
public:
    explicit TColorSelector(forms::TComponent* owner);
    ~TColorSelector() override;
    std::string ClassName() const override { return "TColorSelector"; }

    // Color (the inherited property) is the colour shown, black at first.
    // Writing it repaints and never raises OnChangeColor.

    // Raised after the user picked a different colour; Color holds it already.
    forms::TNotifyEvent OnChangeColor;

    bool Pressed() const { return pressed_; }
    bool MouseInside() const { return mouseInside_; }
    bool SpaceDown() const { return spaceDown_; }
    // Follows the keyboard focus through the focus messages.
    bool Focused() const { return focused_; }
    // The pushed look: pressed with the pointer inside or the space key held.
    bool PushedLook() const { return pressed_ && (mouseInside_ || spaceDown_); }

    // The palette of the latest activation, else null.
    TColorForm* Palette() const { return palette_.get(); }

    // Activation: drops the palette down under the control, then OnClick.
    void Click() override;
    // OnSelect of the palette: takes a different colour and reports it.
    void PaletteColorPicked(TColorForm* palette, forms::TColor color);

    void MouseDown(forms::TMouseButton button, forms::TShiftState shift, int x, int y) override;
    void MouseUp(forms::TMouseButton button, forms::TShiftState shift, int x, int y) override;
    void MouseMove(forms::TShiftState shift, int x, int y) override;

protected:
    void CreateParams(forms::TCreateParams& params) override;
    void Paint() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DropDown();
    void SetMouseInside(bool value);
    void SetPressed(bool pressed, bool spaceDown);

    bool pressed_ = false;
    bool mouseInside_ = false;
    bool spaceDown_ = false;
    bool focused_ = false;
    // Not a component of the selector: a palette in the colour dialog must
    // outlive a selector freed meanwhile.
    TColorFormPtr palette_;
};

// Makes TColorSelector known to layouts.
void RegisterColorSelector();

} // namespace components
