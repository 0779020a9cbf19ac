#include "preview/Preview.h"

#include <GL/gl.h>

#include <exception>

#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/PreviewSize.h"
#include "options/Options.h"
#include "preview/GlTexture.h"
#include "preview/GlView.h"
#include "preview/PreviewFrame.h"

void DrawPreview() {
    if (TForm9* w = PreviewWindow()) w->glView1->Draw();
}

void StayOnTop(bool on) {
    if (TForm9* w = PreviewWindow()) w->stayontop(on);
}

bool IsPreviewTexture(int32_t name) {
    if (name <= 0) return false;
    const GLScope gl;
    return gl.ok() && glIsTexture(static_cast<GLuint>(name));
}

void DeletePreviewTexture(int32_t name) {
    if (name <= 0) return;
    const GLScope gl;
    if (!gl.ok()) return;
    const GLuint n = static_cast<GLuint>(name);
    glDeleteTextures(1, &n);
}

namespace {

// The saving flag of the scene record for the life of the scope.
class SavingPreview {
public:
    explicit SavingPreview(bool on) { Scene.savingPreview = on ? 1 : 0; }
    ~SavingPreview() { Scene.savingPreview = 0; }
    SavingPreview(const SavingPreview&) = delete;
    SavingPreview& operator=(const SavingPreview&) = delete;
};

// Draws the frame into the window's own frame buffer and saves it there.
bool CaptureWindow(TGlView& view, TGlTexture& texture, const std::string& fileName) {
    if (!view.ContextActive()) return false;
    view.makeCurrent();
    struct Done {
        TGlView& view;
        ~Done() {
            view.doneCurrent();
            view.update();  // the window shows its ordinary frame again
        }
    } done{view};
    const double ratio = view.devicePixelRatioF();
    const int w = static_cast<int>(view.width() * ratio), h = static_cast<int>(view.height() * ratio);
    if (w < 1 || h < 1) return false;
    glViewport(0, 0, w, h);
    DrawPreviewFrame(w, h);
    return texture.CaptureScreen(fileName);
}

}  // namespace

bool CapturePreview(const std::string& fileName, bool antialias, int32_t jpegQuality) {
    TGlTexture texture;
    texture.SetJPGQuality(jpegQuality);
    const SavingPreview saving(antialias);
    try {
        if (TForm9* w = PreviewWindow(); w && w->isVisible()) return CaptureWindow(*w->glView1, texture, fileName);
        std::string error;
        return RenderPreviewOffscreen(
            Form9.glView1.width, Form9.glView1.height, [&] { return texture.CaptureScreen(fileName); }, error);
    } catch (const std::exception&) {
        return false;  // the file could not be written
    }
}

bool PreviewHooks::IsTexture(int32_t name) { return IsPreviewTexture(name); }
void PreviewHooks::DeleteTexture(int32_t name) { DeletePreviewTexture(name); }
void PreviewHooks::BuildPreviewLists() { ::BuildPreviewLists(); }
void PreviewHooks::BuildNormalsList() { ::BuildNormalsList(); }
void PreviewHooks::Draw() { DrawPreview(); }
void PreviewHooks::ResetCamera() { ::ResetCamera(); }
void PreviewHooks::ApplyCameraEdits() { ::ApplyCameraEdits(); }
void PreviewHooks::SelectCameraPreset(int32_t index) { ::SelectCameraPreset(index); }
void PreviewHooks::RecenterCamera() { ::RecenterCamera(); }
void PreviewHooks::StayOnTop(bool on) { ::StayOnTop(on); }

void PreviewHooks::SetPreviewClientSize(int32_t width, int32_t height) {
    if (width < 1 || height < 1) return;
    FitPreviewSize(width, height, MaxPreviewSide, MaxPreviewSide);
    if (TForm9* w = PreviewWindow()) {  // which bounds it by its screen too
        w->SetClientSize(width, height);
        return;
    }
    Form9.glView1.width = width;
    Form9.glView1.height = height;
}

void PreviewHooks::SetClearColor(const tvector& rgb, double alpha) { ::SetClearColor(rgb, alpha); }

void PreviewHooks::ClearPreviewTextures() { ::ClearPreviewTextures(); }
void PreviewHooks::CreatePreviewTexture(tmaterial& material) { ::CreatePreviewTexture(material); }
void PreviewHooks::MatchMapNameCase() { ::MatchMapNameCase(); }
void PreviewHooks::LoadBackgroundTexture(const std::string& fileName) { ::LoadBackgroundTexture(fileName); }
