// What assistive technology sees of a hot-spot image: the image's client
// area with one simple child per enabled spot, in list order (child ids 1,
// 2, ...): a push button named as OnGetSpotName names it, whose default
// action "Select" picks it as Enter does, focused and selected as it is, and
// located at its box on the screen. The image itself answers as the
// platform's standard client object does.
#pragma once
#include <windows.h>
#include <oleacc.h>

namespace components {

class THotImage;
class THotImageWindow;
class TSpot;

class THotImageAccessible final : public IAccessible {
public:
    // Made with one reference, its maker's.
    THotImageAccessible(THotImage& image, THotImageWindow& window);
    THotImageAccessible(const THotImageAccessible&) = delete;
    THotImageAccessible& operator=(const THotImageAccessible&) = delete;

    // The image is going: every later call answers "disconnected".
    void Disconnect();
    // How many of these objects exist, for tests that look for leaks.
    static LONG LiveCount();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: no type information; clients call through the table.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    ~THotImageAccessible();
    // The spot a child id names: S_OK with the spot, S_FALSE for the image
    // itself, E_INVALIDARG for anything else (RPC_E_DISCONNECTED once gone).
    HRESULT Resolve(const VARIANT& child, TSpot*& spot) const;
    TSpot* SpotOfChild(long id) const;
    long ChildOf(TSpot* spot) const; // 0 when the spot has no child
    bool Focused() const;

    LONG refs_ = 1;
    THotImage* image_;
    THotImageWindow* window_;
    IAccessible* standard_ = nullptr; // the platform's client object of the window
};

} // namespace components
