#include "OxaTFillBackground.h"

#include <algorithm>

#include "forms/Painting.h"

namespace components {

using namespace forms;

namespace {

// A background whose colours run in rows (or columns) is kept as a strip
// this wide (or high), copied side by side: a third of the memory or less,
// repainted in a few copies.
constexpr int BandStrip = 128;

} // namespace

// The background rendered at one size, on an image made for the surface it
// is copied to, with what it was rendered from: the whole picture, or a
// strip of its bands.
struct TOxaFillBackground::TRendered {
    TRendered(HDC like, int width, int height, TGradientBands bands)
        : Width(width), Height(height), Bands(bands),
          Bitmap(NewImage(like, bands == TGradientBands::Rows ? std::min(width, BandStrip) : width,
                          bands == TGradientBands::Columns ? std::min(height, BandStrip) : height)),
          DC(static_cast<HBITMAP>(Bitmap.Get()), like) {}

    bool Shows(const TOxaBackground& background, int width, int height) const {
        return Valid && width == Width && height == Height && Changes == background.ChangeCount() &&
               Colors == background.DrawnColorsKey();
    }

    const int Width, Height;
    const TGradientBands Bands;
    TGdiObject Bitmap;
    TMemoryDC DC;
    TCanvas Canvas;
    TCanvasBinding Binding{Canvas, DC};
    bool Valid = false; // false until a render completed
    unsigned Changes = 0;
    uint32_t Colors = 0;
};

TOxaFillBackground::TOxaFillBackground(TComponent* owner) : TOxaGraphicControl(owner) { SetBounds(0, 0, 150, 150); }

TOxaFillBackground::~TOxaFillBackground() {
    if (background_) background_->RemoveClient(this);
    background_ = nullptr;
}

void TOxaFillBackground::SetBackground(TOxaBackground* background) {
    if (background != background_) {
        if (background_) background_->RemoveClient(this);
        if (background) background->AddClient(this);
        background_ = background;
        rendered_.reset();
    }
    Invalidate();
}

void TOxaFillBackground::SetAutoSize(bool value) {
    autoSize_ = value;
    Invalidate();
}

void TOxaFillBackground::Render(HDC target, int width, int height) {
    const TGradientBands bands = background_->Bands(width, height);
    if (!rendered_ || rendered_->Width != width || rendered_->Height != height || rendered_->Bands != bands) {
        rendered_.reset(); // the old picture's handles go before new ones are made
        rendered_ = std::make_unique<TRendered>(target, width, height, bands);
    }
    // A render that fails leaves the picture invalid: the next paint tries again.
    rendered_->Valid = false;
    {
        // Drawn through a canvas of its own: the pens and brushes the
        // drawing makes go with it, and the picture keeps only its bitmap.
        TCanvas canvas;
        TCanvasBinding binding(canvas, rendered_->DC);
        background_->Draw(canvas, width, height, true);
    }
    rendered_->Changes = background_->ChangeCount();
    rendered_->Colors = background_->DrawnColorsKey();
    rendered_->Valid = true;
}

void TOxaFillBackground::Paint() {
    const int width = Width(), height = Height();
    if (!background_ || width <= 0 || height <= 0) return;
    // Only what the background paints is copied; the rest (around a centred
    // picture, or all of an empty one) keeps what lies behind.
    RECT painted = background_->PaintedArea(width, height);
    if (IsRectEmpty(&painted)) return;
    if (!rendered_ || !rendered_->Shows(*background_, width, height)) Render(Canvas().Handle(), width, height);
    // A strip of bands repeats across the rest; a whole picture is one copy.
    const bool rows = rendered_->Bands == TGradientBands::Rows, columns = rendered_->Bands == TGradientBands::Columns;
    const int stepX = rows ? BandStrip : width, stepY = columns ? BandStrip : height;
    for (int y = painted.top; y < painted.bottom; y = (y / stepY + 1) * stepY)
        for (int x = painted.left; x < painted.right; x = (x / stepX + 1) * stepX) {
            const RECT tile{x, y, std::min<int>(painted.right, (x / stepX + 1) * stepX),
                            std::min<int>(painted.bottom, (y / stepY + 1) * stepY)};
            const int fromX = rows ? x % stepX : x, fromY = columns ? y % stepY : y;
            Canvas().CopyRect(tile, rendered_->Canvas,
                              {fromX, fromY, fromX + tile.right - tile.left, fromY + tile.bottom - tile.top});
        }
}

void TOxaFillBackground::Notification(TComponent* component, TOperation operation) {
    TOxaGraphicControl::Notification(component, operation);
    // The background is on its way out: its members may already be gone, so
    // only the reference is dropped, with the picture rendered from it.
    if (operation == opRemove && component == background_) {
        background_ = nullptr;
        rendered_.reset();
        Invalidate();
    }
}

} // namespace components
