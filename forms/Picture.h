// A picture holder: a bitmap, an icon or nothing.
#pragma once
#include <memory>
#include <string>

#include "Bitmap.h"
#include "Icon.h"

namespace forms {

// Holds a bitmap, an icon or nothing; copies what it is given.
class TPicture : public TPersistent {
public:
    TPicture() = default;
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    std::string ClassName() const override { return "TPicture"; }
    // From a TPicture, TBitmap or TIcon (always a copy); 0 clears.
    void Assign(const TPersistent* source) override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // The held bitmap or icon, replacing whatever else is held by an empty one.
    TBitmap& Bitmap();
    TIcon& Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    bool Empty() const { return !graphic_ || graphic_->Empty(); }

    // .bmp or .ico by the file's extension.
    void LoadFromFile(const std::string& fileName);

    // The stored form of a layout's "Picture.Data": a length byte and the
    // class name ("TBitmap", "TIcon"; empty for no picture), then the
    // graphic's file bytes.
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;
    void ReadBinaryProperty(const std::string& name, TStream& stream) override;

    std::function<void(TPicture*)> OnChange;

private:
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    void Changed() { if (OnChange) OnChange(this); }

    std::unique_ptr<TGraphic> graphic_;
};

// Off-screen composition for controls that paint themselves: draw on
// Canvas() in the target's coordinates, then Flush copies the whole area
// to the target in one step, so the screen never shows a half-drawn state.

} // namespace forms
