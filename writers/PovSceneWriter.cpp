#include "writers/PovSceneWriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

#include "model/Extents.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "writers/FileText.h"
#include "writers/PovNames.h"
#include "writers/TextWriter.h"

namespace {

constexpr std::string_view Marker = "//";
constexpr double DegreesToRadians = 0.017453292519943295;
constexpr double RadiansToDegrees = 57.29577951308232;
constexpr double LightColorFactor = 1.6;

const std::string Indent8(8, ' ');
const std::string Indent14(14, ' ');

// The last item of the background list, the fast cloud sky.
constexpr int32_t FastSkyIndex = 30;

// The text of an edit box as a POV-Ray number: read with ValFloat ("." or
// ","), written with FloatToText. A text that is no number is written as 0
// and reported.
std::string EditNumber(const tedit& edit, std::string_view caption) {
    double value = 0;
    int32_t code = 0;
    ValFloat(edit.text, value, code);
    if (code != 0) {
        if (!Trim(edit.text).empty())
            LogMessage("<!>" + std::string(caption) + " \"" + edit.text + "\" is not a number: 0 written");
        value = 0;
    }
    return FloatToText(value);
}

std::string Vec(const tvector& v) {
    std::string s;
    AppendFloatText(s, v.x);
    s.push_back(',');
    AppendFloatText(s, v.y);
    s.push_back(',');
    AppendFloatText(s, v.z);
    return s;
}

// "%g": up to 15 significant digits.
std::string VecG(const tvector& v) { return FormatVector("%g", ",", v); }

double PreviewAspect() {
    const int32_t w = Form9.glView1.width, h = Form9.glView1.height;
    return w > 0 && h > 0 ? static_cast<double>(w) / h : 1.0;
}

bool SphericalCamera() { return Form1.CheckBox20.checked; }

// ---- Head ---------------------------------------------------------------

void WriteHead(CheckedTextWriter& w, ExportRun& run) {
    w.Rule(Marker);
    w.Line("//POV-Ray Main scene file");
    BuildFileHeader(run.headerLines, Marker);
    for (const std::string& line : run.headerLines) w.Line(line);
    for (const std::string& line : RunStatistics(run)) w.Line(Marker, line);
    w.Rule(Marker);
    w.Line("//IMPORTANT:");
    w.Line("//This file was designed to run with the following command line options: ");
    w.Line("// " + PovCommandLineSwitches());
    w.Line("//if you are not using an INI file copy and paste the text above to the command line box before rendering");
    w.Blank();
}

// ---- Includes -------------------------------------------------------------

bool RadiosityOn() { return Form1.ComboBox14.index >= 1 && Form1.ComboBox14.index <= 12; }

void IncludeLine(CheckedTextWriter& w, std::string_view name) { w.Line("#include " + PovFileNameString(name)); }

void WriteIncludes(CheckedTextWriter& w, tscene& scene) {
    for (const char* name : {"stdinc.inc", "skies.inc", "stars.inc", "textures.inc"}) IncludeLine(w, name);
    if (RadiosityOn()) IncludeLine(w, "rad_def.inc");
    if (PovBatchMode()) {
        // The scene record keeps the expression: the end of the file names it
        // again.
        scene.povGeometryFile = BatchGeometryIncludeExpression();
        w.Line("#include " + scene.povGeometryFile + " //Geometry changes with frame_number");
    } else {
        // The save commands always write the bare file name: the files of a
        // run lie in one folder.
        w.Line("#include " + PovFileNameString(ExtractFileName(scene.povGeometryFile)) + " //Geometry");
    }
    w.Blank();
}

// ---- Global settings ------------------------------------------------------

// A settings line of the explicit radiosity block: fourteen blanks, the
// setting, and its comment from column 45 on.
std::string RadiosityLine(std::string_view setting, std::string_view comment) {
    std::string line = Indent14;
    line.append(setting);
    if (!comment.empty()) {
        if (line.size() < 44) line.append(44 - line.size(), ' ');
        line.append(comment);
    }
    return line;
}

void WriteGlobalSettings(CheckedTextWriter& w) {
    w.Line("global_settings {");
    w.Line("  //This setting is for alpha transparency to work properly.");
    w.Line("  //Increase by a small amount if transparent areas appear dark.");
    w.Line("   max_trace_level 10");
    w.Blank();
    static constexpr std::array<std::string_view, 13> presets = {
        "",
        "",
        "Radiosity_Default",
        "Radiosity_Debug",
        "Radiosity_Fast",
        "Radiosity_Normal",
        "Radiosity_2Bounce",
        "Radiosity_Final",
        "Radiosity_OutdoorLQ",
        "Radiosity_OutdoorHQ",
        "Radiosity_OutdoorLight",
        "Radiosity_IndoorLQ",
        "Radiosity_IndoorHQ"};
    const int32_t radiosity = Form1.ComboBox14.index;
    if (radiosity == 1) {
        w.Line("//Radiosity settings. See section 2.3.7 in POV-Ray 3.6 manual for details");
        w.Line("   radiosity {");
        w.Line(RadiosityLine("pretrace_start 0.08", "// start pretrace at this size"));
        w.Line(RadiosityLine("pretrace_end   0.01", "// end pretrace at this size"));
        w.Line(RadiosityLine("count 200", "// higher -> higher quality (1..1600)"));
        w.Line(RadiosityLine("nearest_count 5", "// higher -> higher quality (1..10)"));
        w.Line(RadiosityLine("error_bound 0.2", "// higher -> smoother, less accurate [1.8]"));
        w.Line(RadiosityLine("recursion_limit 1", "// how much interreflections are calculated (1..5+)"));
        w.Line(RadiosityLine("low_error_factor .5", "// reduce error_bound during last pretrace step"));
        w.Line(RadiosityLine("gray_threshold 0.0", "// increase for weakening colors (0..1) "));
        w.Line(RadiosityLine("minimum_reuse 0.015", "// reuse of old radiosity samples [0.015]"));
        w.Line(RadiosityLine("brightness 1", "// brightness of radiosity effects (0..1) "));
        w.Line(RadiosityLine("adc_bailout 0.01/2", ""));
        w.Line(std::string(13, ' ') + "}");
    } else if (RadiosityOn()) {
        w.Line("   radiosity{Rad_Settings(" + std::string(presets[static_cast<std::size_t>(radiosity)]) +
               ", off, off)}");
    }
    w.Line("}");
    w.Blank();
}

// ---- Camera ---------------------------------------------------------------

void WriteFocalBlur(CheckedTextWriter& w, const tscene& scene) {
    double front = 0, back = 0, width = 0;
    int32_t code = 0;
    ValFloat(Form1.Edit34.text, back, code);
    ValFloat(Form1.Edit35.text, front, code);
    ValFloat(Form1.Edit47.text, width, code);
    if (width == 0) width = 640;
    double aperture = 0;
    if (!FocalBlurAperture(scene.cameraLocation.z, front, back, scene.fieldOfView, PreviewAspect(), width,
                           aperture)) {
        LogMessage("<!>Focal blur left out: the focus planes (back " + FloatToText(back) + ", front " +
                   FloatToText(front) + ") give no usable aperture for the camera at z = " +
                   FloatToText(scene.cameraLocation.z));
        return;
    }
    w.Line(Indent8 + "aperture " + FloatToText(aperture));
    w.Line(Indent8 + "blur_samples 100");
    w.Line(Indent8 + "focal_point<0,0," + FloatToText((front + back) * 0.5) + ">");
}

void WriteCamera(CheckedTextWriter& w, const tscene& scene) {
    w.Line("//CAMERA " + OneLineText(scene.activeCameraName.view()));
    w.Line("camera {");
    const bool spherical = SphericalCamera();
    const bool orthographic = !spherical && scene.orthographic;
    const double halfAngle = scene.fieldOfView * DegreesToRadians / 2;
    if (spherical) {
        w.Line(Indent8 + "spherical");
        w.Line(Indent8 + "up <0,1,0>");
        w.Line(Indent8 + "right -x*image_width/image_height");
    } else if (orthographic) {
        // The height of the view at the camera's distance. A camera at or
        // behind the origin would give no height (POV-Ray refuses a camera
        // without extent): its distance counts, or the model size.
        double h = 2 * std::tan(halfAngle) * scene.cameraLocation.z;
        if (!(std::isfinite(h) && h > Epsilon)) {
            const double size = scene.extents.diagonal > Epsilon ? scene.extents.diagonal : 1.0;
            const double z = std::fabs(scene.cameraLocation.z);
            const double distance = z > Epsilon ? z : size;
            double guarded = 2 * std::tan(halfAngle) * distance;
            if (!(std::isfinite(guarded) && guarded > Epsilon)) guarded = size;
            LogMessage("<!>Orthographic camera: the view height " + FloatToText(h) + " cannot be used, " +
                       FloatToText(guarded) + " written");
            h = guarded;
        }
        const std::string height = FloatToText(h);
        w.Line(Indent8 + "orthographic");
        w.Line(Indent8 + "up <0,1,0>*" + height);
        w.Line(Indent8 + "right -x*" + height + "*image_width/image_height");
    } else {
        w.Line(Indent8 + "perspective");
        w.Line(Indent8 + "up <0,1,0>");
        w.Line(Indent8 + "right -x*image_width/image_height");
    }
    const tvector& c = scene.cameraLocation;
    w.Line(Indent8 + "location <" + Vec(c) + ">");
    w.Line(Indent8 + "look_at <" + Vec({c.x, c.y, c.z - 1}) + ">");
    if (!spherical && !orthographic) {
        const double angle = 2 * std::atan(std::tan(halfAngle) * PreviewAspect()) * RadiansToDegrees;
        w.Line(Indent8 + "angle " + FloatToText(angle) + " // horizontal FOV angle");
    }
    if (Form1.CheckBox25.checked && Form1.CheckBox25.enabled) WriteFocalBlur(w, scene);
    const std::string roll = EditNumber(Form1.Edit18, "Roll (deg) r3:");
    w.Line(Indent8 + "rotate <0,0," + roll + (spherical ? "+180> //roll" : "> //roll"));
    w.Line(Indent8 + "rotate <" + EditNumber(Form1.Edit20, "Pitch (deg) r1:") + ",0,0> //pitch");
    w.Line(Indent8 + "rotate <0," + EditNumber(Form1.Edit19, "Yaw (deg) r2:") + ",0> //yaw");
    w.Line(Indent8 + "translate <" + Vec(scene.translation) + ">");
    w.Line(Indent8 + "}");
}

// ---- Lights -----------------------------------------------------------------

void WriteDefaultLight(CheckedTextWriter& w, const tscene& scene) {
    LogMessage("No lights in scene. Using default camera light");
    w.Blank();
    w.Line("//Mirelan default Light attached to the camera");
    w.Line("light_source {");
    const tvector& c = scene.cameraLocation;
    w.Line(Indent14 + "<" + VecG(c) + "> //light position");
    w.Line(Indent14 + "color rgb <1,1,1>*" + FloatToText(LightColorFactor * HeadlightIntensity));
    w.Line(Indent14 + "parallel");
    w.Line(Indent14 + "point_at <" + FloatToText(c.x) + "," + FloatToText(c.y) + ",0>");
    w.Line(Indent14 + "rotate <0,0," + EditNumber(Form1.Edit18, "Roll (deg) r3:") + "> //roll");
    w.Line(Indent14 + "rotate <" + EditNumber(Form1.Edit20, "Pitch (deg) r1:") + ",0,0> //elevation");
    w.Line(Indent14 + "rotate <0," + EditNumber(Form1.Edit19, "Yaw (deg) r2:") + ",0> //rotation");
    w.Line(std::string(13, ' ') + "}");
}

void WriteLight(CheckedTextWriter& w, const tscene& scene, const tlight& light) {
    w.Blank();
    w.Line(Marker, OneLineText(light.name.view()));
    w.Line("light_source {");
    int32_t kind = light.kind;
    if (kind < LightParallel || kind > LightPoint) {
        LogMessage("<!>Light " + light.name.str() + " is of an unknown kind (" + std::to_string(kind) +
                   "): written as a point light");
        kind = LightPoint;
    }
    const std::string colorLine =
        Indent14 + "color rgb <" + VecG(light.color) + ">*" + FloatToText(light.intensity * LightColorFactor);
    if (kind == LightParallel) {
        tvector p;
        LightPositionFromAngles({light.elevation, light.rotation, light.thirdAngle}, p);
        w.Line(Indent14 + "<" + VecG(p) + "> //light position");
        w.Line(colorLine);
        w.Line(Indent14 + "parallel");
        w.Line(Indent14 + "point_at <" + VecG(scene.extents.center) + ">");
    } else {
        w.Line(Indent14 + "<" + VecG(light.position) + "> //light position");
        w.Line(colorLine);
    }
    if (kind == LightSpot) {
        w.Line(Indent14 + "spotlight");
        w.Line(Indent14 + "tightness " + FloatToText(light.spotTightness));
        w.Line(Indent14 + "falloff " + FloatToText(light.spotSpread));
        w.Line(Indent14 + "radius " + FloatToText(light.spotSpread / 2.0));
        w.Line(Indent14 + "point_at <" + VecG(light.pointAt) + ">");
    } else if (kind == LightArea) {
        // POV-Ray refuses an area light of fewer than one sample per side.
        int32_t samples = light.areaSamples;
        if (samples < 1) {
            LogMessage("<!>Area light " + light.name.str() + " has " + std::to_string(samples) +
                       " samples: 1 written");
            samples = 1;
        }
        const std::string size = FloatToText(light.areaSize);
        w.Line(Indent14 + "area_light");
        w.Line(Indent14 + "<" + size + ",0,0> <0,0," + size + ">");
        w.Line(Indent14 + std::to_string(samples) + "," + std::to_string(samples));
        if (light.jitter) w.Line(Indent14 + "jitter");
        w.Line(Indent14 + "circular");
        w.Line(Indent14 + "adaptive 1");
        w.Line(Indent14 + "orient");
    }
    if (kind == LightArea || kind == LightPoint) {
        w.Line(Indent14 + "fade_power 2");
        w.Line(Indent14 + "fade_distance " + FloatToText(light.fadeDistance));
    }
    if (light.shadow == 0) w.Line(Indent14 + "shadowless");
    w.Line(Indent8 + "}");
}

void WriteLights(CheckedTextWriter& w, const tscene& scene) {
    if (Lights.empty()) {
        WriteDefaultLight(w, scene);
        return;
    }
    for (const tlight& light : Lights) WriteLight(w, scene, light);
}

// ---- Ground, background, sky ----------------------------------------------

void WriteGround(CheckedTextWriter& w) {
    if (!Form1.CheckBox8.checked) return;
    w.Blank();
    w.Line("//Ground");
    w.Line("plane{");
    w.Line("      <0,1,0>," + EditNumber(Form1.Edit36, "Ground height"));
    w.Line("      texture{ pigment{color rgb <" + Vec(ColorToVector(Form1.Label151.color)) +
           "> }finish{ambient rgb<0,0,0>}} ");
    w.Line("      no_shadow");
    w.Line("     }");
}

void WriteBackground(CheckedTextWriter& w, const tscene& scene) {
    w.Blank();
    w.Line("//Background");
    w.Line("background { color rgb<" + Vec(ColorToVector(scene.backgroundColor)) + ">  }");
}

const char* const HazeLine =
    "texture{pigment{gradient y pigment_map {[0.0 rgb 1 transmit 0.2][1 rgbf 1]} } finish{ambient 1} scale 0.008 "
    "translate<0,-0.992,0>} //haze";

void WriteFastSky(CheckedTextWriter& w, double diagonal) {
    static constexpr std::string_view clouds[] = {
        "// FAST SKY",
        "#declare Clouds =",
        "union {",
        "   plane {",
        "      y, 260",
        "      texture {",
        "         finish {ambient 0 diffuse 0.7}",
        "         pigment {",
        "            bozo turbulence 1.00 translate 200*y",
        "            color_map {",
        "               [0.5, rgb 1 transmit 1.0]",
        "               [1.0, rgb 1 transmit 0.6]",
        "            }",
        "            scale 0.125 ",
        "         }",
        "         scale 1500 ",
        "      }         ",
        "   }           ",
        "   plane {y, 200}",
        "   plane {y, 220}",
        "   plane {y, 240}",
        "   texture {",
        "      finish {ambient 0 diffuse 0.7}",
        "      pigment {",
        "         bozo turbulence 0.35 translate 300*y ",
        "         color_map {",
        "            [0.5, rgb 1 transmit 1.0]",
        "            [0.8, rgb 1 transmit 0.5]",
        "         }",
        "         scale 10 warp {turbulence 0.7} scale 1/10",
        "         scale 0.125",
        "      }",
        "      scale 2500 ",
        "   }",
        "   texture {",
        "      finish {ambient 0 diffuse 0.5}",
        "      pigment {",
        "         bozo turbulence 0.35 translate 400*y ",
        "         color_map {",
        "            [0.5, rgb 1 transmit 1.0]",
        "            [0.8, rgb 1 transmit 0.4]",
        "         }",
        "         scale 10 warp {turbulence 0.7} scale 1/10",
        "         scale 0.125",
        "      }",
        "      scale 2500",
        "   }",
        "   hollow double_illuminate",
        "   scale 1/200",
        "}"};
    for (std::string_view line : clouds) w.Line(line);
    w.Line("object {Clouds scale " + FloatToText(300 * diagonal) +
           "} // distance above ground (y=0) to lowest parts of clouds");
    w.Line("background {color <0.25,0.35,0.80>} // color at horizon");
    w.Line("fog {");
    w.Line("   color <0.70,0.80,1.00> // color at top of sky");
    w.Line("   fog_type 2");
    w.Line("   distance 300");
    w.Line("   fog_offset 0");
    w.Line("   fog_alt    60");
    w.Line("}");
    w.Line("light_source {<2,2,0>*" + FloatToText(10000 * diagonal) + ", color 3}");
}

void WriteSky(CheckedTextWriter& w, const tscene& scene, ExportRun& run) {
    int32_t index = Form1.ComboBox1.index;
    // An index outside the list (from a file) selects "Color...".
    if (index < 0 || index > FastSkyIndex) index = 0;
    if (index == 0) return;
    w.Blank();
    w.Line("//Sky");
    const double diagonal = scene.extents.diagonal;
    std::string name;
    if (index >= 2 && index < FastSkyIndex) {
        name = Form1.ComboBox1.SelectedText();
        if (name.empty() || index >= static_cast<int32_t>(Form1.ComboBox1.items.size()))
            name = BackgroundChoices[static_cast<std::size_t>(index)];
    }
    if (index == 1) {
        if (BackgroundMapName.empty()) return;
        const std::string map = WrittenMapName(scene, run, BackgroundMapName);
        NoteWrittenMap(run, map);
        w.Line("sky_sphere {");
        w.Line("        pigment { image_map { " + PovImageSpec(map) +
               " interpolate 2 map_type 1 } }");
        w.Line("        rotate <0," + FloatToText(BackgroundRotation) + ",0>");
        w.Line("}");
    } else if (index <= 6) {
        w.Line("sky_sphere{" + name + "}");
    } else if (index <= 8) {
        w.Line("object{" + name + " scale <1,1,1>*" + FloatToText(diagonal) + "}");
    } else if (index <= 22) {
        w.Line("sphere{0.0,1");
        if (index <= 18)
            w.Line("texture{pigment{" + name + " scale 0.008 translate <0,-0.992,0>}finish{ambient 1}} //clouds");
        else
            w.Line("texture{" + name + " scale 0.008 translate <0,-0.992,0>} //clouds");
        w.Line(HazeLine);
        w.Line("translate<0,-0.992,0>");
        w.Line("no_shadow hollow on");
        w.Line("scale " + FloatToText(10000 * diagonal) + "}");
    } else if (index <= 29) {
        w.Line("sphere{<0,0,0>," + FloatToText(10000 * diagonal));
        w.Line("texture {" + name + "}");
        w.Line("       no_shadow rotate<0,90,0> hollow on}");
    } else {
        WriteFastSky(w, diagonal);
    }
}

// ---- Placeholders -----------------------------------------------------------

void WritePlaceholders(CheckedTextWriter& w) {
    if (!Form1.CheckBox61.checked || Placeholders.empty()) return;
    w.Blank();
    w.Line("//Placeholders");
    for (const tplaceholder& p : Placeholders) {
        if (p.kind > PlaceholderCylinder) {
            LogMessage("<!>Placeholder " + p.name.str() + " is of an unknown kind (" + std::to_string(p.kind) +
                       "): not written");
            continue;
        }
        w.Line(Marker, OneLineText(p.name.view()));
        w.Line("object{");
        if (p.kind == PlaceholderBox) {
            w.Line("       box {<-0.5,-0.5,-0.5>,<0.5,0.5,0.5> ");
        } else if (p.kind == PlaceholderBall) {
            w.Line("       sphere {<0,0,0> , 0.5 ");
        } else {
            w.Line("       cone {<0,0," + FloatToText(-p.size.z / 2) + ">," + FloatToText(p.size.x / 2) + ",<0,0," +
                   FloatToText(p.size.z / 2) + ">," + FloatToText(p.size.y / 2));
        }
        w.Line("texture{pigment{color rgb<" + Vec(ColorToVector(p.color)) + ">}finish{ambient rgb<0,0,0>}}}");
        if (p.kind != PlaceholderCylinder) w.Line("       scale <" + Vec(p.size) + "> //size");
        w.Line("       rotate <" + Vec(p.rotation) + "> //rotation");
        w.Line("       translate <" + Vec(p.position) + "> //position");
        w.Line("      }");
    }
}

void WriteEnd(CheckedTextWriter& w, const tscene& scene, const ExportRun& run) {
    w.Blank();
    w.Line("//Assembled object that is contained in " + OneLineText(ExtractFileName(scene.povGeometryFile)));
    w.Line("object{");
    w.Line("      " + run.sceneObjectName);
    w.Line("      }");
    w.Rule(Marker);
}

}  // namespace

// ---- Shared routines ----------------------------------------------------------

namespace {

int32_t PositiveIntegerOr(const std::string& text, int32_t fallback) {
    int64_t value = 0;
    if (ParseInt(text, value) && value >= 1 && value <= INT32_MAX) return static_cast<int32_t>(value);
    return fallback;
}

}  // namespace

int32_t RenderImageWidth() { return PositiveIntegerOr(Form1.Edit47.text, Form9.glView1.width); }
int32_t RenderImageHeight() { return PositiveIntegerOr(Form1.Edit48.text, Form9.glView1.height); }

std::string_view PovOutputFormatSwitch(int32_t index) {
    static constexpr std::array<std::string_view, 5> switches = {"+FC", "+FN", "+FP", "+FB", "+FT"};
    if (index < 0 || index >= static_cast<int32_t>(switches.size())) return {};
    return switches[static_cast<std::size_t>(index)];
}

std::string PovCommandLineSwitches() {
    std::string s = "+W" + std::to_string(RenderImageWidth()) + " +H" + std::to_string(RenderImageHeight());
    if (const std::string_view format = PovOutputFormatSwitch(Form1.ComboBox5.index); !format.empty()) {
        s += ' ';
        s += format;
    }
    const int32_t antialias = Form1.ComboBox6.index;
    if (antialias > 0)
        s += " +AM" + std::to_string(antialias) + " +A";
    else
        s += " -A";
    s += Form1.CheckBox50.checked ? " +UA" : " -UA";
    return s;
}

bool PovBatchMode() { return Form1.RadioButton4.checked && BatchFiles.size() > 1; }

// The fewest digits after the prefix in the names of the batch files that
// begin with it: "frame8" ... "frame12" are not padded, "frame08" ...
// "frame12" are, in whatever order the files are listed.
std::size_t BatchFrameDigits() {
    const std::string& prefix = Form1.Edit119.text;
    std::optional<std::size_t> fewest;
    for (const std::string& file : BatchFiles) {
        const std::string base = ExtractBaseName(file);
        if (base.compare(0, prefix.size(), prefix) != 0) continue;
        std::size_t digits = 0;
        while (prefix.size() + digits < base.size() &&
               std::isdigit(static_cast<unsigned char>(base[prefix.size() + digits])))
            ++digits;
        fewest = std::min(digits, fewest.value_or(digits));
    }
    return fewest.value_or(0);
}

std::string BatchGeometryIncludeExpression() {
    const std::size_t digits = BatchFrameDigits();
    const std::string width = digits > 0 ? "-" + std::to_string(digits) : "0";
    return "concat(" + PovTextString(Form1.Edit119.text) + ",str(frame_number," + width + ",0),\".inc\")";
}

std::string BatchGeometryIncludeName(uint64_t frame, std::size_t digits) {
    std::string number = std::to_string(frame);
    if (number.size() < digits)
        number.insert(0, digits - number.size(), '0');
    return Form1.Edit119.text + number + ".inc";
}

bool FocalBlurAperture(double z, double front, double back, double vfov, double aspect, double width,
                       double& aperture) {
    aperture = 0;
    const double k = 2 / (1 / (z - front) - 1 / (z - back));
    const double hf = 2 * std::atan(std::tan(vfov * DegreesToRadians / 2) * aspect);
    const double f = 18 / std::tan(hf / 2);
    const double a = (36 / width * 5) * k / f;
    if (!std::isfinite(a) || a <= 0) return false;
    aperture = a;
    return true;
}

// ---- The file ---------------------------------------------------------------------

void WritePOVSceneFile(tscene& scene, ExportRun& run) {
    LogMessage(" ");
    LogMessage(RuleLine);
    LogMessage("Writing POV-Ray scene file");
    CheckedTextWriter w(scene.povSceneFile);
    WriteHead(w, run);
    WriteIncludes(w, scene);
    WriteGlobalSettings(w);
    WriteCamera(w, scene);
    WriteLights(w, scene);
    WriteGround(w);
    WriteBackground(w, scene);
    WriteSky(w, scene, run);
    WritePlaceholders(w);
    WriteEnd(w, scene, run);
    w.Close();
}
