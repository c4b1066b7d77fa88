// Shows striped list boxes and a drop area on a window, for looking at:
// "ulalistbox_gallery [seconds]". Files dropped on the area are listed in
// the first list. Quits by itself after the given seconds (default 20).
#include <cstdlib>
#include <string>
#include <vector>

#include "components/DDDest.h"
#include "components/UlaListBox.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/StdCtrls.h"

using namespace forms;
using namespace components;

namespace {

// A square icon of one colour with a dark border.
HICON SwatchIcon(TColor color, int size) {
    TBitmap picture;
    picture.SetSize(size, size);
    picture.Canvas().Brush().SetColor(clBlack);
    picture.Canvas().FillRect({0, 0, size, size});
    picture.Canvas().Brush().SetColor(color);
    picture.Canvas().FillRect({2, 2, size - 2, size - 2});
    std::vector<uint8_t> zeros(size_t((size + 15) / 16 * 2 * size), 0); // mask 0: opaque everywhere
    HBITMAP mask = CreateBitmap(size, size, 1, 1, zeros.data());
    ICONINFO info{TRUE, 0, 0, mask, picture.Handle()};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    return icon;
}

TUlaListBox* AddList(TForm* form, int left, const std::vector<std::string>& items) {
    auto* list = new TUlaListBox(form);
    list->SetParent(form);
    list->SetBounds(left, 16, 200, 150);
    list->SetItems(items);
    return list;
}

} // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 20;

    TForm* form = Application()->CreateForm<TForm>();
    form->SetCaption("Striped list boxes");
    form->SetBorderStyle(bsSingle);
    form->SetBounds(100, 80, 660, 300);

    auto* images = new TImageList(form);
    const TColor swatches[] = {clRed, clLime, clBlue, clYellow, clFuchsia, clAqua};
    for (TColor color : swatches) {
        HICON icon = SwatchIcon(color, 16);
        images->AddIcon(icon);
        DestroyIcon(icon);
    }
    const std::vector<std::string> names = {"Play / Pause", "Stop", "Next track", "Previous track", "Mute", "Volume up"};

    // Stripes, images on the left, the lowered bar on row 2.
    TUlaListBox* striped = AddList(form, 16, names);
    striped->SetOddEvenColors(true);
    striped->SetImages(images);
    striped->OnGetImageIndex = [](TObject*, const int row, int& idx) { idx = row % 6; };
    striped->SetItemIndex(2);

    // Plain rows, right-aligned text, images on the right, the colour bar.
    TUlaListBox* flat = AddList(form, 228, names);
    flat->SetImages(images);
    flat->SetImagePos(ipRight);
    flat->SetAlignment(taRightJustify);
    flat->SetBarStyle(tbsColor);
    flat->SetBarColor(0x00A0E0FF);
    flat->OnGetImageIndex = [](TObject*, const int row, int& idx) { idx = row % 2 ? row : -1; };
    flat->SetItemIndex(1);

    // No images, raised bar, focused so its row shows the bar font.
    TUlaListBox* raised = AddList(form, 440, names);
    raised->SetBarStyle(tbsRaised);
    raised->SetAlignment(taCenter);
    raised->SetItemIndex(4);

    auto* area = new TPanel(form);
    area->SetParent(form);
    area->SetBounds(16, 180, 624, 70);
    area->SetCaption("Drop files here");
    auto* drop = new TDnDControl(form);
    drop->SetControl(area);
    drop->OnDnDStart = [striped](TObject*, int32_t, int32_t, int32_t) { striped->Clear(); };
    drop->OnDnDItem = [striped](TObject*, const std::string& item) { striped->AddItem(item); };
    drop->Loaded();

    form->Show();
    raised->SetFocus();
    SetTimer(nullptr, 0, UINT(seconds) * 1000, [](HWND, UINT, UINT_PTR, DWORD) WINAPI { Application()->Terminate(); });
    Application()->Run();
    delete Application();
    return 0;
}
