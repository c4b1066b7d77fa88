#include "OxaTFillBackground.h"

namespace components {

using namespace forms;

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
    }
    Invalidate();
}

void TOxaFillBackground::SetAutoSize(bool value) {
    autoSize_ = value;
    Invalidate();
}

void TOxaFillBackground::Paint() {
    if (background_) background_->Draw(Canvas(), Width(), Height(), true);
}

void TOxaFillBackground::Notification(TComponent* component, TOperation operation) {
    TOxaGraphicControl::Notification(component, operation);
    // The background is on its way out: its members may already be gone, so
    // only the reference is dropped.
    if (operation == opRemove && component == background_) {
        background_ = nullptr;
        Invalidate();
    }
}

} // namespace components
