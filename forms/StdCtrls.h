// Standard controls: push buttons, radio buttons, check boxes, the drop-down
// list, the edit box, the label, the group box and the list box with
// owner-drawn rows. The system controls do the drawing and the input; these
// classes keep their state while no window exists yet and turn the system's
// notifications into events.
//
// Selection rules the program relies on: a radio button that becomes checked
// (by the user or from code) runs its click handler, one that is checked
// already runs nothing; a check box runs its click handler whenever its state
// changes; setting a list row or a drop-down item from code runs no handler,
// while the user's choice does.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Forms.h"

namespace forms {

// The system BUTTON class in its three uses. On a coloured parent the
// button's surroundings take the control's colour (ParentColor by default).
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);
    std::string ClassName() const override { return "TButtonControl"; }
    // A check box's or radio button's: its box and the caption beside it.
    int WidthForText() override;

protected:
    void CreateParams(TCreateParams& params) override;
    bool NotifyReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The system button draws all of itself on a given DC.
    TPaintedWith PaintedWithParent() const override { return TPaintedWith::PrintClient; }
    // The user pressed the button: mouse, space bar or access key.
    virtual void ButtonClicked() = 0;
    // Its access key focuses the control and presses it.
    bool DialogChar(char key) override;

private:
    TBrush background_;
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);
    std::string ClassName() const override { return "TButton"; }

    // The button Enter presses on its form.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    // The button Escape presses on its form.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value);
    // Given to the form when the button is clicked (ends a modal loop).
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    void SetParent(TWinControl* parent) override;
    int WidthForText() override;
    void Click() override;
    // Enter presses the focused button, as in the system's dialogs.
    bool DialogKey(WORD key) override;
    // Its access key presses it where the focus is.
    bool DialogChar(char key) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void ButtonClicked() override { Click(); }

private:
    void LinkToForm(bool link);

    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

// Radio buttons with the same parent form one group. Tab enters the group
// at its selection (at its first button while none is selected); the arrow
// keys move the selection within the group, wrapping.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    std::string ClassName() const override { return "TRadioButton"; }
    bool TabStopNow() const override;
    bool DialogKey(WORD key) override;

    bool Checked() const { return checked_; }
    // true unchecks the siblings and runs the click handler, unless the
    // button was checked already; false runs nothing.
    void SetChecked(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWnd() override;
    void ButtonClicked() override { SetChecked(true); }

private:
    bool checked_ = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked };

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner);
    std::string ClassName() const override { return "TCheckBox"; }

    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    // Runs the click handler when the state changes, from code too.
    void SetState(TCheckBoxState state);

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWnd() override;
    void ButtonClicked() override { SetChecked(!Checked()); }

private:
    TCheckBoxState state_ = cbUnchecked;
};

// A drop-down list the user picks from without typing.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner);
    std::string ClassName() const override { return "TComboBox"; }

    const std::vector<std::string>& Items() const { return items_; }
    // Replacing the items leaves nothing selected.
    void SetItems(const std::vector<std::string>& items);
    void AddItem(const std::string& text);
    void Clear() { SetItems({}); }

    // -1: nothing selected. Setting it runs no handler.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);

    // The widest item beside the drop-down button.
    int WidthForText() override;
    void Loaded() override;

    // The user picked an item.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWnd() override;
    bool NotifyReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The items into the window; one that shows items is emptied first.
    void FillWindow(bool showsItems = true);
    // The height the list gives an item in the control's font.
    int FontItemHeight();
    void SizeDropDown();
    void ReadClosedHeight();

    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    std::string ClassName() const override { return "TEdit"; }

    std::string Text() const;
    // Runs OnChange when the text changes, as a user's edit does.
    void SetText(const std::string& text);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // 0: no limit of our own.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWnd() override;
    bool NotifyReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Change();

    std::string text_; // the text while no window exists
    bool readOnly_ = false;
    int maxLength_ = 0;
    bool settingText_ = false;
    TBrush background_;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };

// Windowless text. '&' marks an access key, shown underlined ("&&" is a
// plain '&'). Transparent labels leave whatever the parent painted beneath.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    std::string ClassName() const override { return "TLabel"; }

    // Sizes the label to its text; a word-wrapped label wraps within its width.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);

    // A one-line label's text; a word-wrapped one wraps within any width.
    int WidthForText() override;
    TAlignment TextAlignment() const override { return alignment_; }
    void Loaded() override;
    // Its access key focuses the control that follows it in its parent.
    bool DialogChar(char key) override;

protected:
    void Paint() override;
    void FontChanged() override;
    void TextChanged() override { AdjustBounds(); }

private:
    UINT TextFlags() const;
    // The caption's size as drawn, wrapped within the width when it wraps.
    SIZE TextSize();
    // Sizes the label from its given bounds when AutoSize says so, then fits it.
    void AdjustBounds();

    bool autoSize_ = true;
    bool transparent_ = false;
    TAlignment alignment_ = taLeftJustify;
    bool wordWrap_ = false;
    TTextLayout layout_ = tlTop;
};

// An etched frame with its caption set into the top edge.
class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* owner);
    std::string ClassName() const override { return "TGroupBox"; }
    int WidthForText() override;

protected:
    void Paint() override;
};

// A single-selection list whose rows all have ItemHeight and are drawn by
// DrawItem. Each row may carry a number of the program's (its object).
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* owner);
    ~TListBox() override;
    std::string ClassName() const override { return "TListBox"; }

    const std::vector<std::string>& Items() const { return items_; }
    // Replacing the rows leaves nothing selected.
    void SetItems(const std::vector<std::string>& items);
    int AddItem(const std::string& text, intptr_t object = 0);
    intptr_t ItemObject(int index) const;
    void Clear() { SetItems({}); }
    int Count() const { return int(items_.size()); }

    // -1: nothing selected. Setting it runs no handler.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value);

    // The canvas DrawItem draws on; valid only during DrawItem.
    TCanvas& Canvas() { return *canvas_; }

    void Loaded() override;

protected:
    // Draws row index into rect; state holds the ODS_ bits. The canvas comes
    // with the control's font and the row's colours (highlight when
    // selected). The list draws the focus rectangle afterwards.
    virtual void DrawItem(int index, const RECT& rect, unsigned state);

    void CreateParams(TCreateParams& params) override;
    void InitializeWnd() override;
    bool NotifyReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The items into the window; one that shows items is emptied first.
    void FillWindow(bool showsItems = true);

    std::vector<std::string> items_;
    std::vector<intptr_t> objects_;
    int itemIndex_ = -1;
    int itemHeight_ = 16;
    std::unique_ptr<TCanvas> canvas_;
    TBrush background_;
};

} // namespace forms
