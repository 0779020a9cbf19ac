#include "ui/qt/Binder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>
#include <charconv>
#include <functional>

#include "ui/control/Dispatcher.h"
#include "ui/qt/QtText.h"
#include "ui/qt/Widgets.h"


namespace {

// Runs what a widget's signal asks of the option records and the dispatcher.
// An error there (running out of memory as the widget's text is taken, say)
// must not leave the slot, where it would end the program: it is shown as a
// command's error is, and the program goes on.
template <typename F>
void Slot(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        ShowCommandError(std::current_exception());
    }
}

template <class T>
T& Rec(const ControlInfo& row) {
    return *std::get<T*>(row.ref);
}

const tcontrol& Common(const ControlInfo& row) {
    return std::visit([](auto* p) -> const tcontrol& { return *p; }, row.ref);
}

// Shows or hides, enables or disables a widget only when it differs, so that
// a refresh of an unchanged window costs next to nothing.
void SetState(QWidget* w, bool enabled, bool visible) {
    if (!w) return;
    if (w->testAttribute(Qt::WA_Disabled) == enabled) w->setEnabled(enabled);  // its own state, not its parent's
    // A tool bar shows its widgets through actions of its own, and shows
    // again a widget hidden behind their back.
    if (auto* bar = qobject_cast<QToolBar*>(w->parentWidget())) {
        for (QAction* a : bar->actions())
            if (bar->widgetForAction(a) == w) {
                if (a->isVisible() != visible) a->setVisible(visible);
                return;
            }
    }
    if (w->isHidden() == visible) w->setHidden(!visible);
}

// The widget keeps its own copy of the items, read through the record's
// accessors: a list of records is read from the records.
void SetItems(QComboBox* combo, const tcombobox& record) {
    const std::size_t count = record.Count();
    bool same = static_cast<std::size_t>(combo->count()) == count;
    for (int i = 0; same && i < combo->count(); ++i)
        same = combo->itemText(i) == ToQ(record.Item(static_cast<std::size_t>(i)));
    if (same) return;
    combo->clear();
    for (std::size_t i = 0; i < count; ++i) combo->addItem(ToQ(record.Item(i)));
}

void SetItems(QListWidget* list, const std::vector<std::string>& items) {
    bool same = list->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == ToQ(items[static_cast<std::size_t>(i)]);
    if (same) return;
    list->clear();
    for (const std::string& item : items) list->addItem(ToQ(item));
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += '\n';
        text += lines[i];
    }
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    lines.push_back(text.substr(start));
    return lines;
}

// The position in the widget's text of byte `offset` of `bytes` (the
// record's text), kept within the text and on a character's first byte.
int TextPosition(const std::string& bytes, int64_t offset) {
    std::size_t at = static_cast<std::size_t>(std::clamp<int64_t>(offset, 0, static_cast<int64_t>(bytes.size())));
    const bool utf8 = ToQ(bytes).toStdString() == bytes;
    while (utf8 && at > 0 && at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80) --at;
    return static_cast<int>(ToQ(std::string_view(bytes).substr(0, at)).size());
}

// The memo's caret and selection into the record, as byte offsets of its
// text.
void StoreCaret(tmemo& m, const QPlainTextEdit* memo) {
    const QTextCursor cursor = memo->textCursor();
    const QString text = memo->toPlainText();
    const std::string whole = JoinLines(m.lines);
    const auto bytesBefore = [&](int position) {
        return static_cast<int32_t>(FromQ(text.left(position), whole).size());
    };
    const int32_t start = bytesBefore(cursor.selectionStart());
    m.selStart = start;
    m.selLength = bytesBefore(cursor.selectionEnd()) - start;
}

// The colour of the edit's box; clNone the window's own.
void SetEditColor(QLineEdit* edit, int32_t color) {
    const QVariant shown = edit->property("boxColor");
    if (shown.isValid() ? shown.toInt() == color : color == clNone) return;
    edit->setProperty("boxColor", color);
    if (color == clNone) {
        edit->setPalette(QPalette());
        return;
    }
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    edit->setPalette(p);
}

// Hides a window and reports it when something else than a refresh hid it.
class HideWatch : public QObject {
public:
    HideWatch(Binder& binder, bool* visible, std::string handler, QObject* parent)
        : QObject(parent), binder_(binder), visible_(visible), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && !binder_.Refreshing() && visible_ && *visible_) {
            auto* w = static_cast<QWidget*>(watched);
            if (!w->isVisible()) {
                *visible_ = false;
                if (!handler_.empty()) binder_.Run(handler_);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Binder& binder_;
    bool* visible_;
    std::string handler_;
};

}  // namespace

Binder::Binder(Dispatcher& dispatcher, QObject* parent) : QObject(parent), dispatcher_(dispatcher) {}

void Binder::Run(const std::string& name) noexcept {
    if (refreshing_ > 0) return;
    dispatcher_.Run(name);
}

Binder::Binding Binder::Named(const std::string& name, QObject* object, tbutton* state) {
    Binding b;
    b.name = name;
    b.state = state;
    object->setObjectName(QString::fromStdString(name.substr(name.find('.') + 1)));
    return b;
}

void Binder::Add(Binding b) {
    byName_[b.name] = bindings_.size();
    bindings_.push_back(std::move(b));
}

QButtonGroup* Binder::RadioGroup(const ControlInfo& row) {
    const std::string key = std::string(row.form) + "." + std::string(row.group);
    auto it = radioGroups_.find(key);
    if (it == radioGroups_.end()) {
        auto* group = new QButtonGroup(this);
        group->setExclusive(true);
        it = radioGroups_.emplace(key, group).first;
    }
    return it->second;
}

void Binder::Bind(const ControlInfo& row, QWidget* widget, QWidget* label) {
    Binding b;
    b.name = row.QualifiedName();
    b.row = &row;
    b.widget = widget;
    b.label = label;
    widget->setObjectName(QString::fromUtf8(row.name.data(), static_cast<qsizetype>(row.name.size())));
    ConnectControl(b);
    Add(std::move(b));
}

void Binder::ConnectControl(Binding& b) {
    const ControlInfo& row = *b.row;
    const std::string name = b.name;
    switch (row.kind) {
        case ControlKind::CheckBox:
            connect(static_cast<QCheckBox*>(b.widget), &QCheckBox::toggled, this, [this, &row, name](bool on) {
                Rec<tcheckbox>(row).checked = on;
                Run(name);
            });
            break;
        case ControlKind::RadioButton: {
            auto* radio = static_cast<QRadioButton*>(b.widget);
            if (!row.group.empty()) RadioGroup(row)->addButton(radio);
            connect(radio, &QRadioButton::toggled, this, [this, &row, name](bool on) {
                if (refreshing_ > 0) return;
                Slot([&] {
                    if (on) SetControlValue(row, "1");
                    else Rec<tradiobutton>(row).checked = false;
                    if (on) Run(name);  // the click of the button that became checked
                });
            });
            break;
        }
        case ControlKind::Edit:
            connect(static_cast<QLineEdit*>(b.widget), &QLineEdit::textChanged, this,
                    [this, &row, name](const QString& text) {
                        if (refreshing_ > 0) return;
                        Slot([&] {
                            tedit& edit = Rec<tedit>(row);
                            edit.text = FromQ(text, edit.text);
                            SyncUpDownFromBuddy(row);
                            Run(name);
                        });
                    });
            // Leaving the edit (or Enter) runs its exit handler, when it has one.
            connect(static_cast<QLineEdit*>(b.widget), &QLineEdit::editingFinished, this, [this, name] {
                Slot([&] {
                    if (refreshing_ == 0 && dispatcher_.Has(name + ".Exit")) Run(name + ".Exit");
                });
            });
            break;
        case ControlKind::ComboBox: {
            auto* combo = static_cast<QComboBox*>(b.widget);
            connect(combo, &QComboBox::activated, this, [this, &row, name, combo](int index) {
                Slot([&] {
                    tcombobox& c = Rec<tcombobox>(row);
                    c.index = index;
                    c.text = FromQ(combo->currentText(), c.text);
                    Run(name);
                });
            });
            if (row.editable) {
                connect(combo, &QComboBox::editTextChanged, this, [this, &row](const QString& text) {
                    if (refreshing_ > 0) return;
                    Slot([&] {
                        tcombobox& c = Rec<tcombobox>(row);
                        c.text = FromQ(text, c.text);
                        c.index = c.IndexOf(c.text);
                    });
                });
                if (QLineEdit* edit = combo->lineEdit())
                    connect(edit, &QLineEdit::returnPressed, this, [this, name] { Slot([&] { Run(name + ".Enter"); }); });
            }
            break;
        }
        case ControlKind::UpDown:
            connect(static_cast<UpDownWidget*>(b.widget), &UpDownWidget::Clicked, this, [this, &row, name](int pos) {
                Slot([&] {
                    SetControlValue(row, std::to_string(pos));  // also shows it in the buddy edit
                    if (!row.buddy.empty()) Refresh(std::string(row.form) + "." + std::string(row.buddy));
                    Run(name);
                });
            });
            break;
        case ControlKind::Memo: {
            auto* memo = static_cast<QPlainTextEdit*>(b.widget);
            connect(memo, &QPlainTextEdit::textChanged, this, [this, &row, name, memo] {
                if (refreshing_ > 0) return;
                Slot([&] {
                    tmemo& m = Rec<tmemo>(row);
                    m.lines = SplitLines(FromQ(memo->toPlainText(), JoinLines(m.lines)));
                    StoreCaret(m, memo);  // the caret moved with the edit
                    Run(name);
                });
            });
            connect(memo, &QPlainTextEdit::cursorPositionChanged, this, [this, &row, memo] {
                if (refreshing_ == 0) Slot([&] { StoreCaret(Rec<tmemo>(row), memo); });
            });
            connect(memo, &QPlainTextEdit::selectionChanged, this, [this, &row, memo] {
                if (refreshing_ == 0) Slot([&] { StoreCaret(Rec<tmemo>(row), memo); });
            });
            break;
        }
        case ControlKind::Label:
        case ControlKind::Panel:
            if (auto* click = qobject_cast<ClickLabel*>(b.widget))
                connect(click, &ClickLabel::Clicked, this, [this, name] { Run(name); });
            break;
        case ControlKind::SpinButton: {
            auto* spin = static_cast<SpinButtonWidget*>(b.widget);
            connect(spin, &SpinButtonWidget::Up, this, [this, name] { Slot([&] { Run(name + ".Up"); }); });
            connect(spin, &SpinButtonWidget::Down, this, [this, name] { Slot([&] { Run(name + ".Down"); }); });
            break;
        }
        case ControlKind::ListBox: {
            auto* list = static_cast<QListWidget*>(b.widget);
            connect(list, &QListWidget::currentRowChanged, this, [this, &row, name](int index) {
                if (refreshing_ > 0) return;
                Rec<tlistbox>(row).index = index;
                // A row chosen with the keys is a click as well; a mouse click
                // runs through itemClicked.
                if (index >= 0 && QApplication::mouseButtons() == Qt::NoButton) Run(name);
            });
            connect(list, &QListWidget::itemClicked, this, [this, name] { Run(name); });
            connect(list, &QListWidget::itemDoubleClicked, this, [this, name] { Slot([&] { Run(name + ".DblClick"); }); });
            break;
        }
        case ControlKind::PageControl: break;  // BindTabs
    }
}

void Binder::SyncUpDownFromBuddy(const ControlInfo& edit) {
    for (const Binding& b : bindings_) {
        if (!b.row || b.row->kind != ControlKind::UpDown || b.row->form != edit.form || b.row->buddy != edit.name)
            continue;
        const std::string& text = Rec<tedit>(edit).text;
        int32_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size()) return;
        tupdown& u = Rec<tupdown>(*b.row);
        u.position = std::clamp(value, std::min(u.min, u.max), std::max(u.min, u.max));
        static_cast<UpDownWidget*>(b.widget)->SetPosition(u.position);
    }
}

void Binder::BindTabs(const ControlInfo& row, QTabWidget* tabs) {
    Binding b;
    b.name = row.QualifiedName();
    b.row = &row;
    b.widget = tabs;
    tabs->setObjectName(QString::fromUtf8(row.name.data(), static_cast<qsizetype>(row.name.size())));
    const std::string name = b.name;
    connect(tabs, &QTabWidget::currentChanged, this, [this, &row, name](int index) {
        if (refreshing_ > 0) return;
        Rec<tpagecontrol>(row).active = index;
        Slot([&] {
            Run(name + ".Changing");
            Run(name);
        });
    });
    Add(std::move(b));
}

void Binder::BindButton(const std::string& name, QAbstractButton* button, tbutton* state) {
    Binding b = Named(name, button, state);
    b.widget = button;
    connect(button, &QAbstractButton::clicked, this, [this, name, state](bool checked) {
        if (state && state->down != checked && static_cast<QAbstractButton*>(sender())->isCheckable())
            state->down = checked;
        Run(name);
    });
    Add(std::move(b));
}

void Binder::BindAction(const std::string& name, QAction* action, tbutton* state) {
    Binding b = Named(name, action, state);
    b.action = action;
    connect(action, &QAction::triggered, this, [this, name] { Run(name); });
    Add(std::move(b));
}

void Binder::BindState(const std::string& name, QWidget* widget, tbutton* state) {
    Binding b = Named(name, widget, state);
    b.widget = widget;
    if (auto* click = qobject_cast<ClickLabel*>(widget))
        connect(click, &ClickLabel::Clicked, this, [this, name] { Run(name); });
    Add(std::move(b));
}

void Binder::BindTab(const std::string& name, QTabWidget* tabs, int index, tbutton* state) {
    Binding b = Named(name, tabs->widget(index), state);
    b.tabs = tabs;
    b.tabIndex = index;
    b.widget = tabs->widget(index);
    Add(std::move(b));
}

void Binder::BindWindow(QWidget* window, bool* visible, const std::string* caption, const std::string& hideHandler) {
    Binding b;
    b.name = window->objectName().toStdString();
    b.widget = window;
    b.visible = visible;
    b.caption = caption;
    if (visible) window->installEventFilter(new HideWatch(*this, visible, hideHandler, window));
    Add(std::move(b));
}

void Binder::BindCustom(const std::string& name, QWidget* widget, std::function<void()> refresh) {
    Binding b = Named(name, widget, nullptr);
    b.widget = widget;
    b.refresh = std::move(refresh);
    Add(std::move(b));
}

void Binder::BindDialog(QDialog* dialog, ModalResult* result) {
    Binding b;
    b.name = dialog->objectName().toStdString();
    b.widget = dialog;
    b.modal = result;
    connect(dialog, &QDialog::rejected, this, [result] {
        if (*result == ModalResult::None) *result = ModalResult::Cancel;
    });
    Add(std::move(b));
}

void Binder::AttachPopup(QWidget* widget, std::string_view controlName, QMenu* menu) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this,
            [widget, menu, control = std::string(controlName)](const QPoint& at) {
                Form1.PopupComponent = control;
                menu->popup(widget->mapToGlobal(at));
            });
}

void Binder::RefreshAll() {
    ++refreshing_;
    for (const Binding& b : bindings_) RefreshBinding(b);
    --refreshing_;
}

void Binder::Refresh(std::string_view name) {
    const auto it = byName_.find(name);
    if (it == byName_.end()) return;
    ++refreshing_;
    RefreshBinding(bindings_[it->second]);
    --refreshing_;
}

QWidget* Binder::Find(std::string_view name) const {
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : bindings_[it->second].widget;
}

QObject* Binder::FindObject(std::string_view name) const {
    const auto it = byName_.find(name);
    if (it == byName_.end()) return nullptr;
    const Binding& b = bindings_[it->second];
    return b.action ? static_cast<QObject*>(b.action) : b.widget;
}

QWidget* Binder::FindLabel(std::string_view name) const {
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : bindings_[it->second].label;
}

std::vector<std::string> Binder::Names() const {
    std::vector<std::string> names;
    names.reserve(bindings_.size());
    for (const Binding& b : bindings_) names.push_back(b.name);
    return names;
}

void Binder::RefreshBinding(const Binding& b) {
    if (b.refresh) {
        b.refresh();
        return;
    }
    if (b.modal) {
        auto* dialog = static_cast<QDialog*>(b.widget);
        if (*b.modal != ModalResult::None && dialog->isVisible())
            dialog->done(*b.modal == ModalResult::Ok ? QDialog::Accepted : QDialog::Rejected);
        return;
    }
    if (b.visible || b.caption) {  // a window
        if (b.caption && b.widget->windowTitle() != ToQ(*b.caption)) b.widget->setWindowTitle(ToQ(*b.caption));
        if (b.visible && *b.visible != b.widget->isVisible()) b.widget->setVisible(*b.visible);
        return;
    }
    if (!b.row) {  // a button, menu item, container or tab with a record
        if (!b.state) return;
        const tbutton& s = *b.state;
        if (b.action) {
            b.action->setEnabled(s.enabled);
            b.action->setVisible(s.visible);
            if (!s.caption.empty()) b.action->setText(Caption(s.caption));
        } else if (b.tabs) {
            b.tabs->setTabVisible(b.tabIndex, s.visible);
            b.tabs->setTabEnabled(b.tabIndex, s.enabled);
        } else {
            SetState(b.widget, s.enabled, s.visible);
            if (auto* button = qobject_cast<QAbstractButton*>(b.widget)) {
                if (!s.caption.empty() && button->text() != Caption(s.caption)) button->setText(Caption(s.caption));
                if (button->isCheckable() && button->isChecked() != s.down) {
                    const QSignalBlocker block(button);
                    button->setChecked(s.down);
                }
            }
        }
        return;
    }
    const ControlInfo& row = *b.row;
    const tcontrol& common = Common(row);
    SetState(b.widget, common.enabled, common.visible);
    SetState(b.label, common.enabled, common.visible);
    const QSignalBlocker block(b.widget);
    switch (row.kind) {
        case ControlKind::CheckBox: {
            auto* box = static_cast<QCheckBox*>(b.widget);
            if (box->isChecked() != Rec<tcheckbox>(row).checked) box->setChecked(Rec<tcheckbox>(row).checked);
            break;
        }
        case ControlKind::RadioButton: {
            auto* radio = static_cast<QRadioButton*>(b.widget);
            const bool checked = Rec<tradiobutton>(row).checked;
            if (radio->isChecked() != checked) {
                // An exclusive group will not uncheck its checked button by itself.
                QButtonGroup* group = radio->group();
                if (group && !checked) group->setExclusive(false);
                radio->setChecked(checked);
                if (group && !checked) group->setExclusive(true);
            }
            break;
        }
        case ControlKind::Edit: {
            auto* edit = static_cast<QLineEdit*>(b.widget);
            const tedit& e = Rec<tedit>(row);
            const QString text = ToQ(e.text);
            if (edit->text() != text) {
                edit->setText(text);
                // A value set by the program shows its start: a long number in
                // a narrow edit reads "0.086168", not its last digits.
                if (!edit->hasFocus()) edit->setCursorPosition(0);
            }
            SetEditColor(edit, e.color);
            break;
        }
        case ControlKind::ComboBox: {
            auto* combo = static_cast<QComboBox*>(b.widget);
            const tcombobox& c = Rec<tcombobox>(row);
            SetItems(combo, c);
            if (combo->currentIndex() != c.index) combo->setCurrentIndex(c.index);
            if (combo->isEditable() && combo->currentText() != ToQ(c.SelectedText()))
                combo->setEditText(ToQ(c.SelectedText()));
            break;
        }
        case ControlKind::UpDown: {
            auto* updown = static_cast<UpDownWidget*>(b.widget);
            const tupdown& u = Rec<tupdown>(row);
            updown->SetRange(u.min, u.max, u.increment);
            updown->SetPosition(u.position);
            break;
        }
        case ControlKind::Memo: {
            auto* memo = static_cast<QPlainTextEdit*>(b.widget);
            const tmemo& m = Rec<tmemo>(row);
            const std::string joined = JoinLines(m.lines);
            const QString text = ToQ(joined);
            if (memo->toPlainText() != text) memo->setPlainText(text);
            // The caret and selection the record holds.
            const int start = TextPosition(joined, m.selStart);
            const int end = TextPosition(joined, int64_t{m.selStart} + m.selLength);
            QTextCursor cursor = memo->textCursor();
            if (cursor.anchor() != start || cursor.position() != end) {
                cursor.setPosition(start);
                cursor.setPosition(end, QTextCursor::KeepAnchor);
                memo->setTextCursor(cursor);
            }
            break;
        }
        case ControlKind::Label:
        case ControlKind::Panel: {
            const bool isLabel = row.kind == ControlKind::Label;
            const std::string& caption = isLabel ? Rec<tlabel>(row).caption : Rec<tpanel>(row).caption;
            const int32_t color = isLabel ? Rec<tlabel>(row).color : Rec<tpanel>(row).color;
            if (auto* label = qobject_cast<QLabel*>(b.widget)) {
                if (label->text() != LabelText(caption)) label->setText(LabelText(caption));
                if (auto* click = qobject_cast<ClickLabel*>(label)) click->SetSwatchColor(color);
            }
            break;
        }
        case ControlKind::PageControl: {
            auto* tabs = static_cast<QTabWidget*>(b.widget);
            if (tabs->currentIndex() != Rec<tpagecontrol>(row).active) tabs->setCurrentIndex(Rec<tpagecontrol>(row).active);
            break;
        }
        case ControlKind::SpinButton: break;
        case ControlKind::ListBox: {
            auto* list = static_cast<QListWidget*>(b.widget);
            const tlistbox& l = Rec<tlistbox>(row);
            SetItems(list, l.items);
            if (list->currentRow() != l.index) list->setCurrentRow(l.index);
            break;
        }
    }
}
