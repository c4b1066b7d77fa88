// TOxaFillBackground: a windowless control that paints one TOxaBackground
// over its whole area. It refers to the background without owning it and is
// one of the background's clients while it shows it.
#pragma once
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
    // Renders the background anew on every paint; nothing is cached.
    void Paint() override;
    void Notification(forms::TComponent* component, forms::TOperation operation) override;

private:
    TOxaBackground* background_ = nullptr;
    bool autoSize_ = false;
};

} // namespace components
