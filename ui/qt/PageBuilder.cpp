#include "ui/qt/PageBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "options/ControlTable.h"
#include "ui/qt/Binder.h"
#include "ui/qt/QtText.h"
#include "ui/qt/Widgets.h"

namespace {

constexpr int EditWidth = 56;     // a number edit
constexpr int SwatchWidth = 40;   // a colour swatch
constexpr int SwatchHeight = 18;
// The column beyond every row's cells, which takes the width the rows
// leave. Kept near the widest row: a grid widens the minimum of items that
// span many empty columns, which squeezed the captions of full pages.
constexpr int SpareColumn = 12;

QString Name(std::string_view name) { return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())); }

void SetWidth(QWidget* w, int width) {
    if (width > 0) w->setFixedWidth(width);
    if (width < 0) {
        w->setMinimumWidth(0);
        w->setMaximumWidth(QWIDGETSIZE_MAX);
        w->setSizePolicy(QSizePolicy::Expanding, w->sizePolicy().verticalPolicy());
        // A long item (a path in a history) must not widen the page.
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            combo->setMinimumContentsLength(12);
        }
    }
}

// A grid whose cells keep to the left: a spacer far right takes the width
// the cells leave.
QGridLayout* NewGrid(QWidget* owner, int margin) {
    auto* grid = new QGridLayout(owner);
    grid->setContentsMargins(margin, margin == 0 ? 0 : 4, margin, margin);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, SpareColumn);
    grid->setColumnStretch(SpareColumn, 1);
    return grid;
}

}  // namespace

void ApplyWindowFont(QWidget* window) {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(11);
    window->setFont(font);
}

PageBuilder::PageBuilder(Binder& binder, std::string_view form, QWidget* page)
    : binder_(binder), form_(form), page_(page) {
    pageLayout_ = new QVBoxLayout(page);
    pageLayout_->setContentsMargins(4, 4, 4, 4);
    pageLayout_->setSpacing(4);
}

std::string PageBuilder::Qualified(std::string_view name) const { return form_ + "." + std::string(name); }

void PageBuilder::ToolBar(std::initializer_list<Cell> cells) {
    auto* bar = new QToolBar(page_);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->setIconSize(QSize(16, 16));
    for (const Cell& cell : cells) {
        if (cell.kind == Cell::Kind::Button) {
            auto* button = new QToolButton(bar);
            button->setText(Caption(cell.caption));
            button->setCheckable(cell.checkable);
            bar->addWidget(button);
            binder_.BindButton(Qualified(cell.name), button, cell.state);
            made_.emplace_back(cell.name, button);
            continue;
        }
        if (cell.kind == Cell::Kind::Stretch) {
            auto* space = new QWidget(bar);
            space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            bar->addWidget(space);
            continue;
        }
        QWidget* label = nullptr;
        QWidget* w = MakeCell(cell, bar, label);
        if (label) bar->addWidget(label);
        if (w) bar->addWidget(w);
        bar->addSeparator();
    }
    pageLayout_->insertWidget(0, bar);
}

void PageBuilder::Column(int stretch) {
    if (!columns_) {
        columns_ = new QHBoxLayout();
        columns_->setSpacing(6);
        pageLayout_->addLayout(columns_, 1);
    }
    column_ = new QVBoxLayout();
    column_->setSpacing(4);
    columns_->addLayout(column_, stretch);
    grid_ = nullptr;
}

void PageBuilder::Group(std::string_view caption, std::string_view name, tbutton* state) {
    if (!column_) Column();
    QWidget* box = nullptr;
    if (caption.empty()) {
        auto* frame = new QFrame(page_);
        frame->setFrameShape(QFrame::NoFrame);
        box = frame;
    } else {
        box = new QGroupBox(LabelText(caption), page_);
    }
    grid_ = NewGrid(box, caption.empty() ? 0 : 6);
    gridRow_ = 0;
    column_->addWidget(box);
    if (!name.empty()) {
        if (const ControlInfo* row = FindControl(form_, name))
            binder_.Bind(*row, box);
        else
            binder_.BindState(Qualified(name), box, state);
        made_.emplace_back(name, box);
    }
}

void PageBuilder::EndGroup() { grid_ = nullptr; }

QGridLayout* PageBuilder::Grid() {
    if (grid_) return grid_;
    if (!column_) Column();
    auto* loose = new QWidget(page_);
    grid_ = NewGrid(loose, 0);
    gridRow_ = 0;
    column_->addWidget(loose);
    return grid_;
}

void PageBuilder::Row(std::initializer_list<Cell> cells) { RowAt(0, cells); }

void PageBuilder::RowAt(int firstColumn, std::initializer_list<Cell> cells) {
    QGridLayout* grid = Grid();
    QWidget* parent = grid->parentWidget();
    int col = firstColumn;
    std::string_view previousCaption;
    const Cell* last = cells.size() ? cells.end() - 1 : nullptr;
    for (const Cell& cell : cells) {
        if (cell.kind == Cell::Kind::Stretch) {
            grid->setColumnStretch(col, 1);
            ++col;
            continue;
        }
        QWidget* label = nullptr;
        Cell c = cell;
        if (c.kind == Cell::Kind::Control && c.label) {
            // A caption shared by the edits of one row ("Position:" x, y, z)
            // is shown once.
            const ControlInfo* row = FindControl(form_, c.name);
            if (row && row->caption == previousCaption) c.label = false;
            if (row) previousCaption = row->caption;
        }
        QWidget* w = MakeCell(c, parent, label);
        if (w && c.height < 0) {
            w->setSizePolicy(w->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
            grid->setRowStretch(gridRow_, 1);
            if (column_) column_->setStretchFactor(parent, 1);
        }
        if (label) grid->addWidget(label, gridRow_, col++, Qt::AlignLeft | Qt::AlignVCenter);
        // The last cell, when wide, reaches over the spare column and so
        // takes the width the row leaves.
        if (&cell == last && c.width < 0) c.span = SpareColumn + 1 - col;
        if (w) {
            const bool fill = c.width < 0 || c.height < 0 || c.kind == Cell::Kind::Text;
            grid->addWidget(w, gridRow_, col, c.rows, c.span,
                            fill ? Qt::Alignment() : Qt::AlignLeft | Qt::AlignVCenter);
            col += c.span;
        }
    }
    ++gridRow_;
}

void PageBuilder::Line(std::initializer_list<Cell> cells, int firstColumn) {
    QGridLayout* grid = Grid();
    QWidget* parent = grid->parentWidget();
    auto* line = new QHBoxLayout();
    line->setSpacing(4);
    bool filled = false;
    for (const Cell& cell : cells) {
        if (cell.kind == Cell::Kind::Stretch) {
            line->addStretch(1);
            filled = true;
            continue;
        }
        QWidget* label = nullptr;
        QWidget* w = MakeCell(cell, parent, label);
        if (label) line->addWidget(label);
        if (w) line->addWidget(w, cell.width < 0 ? 1 : 0);
        filled = filled || cell.width < 0;
    }
    if (!filled) line->addStretch(1);
    grid->addLayout(line, gridRow_++, firstColumn, 1, SpareColumn + 1 - firstColumn);
}

void PageBuilder::RowWidget(QWidget* widget, int span) {
    QGridLayout* grid = Grid();
    widget->setParent(grid->parentWidget());
    grid->addWidget(widget, gridRow_++, 0, 1, span);
}

void PageBuilder::ColumnStretch() {
    if (!column_) Column();
    column_->addStretch(1);
    grid_ = nullptr;
}

std::vector<QWidget*> PageBuilder::SubPages(std::string_view name, std::initializer_list<std::string_view> captions) {
    if (!column_) Column(1);
    auto* tabs = new QTabWidget(page_);
    std::vector<QWidget*> pages;
    for (std::string_view caption : captions) {
        auto* sub = new QWidget(tabs);
        tabs->addTab(sub, Caption(caption));
        pages.push_back(sub);
    }
    if (const ControlInfo* row = FindControl(form_, name)) binder_.BindTabs(*row, tabs);
    column_->addWidget(tabs, 1);
    grid_ = nullptr;
    made_.emplace_back(name, tabs);
    return pages;
}

QMenu* PageBuilder::Menu(std::string_view name, std::initializer_list<MenuItem> items) {
    auto* menu = new QMenu(page_);
    menu->setObjectName(Name(name));
    for (const MenuItem& item : items) {
        if (item.caption == "-") {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Caption(item.caption));
        binder_.BindAction(Qualified(item.name), action, item.state);
    }
    made_.emplace_back(name, menu);
    return menu;
}

void PageBuilder::DropDown(std::string_view button, QMenu* menu) {
    if (auto* tool = qobject_cast<QToolButton*>(Made(button))) {
        tool->setMenu(menu);
        tool->setPopupMode(QToolButton::InstantPopup);
    }
}

QWidget* PageBuilder::Made(std::string_view name) const {
    for (const auto& [n, w] : made_)
        if (n == name) return w;
    return nullptr;
}

QAbstractButton* PageBuilder::Button(std::string_view name) const { return qobject_cast<QAbstractButton*>(Made(name)); }

QWidget* PageBuilder::MakeCell(const Cell& cell, QWidget* parent, QWidget*& label) {
    label = nullptr;
    switch (cell.kind) {
        case Cell::Kind::Text: {
            auto* text = new QLabel(LabelText(cell.caption), parent);
            text->setTextFormat(Qt::PlainText);
            text->setWordWrap(cell.width < 0);
            if (!cell.name.empty()) {
                binder_.BindState(Qualified(cell.name), text, cell.state);
                made_.emplace_back(cell.name, text);
            }
            return text;
        }
        case Cell::Kind::Button: {
            auto* button = new QPushButton(Caption(cell.caption), parent);
            button->setCheckable(cell.checkable);
            button->setAutoDefault(false);
            SetWidth(button, cell.width);
            binder_.BindButton(Qualified(cell.name), button, cell.state);
            made_.emplace_back(cell.name, button);
            return button;
        }
        case Cell::Kind::Image: {
            auto* image = new ClickLabel(parent);
            image->setFixedSize(cell.width, cell.height);
            image->setFrameShape(QFrame::Box);
            image->setAlignment(Qt::AlignCenter);
            image->setAutoFillBackground(true);
            QPalette p = image->palette();
            p.setColor(QPalette::Window, Qt::white);
            image->setPalette(p);
            binder_.BindState(Qualified(cell.name), image, nullptr);
            made_.emplace_back(cell.name, image);
            return image;
        }
        case Cell::Kind::Stretch: return nullptr;
        case Cell::Kind::Control: break;
    }
    const ControlInfo* row = FindControl(form_, cell.name);
    if (!row) {
        auto* missing = new QLabel(QStringLiteral("?") + Name(cell.name), parent);
        return missing;  // a typo in a page shows on screen and fails the control walk
    }
    QWidget* w = MakeControl(*row, parent);
    const bool captioned = row->kind == ControlKind::Edit || row->kind == ControlKind::ComboBox;
    if (cell.label && captioned && !row->caption.empty()) {
        auto* text = new QLabel(LabelText(row->caption), parent);
        text->setTextFormat(Qt::PlainText);
        label = text;
    }
    if (cell.width != 0) SetWidth(w, cell.width);
    if (cell.height > 0) w->setFixedHeight(cell.height);
    binder_.Bind(*row, w, label);
    made_.emplace_back(cell.name, w);
    return w;
}

QWidget* PageBuilder::MakeControl(const ControlInfo& row, QWidget* parent) {
    switch (row.kind) {
        case ControlKind::CheckBox: return new QCheckBox(Caption(row.caption), parent);
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(Caption(row.caption), parent);
            radio->setAutoExclusive(false);  // the binder groups radio buttons by the table's groups
            return radio;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(parent);
            edit->setFixedWidth(EditWidth);
            return edit;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(row.editable);
            // Enter in the edit is a command of its own, not a new item.
            if (row.editable) combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMaxVisibleItems(row.name == "ComboBox1" ? 40 : 20);
            combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            return combo;
        }
        case ControlKind::UpDown: return new UpDownWidget(parent);
        case ControlKind::Memo: {
            auto* memo = new QPlainTextEdit(parent);
            memo->setLineWrapMode(QPlainTextEdit::NoWrap);
            return memo;
        }
        case ControlKind::Label:
        case ControlKind::Panel: {
            auto* label = new ClickLabel(parent);
            if (row.value != clNone) {  // a colour swatch
                label->setMinimumSize(SwatchWidth, SwatchHeight);
                label->setCursor(Qt::PointingHandCursor);
            }
            return label;
        }
        case ControlKind::SpinButton: return new SpinButtonWidget(parent);
        case ControlKind::ListBox: return new QListWidget(parent);
        case ControlKind::PageControl: return new QTabWidget(parent);
    }
    return new QWidget(parent);
}
