#include "readers/DazReader.h"

#include <cmath>
#include <cstdint>
#include <iterator>
#include <map>
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

// The values collected from a script, by key; the first value of a key wins.
class ValueList {
public:
    void Add(std::string key, std::string_view value) { values_.emplace(std::move(key), std::string(value)); }
    // "" when the key was never added.
    const std::string& Get(const std::string& key) const {
        static const std::string none;
        const auto it = values_.find(key);
        return it == values_.end() ? none : it->second;
    }

private:
    std::map<std::string, std::string> values_;
};

// The n-th declared name (1-based); ReadError when the script creates more
// lights or cameras than it declares.
const std::string& Declared(const std::vector<std::string>& names, int n, const ScriptLines& in, const char* what) {
    if (n < 1 || n > static_cast<int>(names.size()))
        throw ReadError("Line " + std::to_string(in.Number()) + " of " + ExtractFileName(in.FileName()) +
                            " sets " + what + " " + std::to_string(n) + ", but only " + std::to_string(names.size()) +
                            " are declared",
                        in.FileName(), in.Number());
    return names[static_cast<std::size_t>(n - 1)];
}

int32_t WholeNumber(const std::string& value, const std::string& key, const std::string& fileName) {
    int64_t v = 0;
    if (!ParseInt(value, v) || v < INT32_MIN || v > INT32_MAX)
        throw ReadError("The value " + value + " of " + key + " in " + ExtractFileName(fileName) +
                            " is not a whole number",
                        fileName);
    return static_cast<int32_t>(v);
}

// Sets `target` from the value of `key` when the script gave one.
template <typename Set>
void IfGiven(const ValueList& values, const std::string& key, Set&& set) {
    const std::string& v = values.Get(key);
    if (!v.empty()) set(v);
}

tvector SpotDirection(const tlight& l) {
    tvector d{0, 0, -Scene.extents.diagonal};
    d = RotateAboutAxis(d, {1, 0, 0}, l.elevation * DegToRad);
    d = RotateAboutAxis(d, {0, 1, 0}, l.rotation * DegToRad);
    d = RotateAboutAxis(d, {0, 0, 1}, l.thirdAngle * DegToRad);
    return d;
}

std::string LightKey(const char* field, int n) { return std::string("#mirelan_lite_") + field + "_" + std::to_string(n); }
std::string CameraKey(const char* field, int n) { return "camera" + std::to_string(n) + field; }

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

void ReadLights(ScriptLines& in) {
    const std::string& fileName = in.FileName();
    ValueList values;
    std::vector<std::string> names, styles;
    std::string style;
    bool inArray = false, inCreate = false;
    int n = 0;
    while (in.Next()) {
        if (in.Count() >= 2 && in.Item(1, "var") == "var" && in.Item(2, "var") == "m_aNewLights") inArray = true;
        if (inArray && (in.Has("DzPointLight") || in.Has("DzDistantLight") || in.Has("DzSpotLight"))) {
            const std::string_view kind = in.Count() >= 3 ? in.Item(3, "the light") : std::string_view();
            if (kind == "DzPointLight") style = "3";
            else if (kind == "DzDistantLight") style = "0";
            else if (kind == "DzSpotLight") style = "1";
            if (in.Has("];")) inArray = false;
            names.emplace_back(in.Item(2, "the light"));
            styles.push_back(style);
        }
        if (in.Line().starts_with("function createLight")) {
            inCreate = true;
            n = 0;
        }
        if (!inCreate) continue;
        if (in.Has("XTranslate")) {
            ++n;
            Declared(names, n, in, "light");  // its name is the n-th declared
            values.Add(LightKey("style", n), styles[static_cast<std::size_t>(n - 1)]);
            values.Add(LightKey("posx", n), in.Item(4, "XTranslate"));
        }
        static constexpr std::pair<const char*, const char*> single[] = {
            {"YTranslate", "posy"}, {"ZTranslate", "posz"}, {"XRotate", "rot1"}, {"YRotate", "rot2"},
            {"ZRotate", "rot3"}};
        for (const auto& [property, field] : single)
            if (in.Has(property)) values.Add(LightKey(field, n), in.Item(4, property));
        if (in.Has("Color")) {
            values.Add(LightKey("colorr", n), in.Item(5, "Color"));
            values.Add(LightKey("colorg", n), in.Item(6, "Color"));
            values.Add(LightKey("colorb", n), in.Item(7, "Color"));
        }
        static constexpr std::pair<const char*, const char*> more[] = {
            {"Spread Angle", "falloff"}, {"Cast Shadows", "shadow"}, {"Visible", "liteon"}, {"Intensity", "intensity"}};
        for (const auto& [property, field] : more)
            if (in.Has(property)) values.Add(LightKey(field, n), in.Item(4, property));
        if (in.Has("default:")) inCreate = false;
    }

    const int count = static_cast<int>(names.size());
    if (count == 0) {
        LogMessage("<!> No lights found");
        return;
    }

    // Every light is built before the old ones go, so a value that does not
    // convert leaves the user's lights in place.
    std::vector<tlight> lights;
    lights.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        tlight l;
        NewLight(l);
        l.fadeDistance = 0.1;
        l.name = names[static_cast<std::size_t>(i - 1)];
        const auto number = [&](const char* field, double& target, double scale) {
            IfGiven(values, LightKey(field, i), [&](const std::string& v) { target = TextToFloat(v) / scale; });
        };
        const auto whole = [&](const char* field, int32_t& target) {
            const std::string key = LightKey(field, i);
            IfGiven(values, key, [&](const std::string& v) { target = WholeNumber(v, key, fileName); });
        };
        number("posx", l.position.x, DazUnitsPerModelUnit);
        number("posy", l.position.y, DazUnitsPerModelUnit);
        number("posz", l.position.z, DazUnitsPerModelUnit);
        number("rot1", l.elevation, 1);
        number("rot2", l.rotation, 1);
        number("rot3", l.thirdAngle, 1);
        number("colorr", l.color.x, DazColorScale);
        number("colorg", l.color.y, DazColorScale);
        number("colorb", l.color.z, DazColorScale);
        IfGiven(values, LightKey("falloff", i),
                [&](const std::string& v) { l.spotSpread = static_cast<float>(TextToFloat(v) / 2); });
        whole("style", l.kind);
        whole("shadow", l.shadow);
        whole("liteon", l.optionA);
        number("intensity", l.intensity, 1);
        if (l.kind == LightSpot) l.pointAt = AddVectors(l.position, SpotDirection(l));
        lights.push_back(l);
    }

    ClearLights();
    Lights = std::move(lights);
    tcombobox& selector = Form1.ComboBox2;
    selector.items.clear();
    for (const tlight& l : Lights) selector.items.push_back(l.name.str());
    selector.index = 0;
    RefreshLightPanel(0);
    Svc().status->ProcessPendingMessages();
    Svc().status->ProcessPendingMessages();
    LogMessage(std::to_string(count) + " lights read");
}

void ReadCameras(ScriptLines& in) {
    ValueList values;
    std::vector<std::string> names;
    const std::string scriptName = ExtractFileName(in.FileName());
    bool inArray = false, inCreate = false;
    int n = 0;
    while (in.Next()) {
        if (in.Line().starts_with("var m_aNewCameras")) inArray = true;
        if (inArray && in.Has("DzBasicCamera")) {
            if (in.Has("];")) inArray = false;
            names.emplace_back(in.Item(2, "the camera"));
        }
        if (in.Line().starts_with("function createCamera")) {
            inCreate = true;
            n = 0;
        }
        if (!inCreate) continue;
        if (in.Has("XTranslate")) {
            ++n;
            Declared(names, n, in, "camera");  // named after the n-th declared
            values.Add(CameraKey("posx", n), in.Item(4, "XTranslate"));
        }
        static constexpr std::pair<const char*, const char*> properties[] = {
            {"YTranslate", "posy"}, {"ZTranslate", "posz"},        {"XRotate", "rotx"}, {"YRotate", "roty"},
            {"ZRotate", "rotz"},    {"Perspective", "notortho"}, {"Focal Length", "zoom"}};
        for (const auto& [property, field] : properties)
            if (in.Has(property)) values.Add(CameraKey(field, n), in.Item(4, property));
        if (in.Has("default:")) inCreate = false;
    }

    if (n == 0) {
        LogMessage("<!> No cameras found");
        return;
    }

    int32_t width = 0, height = 0;
    Svc().window->PreviewClientSize(width, height);
    std::vector<tcamera> cameras;
    for (int i = 1; i <= n; ++i) {
        const auto number = [&](const char* field) { return TextToFloat(values.Get(CameraKey(field, i))); };
        tcamera c;
        c.name = names[static_cast<std::size_t>(i - 1)] + "-" + scriptName;
        const double f = number("zoom");
        c.zoom = f > Epsilon ? 2 * std::atan(DazFrameSize / (2 * f)) * RadToDeg : 170.0;
        c.useFocalBlur = 0;
        c.reserved1 = 1.0;
        c.focusBack = c.focusFront = c.reserved2 = 0;
        const tvector p = ScaleVector({number("posx"), number("posy"), number("posz")}, 1 / DazUnitsPerModelUnit);
        c.pitch = number("rotx");
        c.yaw = number("roty");
        c.roll = number("rotz");
        const tvector r = RotateByEulerDegrees(p, {c.pitch, c.yaw, c.roll});
        c.panH = r.x;
        c.panV = r.y;
        c.distance = r.z;
        c.translation = {0, 0, 0};
        c.previewWidth = width;
        c.previewHeight = height;
        c.noPerspective = values.Get(CameraKey("notortho", i)) == "0" ? 1 : 0;
        cameras.push_back(c);
    }

    tcombobox& presets = Form1.ComboBox8;
    for (tcamera& c : cameras) {
        presets.items.push_back(c.name.str());
        Cameras.push_back(std::move(c));
    }
    LogMessage(std::to_string(n) + " cameras read");
    presets.index = static_cast<int32_t>(presets.items.size()) - 1;
    Svc().window->SelectCameraPreset(static_cast<int32_t>(Cameras.size()) - 1);
}

}  // namespace

void ReadDazLights(const std::string& fileName) {
    ScriptLines in(fileName);
    ReadLights(in);
}

void ReadDazCameras(const std::string& fileName) {
    ScriptLines in(fileName);
    ReadCameras(in);
}

void ReadDazLightsText(const std::string& fileName, std::string_view text) {
    ScriptLines in(fileName, text);
    ReadLights(in);
}

void ReadDazCamerasText(const std::string& fileName, std::string_view text) {
    ScriptLines in(fileName, text);
    ReadCameras(in);
}
