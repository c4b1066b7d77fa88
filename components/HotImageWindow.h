// The window through which a hot-spot image, itself windowless, takes the
// keyboard focus and answers assistive technology. It lies over the image
// with an empty window region, so the mouse and the painting stay with the
// image's parent; it hands its keys and focus changes to the image and
// gives out the image's accessible object.
#pragma once
#include <windows.h>

#include "forms/Controls.h"

struct IAccessible;

namespace components {

class THotImage;
class THotImageAccessible;

class THotImageWindow final : public forms::TWinControl {
public:
    explicit THotImageWindow(THotImage& image);
    ~THotImageWindow() override;
    std::string ClassName() const override { return "THotImageWindow"; }

    bool TabStopNow() const override;
    bool DialogKey(WORD key) override;
    // Asks for a pick of the spot at a list position (the accessible
    // object's default action); it runs from the message loop, where a
    // handler's error is shown as any other.
    void PostPick(int index, int32_t id);

protected:
    // Nothing to paint: its parent shows the image through it.
    TPaintedWith PaintedWithParent() const override { return TPaintedWith::OwnMessage; }
    void InitializeWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT GetObject(WPARAM wParam, LPARAM lParam);
    void ReleaseAccessible();

    THotImage& image_;
    THotImageAccessible* accessible_ = nullptr; // one reference, ours
    bool comInitialized_ = false;               // ours to balance
};

} // namespace components
