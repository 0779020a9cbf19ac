#include "readers/PoserReader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
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

// The text of a line after its first `n` characters, trimmed and
// upper-cased (the reader's names are upper case), cut to `limit`
// characters.
std::string TextAfter(std::string_view line, std::size_t n, std::size_t limit) {
    return UpperCase(TrimmedView(line.substr(std::min(n, line.size()))).substr(0, limit));
}

// A word of the file as a message shows it: upper-cased, and cut where it
// is longer than any name.
std::string Shown(std::string_view word) {
    constexpr std::size_t Longest = 255;
    return UpperCase(word.substr(0, Longest)) + (word.size() > Longest ? "..." : "");
}

// The lines of a Poser file, each trimmed, with the first items split off.
// Keywords are compared without regard to case. A line is a view into the
// file's text and only its first few items are ever split: a line of
// millions of words takes no memory of its own.
class PoserLines {
public:
    // The items of a line the reader looks at: the keyword and two values.
    static constexpr std::size_t LineItems = 3;

    explicit PoserLines(const std::string& fileName) : fileName_(fileName) { OpenPoserFile(fileName, reader_); }
    // The lines of a text already in memory, named `fileName` in messages.
    PoserLines(const std::string& fileName, std::string_view text)
        : fileName_(fileName), reader_(std::string(text)) {}

    bool Next() {
        if (reader_.Eof()) return false;
        start_ = reader_.Position();
        line_ = TrimmedView(reader_.ReadTextLine());
        items_ = &splitter_.SplitFirst(line_, LineItems);
        return true;
    }
    // The line as it stands in the file, trimmed.
    std::string_view Line() const { return line_; }
    // The number of items, counted up to LineItems.
    std::size_t Count() const { return items_->size(); }
    std::string_view Keyword() const { return items_->empty() ? std::string_view() : (*items_)[0]; }
    bool KeywordIs(std::string_view keyword) const { return SameText(Keyword(), keyword); }
    // Item i (0-based, below LineItems) of the current line; ReadError when
    // the line is shorter.
    std::string_view Item(std::size_t i) const {
        if (i >= items_->size())
            throw ReadError("Line " + std::to_string(LineNumber()) + " of " + ExtractFileName(fileName_) +
                                " ends before the value of " + Shown(Keyword()),
                            fileName_, LineNumber());
        return (*items_)[i];
    }
    const std::string& FileName() const { return fileName_; }

    // Counts a camera, light or material entry found; true for the first
    // ListedEntries of a pass, which are logged: a file of millions of tiny
    // entries would otherwise fill the status window with as many lines.
    bool ListFound() { return ++found_ <= ListedEntries; }
    // After the pass: how many entries were found but not listed.
    void LogUnlisted() const {
        if (found_ > ListedEntries)
            LogMessage("<!>" + std::to_string(found_ - ListedEntries) + " more entries of " +
                       ExtractFileName(fileName_) + " were found and not listed");
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
    std::string_view line_;
    const std::vector<std::string_view>* items_ = nullptr;
    std::size_t start_ = 0;
    static constexpr uint64_t ListedEntries = 10000;
    uint64_t found_ = 0;
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
        if (SameText(keyword, names[i])) return i + 1;
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
        if (SameText(keyword, "NAME") && !named) {
            named = true;
            slot.name = TextAfter(in.Line(), 4, 100);
            if (in.ListFound()) LogMessage("Camera " + slot.name + " found.  Scanning...");
        } else if (SameText(keyword, "K") && current > 0 && !slot.seen[current - 1]) {
            slot.values[current - 1] = Number(in.Item(2));
            slot.seen[current - 1] = true;
            ++found;
        }
        if (found >= CameraValuesPerBlock) return;
        if (StartsWithNoCase(keyword, "ENDPOINT")) return;
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

// The items of one material block, read from the file as they come: the
// rest of its "MATERIAL" line, then every line up to the one at which as
// many lines "{" as lines "}" were read (a block whose next line is no "{"
// ends after that line), or the end of the file. A keyword's values lie at
// most four items after it, so only the current item and the four after it
// are held; the block's text is never copied whole.
class BlockItems {
public:
    BlockItems(PoserLines& in, std::string_view first) : in_(in), words_(first) {}

    // Moves to the next item; false past the last one of the block (whose
    // lines are then all read).
    bool Next() {
        if (held_ == 0 && !Load()) return false;
        if (started_) {
            start_ = (start_ + 1) % Window;
            --held_;
            if (held_ == 0 && !Load()) return false;
        }
        started_ = true;
        if (name_.empty() && count_ == 0) name_ = Shown(Item());
        ++count_;
        return true;
    }
    std::string_view Item() const { return slots_[start_].view; }
    // The item `offset` (1 to 4) places after the current one; ReadError
    // past the end of the block.
    std::string_view Value(std::size_t offset) {
        while (held_ <= offset)
            if (!Load())
                throw ReadError("Material " + name_ + " of " + ExtractFileName(in_.FileName()) +
                                    " ends before the value of " + Shown(Item()),
                                in_.FileName());
        return slots_[(start_ + offset) % Window].view;
    }
    double Number(std::size_t offset) { return ::Number(Value(offset)); }
    tvector Color() {
        const double f = Number(4);
        return {Number(1) * f, Number(2) * f, Number(3) * f};
    }

private:
    static constexpr std::size_t Window = 5;
    struct Slot {
        std::string_view view;
        std::string copy;  // a word that had doubled quotes
    };

    // Appends the block's next word to the window; false at its end.
    bool Load() {
        std::string_view word;
        while (!words_.Next(word)) {
            if (ended_ || !in_.Next()) {
                ended_ = true;
                return false;
            }
            if (in_.Line() == "{") ++opened_;
            else if (in_.Line() == "}") ++closed_;
            ended_ = opened_ == closed_;
            words_ = CommaTextWords(in_.Line());
        }
        Slot& slot = slots_[(start_ + held_) % Window];
        if (words_.Copied()) {
            slot.copy.assign(word);
            slot.view = slot.copy;
        } else {
            slot.view = word;
        }
        ++held_;
        return true;
    }

    PoserLines& in_;
    CommaTextWords words_;
    int64_t opened_ = 0, closed_ = 0;
    bool ended_ = false;  // the block's last line is read
    Slot slots_[Window];
    std::size_t start_ = 0, held_ = 0;
    bool started_ = false;
    std::size_t count_ = 0;
    std::string name_;
};

std::string MapName(std::string_view item) { return PoserStringResName(PoserFileNamePart(UpperCase(item))); }

// Parses one material block into a new material; false for a block without
// items (a "MATERIAL" line alone at the end of the file).
bool ParseMaterialBlock(BlockItems& items, tmaterial& m) {
    if (!items.Next()) return false;
    NewMaterial(m);
    m.name = UpperCase(items.Item().substr(0, tname::Capacity));
    std::string colorMap = m.colorMap.str(), bumpMap = m.bumpMap.str(), transparencyMap;
    // The bump map of a shader tree: the node that feeds "Bump", then the
    // image source of that image node, then its file.
    bool armed = false, imageNodeFound = false, sourceFound = false;
    std::string nodeName;
    // The first item is the material's name, not a keyword.
    while (items.Next()) {
        const std::string_view item = items.Item();
        const auto is = [&](std::string_view keyword) { return SameText(item, keyword); };
        if (is("KDCOLOR")) {
            m.diffuse = items.Color();
        } else if (is("KACOLOR")) {
            m.ambient = items.Color();
        } else if (is("KSCOLOR")) {
            m.specular = items.Color();
        } else if (is("NSEXPONENT")) {
            m.shininess = static_cast<float>(items.Number(1) / 100.0);
        } else if (is("TMAX")) {
            m.transparency = items.Number(1);
        } else if (is("BUMPSTRENGTH")) {
            m.bumpSize = -2.0 * items.Number(1);
        } else if (is("TEXTUREMAP") || is("BUMPMAP") || is("TRANSPARENCYMAP")) {
            const std::string_view value = items.Value(1);
            std::string name = SameText(value, "NO_MAP") ? std::string() : MapName(value);
            if (is("TEXTUREMAP")) colorMap = std::move(name);
            else if (is("BUMPMAP")) bumpMap = std::move(name);
            else transparencyMap = std::move(name);
        } else if (is("REFLECTIONMAP")) {
            m.reflection = SameText(items.Value(1), "NO_MAP") ? 0.0 : 1.0;
        } else if (is("REFLECTIONSTRENGTH")) {
            if (m.reflection == 1.0) m.reflection = items.Number(1);
        } else if (is("BUMP") || (is("GRADIENT_BUMP") && bumpMap.empty())) {
            armed = true;
            nodeName.clear();
        } else if (is("NODE")) {
            if (armed && nodeName.empty()) {
                nodeName = UpperCase(items.Value(1).substr(0, tname::Capacity + 1));
                armed = false;
            }
            if (SameText(items.Value(1), "IMAGE_MAP") && SameText(items.Value(2), nodeName) && !nodeName.empty() &&
                nodeName != "NO_NODE")
                imageNodeFound = true;
        } else if (is("IMAGE_SOURCE")) {
            if (imageNodeFound) sourceFound = true;
        } else if (is("FILE")) {
            if (sourceFound) {
                bumpMap = MapName(items.Value(1));
                imageNodeFound = sourceFound = false;
                nodeName.clear();
            }
        }
    }
    m.colorMap = PoserFileNamePart(colorMap);
    m.bumpMap = PoserFileNamePart(bumpMap);
    m.transparencyMap = PoserFileNamePart(transparencyMap);
    return true;
}

// True when `scene` is `parsed` itself or `parsed` + ":" + k for k = 1..99,
// ignoring case.
bool NameMatches(std::string_view parsed, std::string_view scene) {
    if (!StartsWithNoCase(scene, parsed)) return false;
    const std::string_view rest = scene.substr(parsed.size());
    if (rest.empty()) return true;
    if (rest.size() < 2 || rest.size() > 3 || rest[0] != ':' || rest[1] == '0') return false;
    return std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The name a scene material has without its suffix ":1" to ":99"; the name
// itself when it has none.
std::string_view WithoutSuffix(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string_view::npos) return name;
    return NameMatches(name.substr(0, colon), name) ? name.substr(0, colon) : name;
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

// The matching of parsed materials to scene materials. Each scene material,
// in list order, takes the first parsed material (in file order) that
// matches it and that no scene material before it took. Both sides being
// ranked by one order, that is the same as each parsed material, as it is
// read, going to the first scene material that it matches and that has
// none yet: so a parsed material is held only while it is taken, and a file
// of any number of blocks holds at most one per scene material. The rule of
// matching depends on the Poser version, which the file may give after its
// materials: both rules are followed until the end.
class MaterialMatching {
public:
    MaterialMatching() {
        for (std::size_t s = 0; s < SceneMaterials.size(); ++s) {
            const std::string_view name = SceneMaterials[s].name.view();
            candidates_[UpperCase(name)].push_back(s);
            if (const std::string_view base = WithoutSuffix(name); base.size() != name.size())
                candidates_[UpperCase(base)].push_back(s);
        }
        for (auto& taken : taken_) taken.resize(SceneMaterials.size());
    }

    void Offer(const tmaterial& parsed) {
        const auto it = candidates_.find(UpperCase(parsed.name.view()));
        if (it == candidates_.end()) return;
        for (int rule = 0; rule < 2; ++rule)
            for (const std::size_t s : it->second) {
                std::optional<tmaterial>& taken = taken_[rule][s];
                if (taken || !MaterialMatches(parsed, SceneMaterials[s], rule == 0 ? 4 : 5)) continue;
                taken = parsed;
                break;
            }
    }

    // The parsed material each scene material took under the file's version.
    std::vector<std::optional<tmaterial>>& Taken(int32_t version) { return taken_[version < 5 ? 0 : 1]; }

private:
    std::unordered_map<std::string, std::vector<std::size_t>> candidates_;  // upper-case name -> scene materials
    std::vector<std::optional<tmaterial>> taken_[2];  // below version 5, from version 5 on
};

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
        if (SameText(keyword, names[i])) return i + 1;
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
                block.name = TextAfter(in.Line(), 4, tlightname::Capacity);
                if (in.ListFound()) LogMessage("Light " + block.name + " found.  Scanning...");
                taken = true;
            } else if (SameText(keyword, "K")) {
                block.values[current] = Number(in.Item(2));
                taken = true;
            }
            if (taken) {
                block.seen[current] = true;
                ++found;
            }
        }
        if (found >= LightValueCount || SameText(keyword, "LIGHTON")) break;
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
        if (SameText(keyword, "USECAMERA")) {
            // Longer than any camera's name, it names none.
            active = TextAfter(in.Line(), 9, tname::Capacity + 1);
            LogMessage("Active camera in scene: " + active);
        } else if (SameText(keyword, "DIMENSIONS")) {
            const std::string_view width = in.Item(1), height = in.Item(2);
            viewportWidth = TextToInt(width);
            viewportHeight = TextToInt(height);
            haveViewport = true;
            LogMessage("Camera viewport dimensions: " + Shown(width) + " x " + Shown(height));
        } else if (SameText(keyword, "CAMERA")) {
            // A block past the last slot reuses the last slot.
            if (slots.size() < MaxCameraSlots) slots.emplace_back();
            ReadCameraBlock(in, slots.back());
        }
    }
    in.LogUnlisted();
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

void ReadMaterials(PoserLines& in) {
    int32_t version = 4;
    MaterialMatching matching;
    tmaterial parsed;
    while (in.Next()) {
        AdvanceProgress(0, ProgressRange, 1);
        if (in.KeywordIs("MATERIAL")) {
            const std::string_view rest = in.Line().substr(8);
            if (in.ListFound()) LogMessage("Material entry " + Shown(rest) + " found.  Scanning...");
            BlockItems items(in, rest);
            if (ParseMaterialBlock(items, parsed)) matching.Offer(parsed);
        } else if (in.KeywordIs("VERSION")) {
            while (in.Next() && in.Line() != "}") {
                if (in.Count() >= 2 && in.KeywordIs("NUMBER")) {
                    // "5.0" is version 5 as much as "5" is.
                    const std::string_view number = in.Item(1);
                    version = TextToInt(number);
                    if (version == 0) version = RoundToInt32(Trunc(Number(number)));
                    LogMessage("Poser " + std::to_string(version) + " scene file");
                }
            }
        }
    }

    in.LogUnlisted();
    LogMessage("Parsing information...");
    LogMessage("Matching materials...");
    std::vector<std::optional<tmaterial>>& taken = matching.Taken(version);
    ResetProgress();
    for (std::size_t s = 0; s < SceneMaterials.size(); ++s) {
        ShowProgress(0, static_cast<double>(SceneMaterials.size()), static_cast<double>(s + 1));
        if (!taken[s]) continue;
        tmaterial& scene = SceneMaterials[s];
        tmaterial m = std::move(*taken[s]);
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
        if (in.Count() < 2 || !in.KeywordIs("LIGHT")) continue;
        if (ReadLightBlock(in, block)) read.push_back(MakeLight(block));
    }
    in.LogUnlisted();
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
    ReadMaterials(in);
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
    ReadMaterials(in);
}

void ReadPoserLightsText(const std::string& fileName, std::string_view text) {
    BeginPass();
    PoserLines in(fileName, text);
    ReadLights(in);
}
