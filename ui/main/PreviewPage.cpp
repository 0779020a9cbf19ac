#include <QMenu>

#include "ui/main/Pages.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"

namespace {

void BuildOptionsGroup(PageBuilder& b) {
    b.Group("Options", "GroupBox16");
    b.Line({C("CheckBox3"), C("CheckBox4"), C("CheckBox47")});
    b.Line({C("CheckBox42"), C("CheckBox72")});
    b.Line({C("CheckBox27"), C("CheckBox37"), C("CheckBox35")});
    b.Line({C("ComboBox4"), C("Label170")});
    b.Line({C("CheckBox52"), N("Edit65"), N("UpDown5"), T("x"), N("Edit66"), N("UpDown6"), C("Label148")});
    b.Line({C("Edit24"), N("UpDown3"), T("x"), N("Edit25"), N("UpDown4"), B("BitBtn2", "Apply")});
    b.Line({C("CheckBox70"), C("Label147")});
    b.Line({C("CheckBox8"), C("Label151")});
    b.Line({C("Label146"), N("Edit36"), N("SpinButton16"), B("BitBtn3", "Drop to bottom", &Form1.BitBtn3)});
    b.Line({C("CheckBox71"), N("Edit26")});
    b.Line({C("Edit70"), N("UpDown8")});
    b.Line({C("CheckBox55")});
}

void BuildPlaceholdersGroup(PageBuilder& b) {
    b.Group("Placeholders", "GroupBox17");
    b.Line({T("Choose placeholder:")});
    b.Line({N("ComboBox7").Width(140), B("Button26", "+").Width(24), B("Button27", "-").Width(24)});
    b.Line({C("CheckBox61")});
    b.Line({C("Edit79").Width(-1)});
    b.Line({C("ComboBox9"), C("Label149")});
    b.Row({C("Label132"), N("Edit72"), N("SpinButton7")});
    b.Row({C("Label133"), N("Edit73"), N("SpinButton8")});
    b.Row({C("Label134"), N("Edit75"), N("SpinButton9"), C("CheckBox56")});
    b.Row({T("center x pos:"), N("Edit76"), N("SpinButton10")});
    b.Row({T("center y pos:"), N("Edit77"), N("SpinButton11")});
    b.Row({T("center z pos:"), N("Edit78"), N("SpinButton12")});
    b.Row({T("X-Rotation:"), N("Edit83"), N("SpinButton13")});
    b.Row({T("Y-Rotation:"), N("Edit84"), N("SpinButton14")});
    b.Row({T("Z-Rotation:"), N("Edit85"), N("SpinButton15")});
    b.Line({B("Button36", "drop 1"), B("Button63", "drop 2"), B("Button64", "center")});
}

void BuildCameraGroup(PageBuilder& b) {
    b.Group("Camera");
    b.Line({C("ComboBox8").Width(110), B("Button5", "+").Width(24), B("Button3", "-").Width(24),
            B("BitBtn4", "From file...")});
    b.Line({B("Button15", "Reset Cam"), B("Button6", "Re-center camera"), B("Button28", "Zero roll")});
    b.Line({B("Button10", "Snap to closest quadrant")});
    b.Line({C("ComboBox21")});
    b.Line({T("Right button -> zoom"), T("Middle button -> pan")});
    b.Line({C("CheckBox9"), C("CheckBox25")});
    b.Line({T("Focus planes (back<front):")});
    b.Line({C("Edit34"), N("SpinButton17"), C("Edit35"), N("SpinButton18"),
            B("Button18", "Autosize", &Form1.Button18)});
    b.Line({C("CheckBox54")});
    b.Line({C("Edit87"), T("x"), N("Edit110"), B("Button34", "Apply")});
    b.Line({C("CheckBox30")});
    // The camera state that the preview's navigation writes; kept hidden.
    b.Group("", "Panel4");
    b.Row({C("Edit14"), C("Edit15"), C("Edit16")});
    b.Row({C("Edit17"), C("Edit18"), C("Edit19")});
    b.Row({C("Edit20")});
}

void BuildLightsGroup(PageBuilder& b) {
    b.Group("Lights");
    b.Line({C("CheckBox53"), C("CheckBox33")});
    b.Row({C("Edit49"), B("Button1", "Apply")});
    b.Row({C("Edit67"), B("Button19", "Apply")});
    b.Line({C("ComboBox2").Width(150), B("Button4", "+").Width(24), B("Button2", "-").Width(24)});
    b.Line({B("BitBtn8", "From file..."), B("Button29", "Delete all")});
    b.Line({C("ComboBox25"), C("Edit80").Width(-1)});
    b.Line({C("Edit81"), C("Label150")});
    b.Line({C("CheckBox6"), C("CheckBox14")});
    b.Line({C("Edit62")});
    b.Line({C("Edit37"), N("SpinButton1"), C("Edit53"), N("SpinButton2")});
    b.Line({C("Edit69"), N("SpinButton3"), N("Edit94"), N("SpinButton19"), N("Edit107"), N("SpinButton20"),
            B("Button13", "GC").Width(30)});
    b.Line({C("Edit38"), N("SpinButton4"), N("Edit39"), N("SpinButton5"), N("Edit40"), N("SpinButton6"),
            B("Button42", "GC").Width(30)});
    b.Line({C("Edit27"), N("UpDown11")});
    b.Line({C("Edit28"), N("UpDown9")});
    b.Line({C("Edit3"), B("Button17", "A").Width(24)});
    b.Line({C("Edit30"), N("UpDown1")});
    b.Line({C("ComboBox13").Width(150), B("Button7", "+").Width(24), B("Button21", "-").Width(24)});
}

}  // namespace

void BuildPreviewPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton32", "Show Preview", &Form1.ToolButton32).Toggle(), B("ToolButton35", "Save Preview..."),
               C("Label143"), N("ComboBox1"), B("ToolButton36", "Help"),
               B("ToolButton6", "create menu", &Form1.ToolButton6)});
    b.Column();
    BuildOptionsGroup(b);
    BuildCameraGroup(b);
    b.ColumnStretch();
    b.Column();
    BuildPlaceholdersGroup(b);
    b.ColumnStretch();
    b.Column();
    BuildLightsGroup(b);
    b.ColumnStretch();

    QMenu* apply = b.Menu("PopupMenu5", {{"ApplytoallLights1", "Apply to all Lights"}, {"Cancel5", "Cancel"}});
    for (const char* control : {"ComboBox25", "Edit81", "Label150", "CheckBox6", "Edit62", "Edit27", "UpDown11",
                                "Edit28", "UpDown9", "Edit3", "Edit30", "UpDown1", "CheckBox14"})
        if (QWidget* w = b.Made(control)) b.Bindings().AttachPopup(w, control, apply);
}
