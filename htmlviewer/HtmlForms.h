// HTML forms of the viewer's document: the form with its method and action,
// and the form controls of INPUT, SELECT and TEXTAREA. Each control (but a
// hidden input or an image input) has a window control, a real widget placed
// in the text flow by the layout; this library keeps the state of a window
// control in `TWindowControl`, and the Qt side (htmlviewer/widgets) derives
// the widgets from it. Submission reads the state, so forms work, and are
// tested, without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "htmlviewer/HtmlDocument.h"
#include "htmlviewer/HtmlSymbols.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"

class TImageObj;

// The kinds of window control.
enum class TControlKind : uint8_t { Edit, Button, Radio, CheckBox, ListBox, ComboBox, TextArea };

// What a window control is made as.
struct TControlSpec {
    TControlKind Kind = TControlKind::Edit;
    // An edit that shows "*" for each character.
    bool Password = false;
    // The longest text of an edit; 0 for no limit.
    int MaxLength = 0;
    // A list box with multiple and extended selection.
    bool Multiple = false;
    // A text area with word wrap and a vertical scroll bar only.
    bool Wrap = false;
};

// The state of a window control: its place, visibility and focus, its font,
// and its content (cp1252 text, the check mark, the items and their
// selection, the lines). Setters are virtual so that a widget follows them;
// what the user changes in a widget comes back through the Store functions,
// which do not call the widget again.
class TWindowControl {
public:
    explicit TWindowControl(const TControlSpec& spec);
    virtual ~TWindowControl() = default;
    TWindowControl(const TWindowControl&) = delete;
    TWindowControl& operator=(const TWindowControl&) = delete;

    const TControlSpec Spec;

    // ---- Place ----
    const gfx::Rect& Bounds() const { return Bounds_; }
    virtual void SetBounds(const gfx::Rect& bounds) { Bounds_ = bounds; }
    void SetSize(int width, int height);
    void MoveTo(int x, int y);
    bool Visible() const { return Visible_; }
    virtual void SetVisible(bool on) { Visible_ = on; }
    virtual bool Focused() const { return Focused_; }
    // The window size for a client size: the widget adds its frame and
    // scroll bars; this base adds nothing.
    virtual gfx::Size WindowSize(gfx::Size client) const { return client; }
    const gfx::FontSpec& Font() const { return Font_; }
    virtual void SetFont(const gfx::FontSpec& font) { Font_ = font; }
    // The background of a radio button's panel.
    gfx::Color Background() const { return Background_; }
    virtual void SetBackground(gfx::Color color) { Background_ = color; }

    // ---- Content ----
    // An edit's text or a button's caption.
    const std::string& Text() const { return Text_; }
    virtual void SetText(const std::string& text) { Text_ = text; }
    bool Checked() const { return Checked_; }
    virtual void SetChecked(bool on) { Checked_ = on; }
    // The items of a list box or combo box.
    const std::vector<std::string>& Items() const { return Items_; }
    virtual void AddItem(const std::string& text);
    bool ItemSelected(int index) const;
    // Selects or deselects an item; a control without multiple selection
    // keeps one selected item at most (selecting one deselects the other,
    // without a walk over the items).
    virtual void SetItemSelected(int index, bool on);
    // The first selected item, -1 when none.
    int ItemIndex() const;
    // The lines of a text area.
    const std::vector<std::string>& Lines() const { return Lines_; }
    virtual void SetLines(const std::vector<std::string>& lines) { Lines_ = lines; }
    // Appends a line to the lines (the others are not set again).
    virtual void AddLine(const std::string& line) { Lines_.push_back(line); }

    // ---- Events of the user (the widget raises them; tests call them) ----
    std::function<void()> OnClick;
    // Enter in a single-line edit.
    std::function<void()> OnReturn;
    // The user checked a radio button.
    std::function<void()> OnChecked;
    std::function<void(bool)> OnFocus;

    // The user's own changes, stored without calling the widget.
    void StoreText(const std::string& text) { Text_ = text; }
    void StoreChecked(bool on) { Checked_ = on; }
    void StoreSelected(const std::vector<bool>& selected);
    void StoreLines(const std::vector<std::string>& lines) { Lines_ = lines; }
    void StoreFocus(bool on) { Focused_ = on; }

private:
    gfx::Rect Bounds_;
    bool Visible_ = false;
    bool Focused_ = false;
    gfx::FontSpec Font_;
    gfx::Color Background_ = gfx::clBtnFace;
    std::string Text_;
    bool Checked_ = false;
    std::vector<std::string> Items_;
    std::vector<bool> Selected_;
    // The selected item of a control without multiple selection, -1 when
    // none.
    int Current_ = -1;
    std::vector<std::string> Lines_;
};

class ThtmlForm;

// The form control of one INPUT, SELECT or TEXTAREA.
class TFormControlObj : public THtmlObject {
public:
    // Controls start this far above the top of the paint panel, and a
    // control kept out of sight for the focus moves to this X.
    static constexpr int StartTop = -400;
    static constexpr int OutOfSightX = -4000;
    // The point size of the controls' text.
    static constexpr int FontPoints = 10;

    TFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes);
    ~TFormControlObj() override;
    TFormControlObj(const TFormControlObj&) = delete;
    TFormControlObj& operator=(const TFormControlObj&) = delete;

    // The buffer position of the control's code in its paragraph.
    int Pos = 0;
    TSectionList* Document;
    ThtmlForm* MyForm;
    std::string Value;
    std::string Name;
    // The control stands on the base line (radio buttons and check boxes).
    bool BaseLine = false;
    // Set when this paint placed the control.
    bool ShowIt = false;
    std::string OnClickMessage;
    // The document Y of the top of the line that holds the control.
    int YValue = 0;

    // The window control; null for hidden and image inputs.
    virtual TWindowControl* GetControl() const { return Window.get(); }
    // Restores the state the document gave.
    virtual void ResetToInitial() {}
    // Entry `index` of the control's submission as name=value; false past
    // the last.
    virtual bool SubmissionEntries(int index, std::string& s) { return false; }
    // Sizes the window control with the canvas's measure of its font.
    virtual void PlaceControl(gfx::Canvas& canvas);
    // The width and height of the control in the text flow.
    virtual int Width() const;
    virtual int Height() const;
    // Shows the window control with its top-left corner at a window point.
    void ShowAt(int x, int y);
    // Hides the window control.
    void Hide();
    // The user clicked the control.
    virtual void Click();

protected:
    // Makes the window control through the document's paint panel (a plain
    // state object without a panel), hidden, at the start place, in the
    // controls' font, with its events connected.
    void CreateWindow(const TControlSpec& spec, int width, int height);
    // The font of the controls' text: the document's fixed-pitch font.
    gfx::FontSpec ControlFont() const;

    std::unique_ptr<TWindowControl> Window;
};

// INPUT of type text, password or any unknown type.
class TEditFormControlObj : public TFormControlObj {
public:
    TEditFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes, bool password);
    // The width in characters (SIZE, default 20).
    int EditSize = 20;
    void ResetToInitial() override;
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override;
};

// INPUT of type submit, reset or button.
class TButtonFormControlObj : public TFormControlObj {
public:
    enum class Kind : uint8_t { Submit, Reset, Button };
    TButtonFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes, Kind kind);
    Kind Which;
    void PlaceControl(gfx::Canvas& canvas) override;
    void Click() override;
};

// INPUT of type radio: a radio button inside a borderless panel.
class TRadioButtonFormControlObj : public TFormControlObj {
public:
    TRadioButtonFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes);
    bool InitialChecked = false;
    void ResetToInitial() override;
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override {}
};

// INPUT of type checkbox.
class TCheckBoxFormControlObj : public TFormControlObj {
public:
    TCheckBoxFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes);
    bool InitialChecked = false;
    void ResetToInitial() override;
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override {}
};

// INPUT of type hidden: no window control and no place in the text.
class THiddenFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override {}
};

// INPUT of type image: its picture in the flow; it submits the click point.
class TImageFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    TImageObj* MyImage = nullptr;
    // The last click point relative to the picture, submitted once.
    int XTmp = 0;
    int YTmp = 0;
    bool Clicked = false;
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override {}
    int Width() const override;
    int Height() const override;
    // A click on the picture at (x, y) relative to it: submits the form.
    void ImageClick(int x, int y);
};

// An option of a list box or combo box.
struct TOptionObj {
    std::string Text;
    std::string Value;
    bool Selected = false;
};

// The common part of the two SELECT controls.
class TSelectFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    std::vector<TOptionObj> Options;
    // Adds an option (the builder reads them from OPTION tags) with the
    // selection it starts with; the options before it keep theirs, so that
    // adding n options takes time in proportion to n.
    void AddOption(const std::string& text, const std::string& value, bool selected);
    void ResetToInitial() override;
    // The number of characters of the longest option, at least 3.
    int LongestOption() const;

protected:
    // The value an option submits: its VALUE, else its text.
    std::string OptionValue(int index) const;
};

// SELECT with MULTIPLE or a SIZE above 1.
class TListBoxFormControlObj : public TSelectFormControlObj {
public:
    TListBoxFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes);
    bool Multiple = false;
    // SIZE; 0 when not given.
    int LBSize = 0;
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override;
};

// Any other SELECT: a drop-down list.
class TComboFormControlObj : public TSelectFormControlObj {
public:
    TComboFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes);
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override;
};

// TEXTAREA.
class TTextAreaFormControlObj : public TFormControlObj {
public:
    TTextAreaFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes);
    int Rows = 5;
    int Cols = 30;
    bool Wrap = false;
    // The text the document gave, one line each.
    std::vector<std::string> InitialLines;
    // Adds a line of the initial text (the builder reads them); the lines
    // before it are not set again.
    void AddLine(const std::string& line);
    void ResetToInitial() override;
    bool SubmissionEntries(int index, std::string& s) override;
    void PlaceControl(gfx::Canvas& canvas) override;
};

// A FORM: where its controls are submitted to.
class ThtmlForm {
public:
    // The longest method kept.
    static constexpr std::size_t MaxMethod = 4;

    ThtmlForm(TSectionList* document, const TAttributeList& attributes);

    TSectionList* Document;
    std::string Method = "get";
    std::string Action;
    std::string Target;
    std::string EncType;
    TFreeList<TFormControlObj> ControlList;
    int NonHiddenCount = 0;

    // Takes a control into the form.
    TFormControlObj* Add(std::unique_ptr<TFormControlObj> control);
    // The user checked a radio button: the others of its name are unchecked.
    void DoRadios(TRadioButtonFormControlObj* radio);
    // Every control back to its initial state.
    void ResetControls();
    // The lines name=value of every control.
    std::vector<std::string> GetFormSubmission();
    // Hands the submission, with the pressed button's own entry when it has
    // a name, to the document's submit event.
    void SubmitTheForm(const std::string& buttonEntry);
};

// Makes the control of an INPUT, SELECT or TEXTAREA tag for a form (the
// document's open form, or a new one).
std::unique_ptr<TFormControlObj> CreateFormControl(Sym which, TSectionList* document, ThtmlForm* form,
                                                   const TAttributeList& attributes);
