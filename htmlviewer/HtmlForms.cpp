#include "htmlviewer/HtmlForms.h"

#include <algorithm>

#include "htmlviewer/HtmlImageObj.h"
#include "model/TextConv.h"

namespace {

// The attribute's text, or "" when the tag has none.
std::string AttributeText(const TAttributeList& attributes, AttrSym which) {
    const TAttribute* a = attributes.Find(which);
    return a ? a->Name : std::string();
}

int AttributeValue(const TAttributeList& attributes, AttrSym which, int fallback) {
    const TAttribute* a = attributes.Find(which);
    return a ? a->Value : fallback;
}

}  // namespace

// ---- Window controls --------------------------------------------------------------------

TWindowControl::TWindowControl(const TControlSpec& spec) : Spec(spec) {}

void TWindowControl::SetSize(int width, int height) {
    SetBounds(gfx::rectOfSize(Bounds_.left, Bounds_.top, width, height));
}

void TWindowControl::MoveTo(int x, int y) { SetBounds(gfx::rectOfSize(x, y, Bounds_.width(), Bounds_.height())); }

void TWindowControl::AddItem(const std::string& text) {
    Items_.push_back(text);
    Selected_.push_back(false);
}

bool TWindowControl::ItemSelected(int index) const {
    return index >= 0 && index < static_cast<int>(Selected_.size()) && Selected_[static_cast<std::size_t>(index)];
}

void TWindowControl::SetItemSelected(int index, bool on) {
    if (index < 0 || index >= static_cast<int>(Selected_.size())) return;
    if (!Spec.Multiple) {
        if (on && Current_ >= 0 && Current_ != index) Selected_[static_cast<std::size_t>(Current_)] = false;
        if (on)
            Current_ = index;
        else if (Current_ == index)
            Current_ = -1;
    }
    Selected_[static_cast<std::size_t>(index)] = on;
}

int TWindowControl::ItemIndex() const {
    if (!Spec.Multiple) return Current_;
    for (std::size_t i = 0; i < Selected_.size(); ++i)
        if (Selected_[i]) return static_cast<int>(i);
    return -1;
}

void TWindowControl::StoreSelected(const std::vector<bool>& selected) {
    Selected_ = selected;
    Selected_.resize(Items_.size(), false);
    if (Spec.Multiple) return;
    // One selected item at most: the first.
    Current_ = -1;
    for (std::size_t i = 0; i < Selected_.size(); ++i) {
        if (!Selected_[i]) continue;
        if (Current_ < 0)
            Current_ = static_cast<int>(i);
        else
            Selected_[i] = false;
    }
}

// ---- Form controls ------------------------------------------------------------------------

TFormControlObj::TFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes)
    : Document(document), MyForm(form) {
    Value = AttributeText(attributes, AttrSym::Value);
    Name = AttributeText(attributes, AttrSym::Name);
    OnClickMessage = AttributeText(attributes, AttrSym::OnClick);
}

TFormControlObj::~TFormControlObj() = default;

gfx::FontSpec TFormControlObj::ControlFont() const {
    gfx::FontSpec font;
    font.family = Document->PreFontName;
    font.size = FontPoints;
    font.color = gfx::clWindowText;
    return font;
}

void TFormControlObj::CreateWindow(const TControlSpec& spec, int width, int height) {
    Window = Document->PaintPanel ? Document->PaintPanel->CreateControl(spec) : std::make_unique<TWindowControl>(spec);
    Window->SetFont(ControlFont());
    Window->SetBounds(gfx::rectOfSize(0, StartTop, width, height));
    Window->SetVisible(false);
    Window->OnClick = [this] { Click(); };
    Window->OnFocus = [this](bool on) { Document->ControlFocusChanged(this, on); };
}

void TFormControlObj::PlaceControl(gfx::Canvas&) {}

int TFormControlObj::Width() const { return Window ? Window->Bounds().width() : 0; }
int TFormControlObj::Height() const { return Window ? Window->Bounds().height() : 0; }

void TFormControlObj::ShowAt(int x, int y) {
    if (!Window) return;
    Window->MoveTo(x, y);
    Window->SetVisible(true);
}

void TFormControlObj::Hide() {
    if (Window) Window->SetVisible(false);
}

void TFormControlObj::Click() {
    if (Document->ObjectClick && !OnClickMessage.empty()) Document->ObjectClick(this, OnClickMessage);
}

// ---- Edits ----------------------------------------------------------------------------------

TEditFormControlObj::TEditFormControlObj(TSectionList* document, ThtmlForm* form, const TAttributeList& attributes,
                                         bool password)
    : TFormControlObj(document, form, attributes) {
    const int size = AttributeValue(attributes, AttrSym::Size, 0);
    if (size > 0) EditSize = size;
    TControlSpec spec;
    spec.Kind = TControlKind::Edit;
    spec.Password = password;
    spec.MaxLength = std::max(0, AttributeValue(attributes, AttrSym::MaxLength, 0));
    CreateWindow(spec, 120, 20);
    Window->SetText(Value);
    Window->OnReturn = [this] { MyForm->SubmitTheForm(""); };
}

void TEditFormControlObj::ResetToInitial() { Window->SetText(Value); }

bool TEditFormControlObj::SubmissionEntries(int index, std::string& s) {
    if (index != 0) return false;
    s = Name + "=" + Window->Text();
    return true;
}

void TEditFormControlObj::PlaceControl(gfx::Canvas& canvas) {
    canvas.setFont(ControlFont());
    Window->SetSize(canvas.metrics().averageCharWidth * EditSize + 5, Window->Bounds().height());
}

// ---- Buttons --------------------------------------------------------------------------------

TButtonFormControlObj::TButtonFormControlObj(TSectionList* document, ThtmlForm* form,
                                             const TAttributeList& attributes, Kind kind)
    : TFormControlObj(document, form, attributes), Which(kind) {
    TControlSpec spec;
    spec.Kind = TControlKind::Button;
    CreateWindow(spec, 75, 25);
    std::string caption = Value;
    if (caption.empty()) caption = kind == Kind::Submit ? "Submit" : kind == Kind::Reset ? "Reset" : "Button";
    Window->SetText(caption);
}

void TButtonFormControlObj::PlaceControl(gfx::Canvas& canvas) {
    canvas.setFont(ControlFont());
    Window->SetSize(canvas.textWidth(CanvasText(Window->Text())) + 20, canvas.textExtent("A").height + 8);
}

void TButtonFormControlObj::Click() {
    TFormControlObj::Click();
    if (Which == Kind::Submit)
        MyForm->SubmitTheForm(Name.empty() ? std::string() : Name + "=" + Window->Text());
    else if (Which == Kind::Reset)
        MyForm->ResetControls();
}

// ---- Radio buttons and check boxes ------------------------------------------------------

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionList* document, ThtmlForm* form,
                                                       const TAttributeList& attributes)
    : TFormControlObj(document, form, attributes) {
    BaseLine = true;
    InitialChecked = attributes.Find(AttrSym::Checked) != nullptr;
    TControlSpec spec;
    spec.Kind = TControlKind::Radio;
    CreateWindow(spec, 13, 14);
    Window->SetChecked(InitialChecked);
    Window->OnChecked = [this] { MyForm->DoRadios(this); };
}

void TRadioButtonFormControlObj::ResetToInitial() { Window->SetChecked(InitialChecked); }

bool TRadioButtonFormControlObj::SubmissionEntries(int index, std::string& s) {
    if (index != 0 || !Window->Checked()) return false;
    s = Name + "=" + Value;
    return true;
}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList* document, ThtmlForm* form,
                                                 const TAttributeList& attributes)
    : TFormControlObj(document, form, attributes) {
    BaseLine = true;
    if (Value.empty()) Value = "on";
    InitialChecked = attributes.Find(AttrSym::Checked) != nullptr;
    TControlSpec spec;
    spec.Kind = TControlKind::CheckBox;
    CreateWindow(spec, 13, 13);
    Window->SetChecked(InitialChecked);
}

void TCheckBoxFormControlObj::ResetToInitial() { Window->SetChecked(InitialChecked); }

bool TCheckBoxFormControlObj::SubmissionEntries(int index, std::string& s) {
    if (index != 0 || !Window->Checked()) return false;
    s = Name + "=" + Value;
    return true;
}

// ---- Hidden and image inputs --------------------------------------------------------------

bool THiddenFormControlObj::SubmissionEntries(int index, std::string& s) {
    if (index != 0) return false;
    s = Name + "=" + Value;
    return true;
}

int TImageFormControlObj::Width() const { return MyImage ? MyImage->ImageWidth : 0; }
int TImageFormControlObj::Height() const { return MyImage ? MyImage->ImageHeight : 0; }

bool TImageFormControlObj::SubmissionEntries(int index, std::string& s) {
    if (!Clicked || index > 1) return false;
    const std::string prefix = Name.empty() ? std::string() : Name + ".";
    s = prefix + (index == 0 ? "x=" + std::to_string(XTmp) : "y=" + std::to_string(YTmp));
    return true;
}

void TImageFormControlObj::ImageClick(int x, int y) {
    XTmp = x;
    YTmp = y;
    Clicked = true;
    TFormControlObj::Click();
    MyForm->SubmitTheForm("");
}

// ---- Lists --------------------------------------------------------------------------------

void TSelectFormControlObj::AddOption(const std::string& text, const std::string& value, bool selected) {
    Options.push_back({text, value, selected});
    Window->AddItem(text);
    // As ResetToInitial would leave it: without multiple selection the last
    // selected option wins; a drop-down list shows the first option until
    // one is selected.
    const int index = static_cast<int>(Options.size()) - 1;
    if (selected)
        Window->SetItemSelected(index, true);
    else if (index == 0 && Window->Spec.Kind == TControlKind::ComboBox)
        Window->SetItemSelected(0, true);
}

void TSelectFormControlObj::ResetToInitial() {
    bool any = false;
    for (std::size_t i = 0; i < Options.size(); ++i) {
        Window->SetItemSelected(static_cast<int>(i), Options[i].Selected);
        any = any || Options[i].Selected;
    }
    // A drop-down list always shows an option: the first when none is chosen.
    if (!any && Window->Spec.Kind == TControlKind::ComboBox && !Options.empty()) Window->SetItemSelected(0, true);
}

int TSelectFormControlObj::LongestOption() const {
    std::size_t longest = 3;
    for (const TOptionObj& o : Options) longest = std::max(longest, o.Text.size());
    return static_cast<int>(longest);
}

std::string TSelectFormControlObj::OptionValue(int index) const {
    const TOptionObj& o = Options[static_cast<std::size_t>(index)];
    return o.Value.empty() ? o.Text : o.Value;
}

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList* document, ThtmlForm* form,
                                               const TAttributeList& attributes)
    : TSelectFormControlObj(document, form, attributes) {
    Multiple = attributes.Find(AttrSym::Multiple) != nullptr;
    LBSize = std::max(0, AttributeValue(attributes, AttrSym::Size, 0));
    TControlSpec spec;
    spec.Kind = TControlKind::ListBox;
    spec.Multiple = Multiple;
    CreateWindow(spec, 100, 60);
}

bool TListBoxFormControlObj::SubmissionEntries(int index, std::string& s) {
    int k = 0;
    for (int i = 0; i < static_cast<int>(Options.size()); ++i) {
        if (!Window->ItemSelected(i)) continue;
        if (k++ == index) {
            s = Name + "=" + OptionValue(i);
            return true;
        }
    }
    return false;
}

void TListBoxFormControlObj::PlaceControl(gfx::Canvas& canvas) {
    canvas.setFont(ControlFont());
    const gfx::FontMetrics m = canvas.metrics();
    const int rows = LBSize > 0 ? LBSize : std::clamp(static_cast<int>(Options.size()), 1, 8);
    const gfx::Size size = Window->WindowSize({m.averageCharWidth * LongestOption() + 15, m.height * rows});
    Window->SetSize(size.width, size.height);
}

TComboFormControlObj::TComboFormControlObj(TSectionList* document, ThtmlForm* form,
                                           const TAttributeList& attributes)
    : TSelectFormControlObj(document, form, attributes) {
    TControlSpec spec;
    spec.Kind = TControlKind::ComboBox;
    CreateWindow(spec, 100, 21);
}

bool TComboFormControlObj::SubmissionEntries(int index, std::string& s) {
    const int selected = Window->ItemIndex();
    if (index != 0 || selected < 0 || selected >= static_cast<int>(Options.size())) return false;
    s = Name + "=" + OptionValue(selected);
    return true;
}

void TComboFormControlObj::PlaceControl(gfx::Canvas& canvas) {
    canvas.setFont(ControlFont());
    const gfx::Size a = canvas.textExtent("A");
    const gfx::Size size = Window->WindowSize({a.width * LongestOption() + 30, a.height + 6});
    Window->SetSize(size.width, size.height);
}

// ---- Text areas ---------------------------------------------------------------------------

TTextAreaFormControlObj::TTextAreaFormControlObj(TSectionList* document, ThtmlForm* form,
                                                 const TAttributeList& attributes)
    : TFormControlObj(document, form, attributes) {
    if (const int rows = AttributeValue(attributes, AttrSym::Rows, 0); rows > 0) Rows = rows;
    if (const int cols = AttributeValue(attributes, AttrSym::Cols, 0); cols > 0) Cols = cols;
    const std::string wrap = LowerCase(AttributeText(attributes, AttrSym::Wrap));
    Wrap = wrap == "soft" || wrap == "hard";
    TControlSpec spec;
    spec.Kind = TControlKind::TextArea;
    spec.Wrap = Wrap;
    CreateWindow(spec, 200, 80);
}

void TTextAreaFormControlObj::AddLine(const std::string& line) {
    InitialLines.push_back(line);
    Window->AddLine(line);
}

void TTextAreaFormControlObj::ResetToInitial() { Window->SetLines(InitialLines); }

bool TTextAreaFormControlObj::SubmissionEntries(int index, std::string& s) {
    if (index != 0) return false;
    s = Name + "=";
    const std::vector<std::string>& lines = Window->Lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && !Wrap) s += "\r\n";
        s += lines[i];
    }
    return true;
}

void TTextAreaFormControlObj::PlaceControl(gfx::Canvas& canvas) {
    canvas.setFont(ControlFont());
    const gfx::FontMetrics m = canvas.metrics();
    const gfx::Size size = Window->WindowSize({m.averageCharWidth * Cols + 5, m.height * Rows + 5});
    Window->SetSize(size.width, size.height);
}

// ---- Forms ----------------------------------------------------------------------------------

ThtmlForm::ThtmlForm(TSectionList* document, const TAttributeList& attributes) : Document(document) {
    if (const TAttribute* m = attributes.Find(AttrSym::Method)) Method = m->Name.substr(0, MaxMethod);
    Action = AttributeText(attributes, AttrSym::Action);
    Target = AttributeText(attributes, AttrSym::Target);
    EncType = AttributeText(attributes, AttrSym::EncType);
}

TFormControlObj* ThtmlForm::Add(std::unique_ptr<TFormControlObj> control) {
    if (!dynamic_cast<THiddenFormControlObj*>(control.get())) ++NonHiddenCount;
    return ControlList.Add(std::move(control));
}

void ThtmlForm::DoRadios(TRadioButtonFormControlObj* radio) {
    for (const auto& control : ControlList) {
        auto* other = dynamic_cast<TRadioButtonFormControlObj*>(control.get());
        if (other && other != radio && SameText(other->Name, radio->Name)) other->GetControl()->SetChecked(false);
    }
}

void ThtmlForm::ResetControls() {
    for (const auto& control : ControlList) control->ResetToInitial();
}

std::vector<std::string> ThtmlForm::GetFormSubmission() {
    std::vector<std::string> results;
    for (const auto& control : ControlList) {
        std::string s;
        for (int index = 0; control->SubmissionEntries(index, s); ++index)
            if (!s.empty()) results.push_back(s);
    }
    return results;
}

void ThtmlForm::SubmitTheForm(const std::string& buttonEntry) {
    if (Document->SubmitForm) {
        std::vector<std::string> results = GetFormSubmission();
        if (!buttonEntry.empty()) results.push_back(buttonEntry);
        Document->SubmitForm(Action, Target, EncType, Method, results);
    }
    for (const auto& control : ControlList)
        if (auto* image = dynamic_cast<TImageFormControlObj*>(control.get())) image->Clicked = false;
}

std::unique_ptr<TFormControlObj> CreateFormControl(Sym which, TSectionList* document, ThtmlForm* form,
                                                   const TAttributeList& attributes) {
    if (which == Sym::Select) {
        const bool list = attributes.Find(AttrSym::Multiple) || AttributeValue(attributes, AttrSym::Size, 0) > 1;
        if (list) return std::make_unique<TListBoxFormControlObj>(document, form, attributes);
        return std::make_unique<TComboFormControlObj>(document, form, attributes);
    }
    if (which == Sym::Textarea) return std::make_unique<TTextAreaFormControlObj>(document, form, attributes);
    using Kind = TButtonFormControlObj::Kind;
    const std::string type = LowerCase(Trim(AttributeText(attributes, AttrSym::Type)));
    if (type == "submit") return std::make_unique<TButtonFormControlObj>(document, form, attributes, Kind::Submit);
    if (type == "reset") return std::make_unique<TButtonFormControlObj>(document, form, attributes, Kind::Reset);
    if (type == "button") return std::make_unique<TButtonFormControlObj>(document, form, attributes, Kind::Button);
    if (type == "radio") return std::make_unique<TRadioButtonFormControlObj>(document, form, attributes);
    if (type == "checkbox") return std::make_unique<TCheckBoxFormControlObj>(document, form, attributes);
    if (type == "hidden") return std::make_unique<THiddenFormControlObj>(document, form, attributes);
    if (type == "image") return std::make_unique<TImageFormControlObj>(document, form, attributes);
    return std::make_unique<TEditFormControlObj>(document, form, attributes, type == "password");
}
