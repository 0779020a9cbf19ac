#include "ui/dialogs/HelpWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"
#include "ui/qt/QtText.h"
#include "ui/qt/WindowPlace.h"

HelpTextView::HelpTextView(Binder& binder, std::function<void()> show, QWidget* parent)
    : QTextBrowser(parent), binder_(binder), show_(std::move(show)) {
    setObjectName(QStringLiteral("htmlView1"));
    setOpenLinks(false);
    setFrameShape(QFrame::NoFrame);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    document()->setDefaultStyleSheet(QStringLiteral("pre { font-family: \"DejaVu Sans Mono\"; }"));
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { LinkClicked(url); });
}

HelpPlace HelpTextView::Here() const { return {fileName_, verticalScrollBar()->value()}; }

void HelpTextView::LoadFromFile(const std::string& fileName) {
    setSource(QUrl::fromLocalFile(ToQ(fileName)));
    fileName_ = fileName;
}

void HelpTextView::JumpToAnchor(std::string_view anchor) {
    if (!anchor.empty() && anchor.front() == '#') anchor.remove_prefix(1);
    scrollToAnchor(ToQ(anchor));
}

void HelpTextView::SetHistoryPosition(int index) {
    if (const auto place = history_.MoveTo(index, Here())) verticalScrollBar()->setValue(place->position);
}

bool HelpTextView::FindInDocument(std::string_view text, bool matchCase) {
    if (text.empty()) return false;
    return find(ToQ(text), matchCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags());
}

void HelpTextView::SetSelectionRange(int position) {
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
    setTextCursor(c);
}

void HelpTextView::LinkClicked(const QUrl& url) {
    Form5.clickedLink = FromQ(url.toString());
    Form5.linkHandled = false;
    binder_.Run("Form5.htmlView1.HotSpotClick");
    if (Form5.linkHandled || url.fragment().isEmpty()) return;
    // A link inside the help: the place left and the place reached go on
    // the history.
    const HelpPlace before = Here();
    scrollToAnchor(url.fragment());
    history_.Push(before, Here());
}

void HelpTextView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        binder_.Run("Form5.Escape");
        return;
    }
    QTextBrowser::keyPressEvent(event);
}

HelpWindow::HelpWindow(Binder& binder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), binder_(binder) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Mirelan - Help"));
    ApplyWindowFont(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const std::pair<const char*, const char*> buttons[] = {{"ToolButton1", "Contents"},
                                                           {"ToolButton2", "<< Back"},
                                                           {"ToolButton3", "Forward >>"},
                                                           {"ToolButton4", "Find..."},
                                                           {"ToolButton5", "Hide"}};
    for (const auto& [name, caption] : buttons) {
        auto* button = new QToolButton(bar);
        button->setText(QString::fromLatin1(caption));
        button->setFixedSize(66, 21);
        bar->addWidget(button);
        binder.BindButton(std::string("Form5.") + name, button);
    }
    layout->addWidget(bar);
    view_ = new HelpTextView(binder, [this, &binder] {
        Form5.visible = true;
        binder.Refresh("Form5");
        raise();
    }, this);
    layout->addWidget(view_, 1);

    // Action1: "Find..." with Ctrl+F.
    auto* findAction = new QAction(QStringLiteral("Find..."), this);
    findAction->setObjectName(QStringLiteral("Action1"));
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    findAction->setShortcutContext(Qt::WindowShortcut);
    addAction(findAction);
    connect(findAction, &QAction::triggered, this, [&binder] { binder.Run("Form5.ToolButton4"); });

    // FindDialog1: searches downwards, repeatedly, with the match-case choice.
    find_ = new QDialog(this);
    find_->setObjectName(QStringLiteral("FindDialog1"));
    find_->setWindowTitle(QStringLiteral("Find"));
    auto* findLayout = new QHBoxLayout(find_);
    auto* left = new QVBoxLayout();
    auto* what = new QHBoxLayout();
    what->addWidget(new QLabel(QStringLiteral("Find what:"), find_));
    auto* text = new QLineEdit(find_);
    text->setObjectName(QStringLiteral("FindText"));
    what->addWidget(text);
    left->addLayout(what);
    auto* matchCase = new QCheckBox(QStringLiteral("Match case"), find_);
    matchCase->setObjectName(QStringLiteral("MatchCase"));
    left->addWidget(matchCase);
    findLayout->addLayout(left);
    auto* right = new QVBoxLayout();
    auto* next = new QPushButton(QStringLiteral("Find Next"), find_);
    next->setObjectName(QStringLiteral("FindNext"));
    next->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), find_);
    right->addWidget(next);
    right->addWidget(cancel);
    right->addStretch(1);
    findLayout->addLayout(right);
    connect(text, &QLineEdit::textChanged, this, [](const QString& t) { Form5.FindDialog1.text = FromQ(t); });
    connect(matchCase, &QCheckBox::toggled, this, [](bool on) { Form5.FindDialog1.matchCase = on; });
    connect(next, &QPushButton::clicked, this, [&binder] { binder.Run("Form5.FindDialog1"); });
    connect(cancel, &QPushButton::clicked, find_, &QDialog::reject);
    binder.BindWindow(find_, &Form5.FindDialog1.visible, nullptr, "");

    binder.BindWindow(this, &Form5.visible, nullptr, "");
    resize(800, 600);
    PlaceWindow(this, Form5.bounds, Form5.maximized);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        binder_.Run("Form5.Escape");
        return;
    }
    QWidget::keyPressEvent(event);
}
