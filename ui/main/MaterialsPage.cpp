#include <QMenu>
#include <QPlainTextEdit>

#include "ui/main/Pages.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"

namespace {

constexpr int Thumb = 96;  // the map thumbnails

// A map slot: thumbnail, map name, size label and the four buttons.
void MapSlot(PageBuilder& b, const char* image, const char* combo, const char* label,
             std::initializer_list<Cell> buttons) {
    b.Row({Img(image, Thumb, Thumb).Rows(3), N(combo).Width(-1)});
    b.RowAt(1, {N(label).Width(-1)});
    b.Line(buttons, 1);
    // The map's size never widens the slot: the thumbnail keeps its place.
    if (QWidget* size = b.Made(label)) size->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void BuildBasicPage(PageBuilder& b) {
    b.Column(1);
    b.Group("Pigment");
    b.Line({C("Panel1").Width(70), C("Edit97"), N("UpDown12")});
    MapSlot(b, "Image4", "ComboBox3", "Label6",
            {B("BitBtn6", "Browse..."), B("BitBtn13", "Search..."), B("BitBtn9", "Convert..."), B("BitBtn18", "Remove")});
    b.Line({C("Edit109"), N("UpDown14")});
    b.Group("Finish");
    b.Line({C("Panel3").Width(70), C("Panel7").Width(70)});
    b.Line({C("Edit96"), N("UpDown10"), C("Edit108"), N("UpDown13")});
    b.Line({C("CheckBox7"), C("CheckBox81"), C("CheckBox82")});
    b.ColumnStretch();
    b.Column(1);
    b.Group("Bump map");
    MapSlot(b, "Image5", "ComboBox18", "Label58",
            {B("BitBtn5", "Browse..."), B("BitBtn14", "Search..."), B("BitBtn11", "Convert..."), B("BitBtn20", "Remove")});
    b.Line({C("Edit10")});
    b.Group("Transparency map");
    MapSlot(b, "Image6", "ComboBox19", "Label68",
            {B("BitBtn15", "Browse..."), B("BitBtn12", "Search..."), B("BitBtn16", "Convert..."), B("BitBtn19", "Remove")});
    b.Line({C("CheckBox64"), C("Label96"), T("<->"), C("Label101")});
    b.ColumnStretch();
}

void BuildCustomPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton34", "Insert"), B("ToolButton37", "Copy all"), B("ToolButton38", "Paste"),
               B("ToolButton39", "Clear"), B("ToolButton40", "Preview"), B("ToolButton41", "Bake..."),
               B("ToolButton42", "Save..."), C("CheckBox10")});
    b.Column(1);
    b.Row({C("Label95")});
    b.Row({Wide("Memo2").Tall()});
    auto* memo = static_cast<QPlainTextEdit*>(b.Made("Memo2"));
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(12);
    memo->setFont(mono);
    // The memo's own edit menu: each item is the memo's own operation.
    QMenu* edit = b.Menu("PopupMenu1", {{"Undo1", "&Undo"}, {"N1", "-"}, {"Cut1", "Cu&t"}, {"Copy1", "&Copy"},
                                        {"Paste1", "&Paste"}, {"N2", "-"}, {"SelectAll1", "Select All"}});
    const QList<QAction*> items = edit->actions();
    QObject::connect(items[0], &QAction::triggered, memo, &QPlainTextEdit::undo);
    QObject::connect(items[2], &QAction::triggered, memo, &QPlainTextEdit::cut);
    QObject::connect(items[3], &QAction::triggered, memo, &QPlainTextEdit::copy);
    QObject::connect(items[4], &QAction::triggered, memo, &QPlainTextEdit::paste);
    QObject::connect(items[6], &QAction::triggered, memo, &QPlainTextEdit::selectAll);
    memo->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(memo, &QWidget::customContextMenuRequested, memo,
                     [memo, edit](const QPoint& at) { edit->popup(memo->mapToGlobal(at)); });
}

void BuildUVPage(PageBuilder& b) {
    b.Column(1);
    b.Row({Img("Image1", 320, 320)});
    b.ColumnStretch();
    b.Column();
    b.Group("Remap");
    b.Line({C("ComboBox16")});
    b.Line({C("Label138"), N("Edit99"), N("Edit105"), N("Edit106")});
    b.Line({N("ComboBox20")});
    b.Group("Transform");
    b.Row({C("Edit50"), N("Edit41")});
    b.Row({C("Edit51"), N("Edit42")});
    b.Line({C("CheckBox18")});
    b.Line({C("CheckBox43")});
    b.Line({C("CheckBox5")});
    b.Line({B("Button62", "Fit to unit box")});
    b.Group("");
    b.Line({C("Edit91"), T("x"), N("Edit93"), B("Button52", "Save as map...")});
    b.Line({C("CheckBox2")});
    b.Line({B("Button31", "Reset values"), B("Button33", "Refresh")});
    b.ColumnStretch();
}

}  // namespace

void BuildMaterialsPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton4", "Update"), B("ToolButton14", "Open..."), B("ToolButton21", "Save..."),
               B("ToolButton8", "Find maps..."), B("ToolButton26", "Randomize"), B("ToolButton24", "Rearrange..."),
               B("ToolButton22", "Help"), C("CheckBox36"), C("CheckBox40"), C("CheckBox39"), N("Edit59"), T("x"),
               N("Edit60")});
    QMenu* regroup = b.Menu("PopupMenu3", {{"GroupsMaterials1", "Groups -> Materials"},
                                           {"GroupsMaterialsMaterials1", "Groups && Materials -> Materials"}});
    b.DropDown("ToolButton24", regroup);

    b.Column();
    b.Row({N("ListBox1").Width(200).Tall()});
    b.Row({B("Button22", "copy material").Width(200)});
    b.Row({B("Button23", "paste material", &Form1.Button23).Width(200)});
    b.Row({B("Button16", "Make material invisible").Width(200)});
    b.Column(1);

    const std::vector<QWidget*> pages =
        b.SubPages("PageControl2", {"Basic texture properties", "POV-Ray custom material", "UV"});
    {
        PageBuilder basic(b.Bindings(), "Form1", pages[0]);
        BuildBasicPage(basic);
        PageBuilder custom(b.Bindings(), "Form1", pages[1]);
        BuildCustomPage(custom);
        PageBuilder uv(b.Bindings(), "Form1", pages[2]);
        BuildUVPage(uv);

        QMenu* apply = b.Menu("PopupMenu4", {{"Applythistoallmaterials1", "Apply this to all materials"},
                                             {"Cancel4", "Cancel"}});
        for (const char* control : {"Image4", "Image5", "Image6", "Panel1", "Panel7", "Panel3", "CheckBox7", "Edit10",
                                    "Edit96", "UpDown10", "Edit97", "Edit108", "UpDown12", "UpDown13", "Edit109",
                                    "UpDown14", "CheckBox64", "CheckBox81", "CheckBox82"})
            if (QWidget* w = basic.Made(control)) b.Bindings().AttachPopup(w, control, apply);
        for (const char* control : {"Label95", "CheckBox10"})
            if (QWidget* w = custom.Made(control)) b.Bindings().AttachPopup(w, control, apply);
    }
}
