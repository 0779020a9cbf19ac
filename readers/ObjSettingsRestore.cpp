#include "readers/ObjSettingsRestore.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "model/LightPanel.h"
#include "model/Model.h"
#include "model/PlaceholderPanel.h"
#include "model/PreviewSize.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "options/Options.h"
#include "platform/AppPaths.h"

namespace {

// ---- What a block holds, read into temporaries before anything is set ----

struct tcamerasettings {
    std::string zoom, back, front, panH, panV, distance, roll, pitch, yaw;
    bool noPerspective = false;
    bool focalBlur = false;
    tvector translation{0, 0, 0};
    int32_t width = 0, height = 0;
};

struct tbackgroundsettings {
    int32_t index = 0;
    int32_t color = 0;
    std::string mapName;
    int32_t skyRotation = 0;
};

struct tgroundsettings {
    bool show = false;
    std::string height;
    bool hasColor = false;
    int32_t color = 0;
};

struct tsettingsblock {
    tcamerasettings camera;
    std::vector<tlight> lights;          // empty: the lights stay as they are
    double headlight = 1.0;
    tbackgroundsettings background;
    std::vector<tplaceholder> placeholders;  // empty: the placeholders stay
    tgroundsettings ground;
    std::vector<uint8_t> groupShadows;   // one per import group
};

struct tblockdamage {
    std::string what;
};

// Walks the block line by line. Every line must start with its keyword and
// hold at least the values the format gives it.
class BlockParser {
public:
    explicit BlockParser(std::span<const tsettingsline> lines) : lines_(lines) {}

    void Next(std::string_view keyword, std::size_t values) {
        if (next_ >= lines_.size()) throw tblockdamage{"it ends before its \"" + std::string(keyword) + "\" line"};
        const tsettingsline& line = lines_[next_++];
        number_ = line.number;
        keyword_ = keyword;
        words_ = &splitter_.Split(line.text);
        if (words_->empty() || !SameText((*words_)[0], keyword))
            Damage("\"" + std::string(keyword) + "\" was expected");
        if (words_->size() < values + 1)
            Damage("\"" + std::string(keyword) + "\" needs " + std::to_string(values) + " values");
    }

    std::size_t Size() const { return words_->size(); }
    std::string Text(std::size_t i) const { return std::string((*words_)[i]); }
    double Float(std::size_t i) const { return TextToFloat((*words_)[i]); }
    bool Bool(std::size_t i) const { return TextToBool((*words_)[i]); }
    bool TryInt(std::size_t i, int32_t& value) const {
        int64_t v = 0;
        if (!ParseInt((*words_)[i], v) || v < INT32_MIN || v > INT32_MAX) return false;
        value = static_cast<int32_t>(v);
        return true;
    }
    int32_t Int(std::size_t i) const {
        int32_t v = 0;
        if (!TryInt(i, v)) Damage("value " + std::to_string(i) + " of \"" + keyword_ + "\" is not a whole number");
        return v;
    }
    tvector Vector(std::size_t i) const { return {Float(i), Float(i + 1), Float(i + 2)}; }

    [[noreturn]] void Damage(const std::string& what) const {
        throw tblockdamage{"line " + std::to_string(number_) + ": " + what};
    }

private:
    std::span<const tsettingsline> lines_;
    std::size_t next_ = 0;
    int64_t number_ = 0;
    std::string keyword_;
    CommaTextSplitter splitter_;
    const std::vector<std::string_view>* words_ = nullptr;
};

tsettingsblock ParseBlock(std::span<const tsettingsline> lines) {
    tsettingsblock b;
    BlockParser p(lines);

    p.Next("#camera", 16);
    tcamerasettings& c = b.camera;
    c.zoom = p.Text(1);
    c.noPerspective = p.Bool(2);
    c.focalBlur = p.Bool(3);
    c.back = p.Text(4);
    c.front = p.Text(5);
    c.panH = p.Text(6);
    c.panV = p.Text(7);
    c.distance = p.Text(8);
    c.roll = p.Text(9);
    c.pitch = p.Text(10);
    c.yaw = p.Text(11);
    c.translation = p.Vector(12);
    c.width = p.Int(15);
    c.height = p.Int(16);

    p.Next("#number_of_lights", 1);
    const int32_t lightCount = p.Int(1);
    for (int32_t i = 0; i < lightCount; ++i) {
        p.Next("#light", 26);
        tlight l;
        NewLight(l);
        l.name = p.Text(1);
        l.position = p.Vector(2);
        l.elevation = p.Float(5);
        l.rotation = p.Float(6);
        l.thirdAngle = p.Float(7);
        l.color = p.Vector(8);
        l.spotTightness = static_cast<float>(p.Float(11));
        l.spotSpread = static_cast<float>(p.Float(12));
        l.kind = p.Int(13);
        if (l.kind < LightParallel || l.kind > LightPoint)
            p.Damage("the light kind " + std::to_string(l.kind) + " is not one of 0 to 3");
        l.shadow = p.Int(14);
        l.optionA = p.Int(15);
        l.intensity = p.Float(16);
        l.factorB = p.Float(17);
        l.pointAt = p.Vector(18);
        l.jitter = p.Bool(21) ? 1 : 0;
        l.areaSize = p.Float(22);
        l.areaSamples = std::max(p.Int(23), 1);  // an area light needs at least one sample
        l.optionC = p.Int(24);
        l.optionD = p.Int(25);
        l.fadeDistance = p.Float(26);
        b.lights.push_back(std::move(l));
    }

    p.Next("#headlightintensity", 1);
    b.headlight = p.Float(1);

    p.Next("#background", 4);
    tbackgroundsettings& g = b.background;
    g.index = p.Int(1);
    if (g.index < 0 || g.index >= static_cast<int32_t>(Form1.ComboBox1.items.size())) g.index = 0;
    g.color = p.Int(2);
    g.mapName = p.Text(3);
    // The box text of the sky rotation; text that is no number means 0.
    double rotation = 0;
    if (!ParseDouble(p.Text(4), rotation) || !std::isfinite(rotation)) rotation = 0;
    g.skyRotation = static_cast<int32_t>(Round(std::clamp(rotation, -180.0, 180.0)));

    p.Next("#placeholder_count", 1);
    const int32_t placeholderCount = p.Int(1);
    for (int32_t i = 0; i < placeholderCount; ++i) {
        p.Next("#placeholder", 12);
        tplaceholder s;
        NewPlaceholder(s);
        s.name = p.Text(1);
        s.size = p.Vector(2);
        s.position = p.Vector(5);
        s.rotation = p.Vector(8);
        s.color = p.Int(11);
        const int32_t kind = p.Int(12);
        if (kind < PlaceholderBox || kind > PlaceholderCylinder)
            p.Damage("the placeholder kind " + std::to_string(kind) + " is not one of 0 to 2");
        s.kind = static_cast<uint8_t>(kind);
        b.placeholders.push_back(std::move(s));
    }

    p.Next("#ground", 2);
    b.ground.show = p.Bool(1);
    b.ground.height = p.Text(2);
    b.ground.hasColor = p.Size() > 3 && p.TryInt(3, b.ground.color);  // a bad colour is ignored

    b.groupShadows.reserve(ImportGroups.size());
    for (std::size_t i = 0; i < ImportGroups.size(); ++i) {
        p.Next("#groupflags", 2);
        b.groupShadows.push_back(p.Bool(2) ? 1 : 0);
    }
    return b;
}

// ---- Applying a complete block ---------------------------------------------

// What the camera check boxes switch on the panel when they change.
void ApplyCameraChecks(tscene& scene) {
    const bool ortho = Form1.CheckBox9.checked;
    const bool blur = Form1.CheckBox25.checked;
    scene.orthographic = ortho ? 1 : 0;
    Form1.CheckBox25.enabled = !ortho;
    Form1.CheckBox70.enabled = !ortho;
    Form1.Label147.enabled = !ortho;
    Form1.CheckBox9.enabled = !blur;
    Form1.CheckBox54.enabled = blur;
    Form1.Edit34.enabled = blur;
    Form1.Edit35.enabled = blur;
    Form1.SpinButton17.enabled = blur;
    Form1.SpinButton18.enabled = blur;
}

void ApplyCamera(tscene& scene, const tcamerasettings& c) {
    LogMessage("Reading camera...");
    Form1.Edit14.text = c.zoom;
    Form1.CheckBox9.checked = c.noPerspective;
    Form1.CheckBox25.checked = c.focalBlur;
    Form1.Edit34.text = c.back;
    Form1.Edit35.text = c.front;
    Form1.Edit15.text = c.panH;
    Form1.Edit16.text = c.panV;
    Form1.Edit17.text = c.distance;
    Form1.Edit18.text = c.roll;
    Form1.Edit20.text = c.pitch;
    Form1.Edit19.text = c.yaw;
    ApplyCameraChecks(scene);
    scene.translation = c.translation;
    // A file may ask for any size; the preview takes one it can show.
    int32_t width = c.width, height = c.height;
    FitPreviewSize(width, height, MaxPreviewSide, MaxPreviewSide);
    scene.cameraViewportWidth = width;
    scene.cameraViewportHeight = height;
    if (width > 0 && height > 0) {
        Form9.glView1.width = width;
        Form9.glView1.height = height;
        Svc().window->SetPreviewClientSize(width, height);
    }
    // The load command keeps this camera instead of centring one on the model.
    scene.loadFlag = 1;
    Svc().status->ProcessPendingMessages();
}

void ApplyLights(const std::vector<tlight>& lights) {
    LogMessage("Reading lights...");
    if (lights.empty()) return;
    DeleteAllLights();
    HeadlightIntensity = 1.0;
    Form1.Edit49.text = "100";
    Form1.Edit67.text = "1.0";
    Lights.insert(Lights.end(), lights.begin(), lights.end());
    Form1.ComboBox2.index = 0;
    RefreshLightPanel(0);
    LogMessage(std::to_string(lights.size()) + " lights read");
}

void ApplyBackground(tscene& scene, const tbackgroundsettings& g) {
    Form1.ComboBox1.index = g.index;
    if (g.index > 0) Form1.CheckBox42.checked = true;
    scene.backgroundColor = g.color;
    WindowHooks& window = *Svc().window;
    window.SetClearColor(ColorToVector(g.color), 1.0);
    std::string map = g.mapName;
    std::replace(map.begin(), map.end(), '\\', '/');
    // Sky maps rendered by the program live in the program's folder.
    if (!map.empty() && window.IsPreviewSkyName(map)) map = ProgramDir() + ExtractFileName(map);
    BackgroundMapName = map;
    if (!map.empty()) window.LoadBackgroundTexture(map);
    Form1.UpDown8.position = g.skyRotation;
    Form1.Edit70.text = std::to_string(g.skyRotation);
    BackgroundRotation = g.skyRotation;
}

void ApplyPlaceholders(const std::vector<tplaceholder>& placeholders) {
    if (placeholders.empty()) return;
    ClearPlaceholders();
    Form1.ComboBox7.items.clear();
    for (const tplaceholder& s : placeholders) {
        Placeholders.push_back(s);
        Form1.ComboBox7.items.push_back(s.name.str());
    }
    Form1.ComboBox7.index = 0;
    RefreshPlaceholderPanel(0);
    LogMessage(std::to_string(placeholders.size()) + " placeholders read");
}

void ApplyGround(const tgroundsettings& g) {
    Form1.CheckBox8.checked = g.show;
    // The ground controls are usable exactly while the ground is shown.
    Form1.Label151.enabled = g.show;
    Form1.Label146.enabled = g.show;
    Form1.Edit36.enabled = g.show;
    Form1.SpinButton16.enabled = g.show;
    Form1.Edit36.text = g.height;
    if (g.hasColor) Form1.Label151.color = g.color;
}

}  // namespace

bool RestoreSettingsBlock(tscene& scene, std::span<const tsettingsline> lines, std::string_view fileName) {
    tsettingsblock b;
    try {
        b = ParseBlock(lines);
    } catch (const tblockdamage& damage) {
        LogMessage("<!>The settings block of " + std::string(fileName) + " is damaged (" + damage.what +
                   "); none of its settings were restored.");
        return false;
    }
    ApplyCamera(scene, b.camera);
    ApplyLights(b.lights);
    HeadlightIntensity = b.headlight;
    ApplyBackground(scene, b.background);
    ApplyPlaceholders(b.placeholders);
    ApplyGround(b.ground);
    for (std::size_t i = 0; i < b.groupShadows.size() && i < ImportGroups.size(); ++i)
        ImportGroups[i].castsShadow = b.groupShadows[i];
    return true;
}
