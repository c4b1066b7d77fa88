// Layout name and published properties of the hot-spot image.
#pragma once

namespace components {

void RegisterHotImage();

} // namespace components
