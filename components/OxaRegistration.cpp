#include "OxaRegistration.h"

#include "components/OxaTBackground.h"
#include "components/OxaTFillBackground.h"
#include "forms/Classes.h"
#include "forms/Layouts.h"

namespace components {

using namespace forms;

namespace {

TColor Color(const TLayoutProperty& p) { return AsColor(p); }

void RegisterBackground() {
    using B = TOxaBackground;
    const char* k = "TOxaBackground";
    RegisterClassOf<B>(k, "TComponent");
    RegisterProp<B>(k, "BackgroundStyle", [](B& b, auto& p, auto&) {
        b.SetBackgroundStyle(TOxaBackStyle(
            AsEnum(p, {"bGradient", "bTexture", "bSolidcolor", "bBrushFillUseCurrent", "bBrushFillSolidColor"})));
    });
    RegisterProp<B>(k, "SolidColor", [](B& b, auto& p, auto&) { b.SetSolidColor(Color(p)); });
    RegisterProp<B>(k, "OnChanged", [](B& b, auto& p, auto& ctx) { b.OnChanged = NotifyHandler(p, ctx); });

    RegisterProp<B>(k, "Gradient.FillStyle", [](B& b, auto& p, auto&) {
        b.Gradient().SetFillStyle(TOxaFillStyle(
            AsEnum(p, {"Circle", "Horizontal", "Vertical", "LeftBottom", "RoundMiddle", "SquareMiddle", "Spectral",
                       "DoppelFlash", "Singleflash", "MiddleHBar", "MiddleVBar", "VerticalDoppelBar",
                       "HorizontalDoppelBar"})));
    });
    RegisterProp<B>(k, "Gradient.BeginColor", [](B& b, auto& p, auto&) { b.Gradient().SetBeginColor(Color(p)); });
    RegisterProp<B>(k, "Gradient.EndColor", [](B& b, auto& p, auto&) { b.Gradient().SetEndColor(Color(p)); });
    RegisterProp<B>(k, "Gradient.ColorCount", [](B& b, auto& p, auto&) { b.Gradient().SetColorCount(AsInteger(p)); });
    // Lines stay text: they are checked when the gradient is drawn.
    RegisterProp<B>(k, "Gradient.ColorsInBetween.Strings",
                    [](B& b, auto& p, auto&) { b.Gradient().SetColorsInBetween(AsList(p)); });

    RegisterProp<B>(k, "Texture.ImageStyle", [](B& b, auto& p, auto&) {
        b.Texture().SetImageStyle(TOxaImageStyle(AsEnum(p, {"isTile", "isCenter", "isStretched"})));
    });
    RegisterProp<B>(k, "Texture.TransparentColor", [](B& b, auto& p, auto&) { b.Texture().SetTransparentColor(Color(p)); });
    RegisterProp<B>(k, "Texture.TransparentBackground",
                    [](B& b, auto& p, auto&) { b.Texture().SetTransparentBackground(Color(p)); });
    // The picture as .bmp file bytes.
    RegisterProp<B>(k, "Texture.Image.Data", [](B& b, auto& p, auto&) {
        TMemoryStream stream(AsBinary(p));
        TBitmap image;
        image.LoadFromStream(stream);
        b.Texture().SetImage(&image);
    });

    RegisterProp<B>(k, "BrushFill.BrushStyle", [](B& b, auto& p, auto&) {
        b.BrushFill().SetBrushStyle(TBrushStyle(AsEnum(
            p, {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"})));
    });
    RegisterProp<B>(k, "BrushFill.BrushColor", [](B& b, auto& p, auto&) { b.BrushFill().SetBrushColor(Color(p)); });
}

void RegisterFillControls() {
    RegisterClassOf<TOxaGraphicControl>("TOxaGraphicControl", "TGraphicControl");

    using F = TOxaFillBackground;
    const char* k = "TOxaFillBackground";
    RegisterClassOf<F>(k, "TOxaGraphicControl");
    RegisterProp<F>(k, "AutoSize", [](F& f, auto& p, auto&) { f.SetAutoSize(AsBoolean(p)); });
    RegisterProp<F>(k, "Background", [](F& f, auto& p, TLayoutContext& ctx) {
        // The background may come later in the layout than the control.
        ctx.Fixups.push_back([&f, p, &ctx] {
            auto* background = dynamic_cast<TOxaBackground*>(ctx.Component(AsIdentifier(p), p));
            if (!background) BadLayoutValue(p);
            f.SetBackground(background);
        });
    });
}

} // namespace

void RegisterOxaBackgroundClasses() {
    RegisterBackground();
    RegisterFillControls();
}

} // namespace components
