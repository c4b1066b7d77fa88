// Drawing: colours, pens, brushes and fonts, the canvas, bitmaps, icons and
// pictures, and the painting toolkit that self-drawn controls go through.
//
// Every GDI and USER object made here is owned by exactly one object and is
// released by it; a canvas puts the DC's own objects back before it lets the
// DC go, so nothing of ours stays selected in a released DC.
#pragma once
#include "Bitmap.h"
#include "Canvas.h"
#include "Colors.h"
#include "DrawingTools.h"
#include "GraphicTexts.h"
#include "Icon.h"
#include "Painting.h"
#include "Picture.h"
