#include "ui/qt/QtPrompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "ui/core/FileDialogs.h"
#include "ui/core/LoadDrivers.h"
#include "ui/qt/QtText.h"

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information: return QMessageBox::Information;
        case MessageKind::Warning: return QMessageBox::Warning;
        case MessageKind::Confirmation: return QMessageBox::Question;
        case MessageKind::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

const char* TitleOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information: return "Information";
        case MessageKind::Warning: return "Warning";
        case MessageKind::Confirmation: return "Confirm";
        case MessageKind::Error: return "Error";
    }
    return "";
}

QMessageBox::StandardButton ButtonOf(Answer a) {
    switch (a) {
        case Answer::Ok: return QMessageBox::Ok;
        case Answer::Cancel: return QMessageBox::Cancel;
        case Answer::Yes: return QMessageBox::Yes;
        case Answer::No: return QMessageBox::No;
        case Answer::YesToAll: return QMessageBox::YesToAll;
        case Answer::NoToAll: return QMessageBox::NoToAll;
        case Answer::Abort: return QMessageBox::Abort;
    }
    return QMessageBox::NoButton;
}

// A box may come up while the wait cursor is on; the user needs the arrow.
struct ArrowCursor {
    ArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
};

// A small box would have the window manager cut its caption ("Wa...ing"):
// the box is made as wide as the caption needs in a bold title face, a
// little larger than the window's, with room for the icon and the three
// buttons of the title bar.
int CaptionRoom(const QString& caption) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) * 5 / 4 + 4 * 24;
}

void FitCaption(QMessageBox& box) {
    // A message box sizes itself to its layout when shown.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(CaptionRoom(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

// File names are bytes in the system's encoding.
QString FromFileName(std::string_view name) {
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}
std::string ToFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

// A filter pair as the dialog lists it: "description (*.obj *.3ds)". A
// description that ends in patterns of its own in parentheses loses them,
// since the dialog takes its patterns from the last parentheses.
QString DialogFilter(const FileFilterPair& pair) {
    QString description = ToQ(pair.description).trimmed();
    if (description.endsWith(QLatin1Char(')'))) {
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0) description = description.left(open).trimmed();
    }
    QStringList patterns;
    for (const std::string& p : pair.patterns) patterns << ToQ(p).toLower();
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// A file dialog of the toolkit set up from the request; `filters` gets the
// dialog's filter texts in the request's order.
void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request, QStringList& filters) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!request.title.empty()) dialog.setWindowTitle(ToQ(request.title));
    for (const FileFilterPair& pair : ParseFileFilter(request.filter)) filters << DialogFilter(pair);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex : 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    const std::string folder = request.initialDir.empty() ? UserCurrentFolder() : request.initialDir;
    if (!folder.empty()) dialog.setDirectory(FromFileName(folder));
    if (!request.fileName.empty()) dialog.selectFile(FromFileName(request.fileName));
}

std::vector<std::string> SelectedFiles(const QFileDialog& dialog) {
    std::vector<std::string> files;
    for (const QString& f : dialog.selectedFiles()) files.push_back(ToFileName(f));
    return files;
}

}  // namespace

void QtPrompts::Show(MessageKind kind, std::string_view text) {
    const ArrowCursor arrow;
    QMessageBox box(IconOf(kind), QString::fromLatin1(TitleOf(kind)), ToQ(text), QMessageBox::Ok, owner_);
    FitCaption(box);
    box.exec();
}

Answer QtPrompts::Ask(MessageKind kind, std::string_view text, const std::vector<Answer>& buttons) {
    const ArrowCursor arrow;
    QMessageBox box(IconOf(kind), QString::fromLatin1(TitleOf(kind)), ToQ(text), QMessageBox::NoButton, owner_);
    for (const Answer a : buttons) box.addButton(ButtonOf(a));
    if (!buttons.empty()) box.setDefaultButton(ButtonOf(buttons.front()));
    FitCaption(box);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const Answer a : buttons)
        if (ButtonOf(a) == pressed) return a;
    return Answer::Cancel;  // the close box
}

bool QtPrompts::Input(std::string_view caption, std::string_view prompt, std::string& value) {
    const ArrowCursor arrow;
    QInputDialog dialog(owner_);
    dialog.setWindowTitle(ToQ(caption));
    dialog.setLabelText(ToQ(prompt));
    dialog.setTextValue(ToQ(value));
    // The dialog takes its layout's width when shown: its edit makes it wide.
    if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMinimumWidth(CaptionRoom(dialog.windowTitle()));
    if (dialog.exec() != QDialog::Accepted) return false;
    value = FromQ(dialog.textValue(), value);
    return true;
}

bool QtPrompts::OpenFiles(const FileDialogRequest& request, std::vector<std::string>& files) {
    const ArrowCursor arrow;
    files.clear();
    QFileDialog dialog(owner_, QStringLiteral("Open"));
    QStringList filters;
    SetUpFileDialog(dialog, request, filters);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted) return false;
    files = SelectedFiles(dialog);
    return !files.empty();
}

bool QtPrompts::SaveFile(const FileDialogRequest& request, std::string& fileName) {
    const ArrowCursor arrow;
    QFileDialog dialog(owner_, QStringLiteral("Save As"));
    QStringList filters;
    SetUpFileDialog(dialog, request, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (request.onTypeChange) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
            auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!box) return;
            std::string name = ToFileName(box->text());
            request.onTypeChange(static_cast<int32_t>(filters.indexOf(filter) + 1), name);
            box->setText(FromFileName(name));
        });
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    const std::vector<std::string> files = SelectedFiles(dialog);
    if (files.empty()) return false;
    fileName = files.front();
    return true;
}

bool QtPrompts::PickColor(int32_t& color) {
    const ArrowCursor arrow;
    const QColor initial(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(initial, owner_, QString(), QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return false;
    color = chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
    return true;
}
