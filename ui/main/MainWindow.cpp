#include "ui/main/MainWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/main/Pages.h"
#include "options/ControlTable.h"
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
    setMinimumSize(1024, 768);
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

    auto* strip = new QWidget(this);
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

void MainWindow::Place() {
    const twindowbounds& b = Form1.bounds;
    if (b.left == 0 && b.top == 0 && !Form1.maximized) {
        resize(std::max(b.width, minimumWidth()), std::max(b.height, minimumHeight()));
        if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
        return;
    }
    PlaceWindow(this, Form1.bounds, Form1.maximized);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (onClose_ && !onClose_()) {
        event->ignore();
        return;
    }
    event->accept();
}
