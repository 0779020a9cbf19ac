#include "ui/dialogs/StatusWindow.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "options/ControlTable.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"

namespace {

// A page: read-only, no word wrap, both scroll bars, fixed pitch at 13 px.
template <class Editor>
Editor* MakePage(const char* name, const char* initialText, QWidget* parent) {
    auto* page = new Editor(parent);
    page->setObjectName(QString::fromLatin1(name));
    page->setReadOnly(true);
    page->setLineWrapMode(Editor::NoWrap);
    page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    page->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setFamily(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(13);
    page->setFont(mono);
    page->setPlainText(QString::fromLatin1(initialText));
    return page;
}

}  // namespace

StatusWindow::StatusWindow(Binder& binder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), binder_(binder) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Mirelan - Status Messages"));
    ApplyWindowFont(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* tabs = new QTabWidget(this);
    layout->addWidget(tabs);

    auto* messages = MakePage<QPlainTextEdit>("RichEdit1", "Messages", tabs);
    messages->setCenterOnScroll(false);
    tabs->addTab(messages, QStringLiteral("Messages"));

    auto* warningsPage = new QWidget(tabs);
    auto* warningsLayout = new QVBoxLayout(warningsPage);
    warningsLayout->setContentsMargins(0, 0, 0, 0);
    warningsLayout->setSpacing(0);
    auto* warnings = MakePage<QPlainTextEdit>("RichEdit2", "No warnings", warningsPage);
    QPalette green = warnings->palette();
    green.setColor(QPalette::Text, QColor(0, 128, 0));
    warnings->setPalette(green);
    warningsLayout->addWidget(warnings, 1);
    auto* strip = new QWidget(warningsPage);
    strip->setAutoFillBackground(true);
    QPalette white = strip->palette();
    white.setColor(QPalette::Window, Qt::white);
    strip->setPalette(white);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 4, 4, 4);
    auto* help = new QPushButton(QStringLiteral("Warnings Help..."), strip);
    help->setAutoDefault(false);
    stripLayout->addWidget(help);
    stripLayout->addStretch(1);
    warningsLayout->addWidget(strip);
    binder.BindButton("Form4.Button1", help);
    tabs->addTab(warningsPage, QStringLiteral("Warnings"));

    auto* geometry = MakePage<QPlainTextEdit>("RichEdit3", "No model loaded", tabs);
    tabs->addTab(geometry, QStringLiteral("Geometry"));
    auto* maps = MakePage<QPlainTextEdit>("RichEdit6", "No maps loaded into OpenGL (R) API", tabs);
    tabs->addTab(maps, QStringLiteral("Maps"));
    auto* lights = MakePage<QPlainTextEdit>("RichEdit5", "No lights", tabs);
    tabs->addTab(lights, QStringLiteral("Scene Lights"));
    auto* gl = MakePage<QTextEdit>("RichEdit4", "OpenGL Information", tabs);
    tabs->addTab(gl, QStringLiteral("OpenGL (R) Info"));

    pages_ = {messages, warnings, geometry, maps, lights, gl};
    for (QWidget* page : pages_) page->installEventFilter(this);

    binder.BindTabs(*FindControl("Form4", "PageControl1"), tabs);
    binder.BindWindow(this, &Form4.visible, nullptr, "Form4.Hide");
    resize(Form4.bounds.width, Form4.bounds.height);  // placed once the settings are read
}

bool StatusWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Esc hides the window from the form and from four pages; the "Maps"
        // and "Scene Lights" pages keep the key.
        const bool keeps = watched == pages_[static_cast<int>(StatusPage::Maps)] ||
                           watched == pages_[static_cast<int>(StatusPage::SceneLights)];
        if (!keeps) binder_.Run("Form4.Escape");
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void StatusWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        binder_.Run("Form4.Escape");
        return;
    }
    QWidget::keyPressEvent(event);
}
