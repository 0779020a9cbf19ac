#include "preview/Preview.h"

#include <GL/gl.h>

#include "preview/GlView.h"
#include "ui/options/Options.h"

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
    if (TForm9* w = PreviewWindow()) {
        w->SetClientSize(width, height);
        return;
    }
    Form9.glView1.width = width;
    Form9.glView1.height = height;
}

void PreviewHooks::SetClearColor(const tvector& rgb, double alpha) { ::SetClearColor(rgb, alpha); }
