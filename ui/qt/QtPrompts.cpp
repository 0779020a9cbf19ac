#include "ui/qt/QtPrompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

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

}  // namespace

void QtPrompts::Show(MessageKind kind, std::string_view text) {
    const ArrowCursor arrow;
    QMessageBox box(IconOf(kind), QString::fromLatin1(TitleOf(kind)), ToQ(text), QMessageBox::Ok, owner_);
    box.exec();
}

Answer QtPrompts::Ask(MessageKind kind, std::string_view text, const std::vector<Answer>& buttons) {
    const ArrowCursor arrow;
    QMessageBox box(IconOf(kind), QString::fromLatin1(TitleOf(kind)), ToQ(text), QMessageBox::NoButton, owner_);
    for (const Answer a : buttons) box.addButton(ButtonOf(a));
    if (!buttons.empty()) box.setDefaultButton(ButtonOf(buttons.front()));
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const Answer a : buttons)
        if (ButtonOf(a) == pressed) return a;
    return Answer::Cancel;  // the close box
}

bool QtPrompts::Input(std::string_view caption, std::string_view prompt, std::string& value) {
    const ArrowCursor arrow;
    bool ok = false;
    const QString answer = QInputDialog::getText(owner_, ToQ(caption), ToQ(prompt), QLineEdit::Normal, ToQ(value), &ok);
    if (ok) value = FromQ(answer, value);
    return ok;
}
