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
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/E2ERun.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ObjModels.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(OutputHashesTest, TheBenchmarkModelsWriteTheSameBytes) {
    const fs::path folder = fixtures::MakeScratchFolder("hashes"), out = folder / "out";
    fixtures::GridObj grid{.columns = 30, .rows = 12, .rowsPerGroup = 4, .facesPerMaterialRun = 50, .materials = 6};
    const std::string gridFile = (folder / "grid.obj").string(), sphere = (folder / "sphere.obj").string(),
                      smooth = (folder / "smooth.obj").string();
    ASSERT_GT(fixtures::WriteGridObj(gridFile, grid), 0u);
    ASSERT_TRUE(fixtures::WriteGridMtl((folder / grid.mtlName).string(), grid));
    ASSERT_GT(fixtures::WriteSphereObj(sphere, 24, 12), 0u);
    ASSERT_GT(fixtures::WriteSphereObj(smooth, 20, 10, false), 0u);

    // Per run the hash of its list of outputs ("name size hash" per file,
    // in name order), which a failure shows whole.
    const struct {
        const std::string& model;
        bool otherOptions;
        const char* hash;
    } cases[] = {
        {gridFile, false, "5dbfee14abfe4d83"}, {gridFile, true, "7c216c43ba0e3e7c"},
        {sphere, false, "f9d2f6dcd40003ea"},   {sphere, true, "b70d23b08990b088"},
        {smooth, false, "633fea8bd4002669"},   {smooth, true, "bfc37e8916f68fd4"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--out", out.string(), c.model};
        if (c.otherOptions)
            args.insert(args.begin(), {"--set", "Form1.ComboBox10=1", "--set", "Form1.RadioButton21=1", "--set",
                                       "Form1.CheckBox73=1"});
        fs::remove_all(out);
        const fixtures::E2ERun run = fixtures::RunE2E(MIRELAN_E2E_BINARY, args, folder.string());
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<fs::path> files(fs::directory_iterator(out), fs::directory_iterator{});
        std::sort(files.begin(), files.end());
        std::string outputs;
        for (const fs::path& p : files) outputs += fixtures::OutputDigest(p.string(), folder.string()) + "\n";
        EXPECT_EQ(fixtures::HashText(outputs), c.hash)
            << c.model << (c.otherOptions ? " with the other options" : "") << ":\n" << outputs;
    }
    fixtures::RemoveScratchFolder(folder);
}

}  // namespace
