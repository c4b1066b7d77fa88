#include "Picture.h"

#include <algorithm>
#include <cctype>

#include "ByteReading.h"

namespace forms {

namespace {

// A new, empty graphic of the same class, for copying into.
std::unique_ptr<TGraphic> NewGraphic(const std::string& className) {
    if (SameText(className, "TBitmap")) return std::make_unique<TBitmap>();
    if (SameText(className, "TIcon")) return std::make_unique<TIcon>();
    return nullptr;
}

} // namespace

TPicture::~TPicture() = default;

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    if (graphic) graphic->OnChange = [this](TGraphic*) { Changed(); };
    graphic_ = std::move(graphic);
    Changed();
}

void TPicture::Assign(const TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
        return;
    }
    const TGraphic* graphic = dynamic_cast<const TGraphic*>(source);
    if (auto* picture = dynamic_cast<const TPicture*>(source)) {
        if (picture == this) return;
        if (!picture->graphic_) {
            SetGraphic(nullptr);
            return;
        }
        graphic = picture->graphic_.get();
    }
    if (graphic) {
        if (std::unique_ptr<TGraphic> copy = NewGraphic(graphic->ClassName())) {
            copy->Assign(graphic);
            SetGraphic(std::move(copy));
            return;
        }
    }
    TPersistent::Assign(source);
}

TBitmap& TPicture::Bitmap() {
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
    auto bitmap = std::make_unique<TBitmap>();
    TBitmap& result = *bitmap;
    SetGraphic(std::move(bitmap));
    return result;
}

TIcon& TPicture::Icon() {
    if (auto* icon = dynamic_cast<TIcon*>(graphic_.get())) return *icon;
    auto icon = std::make_unique<TIcon>();
    TIcon& result = *icon;
    SetGraphic(std::move(icon));
    return result;
}

void TPicture::LoadFromFile(const std::string& fileName) {
    size_t dot = fileName.find_last_of('.');
    size_t slash = fileName.find_last_of("\\/");
    std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : fileName.substr(dot);
    std::unique_ptr<TGraphic> graphic;
    if (SameText(ext, ".bmp")) graphic = std::make_unique<TBitmap>();
    else if (SameText(ext, ".ico")) graphic = std::make_unique<TIcon>();
    else throw EInvalidGraphic(GraphicTextFmt(stUnknownExtension, ext));
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::ReadData(TStream& stream) {
    uint8_t length;
    stream.ReadBuffer(&length, 1);
    std::string className(length, '\0');
    stream.ReadBuffer(className.data(), length);
    if (className.empty()) {
        SetGraphic(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> graphic = NewGraphic(className);
    if (!graphic) throw EInvalidGraphic(FormTextFmt(stLayoutUnknownClass, className));
    // An empty graphic is stored as its class name alone.
    if (Remaining(stream) > 0) graphic->LoadFromStream(stream);
    SetGraphic(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) const {
    std::string className = graphic_ ? graphic_->ClassName() : std::string();
    uint8_t length = uint8_t(className.size());
    stream.WriteBuffer(&length, 1);
    stream.WriteBuffer(className.data(), length);
    if (graphic_) graphic_->SaveToStream(stream);
}

void TPicture::ReadBinaryProperty(const std::string& name, TStream& stream) {
    if (SameText(name, "Data")) ReadData(stream);
    else TPersistent::ReadBinaryProperty(name, stream);
}

} // namespace forms
