// Layout names and published properties of the background family.
#pragma once

namespace components {

// TOxaBackground, TOxaGraphicControl and TOxaFillBackground.
void RegisterOxaBackgroundClasses();

} // namespace components
