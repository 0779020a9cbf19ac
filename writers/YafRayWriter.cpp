#include "writers/YafRayWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <initializer_list>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "writers/IdentifierRegistry.h"
#include "writers/ItemLines.h"
#include "writers/TextWriter.h"

namespace {

const std::string T1 = "\t";
const std::string T2 = "\t\t";
const std::string T3 = "\t\t\t";
const std::string B5(5, ' ');
const std::string B11(11, ' ');

using Attribute = std::pair<std::string_view, std::string>;

// indent + "<" + element + ( name="value")... + end
void Element(CheckedTextWriter& w, std::string_view indent, std::string_view element,
             std::initializer_list<Attribute> attributes, std::string_view end) {
    std::string& b = w.Buffer();
    b.append(indent);
    b.push_back('<');
    b.append(element);
    for (const Attribute& a : attributes) {
        b.push_back(' ');
        b.append(a.first);
        b.append("=\"");
        b.append(XmlAttributeText(a.second));
        b.push_back('"');
    }
    b.append(end);
    w.EndLine();
}

void Closing(CheckedTextWriter& w, std::string_view indent, std::string_view element) {
    std::string line(indent);
    line.append("</");
    line.append(element);
    line.push_back('>');
    w.Line(line);
}

std::string Num(double x) { return FloatToStrDot(x); }

// One image shader and one mapper per distinct map file. Two different files
// with the same file name get different shader names.
struct MapShaders {
    IdentifierRegistry names;
    std::unordered_map<std::string, bool> written;  // by stored map name

    // The base name of the shaders of `map` ("IM" + it, "MAP" + it).
    const std::string& Name(const std::string& map) { return names.Claim(map, ExtractFileName(map)); }
};

void WriteMapShaders(CheckedTextWriter& w, MapShaders& shaders, const std::string& map) {
    const std::string name = shaders.Name(map);
    if (!shaders.written.emplace(map, true).second) return;
    const std::string image = "IM" + name;
    Element(w, "", "shader", {{"type", "image"}, {"name", image}}, ">");
    Element(w, B5, "attributes", {}, ">");
    Element(w, B5, "filename", {{"value", map}}, "/>");
    Element(w, B5, "interpolate", {{"value", "bilinear"}}, " />");
    Closing(w, B5, "attributes");
    Closing(w, "", "shader");
    Element(w, "", "shader", {{"type", "blendermapper"}, {"name", "MAP" + name}}, ">");
    Element(w, T1, "attributes", {}, ">");
    Element(w, T2, "input", {{"value", image}}, " />");
    for (const char* size : {"sizex", "sizey", "sizez"}) Element(w, T2, size, {{"value", "1.000000"}}, " />");
    for (const char* offset : {"ofsx", "ofsy", "ofsz"}) Element(w, T2, offset, {{"value", "0.000000"}}, " />");
    Element(w, T2, "texco", {{"value", "uv"}}, " />");
    Element(w, T2, "proj_x", {{"value", "x"}}, " />");
    Element(w, T2, "proj_y", {{"value", "y"}}, " />");
    Element(w, T2, "proj_z", {{"value", "z"}}, " />");
    Element(w, T2, "mapping", {{"value", "flat"}}, " />");
    Element(w, T2, "xrepeat", {{"value", "1"}}, " />");
    Element(w, T2, "yrepeat", {{"value", "1"}}, " />");
    Element(w, T2, "clipping", {{"value", "repeat"}}, " />");
    Element(w, T2, "cropmin_x", {{"value", "0.000000"}}, " />");
    Element(w, T2, "cropmin_y", {{"value", "0.000000"}}, " />");
    Element(w, T2, "cropmax_x", {{"value", "1.000000"}}, " />");
    Element(w, T2, "cropmax_y", {{"value", "1.000000"}}, " />");
    Element(w, T2, "rot90", {{"value", "off"}}, " />");
    Closing(w, T1, "attributes");
    Closing(w, "", "shader");
}

void WriteMaterialShader(CheckedTextWriter& w, MapShaders& shaders, const tmaterial& m, const std::string& name) {
    Element(w, "", "shader", {{"type", "blendershader"}, {"name", "MA" + name}}, " >");
    Element(w, T1, "attributes", {}, ">");
    Element(w, T2, "color", {{"r", Num(m.diffuse.x)}, {"g", Num(m.diffuse.y)}, {"b", Num(m.diffuse.z)}}, " />");
    Element(w, T2, "specular_color", {{"r", Num(m.specular.x)}, {"g", Num(m.specular.y)}, {"b", Num(m.specular.z)}},
            " />");
    Element(w, T2, "mirror_color", {{"r", "0.000000"}, {"g", "0.000000"}, {"b", "0.000000"}}, " />");
    Element(w, T2, "diffuse_reflect", {{"value", "0.800000"}}, " />");
    Element(w, T2, "specular_amount", {{"value", Num(m.shininess)}}, " />");
    Element(w, T2, "alpha", {{"value", Num(1 - m.transparency)}}, " />");
    Element(w, T2, "emit", {{"value", Num(m.ambient.x)}}, " />");
    Element(w, T2, "matmodes", {{"value", "traceable shadow"}}, " />");
    Element(w, T2, "diffuse_brdf", {{"value", "lambert"}}, " />");
    Element(w, T2, "specular_brdf", {{"value", "blender_cooktorr"}}, " />");
    Element(w, T2, "hard", {{"value", "32"}}, " />");
    Closing(w, T1, "attributes");
    if (!m.colorMap.empty()) {
        Element(w, "", "modulator", {}, ">");
        Element(w, T2, "input", {{"value", "MAP" + shaders.Name(m.colorMap.str())}}, "/>");
        Element(w, T2, "mode", {{"value", "mix"}}, " />");
        Element(w, T2, "texcol", {{"r", "1.000000"}, {"g", "0.000000"}, {"b", "1.000000"}}, " />");
        Element(w, T2, "filtercolor", {{"r", "1.000000"}, {"g", "1.000000"}, {"b", "1.000000"}}, " />");
        Element(w, T2, "contrast", {{"value", "1.000000"}}, " />");
        Element(w, T2, "brightness", {{"value", "1.000000"}}, " />");
        Element(w, T2, "color", {{"value", "1"}}, " />");
        Element(w, T2, "colfac", {{"value", "1.000000"}}, " />");
        Element(w, T2, "def_var", {{"value", "1.000000"}}, " />");
        Element(w, T2, "varfac", {{"value", "1.000000"}}, " />");
        Closing(w, T1, "modulator");
    }
    // Every shader is closed, with or without a modulator.
    Closing(w, "", "shader");
}

void WriteTransform(CheckedTextWriter& w) {
    auto row = [](int r) {
        std::string s;
        for (int c = 0; c < 4; ++c) {
            if (c > 0) s.push_back(' ');
            s += "m" + std::to_string(r) + std::to_string(c) + "=\"" + (r == c ? "1.000000" : "0.000000") + "\"";
        }
        return s;
    };
    w.Line("<transform " + row(0));
    w.Line(B11 + row(1));
    w.Line(B11 + row(2));
    w.Line(B11 + row(3) + ">");
}

void CheckIndex(int32_t index, std::size_t count, const char* listName) {
    if (index < 1 || static_cast<std::size_t>(index) > count) ThrowIndexError(listName, index, count);
}

// Copies the text to p and returns its end.
char* Put(char* p, std::string_view text) { return std::copy(text.begin(), text.end(), p); }

// The texts of the UVs' u and v, each made once: a face writes the UVs of
// its three corners, and a UV is shared by several faces.
class UVTexts {
public:
    UVTexts() {
        starts_.reserve(2 * SceneUVs.size() + 1);
        text_.reserve(18 * SceneUVs.size());
        for (const tuv& t : SceneUVs) {
            starts_.push_back(text_.size());
            AppendFloatStrDot(text_, t.u);
            starts_.push_back(text_.size());
            AppendFloatStrDot(text_, t.v);
        }
        starts_.push_back(text_.size());
    }
    // The text of u (0) or v (1) of the 0-based UV.
    std::string_view Text(std::size_t uv, int which) const {
        const std::size_t k = 2 * uv + static_cast<std::size_t>(which);
        return std::string_view(text_).substr(starts_[k], starts_[k + 1] - starts_[k]);
    }

private:
    std::string text_;
    std::vector<std::size_t> starts_;
};

void WriteScene(CheckedTextWriter& w) {
    w.Line("<scene>");
    MapShaders shaders;
    for (const tmaterial& m : SceneMaterials)
        if (!m.colorMap.empty()) WriteMapShaders(w, shaders, m.colorMap.str());
    // Without any material the object still needs a shader: one made with
    // the defaults of a new material.
    std::string objectShader;
    if (SceneMaterials.empty()) {
        tmaterial m;
        NewMaterial(m);
        m.colorMap = "";
        WriteMaterialShader(w, shaders, m, "default");
        objectShader = "MAdefault";
    } else {
        for (const tmaterial& m : SceneMaterials) WriteMaterialShader(w, shaders, m, m.name.str());
        objectShader = "MA" + SceneMaterials.back().name.str();
    }
    WriteTransform(w);
    {
        std::string& b = w.Buffer();
        b.append("<object name=\"mainscene\" shadow=\"on\"  shader_name=\"");
        b.append(XmlAttributeText(objectShader));
        b.append("\">");
        w.EndLine();
    }
    Element(w, T1, "attributes", {}, ">");
    Closing(w, T1, "attributes");
    Element(w, T1, "mesh", {{"autosmooth", "180"}, {"has_orco", "off"}}, " >");

    // The points and faces are written straight into the file's buffer:
    // numbers need no escaping, and each material's shader name is escaped
    // once.
    LogMessage("Wiring points...");
    Element(w, T2, "points", {}, ">");
    WriteLinePerItem(w, SceneVertices.size(), [](std::size_t i, std::string& out) {
        // Built in place and handed over at once: a million points.
        const tvector& v = SceneVertices[i].p;
        char line[160];
        char* p = Put(line, "\t\t\t<p x=\"");
        p = Put(WriteFloatStrDot(p, v.x), "\" y=\"");
        p = Put(WriteFloatStrDot(p, v.y), "\" z=\"");
        p = Put(WriteFloatStrDot(p, v.z), "\" />");
        out.append(line, p);
    });
    Closing(w, T2, "points");

    LogMessage("Wiring faces...");
    Element(w, T2, "faces", {}, ">");
    std::vector<std::string> shaderNames;
    shaderNames.reserve(SceneMaterials.size());
    for (const tmaterial& m : SceneMaterials) shaderNames.push_back(XmlAttributeText("MA" + m.name.str()));
    const std::size_t vertexCount = SceneVertices.size(), uvCount = SceneUVs.size();
    const UVTexts uvTexts;
    WriteLinePerItem(w, SceneFaces.size(), [&](std::size_t i, std::string& out) {
        const tface& f = SceneFaces[i];
        At(SceneMaterials, f.material, "SceneMaterials");
        // Up to the shader name built in place (the UV texts are at most 24
        // bytes each) and handed over at once.
        char line[320];
        static constexpr std::string_view vertexAttribute[3] = {"<f a=\"", "\" b=\"", "\" c=\""};
        char* p = Put(line, T3);
        for (int c = 0; c < 3; ++c) {
            CheckIndex(f.vertex[c], vertexCount, "SceneVertices");
            p = Put(p, vertexAttribute[c]);
            p = std::to_chars(p, p + 12, f.vertex[c] - 1).ptr;
        }
        *p++ = '"';
        if (FaceHasUVs(f)) {
            static constexpr std::string_view uAttribute[3] = {" u_a=\"", " u_b=\"", " u_c=\""};
            static constexpr std::string_view vAttribute[3] = {"\" v_a=\"", "\" v_b=\"", "\" v_c=\""};
            for (int c = 0; c < 3; ++c) {
                CheckIndex(f.uv[c], uvCount, "SceneUVs");
                const std::size_t t = static_cast<std::size_t>(f.uv[c] - 1);
                p = Put(Put(Put(p, uAttribute[c]), uvTexts.Text(t, 0)), vAttribute[c]);
                p = Put(p, uvTexts.Text(t, 1));
                *p++ = '"';
            }
        }
        p = Put(p, " shader_name=\"");
        out.append(line, p);
        out.append(shaderNames[static_cast<std::size_t>(f.material)]);
        out.append("\" />");
    });
    Closing(w, T2, "faces");
    w.Line("</mesh>");
    w.Line("</object>");
    w.Line("</transform>");
    w.Line("</scene>");
}

// Valid UTF-8 of the characters XML allows (no surrogates, no overlong forms).
bool IsUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n;
        char32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static constexpr char32_t minimum[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
            return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

std::string XmlAttributeText(std::string_view s) {
    const bool utf8 = IsUtf8(s);
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out.push_back(' ');  // XML cannot hold control characters
                } else if (c < 0x80 || utf8) {
                    out.push_back(ch);
                } else {
                    AppendUtf8(out, Cp1252ToUnicode(c));
                }
        }
    }
    return out;
}

void ExportYafRayScene(tscene& scene) {
    LogMessage(" ");
    LogMessage(RuleLine);
    LogMessage("Writing YAFRAY scene file");
    SaveWithinMemory([&] { return NoMemoryToWrite(scene.yafrayFile); }, scene.yafrayFile, [&] {
        CheckedTextWriter w(scene.yafrayFile);
        try {
            WriteScene(w);
        } catch (const ModelError& e) {
            throw ExportError("Export stopped while writing file " + scene.yafrayFile + ": " + e.what(),
                              scene.yafrayFile);
        }
        w.Close();
    });
}
