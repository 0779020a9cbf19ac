#include "htmlviewer/widgets/FormWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QItemSelection>
#include <QTextBlock>

#include "model/TextConv.h"
#include "platform/qt/QtGfx.h"

QString Cp1252ToQString(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

std::string QStringToCp1252(const QString& text) {
    std::string out;
    for (const char32_t c : text.toStdU32String()) out.push_back(static_cast<char>(UnicodeToCp1252(c).value_or('?')));
    return out;
}

// Reports focus changes of the input widget.
class TQtWindowControl::FocusWatcher : public QObject {
public:
    explicit FocusWatcher(TQtWindowControl& owner) : Owner(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            const bool in = event->type() == QEvent::FocusIn;
            Owner.StoreFocus(in);
            if (Owner.OnFocus) Owner.OnFocus(in);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TQtWindowControl& Owner;
};

TQtWindowControl::TQtWindowControl(const TControlSpec& spec, QWidget* parent) : TWindowControl(spec) {
    switch (spec.Kind) {
    case TControlKind::Edit: {
        auto* edit = new QLineEdit(parent);
        if (spec.Password) edit->setEchoMode(QLineEdit::Password);
        if (spec.MaxLength > 0) edit->setMaxLength(spec.MaxLength);
        Outer = Inner = edit;
        break;
    }
    case TControlKind::Button: Outer = Inner = new QPushButton(parent); break;
    case TControlKind::Radio: {
        // A borderless panel holds the button, so that its background can
        // take the colour of what is around it.
        Outer = new QWidget(parent);
        Outer->setAutoFillBackground(true);
        auto* radio = new QRadioButton(Outer);
        // The form, not the panel, decides which buttons of a name go off.
        radio->setAutoExclusive(false);
        radio->move(0, 0);
        Inner = radio;
        break;
    }
    case TControlKind::CheckBox: Outer = Inner = new QCheckBox(parent); break;
    case TControlKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->setSelectionMode(spec.Multiple ? QAbstractItemView::ExtendedSelection
                                             : QAbstractItemView::SingleSelection);
        Outer = Inner = list;
        break;
    }
    case TControlKind::ComboBox: Outer = Inner = new QComboBox(parent); break;
    case TControlKind::TextArea: {
        auto* text = new QPlainTextEdit(parent);
        text->setLineWrapMode(spec.Wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        text->setHorizontalScrollBarPolicy(spec.Wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
        Outer = Inner = text;
        break;
    }
    }
    Outer->hide();
    Watcher = std::make_unique<FocusWatcher>(*this);
    Inner->installEventFilter(Watcher.get());
    Connect();
}

TQtWindowControl::~TQtWindowControl() {
    if (Inner) Inner->removeEventFilter(Watcher.get());
    delete Outer.data();
}

void TQtWindowControl::Connect() {
    auto click = [this] {
        if (OnClick) OnClick();
    };
    if (auto* edit = qobject_cast<QLineEdit*>(Inner)) {
        QObject::connect(edit, &QLineEdit::textEdited, edit,
                         [this](const QString& s) { StoreText(QStringToCp1252(s)); });
        QObject::connect(edit, &QLineEdit::returnPressed, edit, [this] {
            if (OnReturn) OnReturn();
        });
    } else if (auto* button = qobject_cast<QPushButton*>(Inner)) {
        QObject::connect(button, &QPushButton::clicked, button, click);
    } else if (auto* radio = qobject_cast<QRadioButton*>(Inner)) {
        QObject::connect(radio, &QRadioButton::clicked, radio, [this, click](bool on) {
            StoreChecked(on);
            if (on && OnChecked) OnChecked();
            click();
        });
    } else if (auto* check = qobject_cast<QCheckBox*>(Inner)) {
        QObject::connect(check, &QCheckBox::clicked, check, [this, click](bool on) {
            StoreChecked(on);
            click();
        });
    } else if (auto* list = qobject_cast<QListWidget*>(Inner)) {
        QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this] { ReadSelection(); });
        QObject::connect(list, &QListWidget::itemClicked, list, click);
    } else if (auto* combo = qobject_cast<QComboBox*>(Inner)) {
        QObject::connect(combo, &QComboBox::activated, combo, [this, click](int) {
            ReadSelection();
            click();
        });
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(Inner)) {
        QObject::connect(text, &QPlainTextEdit::textChanged, text, [this, text] {
            std::vector<std::string> lines;
            for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
                lines.push_back(QStringToCp1252(b.text()));
            StoreLines(lines);
        });
    }
}

void TQtWindowControl::ReadSelection() {
    std::vector<bool> selected(Items().size(), false);
    if (auto* list = qobject_cast<QListWidget*>(Inner)) {
        for (int i = 0; i < list->count() && i < static_cast<int>(selected.size()); ++i)
            selected[static_cast<std::size_t>(i)] = list->item(i)->isSelected();
    } else if (auto* combo = qobject_cast<QComboBox*>(Inner)) {
        const int i = combo->currentIndex();
        if (i >= 0 && i < static_cast<int>(selected.size())) selected[static_cast<std::size_t>(i)] = true;
    }
    StoreSelected(selected);
}

void TQtWindowControl::SetBounds(const gfx::Rect& bounds) {
    TWindowControl::SetBounds(bounds);
    Outer->setGeometry(bounds.left, bounds.top, bounds.width(), bounds.height());
    if (Inner != Outer) Inner->resize(bounds.width(), bounds.height());
}

void TQtWindowControl::SetVisible(bool on) {
    TWindowControl::SetVisible(on);
    if (on) Sync();
    Outer->setVisible(on);
}

bool TQtWindowControl::Focused() const { return Inner->hasFocus(); }

gfx::Size TQtWindowControl::WindowSize(gfx::Size client) const {
    const int frame = 2 * Outer->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, Outer);
    const int bar = Outer->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Outer);
    switch (Spec.Kind) {
    case TControlKind::ListBox: return {client.width + frame, client.height + frame};
    case TControlKind::ComboBox: return {client.width, std::max(client.height, Outer->sizeHint().height())};
    case TControlKind::TextArea:
        return {client.width + frame + bar, client.height + frame + (Spec.Wrap ? 0 : bar)};
    default: return client;
    }
}

void TQtWindowControl::SetFont(const gfx::FontSpec& font) {
    TWindowControl::SetFont(font);
    Inner->setFont(gfx::toQFont(font, Inner->logicalDpiY()));
}

void TQtWindowControl::SetBackground(gfx::Color color) {
    TWindowControl::SetBackground(color);
    if (Outer == Inner) return;
    QPalette palette = Outer->palette();
    palette.setColor(QPalette::Window, gfx::toQColor(color));
    Outer->setPalette(palette);
}

void TQtWindowControl::SetText(const std::string& text) {
    TWindowControl::SetText(text);
    if (auto* edit = qobject_cast<QLineEdit*>(Inner)) {
        const QSignalBlocker block(edit);
        edit->setText(Cp1252ToQString(text));
    } else if (auto* button = qobject_cast<QPushButton*>(Inner)) {
        button->setText(Cp1252ToQString(text).replace('&', "&&"));
    }
}

void TQtWindowControl::SetChecked(bool on) {
    TWindowControl::SetChecked(on);
    if (auto* button = qobject_cast<QAbstractButton*>(Inner)) {
        const QSignalBlocker block(button);
        button->setChecked(on);
    }
}

void TQtWindowControl::AddItem(const std::string& text) {
    TWindowControl::AddItem(text);
    if (auto* list = qobject_cast<QListWidget*>(Inner)) {
        const QSignalBlocker block(list);
        list->addItem(Cp1252ToQString(text));
    } else if (auto* combo = qobject_cast<QComboBox*>(Inner)) {
        const QSignalBlocker block(combo);
        combo->addItem(Cp1252ToQString(text));
        if (combo->currentIndex() != ItemIndex()) combo->setCurrentIndex(ItemIndex());
    }
}

void TQtWindowControl::SetItemSelected(int index, bool on) {
    TWindowControl::SetItemSelected(index, on);
    if (qobject_cast<QListWidget*>(Inner)) {
        MarkStale(SelectionStale);
    } else if (auto* combo = qobject_cast<QComboBox*>(Inner)) {
        const QSignalBlocker block(combo);
        if (combo->currentIndex() != ItemIndex()) combo->setCurrentIndex(ItemIndex());
    }
}

void TQtWindowControl::SetLines(const std::vector<std::string>& lines) {
    TWindowControl::SetLines(lines);
    LinesStale = true;
    Sync();
}

void TQtWindowControl::AddLine(const std::string& line) {
    TWindowControl::AddLine(line);
    MarkStale(LinesStale);
}

void TQtWindowControl::MarkStale(bool& stale) {
    stale = true;
    // A widget in sight gets the change once the changes of this event are
    // made (a reset of its form, say); one out of sight when it is shown.
    if (SyncQueued || !Visible()) return;
    SyncQueued = true;
    QMetaObject::invokeMethod(
        Inner,
        [this] {
            SyncQueued = false;
            Sync();
        },
        Qt::QueuedConnection);
}

void TQtWindowControl::Sync() {
    if (SelectionStale) {
        SelectionStale = false;
        if (auto* list = qobject_cast<QListWidget*>(Inner)) {
            // One selection of the runs of selected items.
            QItemSelection selection;
            const int count = std::min(list->count(), static_cast<int>(Items().size()));
            for (int i = 0; i < count;) {
                if (!ItemSelected(i)) {
                    ++i;
                    continue;
                }
                int last = i;
                while (last + 1 < count && ItemSelected(last + 1)) ++last;
                selection.select(list->model()->index(i, 0), list->model()->index(last, 0));
                i = last + 1;
            }
            const QSignalBlocker block(list);
            list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        }
    }
    if (LinesStale) {
        LinesStale = false;
        if (auto* text = qobject_cast<QPlainTextEdit*>(Inner)) {
            QStringList list;
            for (const std::string& line : Lines()) list << Cp1252ToQString(line);
            const QSignalBlocker block(text);
            text->setPlainText(list.join('\n'));
        }
    }
}

// ---- Timer and paint panel ----------------------------------------------------------

TQtTimer::TQtTimer() {
    QObject::connect(&Timer, &QTimer::timeout, &Timer, [this] {
        if (OnTimer) OnTimer();
    });
}

void TQtTimer::SetEnabled(bool on) {
    TTimer::SetEnabled(on);
    if (on)
        Timer.start();
    else
        Timer.stop();
}

void TQtTimer::SetInterval(int ms) {
    TTimer::SetInterval(ms);
    Timer.setInterval(ms);
}

TQtPaintPanel::TQtPaintPanel(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TQtPaintPanel::Invalidate(const gfx::Rect& rect) {
    if (rect.isEmpty())
        update();
    else
        update(rect.left, rect.top, rect.width(), rect.height());
}

std::unique_ptr<TTimer> TQtPaintPanel::CreateTimer() { return std::make_unique<TQtTimer>(); }

std::unique_ptr<TWindowControl> TQtPaintPanel::CreateControl(const TControlSpec& spec) {
    return std::make_unique<TQtWindowControl>(spec, this);
}

void TQtPaintPanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (OnPaint) OnPaint(painter, event->rect());
}
