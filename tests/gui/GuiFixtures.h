// The program's windows under a virtual X server, in a temporary program
// folder (with the help file), with message boxes and the shell recorded.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDialog>
#include <QFile>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "model/Model.h"
#include "model/Services.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "preview/PreviewWindow.h"
#include "tests/fixtures/ScratchFolder.h"
#include "ui/control/Dispatcher.h"
#include "ui/dialogs/HelpWindow.h"
#include "ui/dialogs/StatusWindow.h"
#include "ui/main/Application.h"
#include "ui/main/MainWindow.h"
#include "ui/qt/Binder.h"

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fixtures::MakeScratchFolder("gui");
        SetProgramDirOverride(dir.string());
        QFile::copy(QStringLiteral(MIRELAN_HELP_FILE), QString::fromStdString((dir / "mirelanhelp.htm").string()));
        ResetOptionsToDefaults();
    }
    void TearDown() override {
        scope.reset();
        app.reset();
        ClearModel();
        ClearLights();
        ClearDeclareLibrary();
        SetProgramDirOverride("");
        fixtures::RemoveScratchFolder(dir);
    }
    // Creates and starts the program; the test's recording services take
    // over boxes and the shell.
    void StartProgram() {
        scope.reset();
        app.reset();
        app = std::make_unique<Application>();
        ASSERT_TRUE(app->Start(1));
        Services s;
        s.prompts = &prompts;
        s.shell = &shell;
        scope = std::make_unique<ScopedServices>(s);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->Main()));
    }
    // The one widget named `name` in the window of `form` (not in a window
    // of its own inside it); nullptr, with a failure, when there is not
    // exactly one.
    template <class T = QWidget>
    T* FindOne(const std::string& form, const std::string& name) const {
        QWidget* window = app->Window(form);
        if (!window) {
            ADD_FAILURE() << "no window " << form;
            return nullptr;
        }
        T* found = nullptr;
        int count = 0;
        for (QWidget* w : window->findChildren<QWidget*>(QString::fromStdString(name)))
            if (w->window() == window) {
                ++count;
                found = qobject_cast<T*>(w);
            }
        if (count != 1 || !found) {
            ADD_FAILURE() << form << "." << name << ": " << count << " widgets of that name";
            return nullptr;
        }
        return found;
    }
    std::filesystem::path dir;
    RecordingPrompts prompts;
    RecordingShell shell;
    std::unique_ptr<Application> app;
    std::unique_ptr<ScopedServices> scope;
};
