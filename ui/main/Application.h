// The program as a whole: the ten windows created in their order, the
// services of the core on those windows, the controllers and the
// dispatcher, start-up and shutdown. The program's main routine, the GUI
// tests, the screenshot program and the start-up benchmark all run it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "ui/control/AppHost.h"
#include "ui/control/WindowPlaces.h"

class Binder;
class FormDialogs;
class HelpWindow;
class MainWindow;
class TForm9;
class QDialog;
class QWidget;
class StatusWindow;
struct Controllers;

class Application : public AppHost {
public:
    // Creates the windows (Form1, searchForm2, Form4, Form5, Form2, Form3,
    // Form6, Form7, Form8, Form9), installs the services and registers the
    // controllers. A QApplication must exist, made after PrepareOpenGL; its
    // owner releases the OpenGL resources (ReleaseGLResources) after this
    // object is gone.
    Application();
    ~Application() override;

    // InitApplication, then the windows as the records say (the main window
    // and the preview shown). False when the program is to end at once.
    bool Start(uint64_t seed = 0);

    MainWindow& Main() const { return *main_; }
    StatusWindow& Status() const { return *status_; }
    HelpWindow& Help() const { return *help_; }
    TForm9& Preview() const { return *preview_; }
    Binder& Bindings() const { return *binder_; }
    // The program's dialogs, shown modally.
    FormDialogs* Dialogs() const;
    // The dialog window of a form ("Form2", "searchForm2", ...).
    QDialog* Dialog(const char* form) const;
    // The window of a form: the main, status, help or preview window, or a
    // dialog; nullptr for no such form.
    QWidget* Window(std::string_view form) const;

    // AppHost
    GLInfo QueryGL() override;
    void InitGLState() override;
    void SetFaceCulling(bool on) override;
    int32_t ButtonFaceColor() override;
    void ThumbnailSize(int32_t& width, int32_t& height) override;
    void ClearThumbnails() override;
    void StoreWindowBounds() override;
    void PlaceWindows(bool stored) override;
    void CloseMainWindow() override;
    void FreeProbeBitmaps() override;
    bool ShowProbe(const tpfm& probe, double gamma) override;
    void MarkProbeLights() override;
    bool SaveProbeAsMap(const std::string& fileName) override;
    bool CapturePreview(const std::string& fileName, bool antialias, int32_t jpegQuality) override;
    bool ConvertMapFile(const std::string& source, const std::string& target, bool resize, int32_t width,
                        int32_t height, bool& loaded) override;
    std::string ClipboardText() override;
    bool ClipboardHasText() override;
    void SetClipboardText(std::string_view text) override;

private:
    // Where the windows open at a first start, for the main window's frame.
    tfirstplaces FirstPlaces();
    // The main window's frame became known (the window manager framed it).
    void MainFrameKnown(const tframe& frame);
    // The preview, and the status and help windows while hidden, where a
    // first start opens them; the main window too when asked.
    void PlaceFirstStart(bool withMain);
    // The hints of the control table on their widgets and windows.
    void ApplyHints();

    struct Parts;
    std::unique_ptr<Binder> binder_;
    std::unique_ptr<Parts> parts_;
    MainWindow* main_ = nullptr;
    StatusWindow* status_ = nullptr;
    HelpWindow* help_ = nullptr;
    TForm9* preview_ = nullptr;
    bool closed_ = false;
    bool firstStart_ = false;  // no settings file gave the windows' places
};
