#include "preview/ProbePicture.h"

#include "model/LightProbe.h"
#include "model/TextConv.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

void PFMToBitmap(const tpfm& probe, gfx::Bitmap& bitmap, double gamma) {
    if (gamma < 1e-10) gamma = 1.0;
    bitmap.setPixelFormat(gfx::PixelFormat::pf24bit);
    bitmap.setSize(probe.width, probe.height);
    for (int32_t r = 0; r < probe.height; ++r) {
        uint8_t* out = bitmap.scanLine(probe.height - 1 - r);
        for (int32_t c = 0; c < probe.width; ++c, out += 3) {
            const int32_t color = FloatPixelToColor(probe.Pixel(c, r), gamma);  // red in the low byte
            out[0] = static_cast<uint8_t>(color >> 16);
            out[1] = static_cast<uint8_t>(color >> 8);
            out[2] = static_cast<uint8_t>(color);
        }
    }
}

void DrawProbeMarkers(gfx::Canvas& canvas, int width, int height) {
    constexpr int Radius = 3;
    canvas.setBrushStyle(gfx::BrushStyle::Clear);
    for (const tprobemarker& m : ProbeMarkers) {
        const int x = m.x * width / 360, y = m.y * height / 180;
        canvas.setPenColor(m.shadow ? gfx::clRed : gfx::clYellow);
        canvas.ellipse({x - Radius, y - Radius, x + Radius + 1, y + Radius + 1});
    }
}
