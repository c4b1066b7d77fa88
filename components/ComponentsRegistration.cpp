#include "ComponentsRegistration.h"

#include "forms/Layouts.h"
#include "ColorSelector.h"
#include "HotImageRegistration.h"
#include "DDDest.h"
#include "OxaRegistration.h"
#include "UlaListBox.h"

namespace components {

void RegisterComponentClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    forms::RegisterFormClasses();
    // Each component module registers its classes here.
    RegisterColorSelector();
    RegisterHotImage();
    RegisterOxaBackgroundClasses();
    RegisterUlaListBox();
    RegisterDDDest();
}

} // namespace components
