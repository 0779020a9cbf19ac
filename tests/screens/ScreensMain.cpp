// Screenshots of every window for review: the main window on each tab and
// sub-page, the status, help and preview windows and every dialog, with a
// small model loaded. Asserts nothing; reviewers compare the pictures with
// the captions and layouts the windows should have.
//
//   mirelan_screens [DIR]                 (default: screens/ in the current folder)
//   mirelan_screens --first-start PREFIX
//
// Writes Form1-TabSheet1.png, Form1-TabSheet3-1.png (second sub-page),
// Form4.png, Form5.png, Form9.png, Form2.png, ... into DIR. With
// --first-start it takes the whole screen instead, as a first start shows
// it: PREFIX.png right after the start, PREFIX-model.png with a model loaded,
// PREFIX-windows.png with the status and help windows open as well. The
// program's folder is a temporary one, so that no settings file is read or
// written.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QFile>
#include <QOpenGLWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "model/HelpTopic.h"
#include "model/LightPanel.h"
#include "model/Model.h"
#include "model/PlaceholderPanel.h"
#include "model/Services.h"
#include "model/VectorMath.h"
#include "options/ControlTable.h"
#include "platform/AppPaths.h"
#include "preview/GlResources.h"
#include "preview/GlView.h"
#include "preview/PreviewWindow.h"
#include "tests/gui/SettleWindows.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/LightsController.h"
#include "ui/core/LoadDrivers.h"
#include "ui/dialogs/HelpWindow.h"
#include "ui/dialogs/StatusWindow.h"
#include "ui/main/Application.h"
#include "ui/main/MainWindow.h"
#include "ui/qt/Binder.h"

namespace {

QString OutDir;

void Save(QWidget* window, const QString& name) {
    QApplication::processEvents();
    const QString path = QDir(OutDir).filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(path)) std::cerr << "could not write " << path.toStdString() << '\n';
    std::cout << path.toStdString() << '\n';
}

// Each tab of `tabs`, with the sub-pages of the page controls on it.
void SaveTabs(Application& app) {
    QTabWidget* tabs = app.Main().Pages();
    const std::pair<int, const char*> subPages[] = {{2, "Form1.PageControl2"}, {3, "Form1.PageControl6"},
                                                    {5, "Form1.PageControl5"}};
    for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->isTabVisible(i)) continue;
        tabs->setCurrentIndex(i);
        const QString sheet = tabs->widget(i)->objectName();
        Save(&app.Main(), QStringLiteral("Form1-") + sheet);
        for (const auto& [tab, control] : subPages) {
            if (tab != i) continue;
            auto* sub = qobject_cast<QTabWidget*>(app.Bindings().Find(control));
            for (int k = 1; sub && k < sub->count(); ++k) {
                sub->setCurrentIndex(k);
                Save(&app.Main(), QStringLiteral("Form1-%1-%2").arg(sheet).arg(k));
            }
            if (sub) sub->setCurrentIndex(0);
        }
    }
    tabs->setCurrentIndex(0);
}

// A light, a light preset and a placeholder, so that the Preview tab's
// panels show one each.
void AddPreviewTabRecords() {
    tlight light;
    NewLight(light);
    light.name = "Key";
    light.kind = LightSpot;
    light.pointAt = Scene.extents.center;
    LightPositionFromAngles({-45, 30, 0}, light.position);
    Lights.push_back(light);
    Form1.ComboBox2.index = 0;
    RefreshLightPanel(0);
    SaveLightPreset("Studio");
    Form1.ComboBox13.index = 0;
    tplaceholder shape;
    NewPlaceholder(shape);
    shape.name = "Table";
    Placeholders.push_back(shape);
    Form1.ComboBox7.items = {"Table"};
    Form1.ComboBox7.index = 0;
    RefreshPlaceholderPanel(0);
}

// A light probe on the Light Dome tab, a sky brightening towards a sun,
// with its lights taken beside the key light (the boxes the user answers
// are scripted).
void LoadProbe() {
    const std::string file = ProgramDir() + "sky.pfm";
    {
        std::ofstream out(file, std::ios::binary);
        out << "PF\n64 32\n-1.0\n";
        for (int row = 0; row < 32; ++row)
            for (int column = 0; column < 64; ++column) {
                const bool sun = std::abs(column - 40) < 3 && std::abs(row - 26) < 3;
                const float sky[3] = {sun ? 8.0f : 0.1f + row / 64.0f, sun ? 7.0f : 0.2f + row / 48.0f,
                                      sun ? 5.0f : 0.4f + row / 40.0f};
                out.write(reinterpret_cast<const char*>(sky), sizeof sky);
            }
    }
    RecordingPrompts scripted;
    scripted.fileAnswers = {{file}};
    Services services;
    services.prompts = &scripted;
    const ScopedServices scope(services);
    Form1.Edit104.text = "40";
    Form1.CheckBox76.checked = false;
    Commands().Run("Form1.Button40");
    Commands().Run("Form1.Button35");
}

// Shoots every window of a started program.
void Shoot(Application& app) {
    BatchFiles = {MIRELAN_SCREENS_MODEL};
    LoadSelectedModels();
    AddPreviewTabRecords();
    LoadProbe();
    app.Bindings().RefreshAll();

    SaveTabs(app);
    Form4.visible = true;
    app.Bindings().RefreshAll();
    Save(&app.Status(), QStringLiteral("Form4"));
    ShowHelpTopic("#Contents");
    app.Bindings().RefreshAll();
    Save(&app.Help(), QStringLiteral("Form5"));
    QApplication::processEvents();
    const QString preview = QDir(OutDir).filePath(QStringLiteral("Form9.png"));
    app.Preview().glView1->grabFramebuffer().save(preview);
    std::cout << preview.toStdString() << '\n';
    for (const char* form : {"searchForm2", "Form2", "Form3", "Form6", "Form7", "Form8"}) {
        QDialog* dialog = app.Dialog(form);
        dialog->show();
        Save(dialog, QString::fromLatin1(form));
        dialog->hide();
    }
}

// The whole screen, once the window manager has framed and placed the
// windows (at most 5 s).
void SaveScreen(Application& app, const QString& path) {
    const QWidget* windows[] = {&app.Main(), &app.Preview(), &app.Status(), &app.Help()};
    SettleWindows(windows, true, 5000);
    if (!QGuiApplication::primaryScreen()->grabWindow(0).save(path))
        std::cerr << "could not write " << path.toStdString() << '\n';
    std::cout << path.toStdString() << '\n';
}

// The whole screen as a first start shows it, with a model, and with the
// status and help windows open.
void ShootFirstStart(Application& app, const QString& prefix) {
    SaveScreen(app, prefix + QStringLiteral(".png"));
    BatchFiles = {MIRELAN_SCREENS_MODEL};
    LoadSelectedModels();
    app.Bindings().RefreshAll();
    SaveScreen(app, prefix + QStringLiteral("-model.png"));
    Commands().Run("Form1.Button43");
    ShowHelpTopic("#top");
    app.Bindings().RefreshAll();
    SaveScreen(app, prefix + QStringLiteral("-windows.png"));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    PrepareOpenGL();
    QApplication qt(argc, argv);
    const bool firstStart = argc > 2 && QByteArray(argv[1]) == "--first-start";
    const QString prefix = firstStart ? QString::fromLocal8Bit(argv[2]) : QString();
    OutDir = firstStart ? QFileInfo(prefix).path() : argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screens");
    QDir().mkpath(OutDir);
    QTemporaryDir programDir;
    SetProgramDirOverride(programDir.path().toStdString());
    QFile::copy(QStringLiteral(MIRELAN_HELP_FILE), programDir.filePath(QStringLiteral("mirelanhelp.htm")));

    int result = 1;
    {
        Application app;
        if (app.Start(1)) {
            if (firstStart)
                ShootFirstStart(app, prefix);
            else
                Shoot(app);
            result = 0;
        }
    }
    ReleaseGLResources();
    return result;
}
