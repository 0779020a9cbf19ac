// Form controls of the viewer without a window: their kinds and sizes,
// what a form submits, reset, radio groups, and how the layout places the
// controls in the text and out of sight.
#include <gtest/gtest.h>

#include "DocumentTestSupport.h"

namespace {

class FormsTest : public DocTest {
protected:
    // A control in a new paragraph of its own.
    TFormControlObj* Control(Sym which, const std::vector<std::pair<AttrSym, std::string>>& attrs) {
        if (!para) para = Para("ab");
        return para->AddFormControl(which, Attrs(attrs), false, 0);
    }
    void Finish() {
        if (para) Add(std::move(para));
    }
    static void Options(TFormControlObj* control, int n, const std::string& text = "o") {
        auto* select = dynamic_cast<TSelectFormControlObj*>(control);
        ASSERT_NE(select, nullptr);
        for (int i = 0; i < n; ++i) select->AddOption(text, "", false);
    }
    std::unique_ptr<TSection> para;
};

TEST_F(FormsTest, ControlsTakeTheirKindAndSize) {
    struct Case {
        Sym which;
        std::vector<std::pair<AttrSym, std::string>> attrs;
        int options;
        TControlKind kind;
        int width, height;
    };
    const std::vector<Case> cases = {
        {Sym::Input, {{AttrSym::Size, "10"}}, 0, TControlKind::Edit, 75, 20},
        {Sym::Input, {{AttrSym::Type, "password"}}, 0, TControlKind::Edit, 145, 20},
        {Sym::Input, {{AttrSym::Type, "submit"}}, 0, TControlKind::Button, 62, 24},
        {Sym::Input, {{AttrSym::Type, "RESET"}, {AttrSym::Value, "Clear all"}}, 0, TControlKind::Button, 83, 24},
        {Sym::Input, {{AttrSym::Type, "radio"}}, 0, TControlKind::Radio, 13, 14},
        {Sym::Input, {{AttrSym::Type, "checkbox"}}, 0, TControlKind::CheckBox, 13, 13},
        {Sym::Select, {{AttrSym::Size, "1"}}, 2, TControlKind::ComboBox, 51, 22},
        {Sym::Select, {{AttrSym::Size, "3"}}, 2, TControlKind::ListBox, 36, 48},
        {Sym::Select, {{AttrSym::Multiple, ""}}, 20, TControlKind::ListBox, 36, 128},
        {Sym::Select, {{AttrSym::Multiple, ""}}, 1, TControlKind::ListBox, 36, 16},
        {Sym::Textarea, {{AttrSym::Rows, "3"}, {AttrSym::Cols, "10"}}, 0, TControlKind::TextArea, 75, 53},
        {Sym::Textarea, {}, 0, TControlKind::TextArea, 215, 85},
    };
    for (const Case& c : cases) {
        doc.Clear();
        TFormControlObj* control = Control(c.which, c.attrs);
        if (c.options) Options(control, c.options);
        Finish();
        Layout(400);
        ASSERT_NE(control->GetControl(), nullptr);
        EXPECT_EQ(control->GetControl()->Spec.Kind, c.kind) << c.attrs.size();
        EXPECT_EQ(control->Width(), c.width) << int(c.kind);
        EXPECT_EQ(control->Height(), c.height) << int(c.kind);
    }
    doc.Clear();
    EXPECT_TRUE(Control(Sym::Input, {{AttrSym::Type, "password"}})->GetControl()->Spec.Password);
    EXPECT_EQ(Control(Sym::Input, {{AttrSym::Type, "hidden"}})->GetControl(), nullptr);
    EXPECT_EQ(para->Buff, std::string("ab\x02"));  // a hidden input takes no place in the text
}

TEST_F(FormsTest, FormsSubmitTheirControls) {
    TFormControlObj* edit = Control(Sym::Input, {{AttrSym::Name, "t"}, {AttrSym::Value, "hi"}});
    TFormControlObj* check = Control(Sym::Input, {{AttrSym::Type, "checkbox"}, {AttrSym::Name, "c"}});
    Control(Sym::Input, {{AttrSym::Type, "checkbox"}, {AttrSym::Name, "d"}, {AttrSym::Checked, ""}});
    TFormControlObj* radio1 =
        Control(Sym::Input, {{AttrSym::Type, "radio"}, {AttrSym::Name, "r"}, {AttrSym::Value, "1"}, {AttrSym::Checked, ""}});
    TFormControlObj* radio2 = Control(Sym::Input, {{AttrSym::Type, "radio"}, {AttrSym::Name, "R"}, {AttrSym::Value, "2"}});
    Control(Sym::Input, {{AttrSym::Type, "hidden"}, {AttrSym::Name, "h"}, {AttrSym::Value, "x"}});
    auto* list = dynamic_cast<TSelectFormControlObj*>(Control(Sym::Select, {{AttrSym::Name, "s"}, {AttrSym::Multiple, ""}}));
    list->AddOption("a", "A", true);
    list->AddOption("b", "", true);
    list->AddOption("c", "", false);
    auto* combo = dynamic_cast<TSelectFormControlObj*>(Control(Sym::Select, {{AttrSym::Name, "k"}}));
    combo->AddOption("x", "", false);
    combo->AddOption("y", "Y", false);
    auto* area = dynamic_cast<TTextAreaFormControlObj*>(Control(Sym::Textarea, {{AttrSym::Name, "ta"}}));
    area->AddLine("l1");
    area->AddLine("l2");
    auto* image = dynamic_cast<TImageFormControlObj*>(Control(Sym::Input, {{AttrSym::Type, "image"}, {AttrSym::Name, "img"}}));
    TFormControlObj* submit =
        Control(Sym::Input, {{AttrSym::Type, "submit"}, {AttrSym::Name, "go"}, {AttrSym::Value, "Send"}});
    TFormControlObj* reset = Control(Sym::Input, {{AttrSym::Type, "reset"}});
    Finish();
    ThtmlForm* form = edit->MyForm;
    form->Action = "/cgi";
    form->Method = "post";

    std::vector<std::string> sent;
    std::string how;
    doc.SubmitForm = [&](const std::string& action, const std::string&, const std::string&, const std::string& method,
                         const std::vector<std::string>& results) {
        how = action + " " + method;
        sent = results;
    };
    const std::vector<std::string> initial = {"t=hi", "d=on", "r=1", "h=x", "s=A", "s=b", "k=x", "ta=l1\r\nl2"};
    EXPECT_EQ(form->GetFormSubmission(), initial);

    // The user types, checks and chooses.
    edit->GetControl()->StoreText("typed");
    check->GetControl()->StoreChecked(true);
    radio2->GetControl()->StoreChecked(true);
    radio2->GetControl()->OnChecked();  // the other "r" goes off, whatever its case
    EXPECT_FALSE(radio1->GetControl()->Checked());
    combo->GetControl()->StoreSelected({false, true});
    submit->GetControl()->OnClick();
    EXPECT_EQ(how, "/cgi post");
    EXPECT_EQ(sent, (std::vector<std::string>{"t=typed", "c=on", "d=on", "R=2", "h=x", "s=A", "s=b", "k=Y",
                                              "ta=l1\r\nl2", "go=Send"}));
    // An image input submits its click point once.
    image->ImageClick(3, 4);
    EXPECT_EQ(std::vector<std::string>(sent.end() - 2, sent.end()), (std::vector<std::string>{"img.x=3", "img.y=4"}));
    EXPECT_TRUE(form->GetFormSubmission().back() == "ta=l1\r\nl2");
    // Enter in an edit submits; reset restores what the document gave.
    sent.clear();
    edit->GetControl()->OnReturn();
    EXPECT_EQ(sent.size(), 9u);
    reset->GetControl()->OnClick();
    EXPECT_EQ(form->GetFormSubmission(), initial);
}

TEST_F(FormsTest, WrappedTextAreasJoinTheirLines) {
    auto* area = dynamic_cast<TTextAreaFormControlObj*>(
        Control(Sym::Textarea, {{AttrSym::Name, "n"}, {AttrSym::Wrap, "soft"}}));
    area->AddLine("one ");
    area->AddLine("two");
    Finish();
    std::string s;
    ASSERT_TRUE(area->SubmissionEntries(0, s));
    EXPECT_EQ(s, "n=one two");
    EXPECT_TRUE(area->GetControl()->Spec.Wrap);
}

TEST_F(FormsTest, LayoutPlacesControlsInTheText) {
    TFormControlObj* edit = Control(Sym::Input, {});
    TFormControlObj* check = Control(Sym::Input, {{AttrSym::Type, "checkbox"}});
    Finish();
    TFormControlObj* focusCalled = nullptr;
    doc.ControlEnter = [&](TFormControlObj* c) { focusCalled = c; };
    EXPECT_EQ(Layout(400), 20);  // the 20-pixel edit raises the 16-pixel line
    TWindowControl* w = edit->GetControl();
    EXPECT_FALSE(w->Visible());
    Paint(400, 100);
    EXPECT_TRUE(w->Visible());
    EXPECT_EQ(w->Bounds(), (gfx::Rect{14, 0, 159, 20}));
    // A check box stands on the base line (Y 16 less the descent 4).
    EXPECT_EQ(check->GetControl()->Bounds(), (gfx::Rect{159, 3, 172, 16}));

    // Scrolled away, unpainted controls are hidden ...
    doc.SetScrollY(100);
    Paint(400, 50);
    EXPECT_FALSE(w->Visible());
    // ... or kept out of sight while one of them has the focus.
    check->GetControl()->StoreFocus(true);
    check->GetControl()->OnFocus(true);
    EXPECT_EQ(focusCalled, check);
    EXPECT_TRUE(w->Visible());
    EXPECT_EQ(w->Bounds().left, TFormControlObj::OutOfSightX);
    doc.SetScrollY(200);
    Paint(400, 50);
    EXPECT_TRUE(w->Visible());
    EXPECT_EQ(w->Bounds().left, TFormControlObj::OutOfSightX);
    check->GetControl()->StoreFocus(false);
    check->GetControl()->OnFocus(false);
    EXPECT_FALSE(w->Visible());
}

}  // namespace
