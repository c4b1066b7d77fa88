// Keyboard navigation: which windowed controls take the focus, the order in
// which Tab walks them, and the accelerator character of a caption.
#include "Controls.h"

#include <algorithm>
#include <cctype>

namespace forms {

void TWinControl::SetTabOrder(int order) { tabOrder_ = order; }

void TWinControl::SetTabStop(bool value) {
    if (value == tabStop_) return;
    tabStop_ = value;
    if (handle_) {
        LONG style = GetWindowLongA(handle_, GWL_STYLE);
        SetWindowLongA(handle_, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const { return Reachable(); }

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

bool TWinControl::TabStopNow() const { return tabStop_ && handle_ && CanFocus(); }

std::vector<TWinControl*> TWinControl::TabOrderedChildren() const {
    std::vector<TWinControl*> children;
    for (TControl* c : controls_)
        if (c->windowed_) children.push_back(static_cast<TWinControl*>(c));
    std::stable_sort(children.begin(), children.end(), [](TWinControl* a, TWinControl* b) {
        return (a->tabOrder_ < 0 ? INT32_MAX : a->tabOrder_) < (b->tabOrder_ < 0 ? INT32_MAX : b->tabOrder_);
    });
    return children;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : TabOrderedChildren()) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    int n = int(list.size());
    if (n == 0) return nullptr;
    int at = int(std::find(list.begin(), list.end(), current) - list.begin());
    if (at == n) at = forward ? -1 : n; // not inside: start before the first or after the last
    for (int step = 1; step <= n; ++step) {
        TWinControl* c = list[size_t(((forward ? at + step : at - step) % n + n) % n)];
        if (c->TabStopNow()) return c;
    }
    return nullptr;
}

TWinControl* TWinControl::FirstTabStop() { return TabStopNow() ? this : FindNextControl(nullptr, true); }

// ------------------------------------------------------------ accelerators

char AccelChar(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return char(std::tolower((unsigned char)caption[i + 1]));
        ++i; // "&&" is a plain '&'
    }
    return 0;
}

std::string StripAccel(const std::string& caption) {
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i; // the next one is shown
        text += caption[i];
    }
    return text;
}

} // namespace forms
