// Icons, from .ico bytes or from a handle.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"

namespace forms {

// An icon, from .ico bytes or from a handle it is given.
class TIcon : public TGraphic {
public:
    TIcon() = default;
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    std::string ClassName() const override { return "TIcon"; }
    void Assign(const TPersistent* source) override;

    bool Empty() const override { return icon_ == nullptr; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Transparent() const override { return true; }

    HICON Handle() const { return icon_; }
    // Owned: takes icon over and destroys it with itself (0 empties the
    // icon). For icons made for us: CreateIcon..., ExtractAssociatedIconA,
    // PrivateExtractIconsA.
    void SetHandle(HICON icon);
    // Borrowed: keeps a copy of a shared icon (LoadIconA's, which lives only
    // as long as the module it came from); the caller's handle stays as it
    // was. 0 empties the icon.
    void CopyHandle(HICON shared);
    // The icon the shell associates with a file (its own, or its program's),
    // at the shell's large size, owned. The platform gets its own copy of the path in a MAX_PATH
    // buffer, as it may write the program's path there; a longer path is
    // refused with EInvalidGraphic. False, with the icon unchanged, when
    // there is none.
    bool LoadAssociated(const std::string& path);
    // Gives the handle up to the caller, who must destroy it; the icon is
    // empty afterwards.
    HICON ReleaseHandle();

    void Draw(TCanvas& canvas, const RECT& r) override;
    // Picks the 32 x 32 image of the file, or else the one nearest that
    // size, with the most colours.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;

private:
    void Free();

    HICON icon_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> data_; // the .ico bytes it was read from, if any
};


} // namespace forms
