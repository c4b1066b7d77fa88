// Building components from layout text: a registry of classes by name, the
// published properties of each class by name, and event bindings to a form's
// handlers by name. A layout that names an unknown class, property or
// handler, or gives a value of the wrong kind, fails with ELayoutError naming
// it and its line.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "Components.h"
#include "Controls.h"
#include "Forms.h"
#include "LayoutReader.h"

namespace forms {

class TForm;
class TControl;

// What a property setter gets besides the value: the form being built (for
// handlers) and a place for work that must wait until every component of the
// layout exists (references to other components by name).
struct TLayoutContext {
    TForm* Root = nullptr;
    std::vector<std::function<void()>> Fixups;
    // The resolution the layout is read for; its pixel values are at 96 dpi.
    int PixelsPerInch = DesignPixelsPerInch;
    // An integer value in pixels at 96 dpi, scaled to PixelsPerInch.
    int Pixels(const TLayoutProperty& property) const;
    // The component named so in the layout; raises naming the property when absent.
    TComponent* Component(const std::string& name, const TLayoutProperty& property) const;
};

using TPropertySetter = std::function<void(TPersistent* object, const TLayoutProperty& property, TLayoutContext& context)>;
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// Registers a class under its layout name, with the class whose properties it
// inherits ("" for none). A null factory registers a class that layouts may
// describe (a form's own class) but not create.
void RegisterComponentClass(const std::string& className, const std::string& parentClassName, TComponentFactory factory);
void RegisterProperty(const std::string& className, const std::string& propertyName, TPropertySetter setter);
bool IsComponentClassRegistered(const std::string& className);

// Builds root's properties and children from the tree: children are created
// by class, owned by root, parented to the enclosing control, and named;
// finally every created component and root get Loaded(). Event bindings
// resolve against the handlers of `handlers` (bound by CreateForm; a form
// read on its own has none). Last, every control's text is fitted
// (FitTexts). Forms are built with CreateForm, not this.
void ReadLayoutInto(TComponent* root, const TLayoutObject& tree, TForm* handlers);
// The same from an RCDATA resource of the resource module.
void ReadLayoutResource(TForm* root, const std::string& resourceName);

// Value conversion for property setters; each raises ELayoutError naming the
// property when the value has the wrong kind or range.
int AsInteger(const TLayoutProperty& p);
bool AsBoolean(const TLayoutProperty& p);
std::string AsString(const TLayoutProperty& p);
std::string AsIdentifier(const TLayoutProperty& p);
const std::vector<std::string>& AsSet(const TLayoutProperty& p);
const std::vector<std::string>& AsList(const TLayoutProperty& p);
const std::vector<uint8_t>& AsBinary(const TLayoutProperty& p);
uint32_t AsColor(const TLayoutProperty& p);   // integer or colour identifier (clBtnFace)
int AsCursor(const TLayoutProperty& p);       // integer or cursor identifier (crHandPoint)
// An identifier among names, returned as its index.
int AsEnum(const TLayoutProperty& p, std::initializer_list<const char*> names);
[[noreturn]] void BadLayoutValue(const TLayoutProperty& p);

// Typed registration helpers.
template <class T>
void RegisterClassOf(const std::string& className, const std::string& parentClassName) {
    RegisterComponentClass(className, parentClassName, [](TComponent* owner) -> TComponent* { return new T(owner); });
}
template <class T>
void RegisterProp(const std::string& className, const std::string& propertyName,
                  std::function<void(T&, const TLayoutProperty&, TLayoutContext&)> setter) {
    RegisterProperty(className, propertyName, [setter](TPersistent* o, const TLayoutProperty& p, TLayoutContext& c) {
        setter(*static_cast<T*>(o), p, c);
    });
}

// Event bindings resolved against the form's handlers: the identifier names
// a handler the form bound (TFormBindings) with exactly the event's type.
[[noreturn]] void UnknownHandler(const TLayoutProperty& p, const std::string& name, bool wrongType);

template <class Event>
Event EventHandler(const TLayoutProperty& p, TLayoutContext& context) {
    std::string name = AsIdentifier(p);
    bool wrongType = false;
    const Event* handler = context.Root ? context.Root->template FindHandler<Event>(name, &wrongType) : nullptr;
    if (!handler) UnknownHandler(p, name, wrongType);
    return *handler;
}
inline TNotifyEvent NotifyHandler(const TLayoutProperty& p, TLayoutContext& c) { return EventHandler<TNotifyEvent>(p, c); }
inline TMouseEvent MouseHandler(const TLayoutProperty& p, TLayoutContext& c) { return EventHandler<TMouseEvent>(p, c); }

// Registers the classes and properties of the whole library once (each
// module of the library registers its own from here).
void RegisterFormClasses();
void RegisterControlClasses();  // TControl, TWinControl, TGraphicControl, TCustomControl, TForm
void RegisterStandardControls(); // StdCtrls, ExtCtrls, ComCtrls, Dialogs

} // namespace forms
