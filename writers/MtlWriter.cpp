#include "writers/MtlWriter.h"

#include "model/Model.h"
#include "model/PovText.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "writers/FileText.h"
#include "writers/TextWriter.h"

namespace {

void AppendColor(std::string& b, const tvector& c) {
    AppendFloatText(b, c.x);
    b.push_back(' ');
    AppendFloatText(b, c.y);
    b.push_back(' ');
    AppendFloatText(b, c.z);
}

void ColorLine(CheckedTextWriter& w, std::string_view keyword, const tvector& c) {
    std::string& b = w.Buffer();
    b.append(keyword);
    AppendColor(b, c);
    w.EndLine();
}

std::string Mask(double x) { return FormatFloatMaskDot("0.##", x); }

}  // namespace

void WriteMTLFile(tscene& scene, ExportRun& run) {
    LogMessage("Writing " + std::to_string(SceneMaterials.size()) + " materials...");
    CheckedTextWriter w(MtlFileName(scene));
    w.Rule("#");
    w.Line("#Material list");
    BuildCreatorHeader(run.headerLines);
    for (const std::string& line : run.headerLines) w.Line("#", line);
    w.Rule("#");
    w.Blank();
    auto map = [&](const tmapname& name) { return MtlMapName(WrittenMapName(scene, run, name.view())); };
    for (int32_t i = 0; i < static_cast<int32_t>(SceneMaterials.size()); ++i) {
        const tmaterial& m = SceneMaterials[static_cast<std::size_t>(i)];
        w.Rule("#");
        w.Line("newmtl ", ObjName(ObjMaterialName(scene, run, i)));
        if (!m.transparencyMap.empty()) w.Line("map_d ", map(m.transparencyMap));
        std::string& b = w.Buffer();
        b.append("Ns ");
        AppendFloatText(b, ShininessToExponent(m.shininess));
        w.EndLine();
        ColorLine(w, "Ka ", m.ambient);
        ColorLine(w, "Kd ", m.diffuse);
        ColorLine(w, "Ks ", m.specular);
        if (!m.colorMap.empty()) w.Line("map_Kd ", map(m.colorMap));
        if (!m.bumpMap.empty()) {
            w.Line("map_Bump ", map(m.bumpMap));
            w.Line("#bump_size ", Mask(m.bumpSize));
        }
        w.Line("d ", FloatToText(1.0 - m.transparency));
        w.Line("#r ", Mask(m.reflection));
        if (m.metal) w.Line("#metal");
        w.Line("#blend ", Mask(m.blend));
        if (m.invertTransparencyMap) w.Line("#inv_map_d");
        if (m.cell) w.Line("#cell");
        if (m.cellHigh) w.Line("#cell_hi");
        if (m.customTextActive && PovTextHasValue(m.customText.view())) {
            // Line breaks are written as "?" (CR) and "~" (LF); a "?" or "~"
            // of the text itself will come back as a line break.
            if (m.customText.view().find_first_of("?~") != std::string_view::npos)
                LogMessage("<!>Material " + m.name.str() +
                           ": custom text contains ? or ~, which will read back as line breaks");
            w.Line("#povmaterial ", OneLineText(BufferToSingleLine(m.customText)));
        }
        w.Blank();
    }
    w.Close();
}
