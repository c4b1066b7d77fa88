#include "ComponentsRegistration.h"

#include "forms/Layouts.h"

namespace components {

void RegisterComponentClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    forms::RegisterFormClasses();
    // Each component module registers its classes here.
}

} // namespace components
