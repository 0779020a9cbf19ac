#include "ui/dialogs/HelpWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "htmlviewer/widgets/FormWidgets.h"
#include "htmlviewer/widgets/HtmlView.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"
#include "ui/qt/QtText.h"

HelpView::HelpView(THtmlView& view, std::function<void()> show) : view_(view), show_(std::move(show)) {}

std::string HelpView::CurrentFileName() const { return view_.CurrentFileName(); }

void HelpView::LoadFromFile(const std::string& fileName) { view_.LoadFromFile(fileName); }

void HelpView::JumpToAnchor(std::string_view anchor) { view_.JumpToAnchor(anchor); }

int HelpView::HistoryPosition() const { return view_.HistoryPosition(); }

void HelpView::SetHistoryPosition(int index) { view_.SetHistoryPosition(index); }

bool HelpView::FindInDocument(std::string_view text, bool matchCase) {
    return view_.FindInDocument(QStringToCp1252(ToQ(text)), matchCase);
}

void HelpView::SetSelectionRange(int position) { view_.SetSelectionRange(position); }

void ApplyHelpViewSettings(THtmlView& view) {
    view.SetDefBackground(gfx::clWhite);
    view.SetBorderStyle(THtmlBorderStyle::htNone);
    view.SetHistoryMaxCount(10);
    view.SetDefFontName("Tahoma");
    view.SetDefFontSize(8);
    view.SetDefPreFontName("Courier New");
    view.SetDefFontColor(gfx::clBlack);
    view.SetNoSelect(false);
    view.SetCharSet(0);
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
    view_ = new THtmlView(this);
    view_->setObjectName(QStringLiteral("htmlView1"));
    ApplyHelpViewSettings(*view_);
    // A link that does not start with "#" goes to the shell, which the
    // handler reports as handled; the viewer follows the others.
    view_->OnHotSpotClick = [&binder](const std::string& src, bool& handled) {
        Form5.clickedLink = Cp1252ToUtf8(src);
        Form5.linkHandled = handled;
        binder.Run("Form5.htmlView1.HotSpotClick");
        handled = Form5.linkHandled;
    };
    view_->OnKeyDown = [&binder](int key, Qt::KeyboardModifiers) {
        if (key != Qt::Key_Escape) return false;
        binder.Run("Form5.Escape");
        return true;
    };
    view_->OnError = [](const std::string& message) { Svc().prompts->Show(MessageKind::Error, message); };
    viewer_ = std::make_unique<HelpView>(*view_, [this, &binder] {
        Form5.visible = true;
        binder.Refresh("Form5");
        raise();
    });
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
    resize(Form5.bounds.width, Form5.bounds.height);  // placed once the settings are read
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        binder_.Run("Form5.Escape");
        return;
    }
    QWidget::keyPressEvent(event);
}
