// TOxaGraphicControl: the windowless base of the background fill controls.
// It adds nothing to the form library's graphic control; it is the class
// whose mouse and click events layouts bind.
#pragma once
#include <string>

#include "forms/Controls.h"

namespace components {

class TOxaGraphicControl : public forms::TGraphicControl {
public:
    using forms::TGraphicControl::TGraphicControl;
    std::string ClassName() const override { return "TOxaGraphicControl"; }
};

} // namespace components
