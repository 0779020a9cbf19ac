#include "preview/UVLayout.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/Subdivide.h"
#include "model/TextConv.h"
#include "platform/gfx/Canvas.h"

namespace {

constexpr std::string_view NoUVs = "No UV coordinates for current selection";

bool Inside(const tuv& t) { return t.u > -2 && t.u < 2 && t.v > -2 && t.v < 2; }

}  // namespace

int32_t FirstUVFaceMaterial(int32_t uv) {
    if (uv < 0 || uv >= UVFaceTable.KeyCount() || UVFaceTable.Count(uv) == 0) return -1;
    const int32_t face = *UVFaceTable.Begin(uv);
    return face >= 0 && face < static_cast<int32_t>(SceneFaces.size()) ? SceneFaces[face].material : -1;
}

bool DrawUVLayout(gfx::Canvas& canvas, int32_t width, int32_t height, int32_t colorMode, std::string_view fontName) {
    if (Trim(Scene.modelFile).empty() || width < 1 || height < 1) return false;
    EnsureUVFaceTable();
    BuildUVEdgeTable();
    const int32_t w1 = width - 1, h1 = height - 1;
    canvas.fillRect({0, 0, width, height}, gfx::clWhite);
    gfx::FontSpec font;
    font.family = std::string(fontName);
    canvas.setFont(font);

    std::vector<gfx::Color> colors(SceneMaterials.size(), gfx::clRed);
    if (colorMode == 1)
        for (gfx::Color& c : colors) c = static_cast<gfx::Color>(RandomInt(0xFFFFFF));
    const auto point = [&](const tuv& t) {
        return gfx::Point{static_cast<int>(Round(t.u * w1)), static_cast<int>(Round((1 - t.v) * h1))};
    };

    bool drawn = false;
    // The edge table counts UVs from 0, the face table from 1.
    const int32_t uvCount = static_cast<int32_t>(SceneUVs.size());
    const int32_t chains = std::min<int32_t>(static_cast<int32_t>(UVEdgeTable.edges.size()), uvCount);
    for (int32_t u = 0; u < chains; ++u) {
        const tuv& from = SceneUVs[static_cast<std::size_t>(u)];
        for (const tedge& e : UVEdgeTable.edges[static_cast<std::size_t>(u)]) {
            if (!e.selected || e.other < 0 || e.other >= uvCount) continue;
            const tuv& to = SceneUVs[static_cast<std::size_t>(e.other)];
            // Both ends inside: a line from an end left out would start
            // wherever the pen was last.
            if (!Inside(from) || !Inside(to)) continue;
            const int32_t material = FirstUVFaceMaterial(u + 1);
            canvas.setPenColor(material >= 0 && material < static_cast<int32_t>(colors.size())
                                   ? colors[static_cast<std::size_t>(material)]
                                   : gfx::clRed);
            const gfx::Point a = point(from), b = point(to);
            canvas.line(a.x, a.y, b.x, b.y);
            drawn = true;
        }
    }
    if (!drawn) {
        canvas.setBrushStyle(gfx::BrushStyle::Clear);
        font.color = gfx::clBlack;
        canvas.setFont(font);
        const gfx::Size extent = canvas.textExtent(NoUVs);
        canvas.textOut((width - extent.width) / 2, (height - extent.height) / 2, NoUVs);
    }
    FreeUVEdgeTable();
    return true;
}
