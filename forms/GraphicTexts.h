// Errors and texts of the picture code. Portable: the file decoders raise
// them as well as the Win32 graphics.
#pragma once
#include <string>

#include "SysUtils.h"

namespace forms {

class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EResNotFound : public Exception { using Exception::Exception; };

// Texts of the graphics; a language module may translate them like the
// library's other texts (see TFormTextId).
enum TGraphicTextId : int {
    stInvalidBitmap = 65040,    // "Bitmap image is not valid"
    stInvalidIcon = 65041,      // "Icon image is not valid"
    stUnknownExtension = 65042, // "Unknown picture file extension (%s)"
    stNoCanvasHandle = 65043,   // "Canvas does not allow drawing"
    stOutOfResources = 65044,   // "Out of system resources"
    stResNotFound = 65045,      // "Resource %s not found"
    stInvalidInteger = 65046,   // "'%s' is not a valid integer value"
    stScanLineRange = 65047,    // "Scan line index out of range"
    stPathTooLong = 65048,      // "The path is too long: %s"
};

std::string GraphicText(TGraphicTextId id);
// GraphicText with the first "%s" replaced by arg.
std::string GraphicTextFmt(TGraphicTextId id, const std::string& arg);

// Raises EOutOfResources: the system refused a handle or a drawing surface.
[[noreturn]] void OutOfResources();

} // namespace forms
