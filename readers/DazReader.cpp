#include "readers/DazReader.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "model/Errors.h"
#include "model/LightPanel.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "readers/ReaderCommon.h"

namespace {

// Script units per model unit, and colour steps per unit.
constexpr double DazUnitsPerModelUnit = 240.0;
constexpr double DazColorScale = 255.0;
// The frame a DAZ|Studio focal length refers to.
constexpr double DazFrameSize = 30.59;

// The markers and property names the readers look for among the items of a
// line.
constexpr std::string_view ScriptNames[] = {
    "DzPointLight", "DzDistantLight", "DzSpotLight", "DzBasicCamera", "];",      "default:",     "XTranslate",
    "YTranslate",   "ZTranslate",     "XRotate",     "YRotate",       "ZRotate", "Color",        "Spread Angle",
    "Cast Shadows", "Visible",        "Intensity",   "Perspective",   "Focal Length"};

// The lines of a script, each trimmed; the case is kept. A line is a view
// into the script's text; only its first items are split off, and the
// names it holds are found in one pass over its items, none of which is
// kept: a line of millions of items takes no memory of its own.
class ScriptLines {
public:
    // The items a value is read from: the property's fourth to seventh.
    static constexpr std::size_t LineItems = 7;

    explicit ScriptLines(const std::string& fileName) : fileName_(fileName) {
        if (!reader_.Open(fileName)) throw ReadError("Cannot open file " + ExtractFileName(fileName), fileName);
    }
    // The lines of a script already in memory, named `fileName` in messages.
    ScriptLines(const std::string& fileName, std::string_view text)
        : fileName_(fileName), reader_(std::string(text)) {}
    bool Next() {
        if (reader_.Eof()) return false;
        line_ = TrimmedView(reader_.ReadLine());
        items_ = &splitter_.SplitFirst(line_, LineItems);
        namesFound_ = false;
        ++number_;
        return true;
    }
    std::string_view Line() const { return line_; }
    // The number of items, counted up to LineItems.
    std::size_t Count() const { return items_->size(); }
    // Item n, 1-based, up to LineItems; ReadError past the end of the line.
    std::string_view Item(std::size_t n, std::string_view property) const {
        if (n < 1 || n > items_->size())
            throw ReadError("Line " + std::to_string(number_) + " of " + ExtractFileName(fileName_) +
                                " ends before the value of " + std::string(property),
                            fileName_, number_);
        return (*items_)[n - 1];
    }
    // True when one of the items equals `name` (one of ScriptNames),
    // ignoring case.
    bool Has(std::string_view name) {
        if (!namesFound_) FindNames();
        for (std::size_t i = 0; i < std::size(ScriptNames); ++i)
            if (ScriptNames[i] == name) return (names_ >> i) & 1;
        throw std::logic_error("not a name of the script readers: " + std::string(name));
    }
    const std::string& FileName() const { return fileName_; }
    int64_t Number() const { return number_; }
    // Back to the first line, for a second pass.
    void Rewind() {
        reader_.Rewind();
        number_ = 0;
    }

private:
    void FindNames() {
        names_ = 0;
        CommaTextWords words(line_);
        for (std::string_view item; words.Next(item);)
            for (std::size_t i = 0; i < std::size(ScriptNames); ++i)
                if (SameText(item, ScriptNames[i])) names_ |= uint32_t{1} << i;
        namesFound_ = true;
    }

    std::string fileName_;
    TextLineReader reader_;
    CommaTextSplitter splitter_;
    std::string_view line_;
    const std::vector<std::string_view>* items_ = nullptr;
    uint32_t names_ = 0;  // bit i: the line has ScriptNames[i]
    bool namesFound_ = false;
    int64_t number_ = 0;
};

// Light n (1-based) may be given values only when at least n lights were
// declared before; ReadError otherwise.
void CheckDeclared(std::size_t declared, int n, const ScriptLines& in, const char* what) {
    if (n < 1 || static_cast<std::size_t>(n) > declared)
        throw ReadError("Line " + std::to_string(in.Number()) + " of " + ExtractFileName(in.FileName()) +
                            " sets " + what + " " + std::to_string(n) + ", but only " + std::to_string(declared) +
                            " are declared",
                        in.FileName(), in.Number());
}

bool IsWholeNumber(std::string_view value, int32_t& target) {
    int64_t v = 0;
    if (!ParseInt(value, v) || v < INT32_MIN || v > INT32_MAX) return false;
    target = static_cast<int32_t>(v);
    return true;
}

tvector SpotDirection(const tlight& l) {
    tvector d{0, 0, -Scene.extents.diagonal};
    d = RotateAboutAxis(d, {1, 0, 0}, l.elevation * DegToRad);
    d = RotateAboutAxis(d, {0, 1, 0}, l.rotation * DegToRad);
    d = RotateAboutAxis(d, {0, 0, 1}, l.thirdAngle * DegToRad);
    return d;
}

// The values a script gives a light or a camera, in the order in which
// the records are built from them. Of each, the first the script gives wins.
enum LightField : int {
    LightPosX, LightPosY, LightPosZ, LightRot1, LightRot2, LightRot3, LightColorR, LightColorG, LightColorB,
    LightFalloff, LightStyle, LightShadow, LightLiteOn, LightIntensity, LightFieldCount
};
constexpr const char* LightFieldNames[LightFieldCount] = {"posx",   "posy",   "posz",    "rot1",   "rot2",
                                                          "rot3",   "colorr", "colorg",  "colorb", "falloff",
                                                          "style",  "shadow", "liteon",  "intensity"};
enum CameraField : int {
    CameraPosX, CameraPosY, CameraPosZ, CameraRotX, CameraRotY, CameraRotZ, CameraNotOrtho, CameraZoom,
    CameraFieldCount
};

// The values given so far: bit f of entry n - 1 for field f of light or
// camera n.
class GivenValues {
public:
    explicit GivenValues(std::size_t count) : given_(count) {}
    // True the first time field `field` of record n is given.
    bool First(int n, int field) {
        uint16_t& g = given_[static_cast<std::size_t>(n - 1)];
        const uint16_t bit = static_cast<uint16_t>(1u << field);
        if (g & bit) return false;
        g |= bit;
        return true;
    }

private:
    std::vector<uint16_t> given_;
};

}  // namespace

tvector RotateByEulerDegrees(const tvector& p, const tvector& angles) {
    const double a = angles.x * DegToRad, b = angles.y * DegToRad, c = angles.z * DegToRad;
    const double cx = std::cos(a), sx = std::sin(a);
    const double cy = std::cos(b), sy = std::sin(b);
    const double cz = std::cos(c), sz = std::sin(c);
    return {(cz * cy) * p.x + (sz * cx + cz * sy * sx) * p.y + (sz * sx - cz * sy * cx) * p.z,
            (-sz * cy) * p.x + (cz * cx - sx * sz * sy) * p.y + (cz * sx + sz * sy * cx) * p.z,
            sy * p.x + (-sx * cy) * p.y + (cx * cy) * p.z};
}

namespace {

// One pass over a light script: each light declared in m_aNewLights calls
// `declared(name)`, each value that the routine createLight gives light n
// calls `value(n, field, text)`. ReadError where a value runs past the end
// of its line or an undeclared light is given values.
template <typename Declared, typename Value>
void ScanLights(ScriptLines& in, Declared&& declared, Value&& value) {
    std::string styles;  // of each declaration: "3", "0", "1", or none yet
    char style = 0;
    bool inArray = false, inCreate = false;
    int n = 0;
    const auto give = [&](LightField field, std::string_view text) {
        if (n > 0) value(n, field, text);  // values before the first light belong to none
    };
    while (in.Next()) {
        if (in.Count() >= 2 && in.Item(1, "var") == "var" && in.Item(2, "var") == "m_aNewLights") inArray = true;
        if (inArray && (in.Has("DzPointLight") || in.Has("DzDistantLight") || in.Has("DzSpotLight"))) {
            const std::string_view kind = in.Count() >= 3 ? in.Item(3, "the light") : std::string_view();
            if (kind == "DzPointLight") style = '3';
            else if (kind == "DzDistantLight") style = '0';
            else if (kind == "DzSpotLight") style = '1';
            if (in.Has("];")) inArray = false;
            const std::string_view name = in.Item(2, "the light");
            styles.push_back(style);
            declared(name);
        }
        if (in.Line().starts_with("function createLight")) {
            inCreate = true;
            n = 0;
        }
        if (!inCreate) continue;
        if (in.Has("XTranslate")) {
            ++n;
            CheckDeclared(styles.size(), n, in, "light");
            const std::size_t i = static_cast<std::size_t>(n - 1);
            give(LightStyle, styles[i] ? std::string_view(styles).substr(i, 1) : std::string_view());
            give(LightPosX, in.Item(4, "XTranslate"));
        }
        static constexpr std::pair<const char*, LightField> single[] = {
            {"YTranslate", LightPosY}, {"ZTranslate", LightPosZ}, {"XRotate", LightRot1}, {"YRotate", LightRot2},
            {"ZRotate", LightRot3}};
        for (const auto& [property, field] : single)
            if (in.Has(property)) give(field, in.Item(4, property));
        if (in.Has("Color")) {
            give(LightColorR, in.Item(5, "Color"));
            give(LightColorG, in.Item(6, "Color"));
            give(LightColorB, in.Item(7, "Color"));
        }
        static constexpr std::pair<const char*, LightField> more[] = {{"Spread Angle", LightFalloff},
                                                                      {"Cast Shadows", LightShadow},
                                                                      {"Visible", LightLiteOn},
                                                                      {"Intensity", LightIntensity}};
        for (const auto& [property, field] : more)
            if (in.Has(property)) give(field, in.Item(4, property));
        if (in.Has("default:")) inCreate = false;
    }
}

void ReadLights(ScriptLines& in) {
    // The lights are counted first and then built once, in a list sized to
    // them: a script of millions of lights takes its text and its lights.
    std::size_t count = 0;
    ScanLights(in, [&](std::string_view) { ++count; }, [](int, LightField, std::string_view) {});
    if (count == 0) {
        LogMessage("<!> No lights found");
        return;
    }
    in.Rewind();

    // Every light is built before the old ones go, so a value that does not
    // convert leaves the user's lights in place. Of several such values the
    // first in the order of the build is reported.
    std::vector<tlight> lights;
    lights.reserve(count);
    GivenValues given(count);
    int64_t badRank = INT64_MAX;
    std::string bad;
    const auto declared = [&](std::string_view name) {
        tlight l;
        NewLight(l);
        l.fadeDistance = 0.1;
        l.name = name;
        lights.push_back(std::move(l));
    };
    const auto value = [&](int n, LightField field, std::string_view text) {
        if (!given.First(n, field) || text.empty()) return;
        tlight& l = lights[static_cast<std::size_t>(n - 1)];
        switch (field) {
            case LightPosX: l.position.x = TextToFloat(text) / DazUnitsPerModelUnit; break;
            case LightPosY: l.position.y = TextToFloat(text) / DazUnitsPerModelUnit; break;
            case LightPosZ: l.position.z = TextToFloat(text) / DazUnitsPerModelUnit; break;
            case LightRot1: l.elevation = TextToFloat(text); break;
            case LightRot2: l.rotation = TextToFloat(text); break;
            case LightRot3: l.thirdAngle = TextToFloat(text); break;
            case LightColorR: l.color.x = TextToFloat(text) / DazColorScale; break;
            case LightColorG: l.color.y = TextToFloat(text) / DazColorScale; break;
            case LightColorB: l.color.z = TextToFloat(text) / DazColorScale; break;
            case LightFalloff: l.spotSpread = static_cast<float>(TextToFloat(text) / 2); break;
            case LightIntensity: l.intensity = TextToFloat(text); break;
            case LightStyle:
            case LightShadow:
            case LightLiteOn: {
                int32_t& target = field == LightStyle ? l.kind : field == LightShadow ? l.shadow : l.optionA;
                const int64_t rank = static_cast<int64_t>(n) * LightFieldCount + field;
                if (!IsWholeNumber(text, target) && rank < badRank) {
                    badRank = rank;
                    // A value is shown as long as a name may be, so that
                    // a line of millions of characters gives a short message.
                    constexpr std::size_t Shown = 255;
                    bad = "The value " + std::string(text.substr(0, Shown)) + (text.size() > Shown ? "..." : "") +
                          " of #mirelan_lite_" + LightFieldNames[field] + "_" +
                          std::to_string(n) + " in " + ExtractFileName(in.FileName()) + " is not a whole number";
                }
                break;
            }
            case LightFieldCount: break;
        }
    };
    ScanLights(in, declared, value);
    if (!bad.empty()) throw ReadError(bad, in.FileName());
    for (tlight& l : lights)
        if (l.kind == LightSpot) l.pointAt = AddVectors(l.position, SpotDirection(l));

    ClearLights();
    Lights.swap(lights);
    Form1.ComboBox2.index = 0;
    RefreshLightPanel(0);
    Svc().status->ProcessPendingMessages();
    Svc().status->ProcessPendingMessages();
    LogMessage(std::to_string(count) + " lights read");
}

// One pass over a camera script: each camera declared in m_aNewCameras
// calls `declared(name)`, each value that the routine createCamera gives
// camera n calls `value(n, field, text)`. Returns the number of cameras
// that the last createCamera sets up. ReadError as for lights.
template <typename Declared, typename Value>
int ScanCameras(ScriptLines& in, Declared&& declared, Value&& value) {
    std::size_t declarations = 0;
    bool inArray = false, inCreate = false;
    int n = 0;
    while (in.Next()) {
        if (in.Line().starts_with("var m_aNewCameras")) inArray = true;
        if (inArray && in.Has("DzBasicCamera")) {
            if (in.Has("];")) inArray = false;
            declared(in.Item(2, "the camera"));
            ++declarations;
        }
        if (in.Line().starts_with("function createCamera")) {
            inCreate = true;
            n = 0;
        }
        if (!inCreate) continue;
        if (in.Has("XTranslate")) {
            ++n;
            CheckDeclared(declarations, n, in, "camera");
            value(n, CameraPosX, in.Item(4, "XTranslate"));
        }
        static constexpr std::pair<const char*, CameraField> properties[] = {
            {"YTranslate", CameraPosY}, {"ZTranslate", CameraPosZ},      {"XRotate", CameraRotX},
            {"YRotate", CameraRotY},    {"ZRotate", CameraRotZ},         {"Perspective", CameraNotOrtho},
            {"Focal Length", CameraZoom}};
        for (const auto& [property, field] : properties) {
            if (!in.Has(property)) continue;
            const std::string_view text = in.Item(4, property);
            if (n > 0) value(n, field, text);  // values before the first camera belong to none
        }
        if (in.Has("default:")) inCreate = false;
    }
    return n;
}

void ReadCameras(ScriptLines& in) {
    // Counted first: the cameras given values (the most of any createCamera)
    // and those the last one sets up, which are kept.
    int given = 0;
    const int count = ScanCameras(in, [](std::string_view) {}, [&](int n, CameraField, std::string_view) {
        given = std::max(given, n);
    });
    if (count == 0) {
        LogMessage("<!> No cameras found");
        return;
    }
    in.Rewind();

    // The cameras are built in Cameras itself, which nothing reads while
    // the script is scanned; until the scan is done their fields hold the
    // values as read (the position in the pans and the distance, the focal
    // length in the zoom). Should the scan fail, they go again. The camera
    // presets list them from Cameras; no window shows the list before the
    // read is done.
    const std::string scriptName = ExtractFileName(in.FileName());
    const std::size_t before = Cameras.size();
    Cameras.reserve(before + static_cast<std::size_t>(given));
    GivenValues values(static_cast<std::size_t>(given));
    try {
        std::size_t declared = 0;
        ScanCameras(
            in,
            [&](std::string_view name) {
                if (declared++ < static_cast<std::size_t>(given)) {
                    tcamera c;
                    c.name = std::string(name) + "-" + scriptName;
                    Cameras.push_back(std::move(c));
                }
            },
            [&](int n, CameraField field, std::string_view text) {
                if (!values.First(n, field)) return;
                tcamera& c = Cameras[before + static_cast<std::size_t>(n - 1)];
                switch (field) {
                    case CameraPosX: c.panH = TextToFloat(text); break;
                    case CameraPosY: c.panV = TextToFloat(text); break;
                    case CameraPosZ: c.distance = TextToFloat(text); break;
                    case CameraRotX: c.pitch = TextToFloat(text); break;
                    case CameraRotY: c.yaw = TextToFloat(text); break;
                    case CameraRotZ: c.roll = TextToFloat(text); break;
                    case CameraNotOrtho: c.noPerspective = text == "0" ? 1 : 0; break;
                    case CameraZoom: c.zoom = TextToFloat(text); break;
                    case CameraFieldCount: break;
                }
            });
        Cameras.erase(Cameras.begin() + static_cast<std::ptrdiff_t>(before + static_cast<std::size_t>(count)),
                      Cameras.end());
    } catch (...) {
        Cameras.erase(Cameras.begin() + static_cast<std::ptrdiff_t>(before), Cameras.end());
        throw;
    }

    int32_t width = 0, height = 0;
    Svc().window->PreviewClientSize(width, height);
    for (std::size_t i = before; i < Cameras.size(); ++i) {
        tcamera& c = Cameras[i];
        const double f = c.zoom;
        c.zoom = f > Epsilon ? 2 * std::atan(DazFrameSize / (2 * f)) * RadToDeg : 170.0;
        c.useFocalBlur = 0;
        c.reserved1 = 1.0;
        c.focusBack = c.focusFront = c.reserved2 = 0;
        const tvector p = ScaleVector({c.panH, c.panV, c.distance}, 1 / DazUnitsPerModelUnit);
        const tvector r = RotateByEulerDegrees(p, {c.pitch, c.yaw, c.roll});
        c.panH = r.x;
        c.panV = r.y;
        c.distance = r.z;
        c.translation = {0, 0, 0};
        c.previewWidth = width;
        c.previewHeight = height;
    }
    LogMessage(std::to_string(count) + " cameras read");
    Form1.ComboBox8.index = static_cast<int32_t>(Cameras.size()) - 1;
    Svc().window->SelectCameraPreset(Form1.ComboBox8.index);
}

}  // namespace

void ReadDazLights(const std::string& fileName) {
    ReadWithinMemory(fileName, [&] {
        ScriptLines in(fileName);
        ReadLights(in);
    });
}

void ReadDazCameras(const std::string& fileName) {
    ReadWithinMemory(fileName, [&] {
        ScriptLines in(fileName);
        ReadCameras(in);
    });
}

void ReadDazLightsText(const std::string& fileName, std::string_view text) {
    ReadWithinMemory(fileName, [&] {
        ScriptLines in(fileName, text);
        ReadLights(in);
    });
}

void ReadDazCamerasText(const std::string& fileName, std::string_view text) {
    ReadWithinMemory(fileName, [&] {
        ScriptLines in(fileName, text);
        ReadCameras(in);
    });
}
