// The POV-Ray material include: every image map declared once as p_map1,
// p_map2, ..., then one POV-Ray material per scene material under its
// material identifier.
#include <unordered_map>

#include "model/Model.h"
#include "model/PovText.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "writers/FileText.h"
#include "writers/PovNames.h"
#include "writers/PovWriters.h"
#include "writers/TextWriter.h"

namespace {

constexpr std::string_view Marker = "//";
constexpr std::string_view Indent = "        ";  // eight blanks

// A switched-on text of blanks, comments or ";" alone would leave its
// declaration without a value: the material is written as a plain one.
bool HasCustomText(const tmaterial& m) { return m.customTextActive != 0 && PovTextHasValue(m.customText.view()); }

// The three map names of a material as the file writes them ("" for none).
struct MapNames {
    std::string color, bump, transparency;
};

MapNames Maps(const tscene& scene, const ExportRun& run, const tmaterial& m) {
    auto ref = [&](const tmapname& name) {
        return name.empty() ? std::string() : WrittenMapName(scene, run, name.view());
    };
    return {ref(m.colorMap), ref(m.bumpMap), ref(m.transparencyMap)};
}

std::string ColorKey(const std::string& c, const tmaterial& m) {
    return c + " " + std::to_string(Round(m.transparency * 100.0)) + " " + std::to_string(Round(m.blend * 100.0));
}

// The map declaration keys of the run (ExportRun::mapKeys), compared without
// regard to letter case; a map's number is its 1-based position.
class MapKeys {
public:
    explicit MapKeys(std::vector<std::string>& keys) : keys_(keys) {
        for (std::size_t i = 0; i < keys_.size(); ++i) index_.emplace(LowerCase(keys_[i]), i + 1);
    }
    // The number of the key, 0 when it is not in the list.
    std::size_t Find(const std::string& key) const {
        const auto it = index_.find(LowerCase(key));
        return it == index_.end() ? 0 : it->second;
    }
    // Appends a new key and returns its number; 0 when it was there already.
    std::size_t Add(const std::string& key) {
        const auto [it, added] = index_.emplace(LowerCase(key), keys_.size() + 1);
        if (!added) return 0;
        keys_.push_back(key);
        return it->second;
    }

private:
    std::vector<std::string>& keys_;
    std::unordered_map<std::string, std::size_t> index_;
};

bool TiffTurn(const std::string& map) { return Form1.CheckBox11.checked && POVImageType(map) == "tiff"; }
std::string Turn(const std::string& map) { return TiffTurn(map) ? " rotate x*180" : ""; }

void WriteMapDefinitions(const tscene& scene, ExportRun& run, MapKeys& keys, CheckedTextWriter& w) {
    for (const tmaterial& m : SceneMaterials) {
        if (HasCustomText(m)) continue;
        const MapNames maps = Maps(scene, run, m);
        for (const std::string* map : {&maps.color, &maps.bump, &maps.transparency}) NoteWrittenMap(run, *map);
        if (!maps.color.empty()) {
            if (const std::size_t n = keys.Add(ColorKey(maps.color, m))) {
                std::string& b = w.Buffer();
                b += "#declare p_map" + std::to_string(n) + "=pigment {uv_mapping image_map{" +
                     PovImageSpec(maps.color) + " interpolate 2 transmit all ";
                AppendFloatText(b, m.transparency);
                b += " filter all ";
                AppendFloatText(b, m.blend);
                b += "} " + Turn(maps.color) + "}";
                w.EndLine();
            }
        }
        if (!maps.bump.empty()) {
            if (const std::size_t n = keys.Add("B" + maps.bump))
                w.Line("#declare p_map" + std::to_string(n) + "=normal {bump_map{" + PovImageSpec(maps.bump) +
                       " interpolate 2 }" + Turn(maps.bump) + "}");
        }
        if (!maps.transparency.empty()) {
            if (const std::size_t n = keys.Add("T" + maps.transparency))
                w.Line("#declare p_map" + std::to_string(n) + "=pigment {uv_mapping image_map{" +
                       PovImageSpec(maps.transparency) + " interpolate 2 }" +
                       Turn(maps.transparency) + "}");
        }
    }
}

std::string Num(double x) { return FloatToText(x); }

std::string AmbientRGB(const tvector& a) { return Num(a.x) + "," + Num(a.y) + "," + Num(a.z); }

void WriteMaterial(const tscene& scene, ExportRun& run, const MapKeys& keys, int32_t index, CheckedTextWriter& w) {
    const tmaterial& m = SceneMaterials[static_cast<std::size_t>(index)];
    const std::string& id = PovMaterialId(run, index);
    if (HasCustomText(m)) {
        w.Line("#declare " + id + "=");
        const std::string text = BufferToString(m.customText);
        w.Line(text);
        // A ";" closes the declaration (POV-Ray takes one after a
        // declaration of any kind, not two): a name that ends this text
        // cannot take a "(" from what follows as its call, however many
        // declarations and comments stand between.
        if (!PovTextEndsWithSemicolon(text)) w.Line(";");
        return;
    }
    const MapNames maps = Maps(scene, run, m);
    const bool colorMap = !maps.color.empty();
    const bool bumpMap = !maps.bump.empty();
    const bool transparencyMap = !maps.transparency.empty();

    const std::string pigment =
        "pigment {color rgb <" + FormatVector("%g", ",", m.diffuse) + "> transmit  " + Num(m.transparency) + "} ";
    const std::string mapPigment =
        colorMap ? "pigment{p_map" + std::to_string(keys.Find(ColorKey(maps.color, m))) + "} " : std::string();
    const std::string normal = bumpMap ? std::string(Indent) + "normal{uv_mapping p_map" +
                                             std::to_string(keys.Find("B" + maps.bump)) + " bump_size " +
                                             Num(m.bumpSize) + "} "
                                       : std::string();
    const std::string metal = m.metal ? " metallic" : " ";

    std::string finishA, finishB;
    if (m.cell) {
        double p = 0.2 * m.cellHigh;
        if (transparencyMap) p *= 1.0 - m.transparency;
        finishA = "finish{phong " + FloatToStrDot(p) +
                  " phong_size 0 metallic 1 diffuse 0.3 brilliance 0 ambient rgb <" +
                  FormatVector("%g", ",", m.ambient) + "> reflection{" + FloatToStrDot(m.reflection) + metal + "}}";
        finishB = finishA;
    } else {
        const double l = Luminance(m.specular.x, m.specular.y, m.specular.z);
        const std::string phongSize = Num(ShininessToPhongSize(m.shininess));
        const std::string reflection = " reflection{" + Num((1.0 - m.transparency) * m.reflection) + metal + "}}";
        finishA = "finish{phong " + Num(l) + " phong_size " + phongSize + " diffuse 0.6*" + Num(1.0 - m.reflection) +
                  " ambient rgb <" + AmbientRGB(m.ambient) + ">" + reflection;
        finishB = "finish{ phong " + Num(l * (1.0 - m.blend)) + " phong_size " + phongSize + " diffuse 0.6*" +
                  Num(1.0 - m.blend) + " ambient rgb <" + AmbientRGB(m.ambient) + ">" + reflection;
    }
    auto normalLine = [&] {
        if (bumpMap) w.Line(normal);
    };

    if (!transparencyMap) {
        w.Line("#declare " + id + "= ");
        w.Line("material{");
        w.Line("texture{" + pigment);
        normalLine();
        w.Line(Indent, finishA + "}");
        if (colorMap) {
            w.Line("texture{" + mapPigment);
            normalLine();
            w.Line(Indent, finishB + "}");
        }
        w.Line("}");
        return;
    }
    const std::string& opaque = PovDerivedId(run, "opaque " + std::to_string(index), id + "_opaque");
    w.Line("#declare " + opaque + "=");
    if (colorMap) {
        w.Line("texture{" + pigment);
        w.Line(Indent, "finish{ambient 0}}");
        w.Line("texture{" + mapPigment);
        normalLine();
        w.Line(Indent, finishB + "}");
    } else {
        w.Line("texture{" + pigment);
        normalLine();
        w.Line(Indent, finishA + "}");
    }
    w.Line("#declare " + id + "= ");
    w.Line("material{");
    w.Line("texture{pigment_pattern{p_map" + std::to_string(keys.Find("T" + maps.transparency)) + "} ");
    if (TiffTurn(maps.transparency)) w.Line("rotate x*180");
    if (m.invertTransparencyMap) {
        w.Line("texture_map{[0 " + opaque + "]");
        w.Line("            [1 pigment{Clear}]");
    } else {
        w.Line("texture_map{[0 pigment{Clear}]");
        w.Line("            [1 " + opaque + "]");
    }
    w.Line("           }}");
    w.Line("}");
}

}  // namespace

void WritePOVMaterialInclude(tscene& scene, ExportRun& run) {
    LogMessage(" ");
    LogMessage(RuleLine);
    LogMessage("Writing POV-Ray material include file");
    PreparePovIdentifiers(run);
    CheckedTextWriter w(scene.povMaterialFile);
    w.Rule(Marker);
    w.Line("//POV-Ray Materials list");
    BuildFileHeader(run.headerLines, Marker);
    for (const std::string& line : run.headerLines) w.Line(line);
    w.Blank();
    w.Line("#include \"stdinc.inc\"");

    bool anyCustom = false;
    for (const tmaterial& m : SceneMaterials) anyCustom = anyCustom || HasCustomText(m);
    if (anyCustom) {
        w.Blank();
        w.Rule(Marker);
        w.Line("//Include files with texture definitions");
        for (const char* file : {"textures.inc", "stones.inc", "metals.inc", "finish.inc", "golds.inc", "stars.inc",
                                 "woods.inc", "skies.inc", "glass.inc"})
            w.Line("#include \"" + std::string(file) + "\"");
    }

    w.Blank();
    w.Rule(Marker);
    w.Line("//Map definitions");
    MapKeys keys(run.mapKeys);
    WriteMapDefinitions(scene, run, keys, w);

    w.Blank();
    w.Rule(Marker);
    w.Line("//Material definitions");
    for (int32_t i = 0; i < static_cast<int32_t>(SceneMaterials.size()); ++i) {
        WriteMaterial(scene, run, keys, i, w);
        w.Rule(Marker);
    }
    w.Close();
}
