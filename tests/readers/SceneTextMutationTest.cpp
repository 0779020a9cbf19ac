// Damaged VRML, X3D and POV-Ray mesh files: each fixture is mutated many
// times with a fixed seed (bytes changed, markup and keywords thrown in,
// stretches cut out or repeated, the file cut short; compressed files also
// damaged in their compressed bytes). Every read must end, either with a
// ReadError or with import lists the merge accepts; the sanitizers watch
// every access.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "model/Merge.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "readers/PovMeshReader.h"
#include "readers/VrmlReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/readers/SceneTextFiles.h"

namespace {

const char* const Fixtures[] = {
    R"(#VRML V1.0 ascii
Separator { DEF Red Material { diffuseColor 1 0 0 shininess 0.2 }
  Transform { translation 1 0 0 rotation 0 1 0 0.5 }
  DEF pts Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 0.5 2 0 ] }
  IndexedFaceSet { coordIndex [ 0, 1, 2, 4, 3, -1, 0, 2, 3, -1 ] } }
Separator { USE Red USE pts IndexedLineSet { coordIndex [ 0, 1, 2, -1, 3, 4 ] } }
)",
    R"(#VRML V2.0 utf8
Transform { translation 0 0 1 scale 2 2 2 center 1 1 1 children [
  Shape { appearance Appearance { material DEF Red Material { diffuseColor 1 0 0 transparency 0.5 } }
    geometry IndexedFaceSet { coord DEF pts Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 2 2 0 ] }
      coordIndex [ 0 1 2 3 -1 1 4 2 -1 ] texCoord TextureCoordinate { point [ 0 0 1 0 1 1 ] } } }
  Shape { appearance Appearance { material USE Red }
    geometry IndexedLineSet { coordIndex [ 0 1 2 -1 3 4 ] coord USE pts } } ] }
)",
    R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE X3D PUBLIC "ISO//Web3D//DTD X3D 3.0//EN" "x3d-3.0.dtd">
<X3D profile='Immersive'><Scene><!-- comment -->
<Transform rotation="0 0 1 0.3" translation='1 2 3'><Shape>
<Appearance><Material DEF="M" diffuseColor="0 0 1" specularColor='1 1 1'/></Appearance>
<IndexedFaceSet coordIndex="0 1 2 3 -1 0 2 4 -1"><Coordinate DEF='c' point="0 0 0, 1 0 0,
 1 1 0, 0 1 0, 3 3 3"/></IndexedFaceSet></Shape>
<Shape><Appearance><Material USE='M'/></Appearance>
<IndexedLineSet coordIndex='0 1 2 -1 2 3'><Coordinate USE="c"/></IndexedLineSet></Shape>
</Transform></Scene></X3D>
)",
    R"(// mesh2
#declare Body = mesh2 {
  vertex_vectors { 4, <0,0,0>, <1,0,0>, <1,1,0>, <0,1,0> }
  normal_vectors { 2, <0,0,1>, <0,1,0> }
  uv_vectors { 4, <0,0>, <1,0>, <1,1>, <0,1> }
  texture_list { 2, texture { T1 } texture { T2 } }
  face_indices { 2, <0,1,2>, 0, <0,2,3>, 1 }
  normal_indices { 2, <0,0,0>, <1,1,1> }
  uv_indices { 2, <0,1,2>, <0,2,3> }
}
/* a comment
   over lines */
)",
    R"(mesh {
  triangle { <0,0,0>, <1,0,0>, <0,1,0> texture { A } }
  smooth_triangle { <0,0,1>, <0,0,1>, <1,0,1>, <0,0,1>, <0,1,1>, <0,0,1> uv_vectors <0,0>, <1,0>, <0,1> }
  triangle { <0,0,2> <1,0,2> <0,1,2> texture { B } }
}
)",
};

const char* const Snippets[] = {
    "-1", "]", "[", "{", "}", "<", ">", "\"", "'", ",", ",,", "#", "/*", "*/", "//", "<!--", "-->", "=",
    "99999999999", "-2147483649", "2147483647", "1e308", "-1e308", "nan", ".", "-", "\n", "\r", "\t", "\0",
    " coordIndex [ ", " point [ ", " Coordinate { ", " Coordinate3 ", " IndexedFaceSet { ", " IndexedLineSet ",
    " USE pts ", " DEF x ", " material ", " Material USE Red ", " diffuseColor ", " rotation 1 ", " scale 0 0 0 ",
    " mesh2 { ", " mesh { ", " face_indices { 9, ", " uv_indices { 9, ", " normal_indices { 99, ", " texture ",
    " texture_list { 5, ", " triangle { ", " smooth_triangle { ", " uv_vectors ", " vertex_vectors { 3, ",
    " #declare ", " 7 ", " -3 ", " 0 ",
};

class SceneTextMutationTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
    }

    std::string Mutate(const std::string& original) {
        std::string s = original;
        const int ops = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < ops; ++k) {
            const std::size_t at = s.empty() ? 0 : random() % (s.size() + 1);
            switch (random() % 6) {
            case 0:  // a byte changed
                if (!s.empty()) s[std::min(at, s.size() - 1)] = static_cast<char>(random() % 256);
                break;
            case 1:
            case 2: {  // a piece of markup or a keyword thrown in
                const std::size_t i = random() % (sizeof Snippets / sizeof Snippets[0]);
                std::string piece = Snippets[i];
                if (piece.empty()) piece.assign(1, '\0');
                s.insert(at, piece);
                break;
            }
            case 3:  // a stretch cut out
                s.erase(at, random() % 40);
                break;
            case 4: {  // a stretch repeated
                const std::size_t n = random() % 60;
                s.insert(at, s.substr(at, n));
                break;
            }
            default:  // cut short
                s.resize(at);
                break;
            }
        }
        return s;
    }

    // Reads one damaged file; returns whether it was read without error.
    bool ReadOne(const std::string& file, bool pov) {
        DiscardImport();
        Scene.modelFile = file;
        bool ok = true;
        try {
            if (pov)
                ReadPOVMesh(Scene);
            else
                ReadVRML(Scene);
        } catch (const ReadError&) {
            ok = false;
        }
        if (ok) {
            scenefiles::ExpectConsistentImport(!pov);
            EXPECT_NO_THROW(MergeImportIntoScene(ZeroVector, ZeroVector, OneVector));
            if (SceneFaces.size() > 20000 || LineSegments.size() > 20000) ClearModel();
        }
        status.ClearPage(StatusPage::Messages);
        return ok;
    }

    std::mt19937 random{20260107};
    scenefiles::TestFolder folder;
};

TEST_F(SceneTextMutationTest, DamagedFilesEndCleanly) {
    using Clock = std::chrono::steady_clock;
    SetProgramDirOverride(folder.Path());
    const auto stop = Clock::now() + std::chrono::seconds(3);
    int reads = 0, errors = 0;
    const int fixtureCount = static_cast<int>(sizeof Fixtures / sizeof Fixtures[0]);
    for (int round = 0; round < 400 && Clock::now() < stop; ++round) {
        for (int f = 0; f < fixtureCount; ++f) {
            const bool pov = f >= 3;
            const std::string text = Mutate(Fixtures[f]);
            const std::string file = pov ? folder.Write("m.inc", text) : folder.Write("m.wrl", text);
            errors += ReadOne(file, pov) ? 0 : 1;
            ++reads;
            if (!pov && round % 4 == 0) {
                // The same damage inside a compressed file, and damage to the
                // compressed bytes themselves.
                const std::string packed = folder.WriteGzip("m.wrl.gz", text);
                errors += ReadOne(packed, false) ? 0 : 1;
                std::string bytes;
                {
                    std::ifstream in(packed, std::ios::binary);
                    bytes.assign(std::istreambuf_iterator<char>(in), {});
                }
                folder.Write("m.wrl.gz", Mutate(bytes));
                errors += ReadOne(packed, false) ? 0 : 1;
                reads += 2;
            }
            if (HasFatalFailure()) {
                SetProgramDirOverride("");
                return;
            }
        }
    }
    SetProgramDirOverride("");
    EXPECT_GT(reads, 100);
    EXPECT_GT(errors, 0);  // damaged compressed files are refused
    // Only the files of the test are left: no temporary file stays behind.
    for (const std::string& name : folder.Files()) EXPECT_EQ(name.rfind("mirelantemp", 0), std::string::npos) << name;
}

}  // namespace
