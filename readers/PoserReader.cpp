#include "readers/PoserReader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "readers/Gzip.h"

namespace {

// The progress gauge runs over this many lines and then starts again.
constexpr double ProgressRange = 1000000;

// Poser's built-in map names, referred to as GetStringRes(1024,n).
constexpr const char* ResourceMapNames[60] = {
    "No Bump",
    "Male Muscle Bump.bum",
    "Female Muscle Bump.bum",
    "None",
    "Male Muscle Texture.tif",
    "Female Muscle Texture.tif",
    "Ground Default Texture.tif",
    "male casual texture.tif",
    "female casual texture.tif",
    "male nude texture.tif",
    "female nude texture.tif",
    "male business texture.tif",
    "female business texture.tif",
    "child nude texture.tif",
    "child casual texture.tif",
    "ground Default Texture.bum",
    "angelfishmap.tif",
    "biz man texture.tif",
    "biz woman texture.tif",
    "casual child texture.tif",
    "casual man texture.tif",
    "casual woman texture.tif",
    "cat texture.tif",
    "child hair texture.tif",
    "dog texture.tif",
    "dolphin texture.tif",
    "female hair 1 texture.tif",
    "female hair 2 texture.tif",
    "female hair 3 texture.tif",
    "female hair 4 texture.tif",
    "female hair 5 texture.tif",
    "frogmap.tif",
    "hand texture.tif",
    "horse texture.tif",
    "lionmap.tif",
    "male hair 1 texture.tif",
    "male hair 2 texture.tif",
    "male hair 3 texture.tif",
    "male hair 4 texture.tif",
    "male hair 5 texture.tif",
    "nude child texture.tif",
    "nude man texture.tif",
    "nude woman texture.tif",
    "raptor texture.bum",
    "raptor texture.tif",
    "wolfmap.tif",
    "p4 man bump.bum",
    "p4 man bump.tif",
    "p4 man texture.tif",
    "p4 man texture2.tif",
    "p4 woman bump.bum",
    "p4 woman bump.tif",
    "p4 woman texture.tif",
    "p4 woman texture2.tif",
    "p4casboy.tif",
    "p4casgirl.tif",
    "p4infant.tif",
    "p4nudboy.tif",
    "p4nudgrl.tif",
    "snakelo.tif",
};

// A whole number for an integer field; values beyond the int32 range are
// held at its ends.
int32_t RoundToInt32(double x) {
    return static_cast<int32_t>(std::clamp<int64_t>(Round(x), INT32_MIN, INT32_MAX));
}

double Number(std::string_view s) {
    double value = 0;
    int32_t code = 0;
    ValFloat(s, value, code);
    return value;
}

// The file-name part of a map name as Poser writes it: paths may use "\",
// "/" or the ":" of old Mac paths.
std::string_view PoserFileNamePart(std::string_view s) {
    const std::size_t p = s.find_last_of("\\/:");
    return p == std::string_view::npos ? s : s.substr(p + 1);
}

// The text of a line after its first `n` characters, trimmed.
std::string TextAfter(std::string_view line, std::size_t n) { return Trim(line.substr(std::min(n, line.size()))); }

// The lines of a Poser file, each trimmed, upper-cased and split into items.
class PoserLines {
public:
    explicit PoserLines(const std::string& fileName) : fileName_(fileName) { OpenPoserFile(fileName, reader_); }
    // The lines of a text already in memory, named `fileName` in messages.
    PoserLines(const std::string& fileName, std::string_view text)
        : fileName_(fileName), reader_(std::string(text)) {}

    bool Next() {
        if (reader_.Eof()) return false;
        start_ = reader_.Position();
        line_ = UpperCase(Trim(reader_.ReadTextLine()));
        items_ = &splitter_.Split(line_);
        return true;
    }
    const std::string& Line() const { return line_; }
    std::size_t Count() const { return items_->size(); }
    std::string_view Keyword() const { return items_->empty() ? std::string_view() : (*items_)[0]; }
    // Item i (0-based) of the current line; ReadError when the line is
    // shorter.
    std::string_view Item(std::size_t i) const {
        if (i >= items_->size())
            throw ReadError("Line " + std::to_string(LineNumber()) + " of " + ExtractFileName(fileName_) +
                                " ends before the value of " + std::string(Keyword()),
                            fileName_, LineNumber());
        return (*items_)[i];
    }

private:
    // The number of the current line in the file, counted only when needed.
    int64_t LineNumber() const {
        const std::string_view text = reader_.Text();
        int64_t n = 1;
        for (std::size_t i = 0; i < start_ && i < text.size(); ++i) {
            if (text[i] == '\n') ++n;
            else if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) ++n;
        }
        return n;
    }

    std::string fileName_;
    TextLineReader reader_;
    CommaTextSplitter splitter_;
    std::string line_;
    const std::vector<std::string_view>* items_ = nullptr;
    std::size_t start_ = 0;
};

void BeginPass() {
    LogMessage("Opening file...");
    ResetProgress();
}

// ---- Cameras ------------------------------------------------------------------

constexpr int MaxCameraSlots = 100;
constexpr int CameraValuesPerBlock = 8;

struct CameraSlot {
    std::string name;
    tposercameravalues values{};
    bool seen[PoserCameraValueCount] = {};
};

// 1..8 for the keywords of the camera values, else 0.
int CameraValueIndex(std::string_view keyword) {
    static constexpr std::string_view names[CameraValuesPerBlock] = {
        "FOCAL", "TRANSLATEX", "TRANSLATEY", "TRANSLATEZ", "ROTATEX", "ROTATEY", "ROTATEZ", "SCALE"};
    for (int i = 0; i < CameraValuesPerBlock; ++i)
        if (keyword == names[i]) return i + 1;
    return 0;
}

void ReadCameraBlock(PoserLines& in, CameraSlot& slot) {
    slot = CameraSlot{};
    int found = 0;
    int current = 0;
    bool named = false;
    while (in.Next()) {
        const std::string_view keyword = in.Keyword();
        if (const int index = CameraValueIndex(keyword)) current = index;
        if (keyword == "NAME" && !named) {
            named = true;
            slot.name = TextAfter(in.Line(), 4).substr(0, 100);
            LogMessage("Camera " + slot.name + " found.  Scanning...");
        } else if (keyword == "K" && current > 0 && !slot.seen[current - 1]) {
            slot.values[current - 1] = Number(in.Item(2));
            slot.seen[current - 1] = true;
            ++found;
        }
        if (found >= CameraValuesPerBlock) return;
        if (keyword.starts_with("ENDPOINT")) return;
        if (in.Line() == "}" && slot.name.empty()) return;
    }
}

bool IsOrthographicCamera(std::string_view name) {
    for (std::string_view n :
         {"SIDE_CAMERA", "FRONT_CAMERA", "RIGHT_CAMERA", "BOTTOM_CAMERA", "BACK_CAMERA", "TOP_CAMERA"})
        if (name == n) return true;
    return false;
}

// ---- Materials ----------------------------------------------------------------

// The items of one material block; a value past the end of the block raises
// ReadError.
class BlockItems {
public:
    BlockItems(const std::vector<std::string_view>& items, const std::string& fileName)
        : items_(items), fileName_(fileName) {}
    std::size_t Count() const { return items_.size(); }
    std::string_view operator[](std::size_t i) const { return items_[i]; }
    std::string_view Value(std::size_t keyword, std::size_t offset) const {
        if (keyword + offset >= items_.size())
            throw ReadError("Material " + std::string(items_[0]) + " of " + ExtractFileName(fileName_) +
                                " ends before the value of " + std::string(items_[keyword]),
                            fileName_);
        return items_[keyword + offset];
    }
    double Number(std::size_t keyword, std::size_t offset) const { return ::Number(Value(keyword, offset)); }
    tvector Color(std::size_t keyword) const {
        const double f = Number(keyword, 4);
        return {Number(keyword, 1) * f, Number(keyword, 2) * f, Number(keyword, 3) * f};
    }

private:
    const std::vector<std::string_view>& items_;
    const std::string& fileName_;
};

std::string MapName(std::string_view item) { return PoserStringResName(PoserFileNamePart(item)); }

// Parses the text of one material block into a new material.
tmaterial ParseMaterialBlock(const std::vector<std::string_view>& words, const std::string& fileName) {
    const BlockItems items(words, fileName);
    tmaterial m;
    NewMaterial(m);
    m.name = items[0];
    std::string colorMap = m.colorMap.str(), bumpMap = m.bumpMap.str(), transparencyMap;
    // The bump map of a shader tree: the node that feeds "Bump", then the
    // image source of that image node, then its file.
    bool armed = false, imageNodeFound = false, sourceFound = false;
    std::string nodeName;
    // The first item is the material's name, not a keyword.
    for (std::size_t j = 1; j < items.Count(); ++j) {
        const std::string_view item = items[j];
        if (item == "KDCOLOR") {
            m.diffuse = items.Color(j);
        } else if (item == "KACOLOR") {
            m.ambient = items.Color(j);
        } else if (item == "KSCOLOR") {
            m.specular = items.Color(j);
        } else if (item == "NSEXPONENT") {
            m.shininess = static_cast<float>(items.Number(j, 1) / 100.0);
        } else if (item == "TMAX") {
            m.transparency = items.Number(j, 1);
        } else if (item == "BUMPSTRENGTH") {
            m.bumpSize = -2.0 * items.Number(j, 1);
        } else if (item == "TEXTUREMAP" || item == "BUMPMAP" || item == "TRANSPARENCYMAP") {
            const std::string_view value = items.Value(j, 1);
            std::string name = value == "NO_MAP" ? std::string() : MapName(value);
            if (item == "TEXTUREMAP") colorMap = std::move(name);
            else if (item == "BUMPMAP") bumpMap = std::move(name);
            else transparencyMap = std::move(name);
        } else if (item == "REFLECTIONMAP") {
            m.reflection = items.Value(j, 1) == "NO_MAP" ? 0.0 : 1.0;
        } else if (item == "REFLECTIONSTRENGTH") {
            if (m.reflection == 1.0) m.reflection = items.Number(j, 1);
        } else if (item == "BUMP" || (item == "GRADIENT_BUMP" && bumpMap.empty())) {
            armed = true;
            nodeName.clear();
        } else if (item == "NODE") {
            if (armed && nodeName.empty()) {
                nodeName = items.Value(j, 1);
                armed = false;
            }
            if (items.Value(j, 1) == "IMAGE_MAP" && items.Value(j, 2) == nodeName && !nodeName.empty() &&
                nodeName != "NO_NODE")
                imageNodeFound = true;
        } else if (item == "IMAGE_SOURCE") {
            if (imageNodeFound) sourceFound = true;
        } else if (item == "FILE") {
            if (sourceFound) {
                bumpMap = MapName(items.Value(j, 1));
                imageNodeFound = sourceFound = false;
                nodeName.clear();
            }
        }
    }
    m.colorMap = PoserFileNamePart(colorMap);
    m.bumpMap = PoserFileNamePart(bumpMap);
    m.transparencyMap = PoserFileNamePart(transparencyMap);
    return m;
}

// True when `scene` is `parsed` itself or `parsed` + ":" + k for k = 1..99,
// ignoring case.
bool NameMatches(std::string_view parsed, std::string_view scene) {
    if (scene.size() < parsed.size() || !SameText(scene.substr(0, parsed.size()), parsed)) return false;
    const std::string_view rest = scene.substr(parsed.size());
    if (rest.empty()) return true;
    if (rest.size() < 2 || rest.size() > 3 || rest[0] != ':' || rest[1] == '0') return false;
    return std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool SameFileNamePart(std::string_view a, std::string_view b) {
    return SameText(PoserFileNamePart(a), PoserFileNamePart(b));
}

bool MaterialMatches(const tmaterial& parsed, const tmaterial& scene, int32_t version) {
    if (!NameMatches(parsed.name.view(), scene.name.view())) return false;
    if (!SameFileNamePart(parsed.colorMap.view(), scene.colorMap.view())) return false;
    if (version < 5) return VectorLength(SubtractVectors(parsed.diffuse, scene.diffuse)) < 0.1;
    return SameFileNamePart(parsed.transparencyMap.view(), scene.transparencyMap.view());
}

// ---- Lights -------------------------------------------------------------------

enum LightValue : int {
    LightTranslateX = 1,
    LightTranslateY,
    LightTranslateZ,
    LightRotateX,
    LightRotateY,
    LightRotateZ,
    LightRed,
    LightGreen,
    LightBlue,
    LightFalloffStart,
    LightFalloffEnd,
    LightType,
    LightShadow,
    LightName,
    LightOn,
    LightIntensity,
    LightValueCount = 16,
};

int LightValueIndex(std::string_view keyword) {
    static constexpr std::string_view names[LightValueCount] = {
        "TRANSLATEX", "TRANSLATEY",       "TRANSLATEZ",     "ROTATEX",   "ROTATEY",  "ROTATEZ",
        "KDRED",      "KDGREEN",          "KDBLUE",         "LITEFALLOFFSTART",     "LITEFALLOFFEND",
        "LIGHTTYPE",  "DOSHADOW",         "NAME",           "LIGHTON",   "KDINTENSITY"};
    for (int i = 0; i < LightValueCount; ++i)
        if (keyword == names[i]) return i + 1;
    return 0;
}

struct LightBlock {
    double values[LightValueCount + 1] = {};
    bool seen[LightValueCount + 1] = {};
    std::string name;
};

// Reads the lines of one light block; false when the block has no name.
bool ReadLightBlock(PoserLines& in, LightBlock& block) {
    block = LightBlock{};
    int found = 0;
    int current = 0;
    while (in.Next()) {
        const std::string_view keyword = in.Keyword();
        if (const int index = LightValueIndex(keyword); index != 0 && (index != LightName || block.name.empty()))
            current = index;
        if (current != 0 && !block.seen[current]) {
            bool taken = false;
            if (current == LightType || current == LightShadow || current == LightOn) {
                block.values[current] = Number(in.Item(1));
                taken = true;
            } else if (current == LightName) {
                block.name = TextAfter(in.Line(), 4);
                LogMessage("Light " + block.name + " found.  Scanning...");
                taken = true;
            } else if (keyword == "K") {
                block.values[current] = Number(in.Item(2));
                taken = true;
            }
            if (taken) {
                block.seen[current] = true;
                ++found;
            }
        }
        if (found >= LightValueCount || keyword == "LIGHTON") break;
        if (in.Line() == "}" && block.name.empty()) break;
    }
    return !block.name.empty();
}

tlight MakeLight(const LightBlock& b) {
    const double* v = b.values;
    tlight l;
    NewLight(l);
    const int64_t type = Round(v[LightType]);
    l.kind = RoundToInt32(v[LightType]);
    l.fadeDistance = 1.0;
    l.name = b.name;
    l.position = {v[LightTranslateX], v[LightTranslateY], v[LightTranslateZ]};
    l.elevation = v[LightRotateX];
    l.rotation = v[LightRotateY];
    l.thirdAngle = v[LightRotateZ];
    l.color = {v[LightRed], v[LightGreen], v[LightBlue]};
    l.shadow = RoundToInt32(v[LightShadow]);
    l.optionA = RoundToInt32(v[LightOn]);
    l.intensity = v[LightIntensity];
    const tvector center = Scene.extents.center;
    switch (type) {
        case 0:  // infinite
        case 3: {
            l.kind = LightParallel;
            LightPositionFromAngles({l.elevation, l.rotation, l.thirdAngle}, l.position);
            l.pointAt = center;
            const tvector a = DirectionToXYAngles(SubtractVectors(l.position, center));
            l.elevation = a.x * 180 / Pi;
            l.rotation = a.y * 180 / Pi;
            l.thirdAngle = a.z * 180 / Pi;
            break;
        }
        case 1: {  // spot
            l.spotTightness = 16.0f;
            l.spotSpread = static_cast<float>(v[LightFalloffEnd] / 2);
            tvector d{0, 0, -Scene.extents.diagonal};
            d = RotateAboutAxis(d, {1, 0, 0}, l.elevation * DegToRad);
            d = RotateAboutAxis(d, {0, 1, 0}, l.rotation * DegToRad);
            d = RotateAboutAxis(d, {0, 0, 1}, l.thirdAngle * DegToRad);
            l.pointAt = AddVectors(l.position, d);
            break;
        }
        case 2:  // point
            l.kind = LightPoint;
            l.pointAt = center;
            break;
        default:
            // The writers and the preview know only the four kinds of light.
            LogMessage("<!>Light " + l.name.str() + " has the unknown Poser light type " + std::to_string(type) +
                       " and is read as a point light");
            l.kind = LightPoint;
            l.pointAt = center;
            break;
    }
    return l;
}

}  // namespace

// ---- Public routines ------------------------------------------------------------

void OpenPoserFile(const std::string& fileName, TextLineReader& reader) {
    if (!reader.Open(fileName)) throw ReadError("Cannot open file " + ExtractFileName(fileName), fileName);
    const std::string_view text = reader.Text();
    // A gzip-compressed file (".pzz", ".crz" ...) is known by its signature.
    if (text.size() < 2 || static_cast<unsigned char>(text[0]) != 0x1F || static_cast<unsigned char>(text[1]) != 0x8B)
        return;
    LogMessage("Decompressing " + fileName + "...");
    const ScopedTempFile unpacked(UncompressGzipToTempFile(fileName, ".pz3"));
    if (!reader.Open(unpacked.path()))
        throw ReadError("Cannot open the unpacked file of " + ExtractFileName(fileName), fileName);
}

std::string PoserStringResName(std::string_view s) {
    const std::string t = Trim(s);
    if (t.size() >= 12 && SameText(std::string_view(t).substr(0, 12), "getstringres") && t.size() > 19) {
        const int32_t n = TextToInt(std::string_view(t).substr(18, t.size() - 19));
        if (n >= 1 && n <= 60) return ResourceMapNames[n - 1];
    }
    return std::string(s);
}

namespace {

bool ReadCameras(PoserLines& in, tposercameravalues& values) {
    std::vector<CameraSlot> slots;
    std::string active;
    bool haveViewport = false;
    int32_t viewportWidth = 0, viewportHeight = 0;
    while (in.Next()) {
        AdvanceProgress(0, ProgressRange, 1);
        if (in.Count() < 2) continue;
        const std::string_view keyword = in.Keyword();
        if (keyword == "USECAMERA") {
            active = TextAfter(in.Line(), 9);
            LogMessage("Active camera in scene: " + active);
        } else if (keyword == "DIMENSIONS") {
            const std::string width(in.Item(1)), height(in.Item(2));
            viewportWidth = TextToInt(width);
            viewportHeight = TextToInt(height);
            haveViewport = true;
            LogMessage("Camera viewport dimensions: " + width + " x " + height);
        } else if (keyword == "CAMERA") {
            // A block past the last slot reuses the last slot.
            if (slots.size() < MaxCameraSlots) slots.emplace_back();
            ReadCameraBlock(in, slots.back());
        }
    }
    if (!IsOrthographicCamera(active)) active = "MAIN_CAMERA";

    // The file was read whole: only now does the scene change.
    const CameraSlot* match = nullptr;
    for (const CameraSlot& slot : slots)
        if (slot.name == active) match = &slot;
    Scene.activeCameraName = active;
    if (haveViewport) {
        Scene.cameraViewportWidth = viewportWidth;
        Scene.cameraViewportHeight = viewportHeight;
    }
    Scene.orthographic = IsOrthographicCamera(active) ? 1 : 0;
    if (!match) {
        LogMessage("No usable camera in this file");
        return false;
    }
    values = match->values;
    return true;
}

void ReadMaterials(PoserLines& in, const std::string& fileName) {
    int32_t version = 4;
    std::vector<std::string> blocks;
    while (in.Next()) {
        AdvanceProgress(0, ProgressRange, 1);
        const std::string_view keyword = in.Keyword();
        if (keyword == "MATERIAL") {
            std::string text = in.Line().substr(8);
            LogMessage("Material entry " + text + " found.  Scanning...");
            int64_t opened = 0, closed = 0;
            while (in.Next()) {
                text += ' ';
                text += in.Line();
                if (in.Line() == "{") ++opened;
                else if (in.Line() == "}") ++closed;
                if (opened == closed) break;
            }
            blocks.push_back(std::move(text));
        } else if (keyword == "VERSION") {
            while (in.Next() && in.Line() != "}") {
                if (in.Count() >= 2 && in.Keyword() == "NUMBER") {
                    // "5.0" is version 5 as much as "5" is.
                    const std::string_view number = in.Item(1);
                    version = TextToInt(number);
                    if (version == 0) version = RoundToInt32(Trunc(Number(number)));
                    LogMessage("Poser " + std::to_string(version) + " scene file");
                }
            }
        }
    }

    LogMessage("Parsing information...");
    std::vector<tmaterial> parsed;
    parsed.reserve(blocks.size());
    CommaTextSplitter splitter;
    ResetProgress();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        ShowProgress(0, static_cast<double>(blocks.size()), static_cast<double>(i + 1));
        const std::vector<std::string_view>& words = splitter.Split(blocks[i]);
        if (words.empty()) continue;  // a "MATERIAL" line without a name at the end of the file
        parsed.push_back(ParseMaterialBlock(words, fileName));
    }
    blocks.clear();

    LogMessage("Matching materials...");
    std::vector<bool> used(parsed.size(), false);
    std::vector<std::pair<std::size_t, std::size_t>> matches;  // scene material, parsed material
    ResetProgress();
    for (std::size_t s = 0; s < SceneMaterials.size(); ++s) {
        ShowProgress(0, static_cast<double>(SceneMaterials.size()), static_cast<double>(s + 1));
        for (std::size_t p = 0; p < parsed.size(); ++p) {
            if (used[p] || !MaterialMatches(parsed[p], SceneMaterials[s], version)) continue;
            used[p] = true;
            matches.emplace_back(s, p);
            break;
        }
    }

    for (const auto& [s, p] : matches) {
        tmaterial& scene = SceneMaterials[s];
        tmaterial m = std::move(parsed[p]);
        if (m.transparency < 0.02) m.transparencyMap.clear();
        if (m.transparency > 0.98 && m.transparencyMap.empty()) m.colorMap.clear();
        if (!m.transparencyMap.empty()) m.transparency = 0;
        m.blend = 1.0;
        if (!scene.bumpMap.empty() && m.bumpMap.empty()) m.bumpMap = scene.bumpMap;
        // The maps change, so the preview texture of the old ones goes; what
        // the model keeps about the material stays.
        if (scene.glTexture != 0) DeleteMaterialTexture(scene.glTexture);
        m.name = scene.name;
        m.faceCount = scene.faceCount;
        m.lineCount = scene.lineCount;
        m.selected = scene.selected;
        m.glTexture = 0;
        scene = std::move(m);
        LogMessage("Material " + scene.name.str() + " loaded");
    }
}

void ReadLights(PoserLines& in) {
    std::vector<tlight> read;
    LightBlock block;
    while (in.Next()) {
        AdvanceProgress(0, ProgressRange, 1);
        if (in.Count() < 2 || in.Keyword() != "LIGHT") continue;
        if (ReadLightBlock(in, block)) read.push_back(MakeLight(block));
    }
    Lights.insert(Lights.end(), read.begin(), read.end());
    if (Lights.empty()) Svc().prompts->Show(MessageKind::Information, "No lights in this file");
}

}  // namespace

bool ReadPoserCameras(const std::string& fileName, tposercameravalues& values) {
    BeginPass();
    PoserLines in(fileName);
    return ReadCameras(in, values);
}

void ReadPoserMaterials(const std::string& fileName) {
    BeginPass();
    PoserLines in(fileName);
    ReadMaterials(in, fileName);
}

void ReadPoserLights(const std::string& fileName) {
    BeginPass();
    PoserLines in(fileName);
    ReadLights(in);
}

bool ReadPoserCamerasText(const std::string& fileName, std::string_view text, tposercameravalues& values) {
    BeginPass();
    PoserLines in(fileName, text);
    return ReadCameras(in, values);
}

void ReadPoserMaterialsText(const std::string& fileName, std::string_view text) {
    BeginPass();
    PoserLines in(fileName, text);
    ReadMaterials(in, fileName);
}

void ReadPoserLightsText(const std::string& fileName, std::string_view text) {
    BeginPass();
    PoserLines in(fileName, text);
    ReadLights(in);
}
