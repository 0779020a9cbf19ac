// Everything the main window asks of the preview, in one place: start-up
// (OpenGL set-up, the driver's capabilities, the fixed state), the display
// lists, redrawing, the camera panel, the preview window, and the window
// services of the model (`PreviewHooks`), which a main window's own services
// derive from.
#pragma once

#include <cstdint>
#include <string>

#include "model/Services.h"
#include "preview/CameraPanel.h"
#include "preview/GlCaps.h"
#include "preview/GlResources.h"
#include "preview/GlState.h"
#include "preview/PreviewLists.h"
#include "preview/PreviewTextures.h"
#include "preview/PreviewWindow.h"
#include "preview/ProbePicture.h"
#include "preview/UVLayout.h"

// Redraws the preview window's OpenGL control (nothing without the window).
void DrawPreview();
// Keeps the preview window above the others, or not.
void StayOnTop(bool on);
// True when `name` is a texture of the preview's share group.
bool IsPreviewTexture(int32_t name);
// Deletes a texture of the preview's share group.
void DeletePreviewTexture(int32_t name);

// Draws the preview window's frame, antialiased when asked, and saves it by
// the file's extension (".bmp", ".jpg" with the JPEG quality, ".tga"). True
// when the file was written; false when the extension is another, no
// picture could be drawn, or the file could not be written. Without the
// window the frame is drawn offscreen at the preview's size.
bool CapturePreview(const std::string& fileName, bool antialias, int32_t jpegQuality);

// The window services of the preview for the model and the load drivers:
// display lists, redraws, textures, the camera panel and the preview's size.
// Without an OpenGL context the GL parts do nothing and the camera panel
// still works on the records.
class PreviewHooks : public WindowHooks {
public:
    bool IsTexture(int32_t name) override;
    void DeleteTexture(int32_t name) override;
    void BuildPreviewLists() override;
    void BuildNormalsList() override;
    void Draw() override;
    void ResetCamera() override;
    void ApplyCameraEdits() override;
    void SelectCameraPreset(int32_t index) override;
    void RecenterCamera() override;
    void StayOnTop(bool on) override;
    void SetPreviewClientSize(int32_t width, int32_t height) override;
    void SetClearColor(const tvector& rgb, double alpha) override;
    void ClearPreviewTextures() override;
    void CreatePreviewTexture(tmaterial& material) override;
    void MatchMapNameCase() override;
    void LoadBackgroundTexture(const std::string& fileName) override;
};
