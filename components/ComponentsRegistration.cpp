#include "ComponentsRegistration.h"

#include "forms/Layouts.h"
#include "ColorSelector.h"
#include "OxaRegistration.h"

namespace components {

void RegisterComponentClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    forms::RegisterFormClasses();
    // Each component module registers its classes here.
    RegisterColorSelector();
    RegisterOxaBackgroundClasses();
}

} // namespace components
