// Makes the interface components known to layouts by class name.
#pragma once

namespace components {

// Registers every component class and its layout properties; idempotent.
void RegisterComponentClasses();

} // namespace components
