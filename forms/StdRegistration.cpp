// Layout names and published properties of the standard controls.
#include <algorithm>

#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Layouts.h"
#include "StdCtrls.h"

namespace forms {

namespace {

TAlignment AsAlignment(const TLayoutProperty& p) {
    return TAlignment(AsEnum(p, {"taLeftJustify", "taRightJustify", "taCenter"}));
}

TBevelCut AsBevelCut(const TLayoutProperty& p) { return TBevelCut(AsEnum(p, {"bvNone", "bvLowered", "bvRaised"})); }

TModalResult AsModalResult(const TLayoutProperty& p) {
    if (p.Value.Kind == TLayoutValueKind::Identifier) return AsEnum(p, {"mrNone", "mrOk", "mrCancel"});
    int value = AsInteger(p);
    if (value < 0) BadLayoutValue(p);
    return value;
}

TOpenOptions AsOpenOptions(const TLayoutProperty& p) {
    TOpenOptions options = 0;
    for (const std::string& name : AsSet(p)) {
        TLayoutProperty member{p.Name, p.Line, {TLayoutValueKind::Identifier, 0, name, {}, {}}};
        options |= 1u << AsEnum(member, {"ofReadOnly", "ofHideReadOnly", "ofNoChangeDir", "ofPathMustExist",
                                         "ofFileMustExist", "ofEnableSizing"});
    }
    return options;
}

void RegisterStdCtrls() {
    RegisterComponentClass("TButtonControl", "TWinControl", nullptr);

    RegisterClassOf<TButton>("TButton", "TButtonControl");
    RegisterProp<TButton>("TButton", "Default", [](TButton& c, auto& p, auto&) { c.SetDefault(AsBoolean(p)); });
    RegisterProp<TButton>("TButton", "Cancel", [](TButton& c, auto& p, auto&) { c.SetCancel(AsBoolean(p)); });
    RegisterProp<TButton>("TButton", "ModalResult", [](TButton& c, auto& p, auto&) { c.SetModalResult(AsModalResult(p)); });

    RegisterClassOf<TRadioButton>("TRadioButton", "TButtonControl");
    RegisterProp<TRadioButton>("TRadioButton", "Checked", [](TRadioButton& c, auto& p, auto&) { c.SetChecked(AsBoolean(p)); });

    RegisterClassOf<TCheckBox>("TCheckBox", "TButtonControl");
    RegisterProp<TCheckBox>("TCheckBox", "Checked", [](TCheckBox& c, auto& p, auto&) { c.SetChecked(AsBoolean(p)); });
    RegisterProp<TCheckBox>("TCheckBox", "State", [](TCheckBox& c, auto& p, auto&) {
        c.SetState(TCheckBoxState(AsEnum(p, {"cbUnchecked", "cbChecked"})));
    });

    RegisterClassOf<TComboBox>("TComboBox", "TWinControl");
    RegisterProp<TComboBox>("TComboBox", "Style", [](TComboBox&, auto& p, auto&) { AsEnum(p, {"csDropDownList"}); });
    RegisterProp<TComboBox>("TComboBox", "Items.Strings", [](TComboBox& c, auto& p, auto&) {
        // The items replace the selection; an index read earlier stays.
        int index = c.ItemIndex();
        c.SetItems(AsList(p));
        c.SetItemIndex(index);
    });
    RegisterProp<TComboBox>("TComboBox", "ItemIndex", [](TComboBox& c, auto& p, auto&) { c.SetItemIndex(AsInteger(p)); });
    RegisterProp<TComboBox>("TComboBox", "OnChange", [](TComboBox& c, auto& p, auto& ctx) { c.OnChange = NotifyHandler(p, ctx); });

    RegisterClassOf<TEdit>("TEdit", "TWinControl");
    RegisterProp<TEdit>("TEdit", "Text", [](TEdit& c, auto& p, auto&) { c.SetText(AsString(p)); });
    RegisterProp<TEdit>("TEdit", "ReadOnly", [](TEdit& c, auto& p, auto&) { c.SetReadOnly(AsBoolean(p)); });
    RegisterProp<TEdit>("TEdit", "MaxLength", [](TEdit& c, auto& p, auto&) {
        int value = AsInteger(p);
        if (value < 0) BadLayoutValue(p);
        c.SetMaxLength(value);
    });
    RegisterProp<TEdit>("TEdit", "OnChange", [](TEdit& c, auto& p, auto& ctx) { c.OnChange = NotifyHandler(p, ctx); });

    RegisterClassOf<TLabel>("TLabel", "TGraphicControl");
    RegisterProp<TLabel>("TLabel", "AutoSize", [](TLabel& c, auto& p, auto&) { c.SetAutoSize(AsBoolean(p)); });
    RegisterProp<TLabel>("TLabel", "Transparent", [](TLabel& c, auto& p, auto&) { c.SetTransparent(AsBoolean(p)); });
    RegisterProp<TLabel>("TLabel", "Alignment", [](TLabel& c, auto& p, auto&) { c.SetAlignment(AsAlignment(p)); });
    RegisterProp<TLabel>("TLabel", "WordWrap", [](TLabel& c, auto& p, auto&) { c.SetWordWrap(AsBoolean(p)); });
    RegisterProp<TLabel>("TLabel", "Layout", [](TLabel& c, auto& p, auto&) {
        c.SetLayout(TTextLayout(AsEnum(p, {"tlTop", "tlCenter", "tlBottom"})));
    });

    RegisterClassOf<TGroupBox>("TGroupBox", "TCustomControl");

    RegisterClassOf<TListBox>("TListBox", "TWinControl");
    RegisterProp<TListBox>("TListBox", "Style", [](TListBox&, auto& p, auto&) { AsEnum(p, {"lbOwnerDrawFixed"}); });
    RegisterProp<TListBox>("TListBox", "Items.Strings", [](TListBox& c, auto& p, auto&) {
        int index = c.ItemIndex();
        c.SetItems(AsList(p));
        c.SetItemIndex(index);
    });
    RegisterProp<TListBox>("TListBox", "ItemIndex", [](TListBox& c, auto& p, auto&) { c.SetItemIndex(AsInteger(p)); });
    RegisterProp<TListBox>("TListBox", "ItemHeight", [](TListBox& c, auto& p, auto& ctx) {
        int value = AsInteger(p);
        if (value <= 0 || value > 255) BadLayoutValue(p);
        c.SetItemHeight(std::min(ctx.Pixels(p), 255));
    });
}

void RegisterExtCtrls() {
    RegisterClassOf<TImage>("TImage", "TGraphicControl");
    RegisterProp<TImage>("TImage", "Picture.Data", [](TImage& c, auto& p, auto&) {
        TMemoryStream stream(AsBinary(p));
        c.Picture().ReadData(stream);
    });
    RegisterProp<TImage>("TImage", "AutoSize", [](TImage& c, auto& p, auto&) { c.SetAutoSize(AsBoolean(p)); });
    RegisterProp<TImage>("TImage", "Center", [](TImage& c, auto& p, auto&) { c.SetCenter(AsBoolean(p)); });
    RegisterProp<TImage>("TImage", "Stretch", [](TImage& c, auto& p, auto&) { c.SetStretch(AsBoolean(p)); });
    RegisterProp<TImage>("TImage", "Transparent", [](TImage& c, auto& p, auto&) { c.SetTransparent(AsBoolean(p)); });

    RegisterClassOf<TBevel>("TBevel", "TGraphicControl");
    RegisterProp<TBevel>("TBevel", "Shape", [](TBevel& c, auto& p, auto&) {
        c.SetShape(TBevelShape(AsEnum(p, {"bsBox", "bsTopLine"})));
    });
    RegisterProp<TBevel>("TBevel", "Style", [](TBevel& c, auto& p, auto&) {
        c.SetStyle(TBevelStyle(AsEnum(p, {"bsLowered", "bsRaised"})));
    });

    RegisterClassOf<TPanel>("TPanel", "TCustomControl");
    RegisterProp<TPanel>("TPanel", "BevelInner", [](TPanel& c, auto& p, auto&) { c.SetBevelInner(AsBevelCut(p)); });
    RegisterProp<TPanel>("TPanel", "BevelOuter", [](TPanel& c, auto& p, auto&) { c.SetBevelOuter(AsBevelCut(p)); });
    RegisterProp<TPanel>("TPanel", "BevelWidth", [](TPanel& c, auto& p, auto& ctx) {
        int value = AsInteger(p);
        if (value < 1 || value > 100) BadLayoutValue(p);
        c.SetBevelWidth(ctx.Pixels(p));
    });
    RegisterProp<TPanel>("TPanel", "BorderWidth", [](TPanel& c, auto& p, auto& ctx) {
        int value = AsInteger(p);
        if (value < 0 || value > 100) BadLayoutValue(p);
        c.SetBorderWidth(ctx.Pixels(p));
    });
    RegisterProp<TPanel>("TPanel", "Alignment", [](TPanel& c, auto& p, auto&) { c.SetAlignment(AsAlignment(p)); });
    RegisterProp<TPanel>("TPanel", "AutoSize", [](TPanel& c, auto& p, auto&) { c.SetAutoSize(AsBoolean(p)); });

    RegisterClassOf<TNotebook>("TNotebook", "TWinControl");
    RegisterClassOf<TPage>("TPage", "TWinControl");
    RegisterProp<TNotebook>("TNotebook", "PageIndex", [](TNotebook& c, auto& p, auto&) { c.SetPageIndex(AsInteger(p)); });
    RegisterProp<TNotebook>("TNotebook", "ActivePage", [](TNotebook& c, auto& p, auto&) { c.SetActivePage(AsString(p)); });
    RegisterProp<TNotebook>("TNotebook", "Pages.Strings", [](TNotebook& c, auto& p, auto& ctx) {
        // Pages written as objects in the layout come after this line; name
        // them (or add the missing ones) once they all exist.
        std::vector<std::string> captions = AsList(p);
        TNotebook* notebook = &c;
        ctx.Fixups.push_back([notebook, captions] { notebook->SetPageCaptions(captions); });
    });
}

void RegisterComCtrls() {
    RegisterClassOf<TPageControl>("TPageControl", "TWinControl");
    RegisterProp<TPageControl>("TPageControl", "ActivePage", [](TPageControl& c, auto& p, auto& ctx) {
        std::string name = AsIdentifier(p);
        TPageControl* control = &c;
        TLayoutProperty property = p;
        TLayoutContext* context = &ctx;
        ctx.Fixups.push_back([control, name, property, context] {
            auto* page = dynamic_cast<TTabSheet*>(context->Component(name, property));
            if (!page || page->PageControl() != control) BadLayoutValue(property);
            control->SetActivePage(page);
        });
    });
    RegisterProp<TPageControl>("TPageControl", "OnChange", [](TPageControl& c, auto& p, auto& ctx) {
        c.OnChange = NotifyHandler(p, ctx);
    });

    RegisterClassOf<TTabSheet>("TTabSheet", "TWinControl");
    RegisterProp<TTabSheet>("TTabSheet", "PageIndex", [](TTabSheet& c, auto& p, auto&) { c.SetPageIndex(AsInteger(p)); });
    RegisterProp<TTabSheet>("TTabSheet", "TabVisible", [](TTabSheet& c, auto& p, auto&) { c.SetTabVisible(AsBoolean(p)); });

    RegisterClassOf<TImageList>("TImageList", "TComponent");
    RegisterProp<TImageList>("TImageList", "Width", [](TImageList& c, auto& p, auto& ctx) {
        int value = AsInteger(p);
        if (value <= 0 || value > 256) BadLayoutValue(p);
        c.SetWidth(ctx.Pixels(p));
    });
    RegisterProp<TImageList>("TImageList", "Height", [](TImageList& c, auto& p, auto& ctx) {
        int value = AsInteger(p);
        if (value <= 0 || value > 256) BadLayoutValue(p);
        c.SetHeight(ctx.Pixels(p));
    });
}

void RegisterDialogs() {
    RegisterClassOf<TOpenDialog>("TOpenDialog", "TComponent");
    RegisterProp<TOpenDialog>("TOpenDialog", "Filter", [](TOpenDialog& c, auto& p, auto&) { c.SetFilter(AsString(p)); });
    RegisterProp<TOpenDialog>("TOpenDialog", "Title", [](TOpenDialog& c, auto& p, auto&) { c.SetTitle(AsString(p)); });
    RegisterProp<TOpenDialog>("TOpenDialog", "FileName", [](TOpenDialog& c, auto& p, auto&) { c.SetFileName(AsString(p)); });
    RegisterProp<TOpenDialog>("TOpenDialog", "InitialDir", [](TOpenDialog& c, auto& p, auto&) { c.SetInitialDir(AsString(p)); });
    RegisterProp<TOpenDialog>("TOpenDialog", "Options", [](TOpenDialog& c, auto& p, auto&) { c.SetOptions(AsOpenOptions(p)); });
}

} // namespace

void RegisterStandardControls() {
    RegisterStdCtrls();
    RegisterExtCtrls();
    RegisterComCtrls();
    RegisterDialogs();
}

} // namespace forms
