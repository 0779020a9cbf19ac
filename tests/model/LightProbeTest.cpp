// Light probes: PFM files written here in both byte orders, damaged ones,
// and lights extracted from probes whose bright parts lie in known
// directions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "model/LightProbe.h"
#include "model/Model.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class LightProbeTest : public fixtures::ModelTest {
protected:
    void SetUp() override { ModelTest::SetUp(), ResetOptionsToDefaults(); }
    void TearDown() override { std::filesystem::remove(file), ModelTest::TearDown(); }
    // The header, then the floats (big-endian when asked).
    void Write(const std::string& header, const std::vector<float>& values, bool bigEndian = false) {
        std::ofstream out(file, std::ios::binary);
        out << header;
        for (float f : values) {
            const uint32_t bits = bigEndian ? __builtin_bswap32(std::bit_cast<uint32_t>(f)) : std::bit_cast<uint32_t>(f);
            out.write(reinterpret_cast<const char*>(&bits), 4);
        }
    }
    // A w x h colour probe whose pixel (column, file row) `paint` gives.
    void Probe(int w, int h, const std::function<float(int, int, int)>& paint) {
        std::vector<float> v;
        for (int i = 0; i < w * h * 3; ++i) v.push_back(paint(i / 3 % w, i / 3 / w, i % 3));
        Write("PF\n" + std::to_string(w) + " " + std::to_string(h) + "\n-1.0\n", v);
    }
    const std::string file = testing::TempDir() + "mirelan_probe_" + std::to_string(::getpid()) + ".pfm";
};

TEST_F(LightProbeTest, BothByteOrdersAndGreyFilesReadWithTheirStatistics) {
    // Header, floats, big-endian, white level; red of pixel 0, blue of pixel 1.
    for (auto [header, values, big, grey, red, blue] :
         {std::tuple{"PF\n2 1\n-1.0\n", std::vector<float>{1, 2, 3, 4, 5, 6}, false, false, 1.0f, 6.0f},
          std::tuple{"PF\n2,1\n1.0\n", std::vector<float>{1, 2, 3, 4, 5, 6}, true, false, 1.0f, 6.0f},
          std::tuple{"Pf\n2 1\n-1\n", std::vector<float>{0.5f, 2}, false, false, 0.5f, 2.0f},
          std::tuple{"PF\n2 1\n-1\n", std::vector<float>{1, 0, 0, 0, 0, 1}, false, true, 0.3f, 0.11f}}) {
        Write(header, values, big);
        tpfm p;
        ASSERT_TRUE(LoadPFM(file, grey, p)) << header;
        EXPECT_EQ(std::tuple(p.width, p.height, p.Pixel(0, 0)[0], p.Pixel(1, 0)[2]), std::tuple(2, 1, red, blue));
        if (values.size() == 6 && !grey) {
            EXPECT_EQ(std::tuple(p.darkest.z, p.brightest.x, p.average.y, p.sum.z), std::tuple(3.0, 4.0, 3.5, 9.0));
        }
    }
}

TEST_F(LightProbeTest, DamagedFilesAreRefusedWithAMessageAndChangeNothing) {
    for (const std::string& header : std::vector<std::string>{
             "PF\r\n1 1\n-1\n", "P6\n1 1\n-1\n", "PF\n2 2\n-1\n", "PF\n100000 100000\n-1\n", "PF\n65536 65536\n-1\n",
             "PF\n0 1\n-1\n", "PF\n-3 1\n-1\n", "PF\n1\n-1\n", "PF\nx y\n-1\n", "PF\n1 1\nscale\n", "",
             std::string(4000, 'P')}) {
        Write(header, {1, 1, 1});
        tpfm p;
        p.width = 7;
        prompts.shown.clear();
        EXPECT_FALSE(LoadPFM(file, false, p)) << header.substr(0, 30);
        EXPECT_EQ(p.width, 7);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, "File is not a valid PFM image");
    }
}

// A latitude-longitude probe (file rows bottom to top): a white sky over
// the top rows and a red patch on the horizon at azimuth 90 degrees.
TEST_F(LightProbeTest, TwoBrightPartsGiveLightsFromTheirDirections) {
    Probe(72, 36, [](int column, int row, int channel) -> float {
        if (row >= 32) return 4;
        return row >= 15 && row <= 20 && column >= 14 && column <= 22 && channel == 0 ? 3 : 0;
    });
    Form1.CheckBox29.checked = false;  // keep the colours
    LoadLightProbe(file, 0.2, 0);
    int sky = 0, patch = 0;
    for (std::size_t i = 0; i < Lights.size(); ++i) {
        const tlight& l = Lights[i];
        const tvector d = NormalizeVector(SubtractVectors(l.position, Scene.extents.center));
        const bool white = l.color.y > 0.5;
        (white ? sky : patch)++;
        EXPECT_EQ(l.name.str(), "GL_" + std::to_string(i));
        EXPECT_EQ(white, i < static_cast<std::size_t>(sky)) << "brightest first";
        EXPECT_GT(white ? d.y : d.z, 0.8) << i;  // up, or towards +Z
    }
    EXPECT_TRUE(sky > 0 && patch > 0);
    ASSERT_EQ(ProbeMarkers.size(), Lights.size());
    EXPECT_LT(ProbeMarkers.front().y, 20);
    EXPECT_NEAR(ProbeMarkers.back().x, 90, 20);
    tvector total{0, 0, 0};  // "Rescale overall light intensity to (%)" 200
    for (const tlight& l : Lights) total = AddVectors(total, ScaleVector(l.color, l.intensity));
    EXPECT_NEAR(ColorLuminance(total), 2.0, 1e-9);
}

TEST_F(LightProbeTest, TheLightDomesOptionsShapeTheLights) {
    // Count box, soft shadows, grey level of the probe; lights and their kind.
    for (auto [count, soft, grey, lights, kind] :
         {std::tuple<const char*, bool, float, unsigned, int32_t>{"5", false, 0.3f, 5u, LightParallel}, {"5", true, 0.3f, 5u, LightArea},
          {"1", false, 0.3f, 1u, LightParallel}, {"many", false, 0.3f, 100u, LightParallel}, {"9", false, 0.0f, 0u, LightParallel}}) {
        Probe(8, 4, [grey = grey](int, int, int) { return grey; });
        Lights.clear();
        Form1.Edit104.text = count;
        Form1.CheckBox58.checked = soft;
        Form1.CheckBox49.checked = false;
        LoadLightProbe(file, 0.2, 30);
        ASSERT_EQ(Lights.size(), lights) << count;
        for (const tlight& l : Lights)  // luminance 0.3 above 0.2: shadows
            EXPECT_EQ(std::tuple(l.shadow, l.kind, l.areaSamples), std::tuple(1, kind, 6));
        EXPECT_EQ(Messages().back(), "Found " + std::to_string(lights) + " lights matching search criteria");
    }
    double previous = 0;  // the nadir first, the zenith last; one sample would be 0 / 0
    EXPECT_DOUBLE_EQ(ProbeSampleDirection(2, 1, previous).theta, 0);
    EXPECT_DOUBLE_EQ(FloatMod(-7, 3), -1);
}

}  // namespace
