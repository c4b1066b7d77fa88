#include "HotImageAccessible.h"

#include <string>

#include "HotImage.h"
#include "HotImageWindow.h"
#include "forms/SysUtils.h"
#include "forms/SystemLibrary.h"

namespace components {

namespace {

LONG liveObjects = 0;

// Texts reach the client as BSTRs of the system code page's characters.
BSTR ToBstr(const std::string& text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    auto allocString = SYSTEM_FUNCTION("oleaut32.dll", SysAllocStringLen);
    BSTR result = allocString ? allocString(nullptr, UINT(length)) : nullptr;
    if (result && length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), result, length);
    return result;
}

// What VariantInit does, without importing its library for one field.
void MakeEmpty(VARIANT* v) { v->vt = VT_EMPTY; }

void SetChild(VARIANT* v, long id) {
    v->vt = VT_I4;
    v->lVal = id;
}

} // namespace

THotImageAccessible::THotImageAccessible(THotImage& image, THotImageWindow& window)
    : image_(&image), window_(&window) {
    InterlockedIncrement(&liveObjects);
    // oleacc is loaded only once a screen reader asks (forms/SystemLibrary.h).
    auto createStandard = SYSTEM_FUNCTION("oleacc.dll", CreateStdAccessibleObject);
    if (createStandard)
        createStandard(window.Handle(), OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard_));
}

THotImageAccessible::~THotImageAccessible() {
    if (standard_) standard_->Release();
    InterlockedDecrement(&liveObjects);
}

LONG THotImageAccessible::LiveCount() { return liveObjects; }

void THotImageAccessible::Disconnect() {
    image_ = nullptr;
    window_ = nullptr;
    if (standard_) standard_->Release();
    standard_ = nullptr;
}

// ------------------------------------------------------------------ IUnknown

HRESULT THotImageAccessible::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG THotImageAccessible::AddRef() { return ULONG(InterlockedIncrement(&refs_)); }

ULONG THotImageAccessible::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return ULONG(left);
}

HRESULT THotImageAccessible::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT THotImageAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT THotImageAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT THotImageAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ------------------------------------------------------------------ children

TSpot* THotImageAccessible::SpotOfChild(long id) const { return image_->HotSpots().EnabledAt(int(id)); }

long THotImageAccessible::ChildOf(TSpot* spot) const { return image_->HotSpots().EnabledOrdinal(spot); }

HRESULT THotImageAccessible::Resolve(const VARIANT& child, TSpot*& spot) const {
    spot = nullptr;
    if (!image_) return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return standard_ ? S_FALSE : E_FAIL;
    spot = child.lVal > 0 ? SpotOfChild(child.lVal) : nullptr;
    return spot ? S_OK : E_INVALIDARG;
}

bool THotImageAccessible::Focused() const {
    return window_ && window_->HandleAllocated() && GetFocus() == window_->Handle();
}

// --------------------------------------------------------------- IAccessible

HRESULT THotImageAccessible::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!image_) return RPC_E_DISCONNECTED;
    return standard_ ? standard_->get_accParent(parent) : E_FAIL;
}

HRESULT THotImageAccessible::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!image_) return RPC_E_DISCONNECTED;
    *count = image_->HotSpots().EnabledCount();
    return S_OK;
}

HRESULT THotImageAccessible::get_accChild(VARIANT child, IDispatch** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return E_INVALIDARG;
    return hr == S_OK ? S_FALSE : hr; // the spots are simple children, named by their ids
}

HRESULT THotImageAccessible::get_accName(VARIANT child, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accName(child, name);
    if (hr != S_OK) return hr;
    // No exception may cross into the client's call.
    try {
        *name = ToBstr(image_->SpotName(spot));
    } catch (...) {
        return E_FAIL;
    }
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT THotImageAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accValue(child, value);
    return hr == S_OK ? DISP_E_MEMBERNOTFOUND : hr;
}

HRESULT THotImageAccessible::get_accDescription(VARIANT child, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accDescription(child, description);
    if (hr != S_OK) return hr;
    // The hint the mouse would show, when there is one.
    std::string hint;
    try {
        hint = image_->SpotHint(spot);
    } catch (...) {
        return E_FAIL;
    }
    if (hint.empty()) return S_FALSE;
    *description = ToBstr(hint);
    return *description ? S_OK : E_OUTOFMEMORY;
}

HRESULT THotImageAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    MakeEmpty(role);
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accRole(child, role);
    if (hr != S_OK) return hr;
    SetChild(role, ROLE_SYSTEM_PUSHBUTTON);
    return S_OK;
}

HRESULT THotImageAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    MakeEmpty(state);
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accState(child, state);
    if (hr != S_OK) return hr;
    long bits = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (Focused() && spot == image_->FocusedSpot()) bits |= STATE_SYSTEM_FOCUSED;
    if (spot == image_->SelectedSpot()) bits |= STATE_SYSTEM_SELECTED;
    if (image_->HighlightVisible() && spot == image_->HighlightedSpot()) bits |= STATE_SYSTEM_HOTTRACKED;
    if (!image_->Reachable()) bits |= STATE_SYSTEM_UNAVAILABLE;
    SetChild(state, bits);
    return S_OK;
}

HRESULT THotImageAccessible::get_accHelp(VARIANT child, BSTR* help) {
    if (!help) return E_POINTER;
    *help = nullptr;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accHelp(child, help);
    return hr == S_OK ? DISP_E_MEMBERNOTFOUND : hr;
}

HRESULT THotImageAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accHelpTopic(file, child, topic);
    return hr == S_OK ? DISP_E_MEMBERNOTFOUND : hr;
}

HRESULT THotImageAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    if (!shortcut) return E_POINTER;
    *shortcut = nullptr;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accKeyboardShortcut(child, shortcut);
    return hr == S_OK ? DISP_E_MEMBERNOTFOUND : hr;
}

HRESULT THotImageAccessible::get_accFocus(VARIANT* child) {
    if (!child) return E_POINTER;
    MakeEmpty(child);
    if (!image_) return RPC_E_DISCONNECTED;
    if (!Focused()) return S_FALSE;
    long id = ChildOf(image_->FocusedSpot());
    SetChild(child, id ? id : CHILDID_SELF);
    return S_OK;
}

HRESULT THotImageAccessible::get_accSelection(VARIANT* children) {
    if (!children) return E_POINTER;
    MakeEmpty(children);
    if (!image_) return RPC_E_DISCONNECTED;
    long id = ChildOf(image_->SelectedSpot());
    if (!id) return S_FALSE;
    SetChild(children, id);
    return S_OK;
}

HRESULT THotImageAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (!action) return E_POINTER;
    *action = nullptr;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->get_accDefaultAction(child, action);
    if (hr != S_OK) return hr;
    *action = ToBstr(forms::FormText(forms::stSelectAction));
    return *action ? S_OK : E_OUTOFMEMORY;
}

HRESULT THotImageAccessible::accSelect(long flags, VARIANT child) {
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->accSelect(flags, child);
    if (hr != S_OK) return hr;
    // Only the focus can be moved this way; selecting is picking, which is
    // the default action.
    if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
    if (!image_->Reachable()) return S_FALSE;
    image_->SetFocus();
    image_->SetFocusedSpot(spot);
    return S_OK;
}

HRESULT THotImageAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->accLocation(left, top, width, height, child);
    if (hr != S_OK) return hr;
    RECT r = image_->SpotScreenRect(spot);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

HRESULT THotImageAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    MakeEmpty(end);
    TSpot* spot;
    HRESULT hr = Resolve(start, spot);
    if (hr != S_OK && hr != S_FALSE) return hr;
    THotSpots& spots = image_->HotSpots();
    TSpot* to = nullptr;
    if (hr == S_FALSE) {
        if (direction == NAVDIR_FIRSTCHILD) to = spots.FirstEnabled();
        else if (direction == NAVDIR_LASTCHILD) to = spots.LastEnabled();
        else return standard_->accNavigate(direction, start, end);
    } else {
        long id = ChildOf(spot);
        switch (direction) {
        case NAVDIR_NEXT: to = SpotOfChild(id + 1); break;
        case NAVDIR_PREVIOUS: to = id > 1 ? SpotOfChild(id - 1) : nullptr; break;
        case NAVDIR_LEFT: to = spots.NearestSpot(spot, sdLeft); break;
        case NAVDIR_RIGHT: to = spots.NearestSpot(spot, sdRight); break;
        case NAVDIR_UP: to = spots.NearestSpot(spot, sdUp); break;
        case NAVDIR_DOWN: to = spots.NearestSpot(spot, sdDown); break;
        default: return E_INVALIDARG; // simple children have no children
        }
    }
    if (!to) return S_FALSE;
    SetChild(end, ChildOf(to));
    return S_OK;
}

HRESULT THotImageAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    MakeEmpty(child);
    if (!image_) return RPC_E_DISCONNECTED;
    POINT p = image_->ScreenToClient({x, y});
    if (!image_->Showing() || p.x < 0 || p.y < 0 || p.x >= image_->Width() || p.y >= image_->Height()) return S_FALSE;
    long id = ChildOf(image_->SpotAtPos(p.x, p.y));
    SetChild(child, id ? id : CHILDID_SELF);
    return S_OK;
}

HRESULT THotImageAccessible::accDoDefaultAction(VARIANT child) {
    TSpot* spot;
    HRESULT hr = Resolve(child, spot);
    if (hr == S_FALSE) return standard_->accDoDefaultAction(child);
    if (hr != S_OK) return hr;
    if (!image_->Reachable()) return S_FALSE;
    // The pick runs from the message loop: the client's call returns at
    // once, and a handler's error is shown as any other.
    window_->PostPick(image_->HotSpots().IndexOf(spot), spot->Id());
    return S_OK;
}

HRESULT THotImageAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT THotImageAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

} // namespace components
