#include "ui/main/Application.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "imageformats/ImageRegistration.h"
#include "model/Model.h"
#include "model/Services.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "platform/SystemShell.h"
#include "platform/gfx/Bitmap.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtGfx.h"
#include "platform/qt/QtImageFormats.h"
#include "preview/GlTexture.h"
#include "preview/GlView.h"
#include "preview/Preview.h"
#include "preview/ProbePicture.h"
#include "ui/control/AppStartup.h"
#include "ui/control/Controllers.h"
#include "ui/control/MainHooks.h"
#include "ui/dialogs/ExportImportDialogs.h"
#include "ui/dialogs/HelpWindow.h"
#include "ui/dialogs/PickerDialogs.h"
#include "ui/dialogs/StatusWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MapPictures.h"
#include "ui/main/ProbeImage.h"
#include "ui/qt/Binder.h"
#include "ui/qt/QtFormDialogs.h"
#include "ui/qt/QtPictureLoader.h"
#include "ui/qt/QtPrompts.h"
#include "ui/qt/QtStatus.h"
#include "ui/qt/QtText.h"
#include "ui/qt/WindowPlace.h"

namespace {

// The window hooks of the program: the preview's (display lists, redraws,
// textures, camera, size) and those that change records (MainHooks), the
// title shown at once, the beep.
class QtWindowHooks : public PreviewHooks {
public:
    explicit QtWindowHooks(Binder& binder) : binder_(binder) {}
    void Beep() override { QApplication::beep(); }
    void SetTitle(std::string_view title) override {
        records_.SetTitle(title);
        binder_.Refresh("Form1");
    }
    void SetDialogDirs(std::string_view folder) override { records_.SetDialogDirs(folder); }
    void EnableMergeSelected() override { records_.EnableMergeSelected(); }
    void ShowSingleModelControls() override { records_.ShowSingleModelControls(); }
    void ClearMaterialList() override { records_.ClearMaterialList(); }
    void ClearGroupList() override { records_.ClearGroupList(); }
    void FillMaterialList() override { records_.FillMaterialList(); }
    void FillGroupList() override { records_.FillGroupList(); }
    void RefreshMaterialPanel(int32_t index) override { records_.RefreshMaterialPanel(index); }
    void ReloadMaterialMaps(int32_t mode) override { records_.ReloadMaterialMaps(mode); }
    void ClearMaterialThumbnail() override { records_.ClearMaterialThumbnail(); }
    void ShowThumbnailMessage(std::string_view image, int32_t kind, int32_t width, int32_t height) override {
        ::ShowThumbnailMessage(binder_.Find("Form1." + std::string(image)), kind, width, height);
    }
    bool ShowThumbnailPicture(std::string_view image, const std::string& fileName, int32_t width, int32_t height,
                              int32_t& pictureWidth, int32_t& pictureHeight) override {
        return ::ShowThumbnailPicture(binder_.Find("Form1." + std::string(image)), fileName, width, height,
                                      pictureWidth, pictureHeight);
    }
    // The UV view of the Materials tab, and the UV layout saved as a picture;
    // their text is in the main window's face.
    void DrawUVLayout(int32_t colouring) override {
        auto* view = qobject_cast<QLabel*>(binder_.Find("Form1.Image1"));
        gfx::Bitmap layout;
        if (view && UVLayout(view->width(), view->height(), colouring, layout))
            view->setPixmap(QPixmap::fromImage(gfx::toQImage(layout)));
    }
    bool SaveUVLayout(const std::string& fileName, int32_t width, int32_t height, int32_t colouring) override {
        gfx::Bitmap layout;
        TGlTexture picture;
        return UVLayout(width, height, colouring, layout) && picture.LoadFromGraphic(&layout) &&
               picture.SaveImage(fileName);
    }
    // The map search of the main window's controllers.
    bool SearchMaps() override { return searchMaps ? searchMaps() : false; }
    std::function<bool()> searchMaps;

private:
    // The preview's drawing of the UV layout in a bitmap of width x height.
    bool UVLayout(int32_t width, int32_t height, int32_t colouring, gfx::Bitmap& layout) const {
        if (width < 1 || height < 1) return false;
        layout = gfx::Bitmap(width, height);
        gfx::QtCanvas canvas(layout);
        const QWidget* main = binder_.Find("Form1.PageControl1");
        return ::DrawUVLayout(canvas, width, height, colouring,
                              main ? FromQ(main->window()->font().family()) : std::string("Tahoma"));
    }

    Binder& binder_;
    MainHooks records_;
};

}  // namespace

struct Application::Parts {
    std::unique_ptr<QtStatus> status;
    std::unique_ptr<QtPrompts> prompts;
    std::unique_ptr<QtWindowHooks> hooks;
    SystemShell shell;
    QtPictureLoader pictures{
        [](const std::string& file, gfx::Picture& picture) { img::LoadPictureFile(file, picture); }};
    std::unique_ptr<QtFormDialogs> dialogs;
    std::unique_ptr<Controllers> controllers;
    std::unique_ptr<ScopedServices> services;
    std::map<std::string, QDialog*> dialogWindows;
    gfx::Bitmap probe;  // the Light Dome tab's probe at full size
    WarningBoxes warningBoxes;
    std::unique_ptr<gfx::ScopedWarningSink> warnings;
};

Application::Application() : binder_(std::make_unique<Binder>(Commands())), parts_(std::make_unique<Parts>()) {
    Binder& b = *binder_;
    Parts& p = *parts_;
    // Every picture loads through the image library's readers; bitmaps and
    // icons through Qt's. The library's warnings show in boxes.
    img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
    p.warnings = std::make_unique<gfx::ScopedWarningSink>(&p.warningBoxes);
    // The windows, in the order the program creates them.
    main_ = new MainWindow(b, [this] {
        if (closed_) return true;
        if (!CloseApplication(*this)) return false;  // a long operation runs
        closed_ = true;
        Form4.visible = Form5.visible = Form9.visible = Form5.FindDialog1.visible = false;
        binder_->RefreshAll();
        QCoreApplication::quit();
        return true;
    });
    p.dialogWindows["searchForm2"] = MakeMapSearchDialog(b, main_);
    status_ = new StatusWindow(b);
    help_ = new HelpWindow(b);
    p.dialogWindows["Form2"] = MakeExportOptionsDialog(b, main_);
    p.dialogWindows["Form3"] = MakePoserImportDialog(b, main_);
    p.dialogWindows["Form6"] = new SelectDirectoryDialog(b, main_);
    p.dialogWindows["Form7"] = MakeDazImportDialog(b, main_);
    p.dialogWindows["Form8"] = MakeSnippetPicker(b, main_);
    preview_ = CreatePreviewWindow();
    b.BindWindow(preview_, &Form9.visible, nullptr, "Form9.Hide");
    preview_->OnShownChanged = [&b](bool shown) {  // "Show Preview" follows the window
        Form1.ToolButton32.down = shown;
        b.Refresh("Form1.ToolButton32");
    };
    // The camera panel after a drag and the render size after a resize.
    preview_->OnRecordsChanged = [&b] {
        for (const char* name : {"Form1.Edit14", "Form1.Edit15", "Form1.Edit16", "Form1.Edit17", "Form1.Edit18",
                                 "Form1.Edit19", "Form1.Edit20", "Form1.CheckBox9", "Form1.Edit48"})
            b.Refresh(name);
    };

    // The core's services on these windows.
    p.status = std::make_unique<QtStatus>(b, status_->Pages(), main_->Gauge());
    p.prompts = std::make_unique<QtPrompts>(main_);
    p.hooks = std::make_unique<QtWindowHooks>(b);
    p.dialogs = std::make_unique<QtFormDialogs>(b);
    for (const auto& [form, dialog] : p.dialogWindows) p.dialogs->Add(form, dialog);
    Services s;
    s.status = p.status.get();
    s.prompts = p.prompts.get();
    s.window = p.hooks.get();
    s.shell = &p.shell;
    s.help = &help_->Viewer();
    s.pictures = &p.pictures;
    p.services = std::make_unique<ScopedServices>(s);

    p.controllers = std::make_unique<Controllers>(ControllerPorts{*this, help_->Viewer(), *p.dialogs});
    p.controllers->Register(Commands());
    p.hooks->searchMaps = [this] { return parts_->controllers->mapSearch.SearchMaps(); };
    Commands().SetAfterCommand([&b] { b.RefreshAll(); });
    RunFormCreateHandlers();
    ApplyHints();
    // Once the window manager has framed a window, it is kept on the screen
    // with its frame; the main window's frame also sets its minimum size.
    WatchFrame(main_, [this](const tframe& frame) { MainFrameKnown(frame); });
    for (QWidget* w : std::initializer_list<QWidget*>{status_, help_, preview_})
        WatchFrame(w, [w](const tframe&) { KeepOnScreen(w); });
}

Application::~Application() {
    Commands().Clear();
    parts_->controllers.reset();
    parts_->services.reset();
    delete preview_;
    delete help_;
    delete status_;
    delete main_;  // and the dialogs it owns
    // The image library ends last, once nothing shows its pictures.
    parts_->warnings.reset();
    img::UnregisterImageFormats();
}

bool Application::Start(uint64_t seed) {
    if (!InitApplication(*this, seed)) return false;  // which places the windows
    // The main window first, so that the preview opens above it.
    main_->show();
    // Shown, the main window is laid out: where its tool bars end is known.
    if (firstStart_) PlaceFirstStart(false);
    binder_->RefreshAll();
    preview_->glView1->update();
    return true;
}

tfirstplaces Application::FirstPlaces() {
    const tframe frame = FrameOf(main_);
    const twindowbounds area = WorkArea(main_);
    // The main window laid out at the size it opens with, for where its
    // pages and its status strip begin.
    const auto [width, height] = MainClientSize(area, frame);
    main_->resize(width, height);
    main_->layout()->activate();
    const tfirstsizes sizes{tform9{}.bounds, tform4{}.bounds, tform5{}.bounds, main_->PagesTop(), main_->StripTop()};
    return FirstStartPlaces(area, frame, sizes);
}

void Application::PlaceWindows(bool stored) {
    firstStart_ = !stored;
    const tfirstplaces first = FirstPlaces();
    // A stored place wins; at a first start (or for a place on no screen)
    // the first start's. A maximized window returns to the first start's
    // place.
    const auto place = [stored](QWidget* w, const twindowbounds& b, bool maximized, const twindowbounds& firstPlace) {
        ApplyWindowPlace(w, stored ? b : firstPlace, stored && maximized, firstPlace);
    };
    place(main_, Form1.bounds, Form1.maximized, first.main);
    place(status_, Form4.bounds, Form4.maximized, first.status);
    place(help_, Form5.bounds, Form5.maximized, first.help);
    place(preview_, Form9.bounds, Form9.maximized, first.preview);
    if (!preview_->isMaximized()) preview_->SetClientSize(preview_->width(), preview_->height());
}

void Application::MainFrameKnown(const tframe& frame) {
    main_->FitMinimumSize(frame);
    // At a first start, the first start's places again, now with the frame
    // the window manager draws; only once, right after the main window
    // first showed.
    if (std::exchange(firstStart_, false))
        PlaceFirstStart(true);
    else
        KeepOnScreen(main_);
}

void Application::PlaceFirstStart(bool withMain) {
    const tfirstplaces first = FirstPlaces();
    if (withMain) ApplyWindowPlace(main_, first.main, false, first.main);
    ApplyWindowPlace(preview_, first.preview, false, first.preview);
    if (!status_->isVisible()) ApplyWindowPlace(status_, first.status, false, first.status);
    if (!help_->isVisible()) ApplyWindowPlace(help_, first.help, false, first.help);
}

void Application::ApplyHints() {
    for (const ControlHint& h : ControlHints()) {
        const QString text = ToQ(h.hint);
        QObject* target = h.name.find('.') == std::string_view::npos ? Window(h.name) : binder_->FindObject(h.name);
        if (auto* w = qobject_cast<QWidget*>(target)) w->setToolTip(text);
        if (auto* a = qobject_cast<QAction*>(target)) a->setToolTip(text);
    }
}

FormDialogs* Application::Dialogs() const { return parts_->dialogs.get(); }

QDialog* Application::Dialog(const char* form) const {
    const auto it = parts_->dialogWindows.find(form);
    return it == parts_->dialogWindows.end() ? nullptr : it->second;
}

QWidget* Application::Window(std::string_view form) const {
    if (form == "Form1") return main_;
    if (form == "Form4") return status_;
    if (form == "Form5") return help_;
    if (form == "Form9") return preview_;
    return Dialog(std::string(form).c_str());
}

GLInfo Application::QueryGL() {
    GLInfo info;
    if (!QueryGLInfo()) return info;  // no context: the version test refuses
    info.version = GLVersionText;
    info.vendor = GLVendorText;
    info.renderer = GLRendererText;
    info.extensions = GLExtensionsText;
    info.gluVersion = GLUVersionText;
    info.gluExtensions = GLUExtensionsText;
    info.maxLights = MaxGLLights;
    info.maxTextureUnits = MaxTextureUnits;
    info.multitexture = MultitextureSupported;
    return info;
}

void Application::InitGLState() { ::InitGLState(); }

void Application::SetFaceCulling(bool on) { ::SetFaceCulling(on); }

int32_t Application::ButtonFaceColor() {
    const QColor c = QApplication::palette().color(QPalette::Button);
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

void Application::ThumbnailSize(int32_t& width, int32_t& height) {
    const QWidget* image = binder_->Find("Form1.Image4");
    width = image ? image->width() : 96;
    height = image ? image->height() : 96;
}

void Application::ClearThumbnails() {
    int32_t width = 0, height = 0;
    ThumbnailSize(width, height);
    for (const char* name : {"Form1.Image4", "Form1.Image5", "Form1.Image6", "Form1.Image2"}) {
        if (auto* label = qobject_cast<QLabel*>(binder_->Find(name))) label->setFixedSize(width, height);
        ShowThumbnailMessage(binder_->Find(name), 0, width, height);
    }
    if (auto* label = qobject_cast<QLabel*>(binder_->Find("Form1.Image3"))) label->setFixedSize(360, 180);
    ShowThumbnailMessage(binder_->Find("Form1.Image3"), 0, 360, 180);
}

void Application::StoreWindowBounds() {
    StoreWindowPlace(main_, Form1.bounds, Form1.maximized);
    StoreWindowPlace(status_, Form4.bounds, Form4.maximized);
    StoreWindowPlace(help_, Form5.bounds, Form5.maximized);
    StoreWindowPlace(preview_, Form9.bounds, Form9.maximized);
}

void Application::CloseMainWindow() { main_->close(); }

bool Application::ConvertMapFile(const std::string& source, const std::string& target, bool resize, int32_t width,
                                 int32_t height, bool& loaded) {
    return ::ConvertMapFile(source, target, resize, width, height, loaded);
}

std::string Application::ClipboardText() { return FromQ(QApplication::clipboard()->text()); }

bool Application::ClipboardHasText() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

void Application::SetClipboardText(std::string_view text) { QApplication::clipboard()->setText(ToQ(text)); }

void Application::FreeProbeBitmaps() { parts_->probe = gfx::Bitmap(); }

bool Application::ShowProbe(const tpfm& probe, double gamma) {
    gfx::Bitmap picture;
    try {
        PFMToBitmap(probe, picture, gamma);
    } catch (const std::exception&) {
        return false;  // a size no picture may have, or no memory for it: the probe shown stays
    }
    parts_->probe = std::move(picture);
    ShowProbeImage(binder_->Find("Form1.Image3"), parts_->probe, false);
    return true;
}

void Application::MarkProbeLights() { ShowProbeImage(binder_->Find("Form1.Image3"), parts_->probe, true); }

bool Application::SaveProbeAsMap(const std::string& fileName) { return SaveBitmap(parts_->probe, fileName, 100); }

bool Application::CapturePreview(const std::string& fileName, bool antialias, int32_t jpegQuality) {
    return ::CapturePreview(fileName, antialias, jpegQuality);
}
