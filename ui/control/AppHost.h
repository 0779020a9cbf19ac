// What start-up, shutdown and the window commands need of the windows and
// of OpenGL beyond the option records: the capability queries, the preview's
// OpenGL state, the thumbnails and the probe picture, preview frames saved
// as pictures, window bounds and closing the main window. The Qt windows
// implement it; tests use a fake.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Records.h"

// The OpenGL capabilities and driver strings asked at start-up.
struct GLInfo {
    std::string version;     // GL_VERSION
    std::string vendor;      // GL_VENDOR
    std::string renderer;    // GL_RENDERER
    std::string extensions;  // GL_EXTENSIONS
    std::string gluVersion;     // GLU_VERSION; empty when it could not be asked
    std::string gluExtensions;  // GLU_EXTENSIONS
    int32_t maxLights = 0;        // GL_MAX_LIGHTS
    int32_t maxTextureUnits = 0;  // GL_MAX_TEXTURE_UNITS_ARB
    // GL_ARB_multitexture is there and its three entry points were found.
    bool multitexture = false;
};

class AppHost {
public:
    virtual ~AppHost() = default;
    // Asks the capabilities with a current OpenGL context.
    virtual GLInfo QueryGL() = 0;
    // Sets the preview's OpenGL state from the options and the scene record.
    virtual void InitGLState() {}
    virtual void SetFaceCulling(bool /*on*/) {}
    // The desktop's button-face colour as a colour value (red in the low byte).
    virtual int32_t ButtonFaceColor() { return 0xF0F0F0; }
    // The size of the colour-map thumbnail Image4 as laid out.
    virtual void ThumbnailSize(int32_t& width, int32_t& height) {
        width = 96;
        height = 96;
    }
    // Shows every map thumbnail of the Materials and Groups tabs empty at
    // the thumbnail size, and the light probe image empty at 360 x 180.
    virtual void ClearThumbnails() {}
    // The two bitmaps the Light Dome tab draws the probe into.
    virtual void CreateProbeBitmaps() {}
    virtual void FreeProbeBitmaps() {}
    // Copies the windows' bounds and maximized states into the option
    // records, so that the settings file keeps them.
    virtual void StoreWindowBounds() {}
    // Puts the windows where the option records say (`stored`: the settings
    // file gave their places), or where a first start opens them.
    virtual void PlaceWindows(bool /*stored*/) {}
    // Closes the main window, which runs the shutdown.
    virtual void CloseMainWindow() {}
    // Converts a map: reads `source` as a picture (any format the program
    // reads), resamples it to width x height with the Lanczos3 filter when
    // `resize`, and writes it by the extension of `target` (TGA or JPEG).
    // `loaded` tells whether the picture could be read; true when the
    // target was written. By default nothing can be read.
    virtual bool ConvertMapFile(const std::string& /*source*/, const std::string& /*target*/, bool /*resize*/,
                                int32_t /*width*/, int32_t /*height*/, bool& loaded) {
        loaded = false;
        return false;
    }
    // The Light Dome tab's probe picture: `probe` tone-mapped (exposure
    // `gamma`) into the full-size picture the tab keeps, and a copy of it
    // resampled with the box filter into the probe image (Image3), which takes
    // the picture's aspect ratio. False, with the picture and the image as
    // they were, when the picture could not be made.
    virtual bool ShowProbe(const tpfm& /*probe*/, double /*gamma*/) { return true; }
    // The probe image again, with the lights of the last scan
    // (ProbeMarkers) marked on it.
    virtual void MarkProbeLights() {}
    // Writes the kept probe picture by the file's extension (".tga", ".jpg"
    // at quality 100, ".bmp"); false without a picture or when it could not
    // be written.
    virtual bool SaveProbeAsMap(const std::string& /*fileName*/) { return false; }
    // Draws the preview's frame (antialiased when asked) and saves it by the
    // file's extension; false when no file was written.
    virtual bool CapturePreview(const std::string& /*fileName*/, bool /*antialias*/, int32_t /*jpegQuality*/) {
        return false;
    }
    // The desktop's clipboard: its text, whether it holds text, and new text
    // for it. By default a clipboard of this object's own.
    virtual std::string ClipboardText() { return clipboard_; }
    virtual bool ClipboardHasText() { return !clipboard_.empty(); }
    virtual void SetClipboardText(std::string_view text) { clipboard_ = std::string(text); }

private:
    std::string clipboard_;
};
