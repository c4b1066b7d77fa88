// Top-level windows, the application object with its message loop, modal
// loops, error display and hints.
#pragma once
#include <windows.h>

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "Controls.h"

namespace forms {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum TPosition { poDesigned, poScreenCenter };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2;

class TForm;

// A form names each handler and each field its layout uses once, by member
// pointer, in a static Bindings() function. FORM_MEMBER writes the layout's
// name from the member's own, so the two cannot differ:
//
//   TFormBindings<TMyForm> TMyForm::Bindings() {
//       using F = TMyForm;
//       return {{FORM_MEMBER(F, OKButtonClick)}, {FORM_MEMBER(F, OKButton)}};
//   }
//
// The explicit form {"Name", &TMyForm::Member} binds a layout name to a
// member of another name, for the rare form that needs it.
//
// A handler binds only to an event of its own signature; a field must be a
// component of its class in the layout.
struct TFormHandler {
    std::string Name;
    // The handler as its event type (a std::function in a std::any), calling
    // the method on form while the form's life lasts.
    std::function<std::any(TForm& form, TLifeToken::TWatch alive)> Make;
};
struct TFormField {
    std::string Name;
    // Stores the component in the field; false when it has another class.
    std::function<bool(TForm& form, TComponent* component)> Set;
};

template <class F>
struct TFormHandlerOf : TFormHandler {
    template <class C, class R, class... A>
    TFormHandlerOf(std::string name, R (C::*method)(A...)) {
        static_assert(std::is_base_of_v<C, F>, "the handler is a method of another class");
        Name = std::move(name);
        Make = [method](TForm& form, TLifeToken::TWatch alive) {
            F& self = static_cast<F&>(form);
            return std::any(std::function<R(A...)>([&self, method, alive](A... args) -> R {
                if (!alive.Alive()) return R(); // the form is going: its members may be gone
                return (self.*method)(std::forward<A>(args)...);
            }));
        };
    }
};
template <class F>
struct TFormFieldOf : TFormField {
    template <class C, class T>
    TFormFieldOf(std::string name, T* C::*field) {
        static_assert(std::is_base_of_v<C, F>, "the field is a member of another class");
        Name = std::move(name);
        Set = [field](TForm& form, TComponent* component) {
            T* typed = dynamic_cast<T*>(component);
            static_cast<F&>(form).*field = typed;
            return typed != nullptr;
        };
    }
};
// One binding whose layout name is the member's name: FORM_MEMBER(F, OKButtonClick)
// is {"OKButtonClick", &F::OKButtonClick}.
#define FORM_MEMBER(Form, member) {#member, &Form::member}

template <class F>
struct TFormBindings {
    std::vector<TFormHandlerOf<F>> Handlers = {};
    std::vector<TFormFieldOf<F>> Fields = {};
};

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;
    std::string ClassName() const override { return "TForm"; }

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style) { borderStyle_ = style; }
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetClientSize(int width, int height) override;
    // Before the window exists: the client area it will have, when given.
    RECT ClientRect() const override;
    // The resolution the form's pixels are for: the screen's when it is made.
    // Its layout, given at 96 dpi, is scaled to it as it is read.
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int dpi) { pixelsPerInch_ = dpi; }

    void Show();
    void Close();
    // Runs a modal loop until ModalResult is set (1 accept, 2 cancel;
    // closing by the frame gives 2) and returns it.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }

    // The controls Enter and Escape press; none, and the key does nothing.
    // A control that is destroyed stops being either.
    void SetDefaultControl(TControl* control) { Track(defaultControl_, control); }
    void SetCancelControl(TControl* control) { Track(cancelControl_, control); }
    TControl* DefaultControl() const { return defaultControl_; }
    TControl* CancelControl() const { return cancelControl_; }

    // The dialog keys of a key message for a window on this form, as a
    // settings dialog has them: Tab and Shift+Tab walk the tab order;
    // Ctrl+Tab and Ctrl+Shift+Tab switch pages; arrows move within a radio
    // group; Enter presses the focused push button or the default control,
    // Escape the cancel control; Alt+letter (or the letter alone where the
    // focused control takes no characters) is an access key. A control that
    // asks for a key (WM_GETDLGCODE) gets it instead. True when handled.
    bool DialogKey(const MSG& msg);
    // Whether access keys show underlined now: as in the system's dialogs,
    // not until the keyboard is used, unless the user wants them always.
    bool AccelsShown() const { return accelsShown_; }

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnClose;

    // The handler of that name if it has that type; null otherwise. wrongType
    // tells a handler of another type from none at all.
    template <class Event>
    const Event* FindHandler(const std::string& name, bool* wrongType = nullptr) const {
        auto it = handlers_.find(name);
        if (wrongType) *wrongType = it != handlers_.end() && !std::any_cast<Event>(&it->second);
        return it == handlers_.end() ? nullptr : std::any_cast<Event>(&it->second);
    }

    // Typed lookup of a component the layout created; raises when missing.
    template <class T>
    T* Field(const std::string& name) {
        T* c = dynamic_cast<T*>(FindComponent(name));
        if (!c) throw Exception(FormTextFmt(stLayoutMissingField, {name, ClassName()}));
        return c;
    }

protected:
    // Builds the form: binds its handlers, reads the layout (the given one,
    // or the resource named like the class in upper case), stores its fields
    // and runs OnCreate. On a failure no bound handler runs again, OnDestroy
    // runs only if OnCreate did, and the exception goes on to the caller.
    void Construct(const std::string* layoutText, const std::vector<const TFormHandler*>& handlers,
                   const std::vector<const TFormField*>& fields);
    // Runs OnDestroy (once) and silences the bound handlers: called while
    // the derived form's members are still alive.
    void BeforeDestruction();
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void Track(TControl*& field, TControl* control);
    void SelectNext(TWinControl* current, bool forward);
    bool SwitchPage(TWinControl* focused, bool forward);
    bool AccessKey(char key);
    // Shows (clear) or hides (set) access-key underlines and focus rectangles.
    void ChangeUIState(WORD action, WORD flags);

    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    int clientWidth_ = 0, clientHeight_ = 0;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool destroyCalled_ = false;
    bool createRan_ = false;
    HWND lastFocus_ = nullptr;
    bool accelsShown_ = true;
    TControl* defaultControl_ = nullptr;
    TControl* cancelControl_ = nullptr;
    std::map<std::string, std::any> handlers_;
    int pixelsPerInch_ = ScreenPixelsPerInch();
};

namespace detail {
template <class F>
TFormBindings<F> BindingsOf() {
    if constexpr (requires { F::Bindings(); }) return F::Bindings();
    else return {};
}

// The form as the program gets it: built after the form's own constructor,
// and told of its end before the form's own destructor.
template <class F>
class TBuiltForm final : public F {
public:
    TBuiltForm(TComponent* owner, const std::string* layoutText) : F(owner) {
        TFormBindings<F> bindings = BindingsOf<F>();
        std::vector<const TFormHandler*> handlers;
        std::vector<const TFormField*> fields;
        for (auto& h : bindings.Handlers) handlers.push_back(&h);
        for (auto& f : bindings.Fields) fields.push_back(&f);
        this->Construct(layoutText, handlers, fields);
    }
    ~TBuiltForm() override { this->BeforeDestruction(); }
};
} // namespace detail

// Creates a form of class F owned by owner from its layout resource (named
// like the class in upper case), binding F::Bindings() and running OnCreate,
// in one step. Raises what the layout, the bindings or OnCreate raised.
template <class F>
F* CreateForm(TComponent* owner) {
    return new detail::TBuiltForm<F>(owner, nullptr);
}
// The same from layout text instead of a resource.
template <class F>
F* CreateFormFromText(TComponent* owner, const std::string& layoutText) {
    return new detail::TBuiltForm<F>(owner, &layoutText);
}

// The top-level window of the nearest owner with a window, or null: the
// owner of a form or dialog that component opens.
HWND OwnerWindow(TComponent* owner);

// The form a control lies on, or null.
TForm* GetParentForm(TControl* control);
// Rescales a control and everything on it (given bounds, own fonts, list
// rows) from one resolution to another.
void ChangeScale(TControl* control, int to, int from);
// The resolution of the form a control lies on; the screen's when none.
int ControlPixelsPerInch(TControl* control);
// A size given at 96 dpi, in pixels of the control's form.
inline int ScaleForControl(TControl* control, int value) { return ScaleToDpi(value, ControlPixelsPerInch(control)); }

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    std::string ClassName() const override { return "THintWindow"; }
    void ActivateHint(POINT screenPos, const std::string& text);
    void ReleaseHint();
    bool Active() const { return active_; }

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;

private:
    bool active_ = false;
};

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;
    std::string ClassName() const override { return "TApplication"; }

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    TForm* MainForm() const { return mainForm_; }
    // Creates a form owned by the application; the first becomes the main form.
    template <class T>
    T* CreateForm() {
        T* form = forms::CreateForm<T>(this);
        if (!mainForm_) mainForm_ = form;
        return form;
    }
    template <class T>
    T* CreateFormFromText(const std::string& layoutText) {
        T* form = forms::CreateFormFromText<T>(this, layoutText);
        if (!mainForm_) mainForm_ = form;
        return form;
    }
    void Run();
    // Handles one message, waiting for it; false when the queue said quit.
    bool HandleMessage();
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return terminated_; }
    void MainFormClosed(TForm* form);

    // Shows the exception being handled in a message box (see
    // ShowMessageBox for owner and bringToFront); the loop goes on.
    void HandleException(TWinControl* owner = nullptr, bool bringToFront = false);

    // Hints: after HintPause ms over a control with ShowHint, the control
    // is asked for its text and the hint window shows it.
    bool ShowHint = true;
    UINT HintPause = 500;
    UINT HintHidePause = 2500;
    void CancelHint();
    THintWindow& HintWindow() { return *hintWindow_; }
    TControl* HintControl() const { return hintControl_; }
    // Shows the hint for the control under the mouse now, as the pause timer would.
    void ActivateHint();
    // Shows a control's hint now at a point of its choosing, for a part of it
    // the keyboard reached; it hides as a hint under the mouse does.
    void ActivateHint(TControl* control, POINT screenPos);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool ProcessMessage(MSG& msg);
    // Points field at control and asks to hear when it is destroyed.
    void Track(TControl*& field, TControl* control);
    void MouseControlChanged(TControl* old, TControl* control);
    void MouseActivity(UINT msg);
    void StartHintTimer(UINT ms);
    void StopHintTimer();
    static void CALLBACK HintTimerProc(HWND, UINT, UINT_PTR, DWORD);

    std::string title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    THintWindow* hintWindow_ = nullptr;
    TControl* mouseControl_ = nullptr;
    TControl* hintControl_ = nullptr;
    UINT_PTR hintTimer_ = 0;
};

// The one application object of the process.
TApplication* Application();

} // namespace forms
