#include "HotImageRegistration.h"

#include "HotImage.h"
#include "forms/Layouts.h"

namespace components {

using namespace forms;

void RegisterHotImage() {
    // Picture, AutoSize, Center and Stretch come with TImage; Hint and
    // Cursor with TControl, whose setters the image overrides.
    const char* k = "THotImage";
    RegisterClassOf<THotImage>(k, "TImage");
    RegisterProp<THotImage>(k, "HotSpots.Spots", [](THotImage& c, auto& p, auto&) {
        TMemoryStream stream(AsBinary(p));
        c.HotSpots().ReadSpots(stream);
    });
    RegisterProp<THotImage>(k, "HotSpots.MaskItems", [](THotImage& c, auto& p, auto&) {
        TMemoryStream stream(AsBinary(p));
        c.HotSpots().ReadMaskItems(stream);
    });
    RegisterProp<THotImage>(k, "HotCursor", [](THotImage& c, auto& p, auto&) { c.SetHotCursor(AsCursor(p)); });
    RegisterProp<THotImage>(k, "HotAreasOnly", [](THotImage& c, auto& p, auto&) { c.SetHotAreasOnly(AsBoolean(p)); });
    RegisterProp<THotImage>(k, "MaskPicture.Data", [](THotImage& c, auto& p, auto&) {
        TMemoryStream stream(AsBinary(p));
        c.MaskPicture().ReadData(stream);
    });
    RegisterProp<THotImage>(k, "TabStop", [](THotImage& c, auto& p, auto&) { c.SetTabStop(AsBoolean(p)); });
    RegisterProp<THotImage>(k, "Transparent", [](THotImage& c, auto& p, auto&) { c.SetTransparent(AsBoolean(p)); });
    RegisterProp<THotImage>(k, "OnPaint", [](THotImage& c, auto& p, auto& context) { c.OnPaint = NotifyHandler(p, context); });
    RegisterProp<THotImage>(k, "OnGetHintText", [](THotImage& c, auto& p, auto& context) {
        c.OnGetHintText = EventHandler<TGetHintTextEvent>(p, context);
    });
    RegisterProp<THotImage>(k, "OnSelectSpot", [](THotImage& c, auto& p, auto& context) {
        c.OnSelectSpot = EventHandler<TSpotEvent>(p, context);
    });
}

} // namespace components
