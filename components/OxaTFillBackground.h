// TOxaFillBackground: a windowless control that paints one TOxaBackground
// over its whole area. It refers to the background without owning it and is
// one of the background's clients while it shows it.
#pragma once
#include <memory>
#include <string>

#include "components/OxaControls.h"
#include "components/OxaTBackground.h"

namespace components {

class TOxaFillBackground : public TOxaGraphicControl {
public:
    explicit TOxaFillBackground(forms::TComponent* owner);
    ~TOxaFillBackground() override;
    std::string ClassName() const override { return "TOxaFillBackground"; }

    // Leaves the old background's clients, joins the new one's, repaints.
    // Null shows nothing: what lies behind the control stays visible.
    TOxaBackground* Background() const { return background_; }
    void SetBackground(TOxaBackground* background);
    // Stored with the layout; the control keeps its size either way.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

protected:
    // Copies the background from a picture of it rendered at the control's
    // size, or tiles a strip of it when its colours run in rows or columns.
    // Uncovering, moving or repainting the window costs one copy; the
    // picture is rendered again only after the background notified a change
    // (or the system's colours it uses changed) or the size changed.
    void Paint() override;
    void Notification(forms::TComponent* component, forms::TOperation operation) override;

private:
    struct TRendered;
    // Renders the background into rendered_, made compatible with target.
    void Render(HDC target, int width, int height);

    TOxaBackground* background_ = nullptr;
    bool autoSize_ = false;
    // Belongs to background_; dropped whenever the background is replaced
    // or goes.
    std::unique_ptr<TRendered> rendered_;
};

} // namespace components
