#include "GraphicTexts.h"

namespace forms {

namespace {

const char* English(TGraphicTextId id) {
    switch (id) {
    case stInvalidBitmap: return "Bitmap image is not valid";
    case stInvalidIcon: return "Icon image is not valid";
    case stUnknownExtension: return "Unknown picture file extension (%s)";
    case stNoCanvasHandle: return "Canvas does not allow drawing";
    case stOutOfResources: return "Out of system resources";
    case stResNotFound: return "Resource %s not found";
    case stInvalidInteger: return "'%s' is not a valid integer value";
    case stScanLineRange: return "Scan line index out of range";
    case stPathTooLong: return "The path is too long: %s";
    }
    return "";
}

} // namespace

std::string GraphicText(TGraphicTextId id) {
    std::string text = FormText(TFormTextId(id));
    return text.empty() ? std::string(English(id)) : text;
}

std::string GraphicTextFmt(TGraphicTextId id, const std::string& arg) {
    std::string text = GraphicText(id);
    auto pos = text.find("%s");
    if (pos != std::string::npos) text.replace(pos, 2, arg);
    return text;
}

void OutOfResources() { throw EOutOfResources(GraphicText(stOutOfResources)); }

} // namespace forms
