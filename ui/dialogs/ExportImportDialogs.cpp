#include "ui/dialogs/ExportImportDialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

#include "options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"
#include "ui/qt/QtText.h"

namespace {

QDialog* NewDialog(const char* form, const char* title, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QString::fromLatin1(form));
    dialog->setWindowTitle(QString::fromLatin1(title));
    ApplyWindowFont(dialog);
    return dialog;
}

// Fixed size, centred on the main window when shown.
void Finish(QDialog* dialog, Binder& binder, ModalResult* result) {
    dialog->setFixedSize(dialog->sizeHint());
    binder.BindDialog(dialog, result);
}

}  // namespace

QDialog* MakeExportOptionsDialog(Binder& binder, QWidget* parent) {
    QDialog* dialog = NewDialog("Form2", "Export options", parent);
    PageBuilder b(binder, "Form2", dialog);
    b.Group("");
    b.Row({T("Save all files to directory")});
    b.Row({N("Edit1").Width(360), B("Button3", "Change...")});
    b.Row({C("CheckBox16").Span(2)});
    b.Row({C("CheckBox27").Span(2)});
    b.Group("");
    b.Line({T("    "), C("CheckBox28")});
    b.Line({T("    "), C("CheckBox43"), N("Edit45")});
    b.Line({T("    "), C("Label2")});
    b.Line({T("    "), C("Label3")});
    b.Line({T("    "), C("Label4")});
    b.Group("");
    b.Row({C("CheckBox1")});
    b.Row({Stretch(), B("Button1", "OK"), B("Button2", "Cancel")});
    static_cast<QPushButton*>(b.Button("Button1"))->setDefault(true);
    Finish(dialog, binder, &Form2.modalResult);
    return dialog;
}

QDialog* MakePoserImportDialog(Binder& binder, QWidget* parent) {
    QDialog* dialog = NewDialog("Form3", "Poser scene import", parent);
    PageBuilder b(binder, "Form3", dialog);
    b.Group("");
    b.Row({T("OBJ file with the geometry:")});
    b.Row({N("Edit1").Width(360), B("Button1", "Browse...")});
    b.Row({C("CheckBox3")});
    b.Row({T("Poser scene file (mats, cam && lights):")});
    b.Row({N("Edit2").Width(360), B("Button2", "Browse...")});
    b.Row({C("CheckBox1")});
    b.Row({C("CheckBox2")});
    b.Row({T("Directories where textures used by Poser are stored:"), B("Button3", "Add...")});
    b.Row({Wide("Memo1").Height(90).Span(2)});
    b.Row({Stretch(), B("Button5", "OK"), B("Button4", "Cancel")});
    static_cast<QPushButton*>(b.Button("Button5"))->setDefault(true);
    Finish(dialog, binder, &Form3.modalResult);
    return dialog;
}

QDialog* MakeDazImportDialog(Binder& binder, QWidget* parent) {
    QDialog* dialog = NewDialog("Form7", "DAZ|Studio scene import", parent);
    PageBuilder b(binder, "Form7", dialog);
    b.Group("");
    b.Row({T("OBJ file with the geometry:")});
    b.Row({N("Edit1").Width(360), B("Button3", "Browse...")});
    b.Row({C("CheckBox3")});
    b.Row({C("CheckBox1")});
    b.Row({N("Edit3").Width(360), B("Button5", "Browse...", &Form7.Button5)});
    b.Row({C("CheckBox2")});
    b.Row({N("Edit4").Width(360), B("Button6", "Browse...", &Form7.Button6)});
    b.Row({T("Label3", "Directory where textures used by DAZ|Studio are stored:", &Form7.Label3)});
    b.Row({N("Edit2").Width(360), B("Button4", "Change...", &Form7.Button4)});
    b.Row({Stretch(), B("Button1", "OK"), B("Button2", "Cancel")});
    static_cast<QPushButton*>(b.Button("Button1"))->setDefault(true);
    Finish(dialog, binder, &Form7.modalResult);
    return dialog;
}

SelectDirectoryDialog::SelectDirectoryDialog(Binder& binder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Select directory"));
    ApplyWindowFont(this);
    PageBuilder b(binder, "Form6", this);
    b.Group("");
    b.Row({T("Drive")});
    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("DriveComboBox1"));
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady()) drives_->addItem(volume.rootPath());
    b.RowWidget(drives_, 3);
    b.Row({T("Directory (double click to select)")});
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QString());
    folders_ = new QTreeView(this);
    folders_->setObjectName(QStringLiteral("DirectoryListBox1"));
    folders_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) folders_->hideColumn(column);
    folders_->header()->hide();
    folders_->setMinimumSize(320, 260);
    b.RowWidget(folders_, 3);
    b.Row({Stretch(), B("Button1", "OK"), B("Button2", "Cancel")});
    static_cast<QPushButton*>(b.Button("Button1"))->setDefault(true);
    connect(drives_, &QComboBox::activated, this, [this](int) { ShowFolder(drives_->currentText()); });
    connect(folders_, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { Form6.directory = FromQ(model_->filePath(index)); });
    connect(folders_, &QTreeView::doubleClicked, this, [this, &binder](const QModelIndex& index) {
        Form6.directory = FromQ(model_->filePath(index));
        binder.Run("Form6.Button1");
    });
    setFixedSize(sizeHint());
    binder.BindDialog(this, &Form6.modalResult);
}

void SelectDirectoryDialog::ShowFolder(const QString& folder) {
    const QModelIndex index = model_->index(folder);
    folders_->setCurrentIndex(index);
    folders_->scrollTo(index);
    folders_->expand(index);
    Form6.directory = FromQ(folder);
}

void SelectDirectoryDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QString folder = Form6.directory.empty() ? QDir::currentPath() : ToQ(Form6.directory);
    ShowFolder(QDir(folder).exists() ? folder : QDir::currentPath());
}
