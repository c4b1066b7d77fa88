#include "HotSpotData.h"

namespace components {

TSpotData::TSpotData(TSpotShape shape) : Shape(shape) {
    if (shape != ssPolyline) Points.assign(4, 0);
}

void TSpotData::SetShape(TSpotShape shape) {
    if (shape == Shape) return;
    if (shape == ssRectangle || shape == ssEllipse) Points.resize(4, 0);
    Shape = shape;
}

void TSpotData::AddPoint(TSpotPoint p) {
    SetShape(ssPolyline);
    Points.push_back(p.X);
    Points.push_back(p.Y);
}

void TSpotData::ClearPoints() {
    SetShape(ssPolyline);
    Points.clear();
}

TSpotRect TSpotData::Corners() const {
    auto at = [this](size_t i) { return i < Points.size() ? Points[i] : 0; };
    return {at(0), at(1), at(2), at(3)};
}

void TSpotData::SetCorners(const TSpotRect& r) { Points = {r.Left, r.Top, r.Right, r.Bottom}; }

TSpotMaskItem TSpotData::GetMaskItem() const { return MaskItem ? *MaskItem : TSpotMaskItem{}; }

void TSpotData::SetMaskItem(const TSpotMaskItem& item) {
    if (item.States.Empty()) MaskItem.reset();
    else MaskItem = item;
}

} // namespace components
