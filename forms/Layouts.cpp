#include "Layouts.h"

#include <map>

#include "Forms.h"
#include "Resources.h"

namespace forms {

namespace {

struct TClassInfo {
    std::string Parent;
    TComponentFactory Factory;
    std::map<std::string, TPropertySetter> Properties; // keyed in lower case
};

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower((unsigned char)c));
    return s;
}

std::map<std::string, TClassInfo>& Classes() {
    static std::map<std::string, TClassInfo> classes;
    return classes;
}

[[noreturn]] void Fail(int line, const std::string& detail) { throw ELayoutError(line, detail); }

const TPropertySetter* FindSetter(const std::string& className, const std::string& propertyName) {
    std::string key = Lower(propertyName);
    std::string cls = Lower(className);
    for (int depth = 0; depth < 32 && !cls.empty(); ++depth) {
        auto it = Classes().find(cls);
        if (it == Classes().end()) return nullptr;
        auto p = it->second.Properties.find(key);
        if (p != it->second.Properties.end()) return &p->second;
        cls = Lower(it->second.Parent);
    }
    return nullptr;
}

void ApplyProperties(TComponent* object, const TLayoutObject& tree, TLayoutContext& context) {
    for (const TLayoutProperty& p : tree.Properties) {
        const TPropertySetter* setter = FindSetter(tree.ClassName, p.Name);
        if (!setter) Fail(p.Line, FormTextFmt(stLayoutUnknownProperty, p.Name));
        (*setter)(object, p, context);
    }
}

void BuildChildren(TComponent* root, TComponent* container, const TLayoutObject& tree, TLayoutContext& context,
                   std::vector<TComponent*>& created) {
    for (const TLayoutObject& childTree : tree.Children) {
        auto it = Classes().find(Lower(childTree.ClassName));
        if (it == Classes().end() || !it->second.Factory)
            Fail(childTree.Line, FormTextFmt(stLayoutUnknownClass, childTree.ClassName));
        TComponent* child = it->second.Factory(root);
        child->SetLoading();
        child->SetName(childTree.Name);
        created.push_back(child);
        // A control sits on the nearest enclosing windowed control.
        if (auto* control = dynamic_cast<TControl*>(child))
            if (auto* parent = dynamic_cast<TWinControl*>(container)) control->SetParent(parent);
        ApplyProperties(child, childTree, context);
        BuildChildren(root, child, childTree, context, created);
    }
}

} // namespace

TComponent* TLayoutContext::Component(const std::string& name, const TLayoutProperty& property) const {
    TComponent* found = Root ? Root->FindComponent(name) : nullptr;
    if (!found) Fail(property.Line, FormTextFmt(stLayoutBadValue, property.Name));
    return found;
}

int TLayoutContext::Pixels(const TLayoutProperty& property) const {
    return ScaleToDpi(AsInteger(property), PixelsPerInch);
}

void RegisterComponentClass(const std::string& className, const std::string& parentClassName, TComponentFactory factory) {
    TClassInfo& info = Classes()[Lower(className)];
    info.Parent = parentClassName;
    info.Factory = std::move(factory);
}

void RegisterProperty(const std::string& className, const std::string& propertyName, TPropertySetter setter) {
    Classes()[Lower(className)].Properties[Lower(propertyName)] = std::move(setter);
}

bool IsComponentClassRegistered(const std::string& className) { return Classes().count(Lower(className)) != 0; }

void ReadLayoutInto(TComponent* root, const TLayoutObject& tree, TForm* handlers) {
    RegisterFormClasses();
    if (!IsComponentClassRegistered(tree.ClassName)) Fail(tree.Line, FormTextFmt(stLayoutUnknownClass, tree.ClassName));
    TLayoutContext context;
    context.Root = handlers;
    if (auto* form = dynamic_cast<TForm*>(root)) context.PixelsPerInch = form->PixelsPerInch();
    std::vector<TComponent*> created;
    root->SetLoading();
    root->SetName(tree.Name);
    ApplyProperties(root, tree, context);
    BuildChildren(root, root, tree, context, created);
    for (auto& fixup : context.Fixups) fixup();
    for (TComponent* c : created) c->Loaded();
    root->Loaded();
    if (auto* control = dynamic_cast<TWinControl*>(root)) FitTexts(control);
}

void ReadLayoutResource(TForm* root, const std::string& resourceName) {
    std::string text;
    if (!LoadResourceData(resourceName, text)) throw Exception(FormTextFmt(stLayoutMissing, resourceName));
    try {
        ReadLayoutInto(root, ReadLayout(text), root);
    } catch (ELayoutError& e) {
        // A language module's layout may be the broken one: the message says which.
        e.Message = FormTextFmt(stLayoutResourceError, {resourceName, std::to_string(e.Line), e.Detail});
        throw;
    }
}

// ----------------------------------------------------------- conversions

void BadLayoutValue(const TLayoutProperty& p) { Fail(p.Line, FormTextFmt(stLayoutBadValue, p.Name)); }

int AsInteger(const TLayoutProperty& p) {
    if (p.Value.Kind != TLayoutValueKind::Integer) BadLayoutValue(p);
    return int(p.Value.Integer);
}

bool AsBoolean(const TLayoutProperty& p) {
    if (p.Value.Kind == TLayoutValueKind::Identifier) {
        std::string v = Lower(p.Value.Text);
        if (v == "true") return true;
        if (v == "false") return false;
    }
    BadLayoutValue(p);
}

std::string AsString(const TLayoutProperty& p) {
    if (p.Value.Kind != TLayoutValueKind::String) BadLayoutValue(p);
    return p.Value.Text;
}

std::string AsIdentifier(const TLayoutProperty& p) {
    if (p.Value.Kind != TLayoutValueKind::Identifier) BadLayoutValue(p);
    return p.Value.Text;
}

const std::vector<std::string>& AsSet(const TLayoutProperty& p) {
    if (p.Value.Kind != TLayoutValueKind::Set) BadLayoutValue(p);
    return p.Value.Items;
}

const std::vector<std::string>& AsList(const TLayoutProperty& p) {
    if (p.Value.Kind != TLayoutValueKind::List) BadLayoutValue(p);
    return p.Value.Items;
}

const std::vector<uint8_t>& AsBinary(const TLayoutProperty& p) {
    if (p.Value.Kind != TLayoutValueKind::Binary) BadLayoutValue(p);
    return p.Value.Bytes;
}

uint32_t AsColor(const TLayoutProperty& p) {
    if (p.Value.Kind == TLayoutValueKind::Integer) return uint32_t(p.Value.Integer);
    TColor color;
    if (p.Value.Kind == TLayoutValueKind::Identifier && IdentToColor(p.Value.Text, color)) return color;
    BadLayoutValue(p);
}

int AsCursor(const TLayoutProperty& p) {
    if (p.Value.Kind == TLayoutValueKind::Integer) return int(p.Value.Integer);
    static const std::map<std::string, int> cursors = {
        {"crdefault", crDefault}, {"crnone", crNone},   {"crarrow", crArrow},         {"crcross", crCross},
        {"cribeam", crIBeam},     {"crsizeall", crSizeAll}, {"crhourglass", crHourGlass}, {"crno", crNo},
        {"crhandpoint", crHandPoint}};
    if (p.Value.Kind == TLayoutValueKind::Identifier) {
        auto it = cursors.find(Lower(p.Value.Text));
        if (it != cursors.end()) return it->second;
    }
    BadLayoutValue(p);
}

int AsEnum(const TLayoutProperty& p, std::initializer_list<const char*> names) {
    if (p.Value.Kind == TLayoutValueKind::Identifier) {
        int index = 0;
        for (const char* name : names) {
            if (Lower(name) == Lower(p.Value.Text)) return index;
            ++index;
        }
    }
    BadLayoutValue(p);
}

void UnknownHandler(const TLayoutProperty& p, const std::string& name, bool wrongType) {
    Fail(p.Line, FormTextFmt(wrongType ? stLayoutHandlerType : stLayoutUnknownHandler, name));
}

// --------------------------------------------------- control properties

void RegisterControlClasses() {
    RegisterComponentClass("TComponent", "", nullptr);
    RegisterComponentClass("TControl", "TComponent", nullptr);
    RegisterComponentClass("TGraphicControl", "TControl", nullptr);
    RegisterComponentClass("TWinControl", "TControl", nullptr);
    RegisterComponentClass("TCustomControl", "TWinControl", nullptr);
    RegisterComponentClass("TForm", "TWinControl", nullptr);

    using C = TControl;
    const char* k = "TControl";
    RegisterProp<C>(k, "Left", [](C& c, auto& p, auto& ctx) { c.SetLeft(ctx.Pixels(p)); });
    RegisterProp<C>(k, "Top", [](C& c, auto& p, auto& ctx) { c.SetTop(ctx.Pixels(p)); });
    RegisterProp<C>(k, "Width", [](C& c, auto& p, auto& ctx) { c.SetWidth(ctx.Pixels(p)); });
    RegisterProp<C>(k, "Height", [](C& c, auto& p, auto& ctx) { c.SetHeight(ctx.Pixels(p)); });
    RegisterProp<C>(k, "Align", [](C& c, auto& p, auto&) {
        c.SetAlign(TAlign(AsEnum(p, {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})));
    });
    RegisterProp<C>(k, "Visible", [](C& c, auto& p, auto&) { c.SetVisible(AsBoolean(p)); });
    RegisterProp<C>(k, "Enabled", [](C& c, auto& p, auto&) { c.SetEnabled(AsBoolean(p)); });
    RegisterProp<C>(k, "Color", [](C& c, auto& p, auto&) { c.SetColor(AsColor(p)); });
    RegisterProp<C>(k, "ParentColor", [](C& c, auto& p, auto&) { c.SetParentColor(AsBoolean(p)); });
    RegisterProp<C>(k, "ParentFont", [](C& c, auto& p, auto&) { c.SetParentFont(AsBoolean(p)); });
    RegisterProp<C>(k, "Font.Name", [](C& c, auto& p, auto&) { c.Font().SetName(AsString(p)); });
    // A height in pixels is one at 96 dpi; a size in points needs no scaling.
    RegisterProp<C>(k, "Font.Height", [](C& c, auto& p, auto& ctx) { c.Font().SetHeight(ctx.Pixels(p)); });
    RegisterProp<C>(k, "Font.Size", [](C& c, auto& p, auto&) { c.Font().SetSize(AsInteger(p)); });
    RegisterProp<C>(k, "Font.Color", [](C& c, auto& p, auto&) { c.Font().SetColor(AsColor(p)); });
    RegisterProp<C>(k, "Font.Style", [](C& c, auto& p, auto&) {
        TFontStyles styles;
        for (const std::string& s : AsSet(p)) {
            TLayoutProperty member{p.Name, p.Line, {TLayoutValueKind::Identifier, 0, s, {}, {}}};
            styles.Include(TFontStyle(AsEnum(member, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})));
        }
        c.Font().SetStyle(styles);
    });
    RegisterProp<C>(k, "Caption", [](C& c, auto& p, auto&) { c.SetCaption(AsString(p)); });
    RegisterProp<C>(k, "Hint", [](C& c, auto& p, auto&) { c.SetHint(AsString(p)); });
    RegisterProp<C>(k, "ShowHint", [](C& c, auto& p, auto&) { c.SetShowHint(AsBoolean(p)); });
    RegisterProp<C>(k, "Cursor", [](C& c, auto& p, auto&) { c.SetCursor(AsCursor(p)); });
    RegisterProp<C>(k, "OnClick", [](C& c, auto& p, auto& ctx) { c.OnClick = NotifyHandler(p, ctx); });
    RegisterProp<C>(k, "OnDblClick", [](C& c, auto& p, auto& ctx) { c.OnDblClick = NotifyHandler(p, ctx); });
    RegisterProp<C>(k, "OnMouseDown", [](C& c, auto& p, auto& ctx) { c.OnMouseDown = MouseHandler(p, ctx); });
    RegisterProp<C>(k, "OnMouseUp", [](C& c, auto& p, auto& ctx) { c.OnMouseUp = MouseHandler(p, ctx); });
    RegisterProp<C>(k, "OnMouseMove", [](C& c, auto& p, auto& ctx) { c.OnMouseMove = EventHandler<TMouseMoveEvent>(p, ctx); });

    using W = TWinControl;
    RegisterProp<W>("TWinControl", "TabOrder", [](W& c, auto& p, auto&) { c.SetTabOrder(AsInteger(p)); });
    RegisterProp<W>("TWinControl", "TabStop", [](W& c, auto& p, auto&) { c.SetTabStop(AsBoolean(p)); });
    RegisterProp<W>("TWinControl", "OnEnter", [](W& c, auto& p, auto& ctx) { c.OnEnter = NotifyHandler(p, ctx); });
    RegisterProp<W>("TWinControl", "OnExit", [](W& c, auto& p, auto& ctx) { c.OnExit = NotifyHandler(p, ctx); });

    using F = TForm;
    RegisterProp<F>("TForm", "ClientWidth", [](F& f, auto& p, auto& ctx) { f.SetClientSize(ctx.Pixels(p), f.ClientHeight()); });
    RegisterProp<F>("TForm", "ClientHeight", [](F& f, auto& p, auto& ctx) { f.SetClientSize(f.ClientWidth(), ctx.Pixels(p)); });
    RegisterProp<F>("TForm", "BorderStyle", [](F& f, auto& p, auto&) {
        f.SetBorderStyle(TFormBorderStyle(AsEnum(p, {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow"})));
    });
    RegisterProp<F>("TForm", "Position", [](F& f, auto& p, auto&) {
        f.SetPosition(TPosition(AsEnum(p, {"poDesigned", "poScreenCenter"})));
    });
    RegisterProp<F>("TForm", "OnCreate", [](F& f, auto& p, auto& ctx) { f.OnCreate = NotifyHandler(p, ctx); });
    RegisterProp<F>("TForm", "OnDestroy", [](F& f, auto& p, auto& ctx) { f.OnDestroy = NotifyHandler(p, ctx); });
    RegisterProp<F>("TForm", "OnShow", [](F& f, auto& p, auto& ctx) { f.OnShow = NotifyHandler(p, ctx); });
    RegisterProp<F>("TForm", "OnClose", [](F& f, auto& p, auto& ctx) { f.OnClose = NotifyHandler(p, ctx); });
}

void RegisterFormClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterControlClasses();
    RegisterStandardControls();
}

} // namespace forms
