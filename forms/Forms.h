// Top-level windows, the application object with its message loop, modal
// loops, error display and hints.
#pragma once
#include <windows.h>

#include <any>
#include <functional>
#include <map>
#include <string>
#include <type_traits>

#include "Controls.h"

namespace forms {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum TPosition { poDesigned, poScreenCenter };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2;

template <class T>
struct IsEventType : std::false_type {};
template <class R, class... Args>
struct IsEventType<std::function<R(Args...)>> : std::true_type {};

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

    void Show();
    void Close();
    // Runs a modal loop until ModalResult is set (1 accept, 2 cancel;
    // closing by the frame gives 2) and returns it.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }

    // Buttons that Enter and Escape press.
    void SetDefaultControl(TControl* control) { defaultControl_ = control; }
    void SetCancelControl(TControl* control) { cancelControl_ = control; }
    TControl* DefaultControl() const { return defaultControl_; }
    TControl* CancelControl() const { return cancelControl_; }

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnClose;

    // Handlers a layout may bind by name, each of its event's own type
    // (TNotifyEvent, TMouseEvent, or any component's event type).
    template <class Event>
    void RegisterHandler(const std::string& name, Event handler) {
        static_assert(IsEventType<Event>::value, "wrap the handler in its event type (a std::function)");
        handlers_[name] = std::any(std::move(handler));
    }
    // The handler of that name if it has that type; null otherwise. wrongType
    // tells a handler of another type from none at all.
    template <class Event>
    const Event* FindHandler(const std::string& name, bool* wrongType = nullptr) const {
        auto it = handlers_.find(name);
        if (wrongType) *wrongType = it != handlers_.end() && !std::any_cast<Event>(&it->second);
        return it == handlers_.end() ? nullptr : std::any_cast<Event>(&it->second);
    }
    const TNotifyEvent* FindNotifyHandler(const std::string& name) const { return FindHandler<TNotifyEvent>(name); }
    const TMouseEvent* FindMouseHandler(const std::string& name) const { return FindHandler<TMouseEvent>(name); }

    // Builds the form from the layout resource named like its class (upper
    // case), then runs OnCreate. Called by the derived form's constructor once
    // its handlers are registered.
    void InitLayout(const std::string& resourceName);

    // Typed lookup of a component the layout created; raises when missing.
    template <class T>
    T* Field(const std::string& name) {
        T* c = dynamic_cast<T*>(FindComponent(name));
        if (!c) throw Exception("Component " + name + " of class " + ClassName() + " is missing in its layout");
        return c;
    }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DoDestroy();

private:
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    int clientWidth_ = 0, clientHeight_ = 0;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool destroyCalled_ = false;
    HWND lastFocus_ = nullptr;
    TControl* defaultControl_ = nullptr;
    TControl* cancelControl_ = nullptr;
    std::map<std::string, std::any> handlers_;
};

// The form a control lies on, or null.
TForm* GetParentForm(TControl* control);

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
    template <class T, class... Args>
    T* CreateForm(Args&&... args) {
        T* form = new T(this, std::forward<Args>(args)...);
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

    // Shows the exception being handled in a message box; the loop goes on.
    void HandleException();
    int MessageBox(const std::string& text, const std::string& caption, UINT flags);

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

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool ProcessMessage(MSG& msg);
    // Points field at control and asks to hear when it is destroyed.
    void Track(TControl*& field, TControl* control);
    void MouseControlChanged(TControl* control);
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
