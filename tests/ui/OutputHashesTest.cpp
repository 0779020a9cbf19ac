// Every output of the generated benchmark models, small, as the end-to-end
// driver writes them (POV-Ray, OBJ, Moray and YafRay), compared by hash with
// the outputs these models had: a grid in groups and materials with its
// material library, a sphere with normals and UVs, and one without normals
// whose normals the load computes; each with the default options and with
// meshes broken by group and material, Moray materials apart and cleaned
// names. Outputs name the folder they were written in: it is taken out
// before hashing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/E2ERun.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ObjModels.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class OutputHashesTest : public testing::Test {
protected:
    void SetUp() override { folder = fixtures::MakeScratchFolder("hashes"); }
    void TearDown() override { fixtures::RemoveScratchFolder(folder); }

    // The outputs of one run: "name size hash" per file, in name order.
    std::string Outputs(const std::string& model, const std::vector<std::string>& options) {
        const fs::path out = folder / "out";
        fs::remove_all(out);
        std::vector<std::string> args = options;
        args.insert(args.end(), {"--out", out.string(), model});
        const fixtures::E2ERun run = fixtures::RunE2E(MIRELAN_E2E_BINARY, args, folder.string());
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(out)) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        std::string list;
        for (const fs::path& p : files) {
            const std::string text = fixtures::WithoutFolder(fixtures::ReadFileBytes(p.string()), folder.string());
            char hash[20];
            std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fixtures::Fnv1a(text)));
            list += p.filename().string() + " " + std::to_string(text.size()) + " " + hash + "\n";
        }
        return list;
    }

    fs::path folder;
};

TEST_F(OutputHashesTest, TheBenchmarkModelsWriteTheSameBytes) {
    fixtures::GridObj grid;
    grid.columns = 30;
    grid.rows = 12;
    grid.rowsPerGroup = 4;
    grid.facesPerMaterialRun = 50;
    grid.materials = 6;
    const std::string gridFile = (folder / "grid.obj").string();
    ASSERT_GT(fixtures::WriteGridObj(gridFile, grid), 0u);
    ASSERT_TRUE(fixtures::WriteGridMtl((folder / grid.mtlName).string(), grid));
    const std::string sphere = (folder / "sphere.obj").string(), smooth = (folder / "smooth.obj").string();
    ASSERT_GT(fixtures::WriteSphereObj(sphere, 24, 12), 0u);
    ASSERT_GT(fixtures::WriteSphereObj(smooth, 20, 10, false), 0u);

    const std::vector<std::string> other = {"--set", "Form1.ComboBox10=1", "--set", "Form1.RadioButton21=1",
                                            "--set", "Form1.CheckBox73=1"};
    struct Case {
        const std::string& model;
        bool otherOptions;
        const char* outputs;
    };
    const Case cases[] = {
        {gridFile, false,
         "grid.mtl 1405 a498eae57c2f98b5\n"
         "grid.obj 57018 bddc6eea7857188d\n"
         "grid_POV_geom.inc 85649 e000eefa128c3c33\n"
         "grid_POV_main.ini 1131 53761906d68c510b\n"
         "grid_POV_mat.inc 3059 9a950dff7332ab0e\n"
         "grid_POV_scene.pov 2934 51ce67d50c03ddfa\n"
         "grid_moray.inc 86992 118ff770d2fecbfa\n"
         "grid_moray.udo 38539 35aa671a04fd858b\n"
         "grid_moray_mat.inc 3023 60175284bfaa731d\n"
         "scene.xml 119305 da2218d31b884405\n"},
        {gridFile, true,
         "grid.mtl 1405 a498eae57c2f98b5\n"
         "grid.obj 57018 bddc6eea7857188d\n"
         "grid_POV_geom.inc 85895 423a1cb619fc632f\n"
         "grid_POV_main.ini 1131 53761906d68c510b\n"
         "grid_POV_mat.inc 3059 9a950dff7332ab0e\n"
         "grid_POV_scene.pov 2934 51ce67d50c03ddfa\n"
         "grid_moray.inc 85817 5d5e5ad1d1adf484\n"
         "grid_moray.udo 38403 2d90ea3b117c4b7c\n"
         "scene.xml 119305 da2218d31b884405\n"},
        {sphere, false,
         "scene.xml 85843 07766dc9642c2568\n"
         "sphere.mtl 367 d531c0895a862292\n"
         "sphere.obj 40983 9d7e667550195652\n"
         "sphere_POV_geom.inc 44592 0166d656e592274e\n"
         "sphere_POV_main.ini 1101 cbed4e6430229e44\n"
         "sphere_POV_mat.inc 942 c5075f80419bdeb3\n"
         "sphere_POV_scene.pov 2852 0077a361d4c33cfb\n"
         "sphere_moray.inc 44729 07142ca4dedb3ed9\n"
         "sphere_moray.udo 25582 41c100121de68f13\n"
         "sphere_moray_mat.inc 902 2dee837e9579a320\n"},
        {sphere, true,
         "scene.xml 85843 07766dc9642c2568\n"
         "sphere.mtl 367 d531c0895a862292\n"
         "sphere.obj 40983 9d7e667550195652\n"
         "sphere_POV_geom.inc 44606 432ef9023f3f4306\n"
         "sphere_POV_main.ini 1101 cbed4e6430229e44\n"
         "sphere_POV_mat.inc 942 c5075f80419bdeb3\n"
         "sphere_POV_scene.pov 2852 0077a361d4c33cfb\n"
         "sphere_moray.inc 44522 4c948dae41f6bb2a\n"
         "sphere_moray.udo 25574 bac3fc6c11c170d8\n"},
        {smooth, false,
         "scene.xml 51618 98bed84aae45b0a1\n"
         "smooth.mtl 367 d531c0895a862292\n"
         "smooth.obj 27688 094f0033627f9a4d\n"
         "smooth_POV_geom.inc 30203 f92e04d712bf39b1\n"
         "smooth_POV_main.ini 1101 ef31a6754eb68734\n"
         "smooth_POV_mat.inc 942 e0dc8d58a5515113\n"
         "smooth_POV_scene.pov 2851 4fdcc8de0571f0c1\n"
         "smooth_moray.inc 30340 493394e7ee0084c0\n"
         "smooth_moray.udo 17712 09b7f786e95a73a7\n"
         "smooth_moray_mat.inc 902 6e90826d0fc262ea\n"},
        {smooth, true,
         "scene.xml 51618 98bed84aae45b0a1\n"
         "smooth.mtl 367 d531c0895a862292\n"
         "smooth.obj 27688 094f0033627f9a4d\n"
         "smooth_POV_geom.inc 30217 24bdf7aa2014a0e1\n"
         "smooth_POV_main.ini 1101 ef31a6754eb68734\n"
         "smooth_POV_mat.inc 942 e0dc8d58a5515113\n"
         "smooth_POV_scene.pov 2851 4fdcc8de0571f0c1\n"
         "smooth_moray.inc 30133 5785a6af7669034c\n"
         "smooth_moray.udo 17704 732a5619377499c8\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Outputs(c.model, c.otherOptions ? other : std::vector<std::string>{}), c.outputs)
            << c.model << (c.otherOptions ? " with the other options" : "");
}

}  // namespace
