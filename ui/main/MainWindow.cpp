#include "ui/main/MainWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "options/ControlTable.h"
#include "ui/main/Pages.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"
#include "ui/qt/Widgets.h"
#include "ui/qt/WindowPlace.h"

namespace {

// The tabs of PageControl1, left to right.
struct Tab {
    const char* sheet;
    const char* caption;
    void (*build)(PageBuilder&);
};
constexpr Tab Tabs[] = {
    {"TabSheet1", "Input", BuildInputPage},
    {"TabSheet5", "Preview", BuildPreviewPage},
    {"TabSheet3", "Materials", BuildMaterialsPage},
    {"TabSheet4", "Groups", BuildGroupsPage},
    {"TabSheet8", "Light Dome", BuildLightDomePage},
    {"TabSheet2", "POV-Ray Output", BuildPovRayPage},
    {"TabSheet14", "Moray Output", BuildMorayPage},
    {"TabSheet15", "OBJ Output", BuildObjPage},
    {"TabSheet9", "YafRay", BuildYafRayPage},
};

void Colour(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

void ReadOnly(Binder& binder, const char* name) {
    if (auto* edit = qobject_cast<QLineEdit*>(binder.Find(name))) edit->setReadOnly(true);
    if (auto* memo = qobject_cast<QPlainTextEdit*>(binder.Find(name))) memo->setReadOnly(true);
}

}  // namespace

MainWindow::MainWindow(Binder& binder, std::function<bool()> onClose)
    : QWidget(nullptr, Qt::Window), binder_(binder), onClose_(std::move(onClose)) {
    setObjectName(QStringLiteral("Form1"));
    // The minimum waits for the window manager's frame (see event); until
    // then a stored place may take any size.
    setMinimumSize(1, 1);
    ApplyWindowFont(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    pages_ = new QTabWidget(this);
    for (const Tab& tab : Tabs) {
        auto* page = new QWidget(pages_);
        pages_->addTab(page, QString::fromLatin1(tab.caption));
        PageBuilder b(binder, "Form1", page);
        tab.build(b);
    }
    binder.BindTabs(*FindControl("Form1", "PageControl1"), pages_);
    for (int i = 0; i < pages_->count(); ++i) {
        const std::string name = std::string("Form1.") + Tabs[i].sheet;
        binder.BindTab(name, pages_, i, name == "Form1.TabSheet9" ? &Form1.TabSheet9 : nullptr);
    }
    layout->addWidget(pages_, 1);

    auto* strip = strip_ = new QWidget(this);
    BuildStatusStrip(strip);
    layout->addWidget(strip);
    for (const char* name : {"Form1.Edit86", "Form1.Edit21", "Form1.Edit30", "Form1.Memo3"}) ReadOnly(binder, name);
    binder.BindWindow(this, nullptr, &Form1.caption, "");
}

void MainWindow::BuildStatusStrip(QWidget* strip) {
    binder_.Bind(*FindControl("Form1", "Panel8"), strip);
    strip->setAutoFillBackground(true);
    Colour(strip, QPalette::Window, Qt::white);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    auto* toggle = new QPushButton(strip);
    toggle->setFixedSize(22, 20);
    toggle->setToolTip(QStringLiteral("Status messages"));
    binder_.BindButton("Form1.Button43", toggle, &Form1.Button43);
    layout->addWidget(toggle);

    auto* black = new QWidget(strip);
    black->setAutoFillBackground(true);
    Colour(black, QPalette::Window, Qt::black);
    auto* inner = new QHBoxLayout(black);
    inner->setContentsMargins(3, 2, 3, 2);
    inner->setSpacing(6);
    auto* warnings = new ClickLabel(black);
    warnings->setAutoFillBackground(true);
    Colour(warnings, QPalette::Window, Qt::yellow);
    Colour(warnings, QPalette::WindowText, Qt::black);
    warnings->setMinimumWidth(260);
    warnings->setMaximumWidth(420);
    binder_.Bind(*FindControl("Form1", "Label139"), warnings);
    inner->addWidget(warnings);
    gauge_ = new QProgressBar(black);
    gauge_->setObjectName(QStringLiteral("gauge3"));
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setTextVisible(false);
    gauge_->setFixedSize(160, 14);
    inner->addWidget(gauge_);
    auto* last = new ClickLabel(black);
    Colour(last, QPalette::WindowText, Qt::white);
    binder_.Bind(*FindControl("Form1", "Label160"), last);
    inner->addWidget(last, 1);
    layout->addWidget(black, 1);
}

void MainWindow::FitMinimumSize(const tframe& frame) {
    const auto [width, height] = MainClientSize(WorkArea(this), frame);
    setMinimumSize(width, height);
}

int MainWindow::PagesTop() const {
    const QWidget* page = pages_->currentWidget();
    const QToolBar* bar = page ? page->findChild<QToolBar*>() : nullptr;
    const QWidget* top = bar ? static_cast<const QWidget*>(bar) : pages_->tabBar();
    return top->mapTo(this, QPoint(0, top->height())).y();
}

int MainWindow::StripTop() const { return strip_->mapTo(this, QPoint(0, 0)).y(); }

bool MainWindow::event(QEvent* event) {
    // The window manager frames a window before it first paints: the frame
    // is known by then (none without a window manager).
    if (event->type() == QEvent::Paint && !minimumFitted_) {
        minimumFitted_ = true;
        FitMinimumSize(FrameOf(this));
    }
    return QWidget::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (onClose_ && !onClose_()) {
        event->ignore();
        return;
    }
    event->accept();
}
