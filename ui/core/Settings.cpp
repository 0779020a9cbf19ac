#include "ui/core/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>
#include <optional>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/Version.h"
#include "writers/FileText.h"
#include "writers/TextWriter.h"

namespace {

// ---- The keys of "[general]" in file order -------------------------------
// A key that a control of the control table carries is written and read by
// that control's kind; the others are handled by name below. A window's
// bounds are one entry ("bounds:" + the prefix of its four keys); a list is
// one entry named by its count key.
constexpr std::string_view kGeneralKeys[] = {
    "build", "lastdir", "searchdircount", "bounds:messagewindow", "savetodir", "bounds:helpwindow", "3dsfix",
    "bounds:F", "bounds:gl", "glstayontop", "wine", "autosmooth", "fixnames", "copymaps", "includelines",
    "resetcamera", "povusepaths", "fixtiff", "filehistcount", "glaxis", "glnormals", "gltextures", "gllights",
    "gldoublesided", "glreflect", "gldrawmode", "glbackgroundcolor", "displaygrid", "gridvertical",
    "gridhorizontal", "gridcolor", "autoupdate", "previewmaps", "showalphatextures", "mapsize", "mapsizex",
    "mapsizey", "glmapsizex", "glmapsizey", "useogl", "radiosity", "linethickness", "povw", "povh",
    "previewaspectratio", "povoutputformat", "povlocation", "hdrshop", "hdrmaxlites", "hdrshadowthreshold",
    "hdrsoftshadow", "hdrintensity", "hdrscaleintensity", "hdrabovehorzonly", "hdroutdoorscene", "mosaic",
    "aatype", "outputalpha", "overwritefiles", "resizemaps", "fixmaxresolution", "displayplaceholders",
    "showfocalarea", "showlitelocations", "continuepov", "additionalcommandscount", "disablematerials",
    "materialmode", "horizon", "horizoncolor", "previewlinecolor", "povuv", "usecutoff", "cutoffvalue",
    "normal_calc", "objgroupmatnamefix", "poserobj", "posercleanupgeom", "poserscene", "posermapdircount",
    "loadposercam", "loadposerlites", "dazobj", "dazcleanupgeom", "dazliteuse", "dazlite", "dazcamuse", "dazcam",
    "dazmapdir", "saveplaceholderspov", "strongliteshadow", "meshmode"};

// A window whose bounds the file keeps.
struct BoundsKeys {
    std::string_view entry;  // the entry of kGeneralKeys
    std::string_view x, y, w, h, visible;  // visible: "" when not written
    twindowbounds* bounds;
    bool* maximized;
    bool* shown;
};

const BoundsKeys kBounds[] = {
    {"bounds:messagewindow", "messagewindow_x", "messagewindow_y", "messagewindow_w", "messagewindow_h",
     "messagewindow_visible", &Form4.bounds, &Form4.maximized, &Form4.visible},
    {"bounds:helpwindow", "helpwindow_x", "helpwindow_y", "helpwindow_w", "helpwindow_h", "helpwindow_visible",
     &Form5.bounds, &Form5.maximized, &Form5.visible},
    {"bounds:F", "Fposx", "Fposy", "Fwidth", "Fheight", "", &Form1.bounds, &Form1.maximized, nullptr},
    {"bounds:gl", "glposx", "glposy", "glwidth", "glheight", "", &Form9.bounds, &Form9.maximized, nullptr},
};

// A list of lines kept as a count key and numbered item keys.
struct ListKeys {
    std::string_view countKey;
    std::string_view itemPrefix;
    int firstNumber;
};

const ListKeys kLists[] = {
    {"searchdircount", "searchdir", 0},
    {"filehistcount", "file", 0},
    {"additionalcommandscount", "inicommand", 1},
    {"posermapdircount", "posermapdir", 0},
};

const ListKeys* FindList(std::string_view key) {
    for (const ListKeys& l : kLists)
        if (l.countKey == key) return &l;
    return nullptr;
}

const BoundsKeys* FindBounds(std::string_view entry) {
    for (const BoundsKeys& b : kBounds)
        if (b.entry == entry) return &b;
    return nullptr;
}

// The lines a list entry stands for.
std::vector<std::string>& ListLines(std::string_view countKey) {
    if (countKey == "searchdircount") return searchForm2.Memo1.lines;
    if (countKey == "filehistcount") return Form1.ComboBox15.items;
    if (countKey == "additionalcommandscount") return Form1.Memo1.lines;
    return Form3.Memo1.lines;
}

std::string WithoutFinalSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string ProgramFolder() { return WithoutFinalSlash(ProgramDir()); }

std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<int32_t> StrictInt(std::string_view s) {
    int64_t v = 0;
    if (!ParseInt(s, v) || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(v);
}

std::string Quoted(std::string_view name) {
    std::string out = "\"";
    for (const char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string Int(int64_t v) { return std::to_string(v); }

// The settings file that the program could not read as its own at start-up,
// kept when the settings are saved.
std::string keptFile;

// ---- Writing ---------------------------------------------------------------

void WriteControl(std::vector<std::string>& out, std::string_view key, const ControlInfo& c) {
    const std::string prefix = std::string(key) + "=";
    switch (c.kind) {
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
            if (GetControlValue(c) == "1") out.push_back(prefix + "1");
            break;
        case ControlKind::Edit:
        case ControlKind::ComboBox:
        case ControlKind::UpDown:
        case ControlKind::Label:
        case ControlKind::Panel: out.push_back(prefix + GetControlValue(c)); break;
        default: break;
    }
}

void WriteBounds(std::vector<std::string>& out, const BoundsKeys& b) {
    out.push_back(std::string(b.x) + "=" + Int(b.bounds->left));
    out.push_back(std::string(b.y) + "=" + Int(b.bounds->top));
    out.push_back(std::string(b.w) + "=" + Int(*b.maximized ? -1 : b.bounds->width));
    out.push_back(std::string(b.h) + "=" + Int(*b.maximized ? -1 : b.bounds->height));
    if (!b.visible.empty()) out.push_back(std::string(b.visible) + "=" + (*b.shown ? "1" : "0"));
}

void WriteList(std::vector<std::string>& out, const ListKeys& l) {
    const std::vector<std::string>& lines = ListLines(l.countKey);
    out.push_back(std::string(l.countKey) + "=" + Int(static_cast<int64_t>(lines.size())));
    for (std::size_t i = 0; i < lines.size(); ++i)
        out.push_back(std::string(l.itemPrefix) + Int(static_cast<int64_t>(i) + l.firstNumber) + "=" + lines[i]);
}

std::string CameraLine(const tcamera& c) {
    std::vector<std::string> fields = {
        FloatToStrDot(c.zoom),         FloatToStrDot(c.reserved1), FloatToStrDot(c.focusBack),
        FloatToStrDot(c.focusFront),   FloatToStrDot(c.reserved2), FloatToStrDot(c.panH),
        FloatToStrDot(c.panV),         FloatToStrDot(c.distance),  FloatToStrDot(c.pitch),
        FloatToStrDot(c.yaw),          FloatToStrDot(c.roll),      FloatToStrDot(c.translation.x),
        FloatToStrDot(c.translation.y), FloatToStrDot(c.translation.z), Int(c.previewWidth),
        Int(c.previewHeight),          BoolToText(c.noPerspective), BoolToText(c.useFocalBlur)};
    return Quoted(c.name.str()) + "," + JoinCommaText(fields);
}

std::string PresetLine(const tlightpreset& p) {
    return Quoted(p.name.str()) + "," + Int(p.first) + "," + Int(p.count);
}

std::string LightLine(const tlight& l) {
    std::vector<std::string> fields = {
        FloatToStrDot(l.position.x), FloatToStrDot(l.position.y), FloatToStrDot(l.position.z),
        FloatToStrDot(l.elevation),  FloatToStrDot(l.rotation),   FloatToStrDot(l.thirdAngle),
        FloatToStrDot(l.color.x),    FloatToStrDot(l.color.y),    FloatToStrDot(l.color.z),
        FloatToStrDot(l.spotTightness), FloatToStrDot(l.spotSpread), Int(l.kind),
        Int(l.shadow),               Int(l.optionA),              FloatToStrDot(l.intensity),
        FloatToStrDot(l.factorB),    FloatToStrDot(l.pointAt.x),  FloatToStrDot(l.pointAt.y),
        FloatToStrDot(l.pointAt.z),  BoolToText(l.jitter),        FloatToStrDot(l.areaSize),
        Int(l.areaSamples),          Int(l.optionC),              Int(l.optionD),
        FloatToStrDot(l.fadeDistance)};
    return Quoted(l.name.str()) + "," + JoinCommaText(fields);
}

// ---- Reading ---------------------------------------------------------------

struct GeneralSection {
    std::map<std::string, std::string> values;  // lower-case key -> value, first line wins
    std::size_t lineCount = 0;                   // lines of the whole file

    const std::string* Find(std::string_view key) const {
        const auto it = values.find(ToLowerAscii(key));
        return it == values.end() ? nullptr : &it->second;
    }
};

std::vector<std::string> SplitFileLines(std::string_view text) {
    std::vector<std::string> lines;
    TextLineReader reader{std::string(text)};
    while (!reader.Eof()) lines.emplace_back(reader.ReadLine());
    return lines;
}

bool IsSectionLine(std::string_view line, std::string_view section) {
    return SameText(TrimBlanks(line), section);
}

GeneralSection ReadGeneral(const std::vector<std::string>& lines) {
    GeneralSection g;
    g.lineCount = lines.size();
    bool inGeneral = false;
    for (const std::string& raw : lines) {
        const std::string_view line = TrimBlanks(raw);
        if (!line.empty() && line.front() == '[') {
            inGeneral = SameText(line, "[general]");
            continue;
        }
        if (!inGeneral) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key = ToLowerAscii(TrimBlanks(line.substr(0, eq)));
        if (key.empty()) continue;
        g.values.emplace(key, std::string(TrimBlanks(line.substr(eq + 1))));
    }
    return g;
}

void ReadControl(const GeneralSection& g, std::string_view key, const ControlInfo& c) {
    const std::string* value = g.Find(key);
    switch (c.kind) {
        case ControlKind::CheckBox: {
            tcheckbox& box = *std::get<tcheckbox*>(c.ref);
            const bool on = value && *value == "1";
            if (key == "glstayontop") {
                if (on) box.checked = true;  // never unchecks
            } else if (key == "wine") {
                if (value) box.checked = on;  // a missing key leaves it
            } else {
                box.checked = on;
            }
            break;
        }
        case ControlKind::RadioButton: {
            const bool on = value && *value == "1";
            if (on)
                SetControlValue(c, "1");
            else
                std::get<tradiobutton*>(c.ref)->checked = false;
            break;
        }
        case ControlKind::Edit: {
            tedit& edit = *std::get<tedit*>(c.ref);
            if (key == "savetodir" && !value) {
                edit.text = ProgramFolder();
                break;
            }
            if (!value) break;  // a missing key leaves the text
            if (key == "glmapsizex" || key == "glmapsizey") {
                // The size and its up-down, which holds the power of two.
                double size = 0;
                if (!ParseDouble(*value, size) || !(size >= 1.0) || size > 1e9) break;
                edit.text = *value;
                tupdown& updown = key == "glmapsizex" ? Form1.UpDown3 : Form1.UpDown4;
                const int32_t power = static_cast<int32_t>(Round(std::log2(size)));
                updown.position = std::clamp(power, updown.min, updown.max);
            } else if (key == "savetodir") {
                edit.text = DirectoryExists(*value) ? *value : ProgramFolder();
            } else {
                edit.text = *value;
            }
            break;
        }
        case ControlKind::ComboBox: {
            if (!value) break;
            tcombobox& combo = *std::get<tcombobox*>(c.ref);
            const auto index = StrictInt(*value);
            if (!index || *index < -1 || *index >= static_cast<int32_t>(combo.items.size())) break;
            combo.index = *index;
            break;
        }
        case ControlKind::UpDown: {
            if (!value) break;
            const auto position = StrictInt(*value);
            if (position) SetControlValue(c, std::to_string(*position));  // clamps, shows it in its edit
            break;
        }
        case ControlKind::Label:
        case ControlKind::Panel: {
            if (!value) break;
            const auto color = StrictInt(*value);
            if (color) SetControlValue(c, std::to_string(*color));  // a malformed colour is ignored
            break;
        }
        default: break;
    }
}

void ReadBounds(const GeneralSection& g, const BoundsKeys& b) {
    const std::string* w = g.Find(b.w);
    if (!w || w->empty()) return;
    const auto width = StrictInt(*w);
    if (!width) return;
    if (*width == -1) {
        *b.maximized = true;  // and none of the four bounds is applied
        return;
    }
    const std::string* x = g.Find(b.x);
    const std::string* y = g.Find(b.y);
    const std::string* h = g.Find(b.h);
    if (!x || !y || !h) return;
    const auto left = StrictInt(*x), top = StrictInt(*y), height = StrictInt(*h);
    // Screen pixels; anything beyond is damage. The window is bounded by the
    // screen it lands on when the place is applied.
    constexpr int32_t kLimit = 100000;
    const auto inRange = [](int32_t v, int32_t low) { return v >= low && v <= kLimit; };
    if (!left || !top || !height || !inRange(*width, 1) || !inRange(*height, 1) || !inRange(*left, -kLimit) ||
        !inRange(*top, -kLimit))
        return;
    *b.bounds = {*left, *top, *width, *height};
    *b.maximized = false;
}

void ReadList(const GeneralSection& g, const ListKeys& l) {
    const std::string* countText = g.Find(l.countKey);
    if (!countText) return;
    const auto count = StrictInt(*countText);
    // Every item is a line of its own, so a count beyond the file's lines is
    // damage; it is skipped whole rather than filled with empty lines.
    if (!count || *count < 0 || static_cast<std::size_t>(*count) > g.lineCount) return;
    std::vector<std::string>& lines = ListLines(l.countKey);
    const bool history = l.countKey == "filehistcount";
    if (history) {
        lines.clear();
        Form1.ComboBox15.index = -1;
    } else if (l.countKey == "additionalcommandscount" && *count > 0) {
        lines.clear();
    }
    for (int32_t i = 0; i < *count; ++i) {
        const std::string key = std::string(l.itemPrefix) + std::to_string(static_cast<int64_t>(i) + l.firstNumber);
        const std::string* item = g.Find(key);
        if (history) {
            if (item) lines.push_back(*item);
        } else {
            lines.push_back(item ? *item : std::string());
        }
    }
    if (history && !lines.empty()) {
        Form1.ComboBox15.index = 0;
        Form1.ComboBox15.text = lines.front();
    }
}

void ReadSpecial(const GeneralSection& g, std::string_view entry) {
    if (const BoundsKeys* b = FindBounds(entry)) return ReadBounds(g, *b);
    if (const ListKeys* l = FindList(entry)) return ReadList(g, *l);
    const std::string* value = g.Find(entry);
    if (entry == "lastdir") {
        Form1.OpenDialog1.initialDir = value && DirectoryExists(*value) ? *value : ProgramFolder();
    } else if (entry == "glbackgroundcolor") {
        if (value)
            if (const auto color = StrictInt(*value)) Scene.backgroundColor = *color;
    } else if (entry == "hdrshop") {
        if (value) Form1.HDRShopPath = *value;
    }
}

// The index of the line after the section line, or npos.
std::size_t FindSection(const std::vector<std::string>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (IsSectionLine(lines[i], section)) return i + 1;
    return std::string::npos;
}

// A line that can carry a preset: not blank and not a section header.
bool IsRecordLine(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    return !t.empty() && t.front() != '[';
}

// The count line at `at`, when the `count` lines after it all carry records.
std::optional<int32_t> BlockCount(const std::vector<std::string>& lines, std::size_t at) {
    if (at >= lines.size()) return std::nullopt;
    const auto count = StrictInt(lines[at]);
    if (!count || *count <= 0 || static_cast<std::size_t>(*count) > lines.size() - at - 1) return std::nullopt;
    for (std::size_t i = at + 1; i <= at + static_cast<std::size_t>(*count); ++i)
        if (!IsRecordLine(lines[i])) return std::nullopt;
    return count;
}

double FieldFloat(const std::vector<std::string_view>& f, std::size_t i) {
    return i < f.size() ? TextToFloat(f[i]) : 0.0;
}
int32_t FieldInt(const std::vector<std::string_view>& f, std::size_t i) {
    return i < f.size() ? TextToInt(f[i]) : 0;
}
uint8_t FieldBool(const std::vector<std::string_view>& f, std::size_t i) {
    return i < f.size() && TextToBool(f[i]) ? 1 : 0;
}

// False for a damaged block; a file without cameras has none.
bool ReadCameras(const std::vector<std::string>& lines) {
    const std::size_t at = FindSection(lines, "[cameras]");
    if (at == std::string::npos) return true;
    const auto count = BlockCount(lines, at);
    if (!count) return false;
    CommaTextSplitter splitter;
    std::vector<tcamera> cameras;
    cameras.reserve(static_cast<std::size_t>(*count));
    for (int32_t i = 0; i < *count; ++i) {
        const std::vector<std::string_view>& f = splitter.Split(lines[at + 1 + static_cast<std::size_t>(i)]);
        if (f.empty()) return false;
        tcamera c;  // fields the line does not carry stay zero
        c.name = std::string(f[0]);
        c.zoom = FieldFloat(f, 1);
        c.reserved1 = FieldFloat(f, 2);
        c.focusBack = FieldFloat(f, 3);
        c.focusFront = FieldFloat(f, 4);
        c.reserved2 = FieldFloat(f, 5);
        c.panH = FieldFloat(f, 6);
        c.panV = FieldFloat(f, 7);
        c.distance = FieldFloat(f, 8);
        c.pitch = FieldFloat(f, 9);
        c.yaw = FieldFloat(f, 10);
        c.roll = FieldFloat(f, 11);
        c.translation = {FieldFloat(f, 12), FieldFloat(f, 13), FieldFloat(f, 14)};
        c.previewWidth = FieldInt(f, 15);
        c.previewHeight = FieldInt(f, 16);
        c.noPerspective = FieldBool(f, 17);
        c.useFocalBlur = FieldBool(f, 18);
        cameras.push_back(c);
    }
    Cameras.insert(Cameras.end(), std::make_move_iterator(cameras.begin()), std::make_move_iterator(cameras.end()));
    Form1.ComboBox8.index = 0;
    return true;
}

constexpr std::size_t kLightFields = 26;

bool ParseLight(const std::vector<std::string_view>& f, tlight& l) {
    if (f.size() < kLightFields) return false;
    l = tlight{};
    l.name = std::string(f[0]);
    l.position = {FieldFloat(f, 1), FieldFloat(f, 2), FieldFloat(f, 3)};
    l.elevation = FieldFloat(f, 4);
    l.rotation = FieldFloat(f, 5);
    l.thirdAngle = FieldFloat(f, 6);
    l.color = {FieldFloat(f, 7), FieldFloat(f, 8), FieldFloat(f, 9)};
    l.spotTightness = static_cast<float>(FieldFloat(f, 10));
    l.spotSpread = static_cast<float>(FieldFloat(f, 11));
    const auto kind = StrictInt(f[12]);
    if (!kind || *kind < LightParallel || *kind > LightPoint) return false;  // an unknown kind is refused
    l.kind = *kind;
    l.shadow = FieldInt(f, 13);
    l.optionA = FieldInt(f, 14);
    l.intensity = FieldFloat(f, 15);
    l.factorB = FieldFloat(f, 16);
    l.pointAt = {FieldFloat(f, 17), FieldFloat(f, 18), FieldFloat(f, 19)};
    l.jitter = FieldBool(f, 20);
    l.areaSize = FieldFloat(f, 21);
    l.areaSamples = FieldInt(f, 22);
    l.optionC = FieldInt(f, 23);
    l.optionD = FieldInt(f, 24);
    l.fadeDistance = FieldFloat(f, 25);
    return true;
}

// The light presets are read whole or not at all: a preset names its lights
// by their place in the block, so a block with a damaged line cannot be
// trusted in part. False for a damaged block.
bool ReadLightPresets(const std::vector<std::string>& lines) {
    const std::size_t at = FindSection(lines, "[lights]");
    if (at == std::string::npos) return true;
    const auto presetCount = BlockCount(lines, at);
    if (!presetCount) return false;
    CommaTextSplitter splitter;
    std::vector<tlightpreset> presets;
    presets.reserve(static_cast<std::size_t>(*presetCount));
    for (int32_t i = 0; i < *presetCount; ++i) {
        const std::vector<std::string_view>& f = splitter.Split(lines[at + 1 + static_cast<std::size_t>(i)]);
        if (f.size() < 3) return false;
        const auto first = StrictInt(f[1]), count = StrictInt(f[2]);
        if (!first || !count) return false;
        tlightpreset p;
        p.name = std::string(f[0]);
        p.first = *first;
        p.count = *count;
        presets.push_back(p);
    }
    const std::size_t lightsAt = at + 1 + static_cast<std::size_t>(*presetCount);
    if (lightsAt >= lines.size()) return false;
    const auto lightCount = StrictInt(lines[lightsAt]);
    if (!lightCount || *lightCount < 0) return false;
    std::vector<tlight> lights;
    if (*lightCount > 0) {
        const auto checked = BlockCount(lines, lightsAt);
        if (!checked) return false;
        lights.reserve(static_cast<std::size_t>(*lightCount));
        for (int32_t i = 0; i < *lightCount; ++i) {
            tlight l;
            if (!ParseLight(splitter.Split(lines[lightsAt + 1 + static_cast<std::size_t>(i)]), l)) return false;
            lights.push_back(l);
        }
    }
    // A preset whose lights lie outside the block is dropped.
    const std::size_t announced = presets.size();
    const int64_t total = static_cast<int64_t>(lights.size());
    presets.erase(std::remove_if(presets.begin(), presets.end(),
                                 [total](const tlightpreset& p) {
                                     return p.first < 0 || p.count < 0 ||
                                            static_cast<int64_t>(p.first) + p.count > total;
                                 }),
                  presets.end());
    if (presets.empty()) return false;
    const int32_t offset = static_cast<int32_t>(PresetLights.size());
    Form1.ComboBox13.items.clear();
    for (tlightpreset p : presets) {
        p.first += offset;
        LightPresets.push_back(p);
        Form1.ComboBox13.items.push_back(p.name.str());
    }
    PresetLights.insert(PresetLights.end(), lights.begin(), lights.end());
    Form1.ComboBox13.index = 0;
    return presets.size() == announced;
}

// The controls whose handlers run for a changed value.
bool HasChangeHandler(const ControlInfo& c) {
    if (c.kind != ControlKind::CheckBox && c.kind != ControlKind::RadioButton && c.kind != ControlKind::Edit)
        return false;
    return !(c.form == "Form1" && (c.name == "Edit47" || c.name == "Edit48"));
}

}  // namespace

std::string SettingsFilePath() { return ProgramDir() + std::string(SettingsFileName); }

std::string BuildNumber() { return TextAfterLastDot(GetVersionString()); }

std::string BuildSettingsText() {
    std::vector<std::string> out;
    out.push_back(";This file contains all the settings for Mirelan v" + GetVersionString());
    out.push_back("[general]");
    for (const std::string_view entry : kGeneralKeys) {
        if (entry == "build") {
            out.push_back("build=" + BuildNumber());
        } else if (entry == "lastdir") {
            out.push_back("lastdir=" + Form1.OpenDialog1.initialDir);
        } else if (entry == "glbackgroundcolor") {
            out.push_back("glbackgroundcolor=" + Int(Scene.backgroundColor));
        } else if (entry == "hdrshop") {
            out.push_back("hdrshop=" + Form1.HDRShopPath);
        } else if (const BoundsKeys* b = FindBounds(entry)) {
            WriteBounds(out, *b);
        } else if (const ListKeys* l = FindList(entry)) {
            WriteList(out, *l);
        } else if (const ControlInfo* c = FindControlByKey(entry)) {
            WriteControl(out, entry, *c);
        }
    }
    if (!Cameras.empty()) {
        out.push_back(" ");
        out.push_back("[cameras]");
        out.push_back(Int(static_cast<int64_t>(Cameras.size())));
        for (const tcamera& c : Cameras) out.push_back(CameraLine(c));
    }
    out.push_back(" ");
    if (!LightPresets.empty()) {
        out.push_back("[lights]");
        out.push_back(Int(static_cast<int64_t>(LightPresets.size())));
        for (const tlightpreset& p : LightPresets) out.push_back(PresetLine(p));
        out.push_back(Int(static_cast<int64_t>(PresetLights.size())));
        for (const tlight& l : PresetLights) out.push_back(LightLine(l));
    }
    // Texts are written as they stand, but none can begin a line of its own.
    std::string text;
    for (const std::string& line : out) {
        text += OneLineText(line);
        text += "\r\n";
    }
    return text;
}

bool SaveSettingsTo(const std::string& path) {
    // Written beside the file first and renamed over it, so that a failed
    // write never leaves half a settings file; a file that could not be
    // read is kept beside it under a backup name.
    try {
        OutputCommit commit;
        CheckedTextWriter file(path, LineEnd::CRLF);
        file.Buffer() = BuildSettingsText();
        file.Close();
        CommitKeepingUnread(commit, path, keptFile);
    } catch (const ExportError&) {
        return false;
    }
    return true;
}

bool SaveSettings() { return SaveSettingsTo(SettingsFilePath()); }

SettingsResult ApplySettingsText(std::string_view text) {
    SettingsResult result;
    result.found = true;
    const std::vector<std::string> lines = SplitFileLines(text);
    const GeneralSection general = ReadGeneral(lines);
    const std::string* build = general.Find("build");
    if (!build || build->empty() || *build != BuildNumber()) return result;  // another build: ignored whole
    result.applied = true;

    std::vector<std::string> before;
    const std::span<const ControlInfo> table = ControlTable();
    before.reserve(table.size());
    for (const ControlInfo& c : table) before.push_back(HasChangeHandler(c) ? GetControlValue(c) : std::string());

    for (const std::string_view entry : kGeneralKeys) {
        if (entry == "build") continue;
        if (FindBounds(entry) || FindList(entry) || entry == "lastdir" || entry == "glbackgroundcolor" ||
            entry == "hdrshop") {
            ReadSpecial(general, entry);
        } else if (const ControlInfo* c = FindControlByKey(entry)) {
            ReadControl(general, entry, *c);
        }
    }
    const bool cameras = ReadCameras(lines);
    const bool lights = ReadLightPresets(lines);
    // The last key of "[general]" and the preset blocks: a file cut short
    // misses one of them.
    result.whole = general.Find(kGeneralKeys[std::size(kGeneralKeys) - 1]) && cameras && lights;

    for (std::size_t i = 0; i < table.size(); ++i)
        if (HasChangeHandler(table[i]) && GetControlValue(table[i]) != before[i])
            result.changedControls.push_back(table[i].QualifiedName());
    return result;
}

SettingsResult LoadSettingsFrom(const std::string& path) {
    keptFile.clear();
    if (!FileExistsNonBlank(path)) return {};
    TextLineReader reader;
    SettingsResult result;
    if (reader.Open(path)) result = ApplySettingsText(reader.Text());
    if (!result.whole) {
        // What the program cannot read as its own (its presets among it) is
        // not replaced by the defaults at the next save.
        keptFile = path;
        result.keptAs = FreeBackupName(path);
        result.notice = "<!>The settings file " + path + " could not be read as this version's own: it is kept as " +
                        result.keptAs + " when the settings are saved";
    }
    return result;
}

SettingsResult LoadSettings() { return LoadSettingsFrom(SettingsFilePath()); }

void InitDialogFolders() {
    const std::string folder = ProgramFolder();
    Form2.Edit1.text = folder;
    Form7.Edit2.text = folder;
}
