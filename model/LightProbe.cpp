#include "model/LightProbe.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>

#include "model/LightPanel.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "model/VectorMath.h"
#include "options/Options.h"

double MaxProbeLuminance = 1.0;
std::vector<tprobemarker> ProbeMarkers;

namespace {

constexpr std::size_t MaxHeaderLine = 256;
// The largest side of a probe; larger sizes are taken as a damaged header.
constexpr int64_t MaxProbeSide = 1 << 16;

const char* const NotAPFM = "File is not a valid PFM image";

// The whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& fileName, std::string& data) {
    std::ifstream in(fileName, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    data.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    return static_cast<bool>(in.read(data.data(), size));
}

float ReadFloat(const char* p, bool bigEndian) {
    uint32_t bits = 0;
    std::memcpy(&bits, p, 4);
    if (bigEndian == (std::endian::native == std::endian::little)) bits = __builtin_bswap32(bits);
    const float f = std::bit_cast<float>(bits);
    // Infinities and NaNs would spoil the statistics and the light order.
    return std::isfinite(f) ? f : 0.0f;
}

double Sum3(const tvector& v) { return v.x + v.y + v.z; }

// The header of a PFM file up to its first pixel; false when it is damaged.
struct PfmHeader {
    int32_t width = 0, height = 0, channels = 3;
    double scale = 0;
    std::size_t dataStart = 0;
};

bool ReadHeader(std::string_view data, PfmHeader& h) {
    std::size_t at = 0;
    const std::string magic = ReadStreamLine(data, at);
    if (UpperCase(magic) != "PF") return false;
    h.channels = magic[1] == 'f' ? 1 : 3;
    const std::vector<std::string> size = SplitCommaText(ReadStreamLine(data, at));
    int64_t w = 0, hh = 0;
    if (size.size() < 2 || !ParseInt(size[0], w) || !ParseInt(size[1], hh)) return false;
    if (w < 1 || hh < 1 || w > MaxProbeSide || hh > MaxProbeSide) return false;
    int32_t code = 0;
    ValFloat(Trim(ReadStreamLine(data, at)), h.scale, code);
    if (code != 0 || !std::isfinite(h.scale)) return false;
    const uint64_t needed = static_cast<uint64_t>(w) * static_cast<uint64_t>(hh) * h.channels * 4;
    if (at > data.size() || needed > data.size() - at) return false;
    h.width = static_cast<int32_t>(w);
    h.height = static_cast<int32_t>(hh);
    h.dataStart = at;
    return true;
}

}  // namespace

std::string ReadStreamLine(std::string_view data, std::size_t& position) {
    std::string line;
    while (position < data.size() && line.size() < MaxHeaderLine) {
        const char c = data[position++];
        if (c == '\n') return line;
        line += c;
    }
    return line;
}

bool LoadPFM(const std::string& fileName, bool grey, tpfm& probe) {
    std::string data;
    PfmHeader h;
    if (!ReadWholeFile(fileName, data) || !ReadHeader(data, h)) {
        Svc().prompts->Show(MessageKind::Information, NotAPFM);
        return false;
    }
    tpfm p;
    p.width = h.width;
    p.height = h.height;
    p.scale = h.scale;
    p.pixels.resize(static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height) * 3);
    const bool bigEndian = h.scale > 0;
    const char* in = data.data() + h.dataStart;
    float* out = p.pixels.data();
    for (int32_t r = 0; r < h.height; ++r) {
        ShowProgress(0, h.height - 1, r);
        for (int32_t c = 0; c < h.width; ++c, out += 3) {
            for (int k = 0; k < 3; ++k) out[k] = k < h.channels ? ReadFloat(in + 4 * k, bigEndian) : out[0];
            in += 4 * h.channels;
            if (grey) out[0] = out[1] = out[2] = static_cast<float>(Luminance(out[0], out[1], out[2]));
            const tvector v{out[0], out[1], out[2]};
            p.sum = AddVectors(p.sum, v);
            if (Sum3(v) < Sum3(p.darkest)) p.darkest = v;
            if (Sum3(v) > Sum3(p.brightest)) p.brightest = v;
        }
    }
    p.average = ScaleVector(p.sum, 1.0 / (static_cast<double>(h.width) * h.height));
    probe = std::move(p);
    return true;
}

double MaxComponentOrOne(const tvector& v) { return std::max({v.x, v.y, v.z, 1.0}); }

double PixelMaxOrOne(const float pixel[3]) {
    return std::max({static_cast<double>(pixel[0]), static_cast<double>(pixel[1]), static_cast<double>(pixel[2]), 1.0});
}

double FloatMod(double a, double b) { return b == 0 ? 0 : a - std::trunc(a / b) * b; }

tprobesample ProbeSampleDirection(int32_t k, int32_t count, double& previousAzimuth) {
    // One sample would divide 0 by 0: the scan takes at least two, the
    // nadir and the zenith.
    count = std::max(count, 2);
    const double h = 2.0 * (k - 1) / (count - 1) - 1;
    tprobesample s;
    s.theta = std::acos(std::clamp(h, -1.0, 1.0)) * RadToDeg;
    if (k == 1 || k == count) {
        previousAzimuth = 0;
        return s;
    }
    previousAzimuth = FloatMod(3.6 / std::sqrt(count * (1 - h * h)) + previousAzimuth, 2 * std::numbers::pi);
    s.azimuth = previousAzimuth * RadToDeg;
    return s;
}

void LoadLightProbe(const std::string& fileName, double threshold, double rotation) {
    MaxProbeLuminance = 1.0;
    ProbeMarkers.clear();
    int64_t wanted = 100;
    if (!ParseInt(Trim(Form1.Edit104.text), wanted)) wanted = 100;
    const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(wanted, 1, 1 << 20));

    LogMessage(RuleLine);
    LogMessage("Loading probe...");
    tpfm probe;
    if (!LoadPFM(fileName, Form1.CheckBox29.checked, probe)) return;
    LogMessage("Probe Resolution (" + std::to_string(probe.width) + " x " + std::to_string(probe.height) +
               "), range=" + FloatToStrDot(probe.scale));
    LogMessage("Scanning probe for light sources...");

    std::vector<tlight> found;
    const int32_t samples = std::max(n, 2);
    double azimuth = 0;
    for (int32_t k = 1; k <= samples; ++k) {
        const tprobesample s = ProbeSampleDirection(k, samples, azimuth);
        const int32_t column = static_cast<int32_t>(std::clamp<int64_t>(Round((probe.width - 1) * s.azimuth / 360), 0,
                                                                        probe.width - 1));
        const int32_t row = static_cast<int32_t>(std::clamp<int64_t>(Round((probe.height - 1) * s.theta / 180), 0,
                                                                     probe.height - 1));
        const float* pixel = probe.Pixel(column, row);
        const double m = PixelMaxOrOne(pixel);
        const double lum = Luminance(pixel[0], pixel[1], pixel[2]);
        MaxProbeLuminance = std::max(MaxProbeLuminance, lum);
        if (!(lum > 0.01)) continue;

        tlight light;
        NewLight(light);
        light.shadow = lum > threshold ? 1 : 0;
        light.kind = light.shadow && Form1.CheckBox58.checked ? LightArea : LightParallel;
        light.areaSamples = 6;
        light.jitter = 0;
        light.optionC = column;
        light.optionD = row;
        light.intensity = m;
        light.factorB = lum;
        light.color = {pixel[0] / m, pixel[1] / m, pixel[2] / m};
        if (s.theta <= 90 && Form1.CheckBox49.checked) light.shadow = 0;
        light.elevation = 90 - s.theta;
        double turn = static_cast<float>(90 - s.azimuth);
        if (turn < 0) turn += 360;
        light.rotation = turn + rotation;
        LightPositionFromAngles({light.elevation, light.rotation, light.thirdAngle}, light.position);
        light.pointAt = Scene.extents.center;
        light.areaSize = 0.3 * Scene.extents.diagonal;
        found.push_back(light);
    }

    // Brightest first; luminances closer than 1/10000 of the largest count
    // as equal and keep their scan order.
    const auto key = [](const tlight& l) { return Round(l.factorB * 10000 / MaxProbeLuminance); };
    std::stable_sort(found.begin(), found.end(), [&](const tlight& a, const tlight& b) { return key(a) > key(b); });

    const std::size_t kept = std::min(static_cast<std::size_t>(n), found.size());
    const double columns = std::max(probe.width - 1, 1), rows = std::max(probe.height - 1, 1);
    for (std::size_t i = 0; i < kept; ++i) {
        tlight& light = found[i];
        ProbeMarkers.push_back({static_cast<int32_t>(Round(light.optionC * 360 / columns)),
                                static_cast<int32_t>(180 - Round(light.optionD * 180 / rows)), light.shadow != 0});
        light.name = "GL_" + std::to_string(i);
        Lights.push_back(light);
    }
    if (Form1.CheckBox75.checked) {
        double percent = 100;
        int32_t code = 0;
        ValFloat(Form1.Edit114.text, percent, code);
        if (code != 0) percent = 100;
        SetTotalLightIntensity(percent);
    }
    if (!Lights.empty()) {
        Form1.ComboBox2.index = 0;
        RefreshLightPanel(0);
    }
    LogMessage("Found " + std::to_string(kept) + " lights matching search criteria");
}
