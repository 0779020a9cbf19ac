#include "ui/control/Snippets.h"

#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/SnippetTables.h"
#include "writers/DeclareLibrary.h"
#include "writers/FileText.h"

namespace {

constexpr std::string_view CRLF = "\r\n";

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

std::string Line(std::string_view text) { return std::string(text) + std::string(CRLF); }

std::string QuotedName(std::string_view name) { return PovFileNameString(name); }

// The map box's name when it names an existing file, else "".
std::string ExistingMap(const tcombobox& box) {
    const std::string name = Trim(box.SelectedText());
    return FileExistsNonBlank(name) ? name : std::string();
}

std::string Colour(int32_t color) { return FormatVector("%g", ",", ColorToVector(color)); }

// The entry's text as the list shows it.
std::string EntryText(int32_t page, int32_t item) {
    const tlistbox* list = SnippetList(page);
    if (!list || item < 0 || static_cast<std::size_t>(item) >= list->items.size()) return {};
    return list->items[static_cast<std::size_t>(item)];
}

// The three "insert" comment lines of a template, each indented by 8 blanks
// and followed by an empty line.
std::string InsertComments(std::string_view a, std::string_view b, std::string_view c) {
    std::string text;
    for (std::string_view line : {a, b, c}) text += Line(Blanks(8) + std::string(line)) + Line("");
    return text;
}

std::string MaterialSnippet(int32_t item, bool uv) {
    const std::string u = uv ? "uv_mapping" : "";
    switch (item) {
        case 0: return Line("material{") + Line("texture{") + BuiltBody(u) + Line("}") + Line("}");
        case 1:
            return Line("material{") + Line(Blanks(12) + "//insert texture(s) here") + Line("") +
                   Line(Blanks(12) + "//insert interior here") + Line("") + Line(Blanks(8) + "}");
        default: break;
    }
    if (static_cast<std::size_t>(item) < FixedMaterialSnippets) return Line("material{" + EntryText(0, item) + "}");
    const std::size_t entry = static_cast<std::size_t>(item) - FixedMaterialSnippets;
    if (entry >= DeclareLibrary.size()) return {};
    return std::string(CRLF) + DeclareLibrary[entry].text.str() + std::string(CRLF);
}

std::string TextureSnippet(int32_t item, bool uv) {
    const std::string u = uv ? "uv_mapping" : "";
    switch (item) {
        case 0: return Line("texture{") + BuiltBody(u) + Line("}");
        case 1:
            return Line("texture{") + InsertComments("//insert pigment here", "//insert finish here",
                                                     "//insert normal here") + Line(Blanks(7) + "}");
        case 2:
            return Line("texture{") + Line("//insert transparency pigment_pattern here") + Line("") +
                   Line("  texture_map{") + Line("       [0 pigment{Clear}] //black -> transparent") +
                   Line("       [1 //white -> full texture") +
                   InsertComments("//insert pigment here", "//insert finish here", "//insert normal here") +
                   Line("       ]}scale 1.0}");
        case 3:
            return Line("texture{") + Line("//insert transparency pigment_pattern here") + Line("  texture_map{") +
                   Line("       [0 //black -> full texture") +
                   InsertComments("//insert pigment here", "//insert finish here", "//insert normal here") +
                   Line("       ]") + Line("       [1 pigment{Clear}] //white -> transparent") +
                   Line("       }scale 1.0}");
        case 4:
            return Line("texture{") + Line("//insert blending pigment_pattern here") + Line("  texture_map{") +
                   Line("       [0  //black -> texture 1") +
                   InsertComments("//insert pigment1 here", "//insert finish1 here", "//insert normal1 here") +
                   Line("       ]") + Line("       [1  //white -> texture 2") +
                   InsertComments("//insert pigment2 here", "//insert finish2 here", "//insert normal2 here") +
                   Line("       ]}scale 1.0}");
        default: return Line("texture{" + u + " " + EntryText(1, item) + " scale 1.0 }");
    }
}

// A picture chosen in the picture dialog that exists, or "".
std::string ChosenPicture() {
    std::string file;
    if (!ExecutePictureDialog(file, "") || !FileExistsNonBlank(file)) return {};
    return file;
}

std::string PigmentSnippet(int32_t item, bool uv) {
    const std::string u = uv ? "uv_mapping" : "";
    switch (item) {
        case 0: return BuiltPigment(u, true);
        case 1: {
            int32_t color = Form1.Panel1.color;
            if (!Svc().prompts->PickColor(color)) return {};
            return Line("        pigment{color rgb <" + Colour(color) + ">}");
        }
        case 2: {
            const std::string file = ChosenPicture();
            if (file.empty()) return {};
            return Line("        pigment{" + u) +
                   Line("                image_map{" + PovImageKeyword(file) + " " + QuotedName(file)) +
                   Line("                interpolate 2 transmit all 0 filter all 0} scale 1.0") + Line("         }");
        }
        default: return Line("        pigment{" + u + " " + EntryText(2, item) + " scale 0.1}");
    }
}

std::string NormalSnippet(int32_t item, bool uv) {
    const std::string u = uv ? "uv_mapping" : "";
    switch (item) {
        case 0: return BuiltNormal(u);
        case 1: {
            const std::string file = ChosenPicture();
            if (file.empty()) return {};
            return Line("        normal{" + u) +
                   Line("               bump_map{" + PovImageKeyword(file) + " " + QuotedName(file)) +
                   Line("               bump_size 1 interpolate 2} scale 1.0}");
        }
        default: return Line("        normal{" + u + " " + EntryText(4, item) + " scale 0.1}");
    }
}

std::string BlendingSnippet(int32_t item, bool uv) {
    const std::string u = uv ? "uv_mapping" : "";
    switch (item) {
        case 0: {
            const std::string file = ExistingMap(Form1.ComboBox19);
            if (file.empty()) return {};
            return Line("pigment_pattern{" + u) +
                   Line("                image_map{" + PovImageKeyword(file) + " " + QuotedName(file)) +
                   Line("                interpolate 2 } scale 1.0}");
        }
        case 1: {
            const std::string file = ChosenPicture();
            if (file.empty()) return {};
            return Line("pigment_pattern{" + u + " " + "image_map{" + PovImageKeyword(file) + " " + QuotedName(file) +
                        " interpolate 2 }" + "scale 1.0}");
        }
        default: return Line("pigment_pattern{" + u + " " + EntryText(5, item) + " scale 0.1}");
    }
}

std::string InteriorSnippet(int32_t item) {
    if (item != 0) return Line("    interior{" + EntryText(6, item) + "}");
    std::string text = Line("    interior{");
    for (std::string_view line : {"ior 1.0 //range: 1 - 3 (or more)", "caustics 0.0 //range: 0 - 1",
                                  "dispersion  1.0 //range: 1 - 1.1", "dispersion_samples 7 //range: 2 - 100",
                                  "fade_distance 0.0 //range: NA", "fade_power 0.0 //range: 0 - 2",
                                  "fade_color <0,0,0> //range: NA", "}"})
        text += Line(Blanks(12) + std::string(line));
    return text;
}

}  // namespace

tlistbox* SnippetList(int32_t page) {
    switch (page) {
        case SnippetMaterial: return &Form8.ListBox6;
        case SnippetTexture: return &Form8.ListBox1;
        case SnippetPigment: return &Form8.ListBox2;
        case SnippetFinish: return &Form8.ListBox3;
        case SnippetNormal: return &Form8.ListBox4;
        case SnippetBlending: return &Form8.ListBox5;
        case SnippetInterior: return &Form8.ListBox7;
        default: return nullptr;
    }
}

void FillSnippetLists() {
    FillDeclareLibraryList();
    Form8.ListBox1.items.assign(SnippetTextures.begin(), SnippetTextures.end());
    Form8.ListBox2.items.assign(SnippetPigments.begin(), SnippetPigments.end());
    Form8.ListBox3.items.assign(SnippetFinishes.begin(), SnippetFinishes.end());
    Form8.ListBox4.items.assign(SnippetNormals.begin(), SnippetNormals.end());
    Form8.ListBox5.items.clear();
    for (std::size_t i : BlendingFromPigments) Form8.ListBox5.items.emplace_back(SnippetPigments[i]);
    Form8.ListBox7.items.assign(SnippetInteriors.begin(), SnippetInteriors.end());
    Form8.PageControl1.active = SnippetMaterial;
}

std::string BuiltPigment(std::string_view u, bool pigmentPage) {
    const std::string transparency = Form1.Edit97.text;
    const std::string map = ExistingMap(Form1.ComboBox3);
    if (!map.empty()) {
        const std::string in = Blanks(27);
        return Line("        pigment{" + std::string(u)) + Line("                 image_map{") +
               Line(in + PovImageKeyword(map)) + Line(in + QuotedName(map)) + Line(in + "interpolate 2") +
               Line(in + "transmit all " + transparency + "/100") + Line(in + "filter all 0/100") + Line(in + "}") +
               (pigmentPage ? Line("                 scale 1.0") + Line(Blanks(9) + "}")
                            : Line("                 scale 1.0 ") + Line("                 }"));
    }
    return Line("        pigment{") + Line(Blanks(16) + "color rgb <" + Colour(Form1.Panel1.color) + ">") +
           Line(Blanks(16) + "transmit  " + transparency + "/100") + Line(Blanks(pigmentPage ? 9 : 15) + "}");
}

std::string BuiltFinish() {
    const tvector specular = ColorToVector(Form1.Panel7.color);
    const double glossiness = Form1.UpDown10.position / 100.0;
    const double reflectivity = Form1.UpDown13.position / 100.0;
    const double transparency = Form1.UpDown12.position / 100.0;
    const std::string in = Blanks(15);
    return Line("        finish{") +
           Line(in + "phong " + FloatToText(Luminance(specular.x, specular.y, specular.z)) + " phong_size " +
                FloatToText(ShininessToPhongSize(glossiness))) +
           Line(in + "diffuse 0.6*" + FloatToText(1 - reflectivity)) +
           Line(in + "ambient rgb <" + Colour(Form1.Panel3.color) + ">") +
           Line(in + "reflection{" + FloatToText((1 - transparency) * reflectivity) +
                (Form1.CheckBox7.checked ? " metallic" : "") + "}") +
           Line(in + "}");
}

std::string BuiltNormal(std::string_view u) {
    const std::string map = ExistingMap(Form1.ComboBox18);
    if (map.empty()) return {};
    return Line("        normal{" + std::string(u)) + Line("               bump_map{") +
           Line(Blanks(24) + PovImageKeyword(map)) + Line(Blanks(23) + QuotedName(map)) +
           Line(Blanks(24) + "interpolate 2") + Line(Blanks(23) + "}") +
           Line("               bump_size " + Form1.Edit10.text) + Line("               scale 1.0") +
           Line("              }");
}

std::string BuiltBody(std::string_view u) {
    // Each part without its last line break, so that the body ends its lines.
    std::vector<std::string> parts;
    for (std::string part : {BuiltPigment(u, false), BuiltFinish(), BuiltNormal(u)}) {
        if (part.empty()) continue;
        part.resize(part.size() - CRLF.size());
        parts.push_back(std::move(part));
    }
    const std::string map = ExistingMap(Form1.ComboBox19);
    std::string body;
    if (map.empty()) {
        for (const std::string& part : parts) body += Line("  " + part);
        return body;
    }
    body = Line("pigment_pattern{" + std::string(u) + " " + "image_map{" + PovImageKeyword(map) + " " + QuotedName(map) +
                " interpolate 2 }" + "scale 1.0 }") +
           Line("texture_map{");
    if (!Form1.CheckBox64.checked) {
        body += Line("       [0 pigment{Clear}] //black -> transparent") + Line("       [1 //white -> full texture");
        for (const std::string& part : parts) body += Line("   " + part);
        body += Line("       ]}scale 1.0");
    } else {
        body += Line("       [0 //black -> full texture");
        for (const std::string& part : parts) body += Line("   " + part);
        body += Line("       ]") + Line("       [1 pigment{Clear}]}scale 1.0 //white -> transparent");
    }
    return body;
}

std::string SnippetText(int32_t page, int32_t item, bool uv) {
    if (EntryText(page, item).empty()) return {};
    switch (page) {
        case SnippetMaterial: return MaterialSnippet(item, uv);
        case SnippetTexture: return TextureSnippet(item, uv);
        case SnippetPigment: return PigmentSnippet(item, uv);
        case SnippetFinish: return item == 0 ? BuiltFinish() : Line("        finish{" + EntryText(3, item) + "}");
        case SnippetNormal: return NormalSnippet(item, uv);
        case SnippetBlending: return BlendingSnippet(item, uv);
        case SnippetInterior: return InteriorSnippet(item);
        default: return {};
    }
}

void InsertMaterialSnippet(int32_t page, int32_t item, bool uv) {
    Form1.Memo2.selLength = 0;
    const std::string text = SnippetText(page, item, uv);
    if (!text.empty()) InsertIntoMemo(Form1.Memo2, text);
}

void InsertIntoMemo(tmemo& memo, std::string_view text) {
    std::string all;
    for (std::size_t i = 0; i < memo.lines.size(); ++i) {
        if (i) all += '\n';
        all += memo.lines[i];
    }
    std::string insert;
    insert.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            insert += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            insert += text[i];
        }
    }
    const std::size_t at = std::min(all.size(), static_cast<std::size_t>(std::max(0, memo.selStart)));
    all.insert(at, insert);
    memo.lines.clear();
    std::size_t start = 0;
    for (std::size_t nl; (nl = all.find('\n', start)) != std::string::npos; start = nl + 1)
        memo.lines.push_back(all.substr(start, nl - start));
    memo.lines.push_back(all.substr(start));
    memo.selStart = static_cast<int32_t>(at + insert.size());
    memo.selLength = 0;
}
