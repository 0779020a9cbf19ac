// Whole model files that use most of what each reader understands: the
// starting points of the mutation test and the seeds of the fuzz targets.
#pragma once

#include <cmath>
#include <string>

#include "tests/readers/ModelFileBuilders.h"

namespace build {

inline std::string Rich3DS() {
    const std::string wood =
        Chunk(0xAFFF, Chunk(0xA000, CStr("wood")) + ColorBytes3DS(0xA020, 255, 51, 0) +
                          ColorFloats3DS(0xA010, 0.1f, 0.2f, 0.3f) + Chunk(0xA040, Chunk(0x0030, Le16(50))) +
                          Chunk(0xA050, Chunk(0x0031, LeF(0.5f))) + Map3DS(0xA200, "maps\\wood.jpg") +
                          Map3DS(0xA230, "bump.png", Chunk(0xA252, Le16(150))) + Map3DS(0xA210, "mask.tga"));
    const std::string glass = Chunk(0xAFFF, Chunk(0xA000, CStr("glass")) + ColorFloats3DS(0xA030, 0.5f, 0.5f, 0.5f));
    std::string matrix;
    for (int i = 0; i < 12; ++i) matrix += LeF(i % 4 == 0 ? 1.0f : 0.0f);
    return File3DS(Chunk(0x0100, LeF(2.0f)) + wood + glass +
                   Object3DS("box", Vertices3DS({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}) +
                                        UVs3DS({{0, 0}, {1, 0}, {1, 1}, {0, 1}}) + Chunk(0x4160, matrix) +
                                        Faces3DS({{0, 1, 2}, {0, 2, 3}},
                                                 FaceMaterials3DS("glass", {1}) + Chunk(0x4150, Le32(1) + Le32(2)))) +
                   Object3DS("tri", Vertices3DS({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}) + Faces3DS({{0, 1, 2}})) +
                   Object3DS("box", Vertices3DS({{5, 5, 5}, {6, 5, 5}, {5, 6, 5}}) +
                                        Faces3DS({{2, 1, 0}}, FaceMaterials3DS("wood", {0}))));
}

inline std::string RichLWOB() {
    const std::string points = Points({{0, 0, 1}, {1, 0, 2}, {1, 1, 3}, {0, 1, 4}, {0.5f, 2, 1}});
    const std::string polygons = OldPolygon({0, 1, 2}, 1) + OldPolygon({2, 3, 0}, -2) + Be16(1) +
                                 OldPolygon({0, 1, 2}, 1) + OldPolygon({0, 1, 2, 4, 3}, 2);
    const std::string surface =
        S0("red") + Sub("COLR", std::string{char(255), 0, 0, 0}) + Sub("LUMI", Be16(51)) + Sub("TRAN", Be16(51)) +
        Sub("GLOS", Be16(64)) + Sub("VDIF", BeF(0.5f)) + Sub("CTEX", S0("Planar Image Map")) + Sub("TFLG", Be16(2)) +
        Sub("TSIZ", BeVec(1, 2, 3)) + Sub("TCTR", BeVec(4, 5, 6)) + Sub("TAMP", BeF(2.5f)) +
        Sub("TIMG", S0("textures\\a.jpg"));
    return Form("LWOB", Iff("SRFS", S0("red") + S0("blue")) + points + Iff("POLS", polygons) +
                            Iff("PCHS", OldPolygon({0, 1, 2, 3}, 2)) + Iff("SURF", surface));
}

inline std::string RichLWO2() {
    const std::string points = Points({{0, 0, 1}, {1, 0, 2}, {1, 1, 3}, {0, 1, 4}});
    const std::string vmap = Iff("VMAP", std::string("TXUV") + Be16(2) + S0("uv") + VX(0) + BeF(0) + BeF(0) + VX(1) +
                                             BeF(1) + BeF(0) + VX(2) + BeF(1) + BeF(1) + VX(3) + BeF(0) + BeF(1));
    const std::string vmad = Iff("VMAD", std::string("TXUV") + Be16(2) + S0("uv") + VX(2) + VX(1) + BeF(0.9f) + BeF(0.9f));
    const std::string block =
        Sub("BLOK", Sub("IMAP", S0("\x80") + Sub("CHAN", "COLR")) + Sub("PROJ", Be16(1)) + Sub("AXIS", Be16(1)) +
                        Sub("IMAG", VX(1)) + Sub("WRPW", BeF(2) + VX(0)) + Sub("TAMP", BeF(0.7f) + VX(0)) +
                        Sub("TMAP", Sub("CNTR", BeVec(1, 2, 3) + VX(0)) + Sub("ROTA", BeVec(0.1f, 0.2f, 0.3f) + VX(0))));
    return Form("LWO2", Iff("TAGS", S0("skin") + S0("cloth")) +
                            Iff("LAYR", Be16(0) + Be16(0) + BeVec(0, 0, 0) + S0("body")) + points + vmap +
                            Iff("POLS", std::string("FACE") + Polygon({0, 1, 2}) + Polygon({0, 2, 3, 1})) +
                            Iff("PTAG", std::string("SURF") + VX(0) + Be16(1) + VX(1) + Be16(0)) + vmad +
                            Iff("LAYR", Be16(1) + Be16(0) + BeVec(0, 0, 0) + S0("body")) + points +
                            Iff("POLS", std::string("PTCH") + Polygon({0, 1, 2, 3})) +
                            Iff("CLIP", Be32(1) + Sub("STIL", S0("images\\skin.png"))) +
                            Iff("SURF", S0("skin") + S0("") + Sub("COLR", BeVec(1, 0.5f, 0.25f) + VX(0)) + block) +
                            Iff("SURF", S0("cloth") + S0("") + Sub("TRAN", BeF(0.5f) + VX(0))));
}

inline std::string RichDXF() {
    Dxf d;
    d(0, "SECTION")(2, "HEADER")(9, "$ACADVER")(1, "AC1009")(9, "$CECOLOR")(62, 256)(0, "ENDSEC");
    d(0, "SECTION")(2, "TABLES")(0, "TABLE")(2, "LAYER")(70, 1)(0, "LAYER")(2, "walls")(62, 3)(0, "ENDTAB");
    d(0, "ENDSEC")(0, "SECTION")(2, "BLOCKS");
    d(0, "BLOCK")(8, "0")(2, "chair")(10, 5.0)(20, 0.0)(30, 0.0)(62, 5);
    d(0, "3DFACE")(8, "0")(62, 0).Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    d(0, "ENDBLK")(8, "0")(0, "ENDSEC");
    d(0, "SECTION")(2, "ENTITIES");
    d(0, "INSERT")(8, "0")(2, "chair")(10, 100.0)(20, 0.0)(30, 0.0);
    d(0, "3DFACE")(8, "walls")(62, 1).Face({{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
    d(0, "3DFACE")(8, "walls")(62, 256).Face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}});
    d(0, "POLYLINE")(8, "mesh")(62, 2)(66, 1)(70, 64)(71, 4)(72, 2);
    const double points[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& p : points) d(0, "VERTEX")(8, "mesh")(10, p[0])(20, p[1])(30, 0.0)(70, 192);
    d(0, "VERTEX")(8, "mesh")(10, 0.0)(20, 0.0)(30, 0.0)(70, 128)(71, 1)(72, 2)(73, 3)(74, -4);
    d(0, "SEQEND")(0, "ENDSEC")(0, "EOF");
    return d.Text();
}

// A light preset in the shape the reader scans for: the declarations in
// m_aNewLights, the values in the switch of createLight.
inline std::string DazLightScript(const std::string& secondShadow = "1") {
    return "// DAZ Studio light preset\r\n"
           "var m_aNewLights = [\r\n"
           "\t[ \"Spot 1\", DzSpotLight ],\r\n"
           "\t[ \"Spot 2\", DzSpotLight ] ];\r\n"
           "\r\n"
           "function createLight( oLight, nLight )\r\n"
           "{\r\n"
           "\tswitch( nLight ){\r\n"
           "\t\tcase 0:\r\n"
           "\t\t\toLight.set( \"XTranslate\", 0, 240 );\r\n"
           "\t\t\toLight.set( \"YTranslate\", 0, 480 );\r\n"
           "\t\t\toLight.set( \"ZTranslate\", 0, -240 );\r\n"
           "\t\t\toLight.set( \"XRotate\", 0, 0 );\r\n"
           "\t\t\toLight.set( \"YRotate\", 0, 90 );\r\n"
           "\t\t\toLight.set( \"ZRotate\", 0, 0 );\r\n"
           "\t\t\toLight.set( \"Color\", 0, 1, 255, 127.5, 0 );\r\n"
           "\t\t\toLight.set( \"Spread Angle\", 0, 40 );\r\n"
           "\t\t\toLight.set( \"Cast Shadows\", 0, 0 );\r\n"
           "\t\t\toLight.set( \"Visible\", 0, 1 );\r\n"
           "\t\t\toLight.set( \"Intensity\", 0, 0.75 );\r\n"
           "\t\t\tbreak;\r\n"
           "\t\tcase 1:\r\n"
           "\t\t\toLight.set( \"XTranslate\", 0, 0 );\r\n"
           "\t\t\toLight.set( \"YTranslate\", 0, 0 );\r\n"
           "\t\t\toLight.set( \"ZTranslate\", 0, 480 );\r\n"
           "\t\t\toLight.set( \"XRotate\", 0, 90 );\r\n"
           "\t\t\toLight.set( \"Cast Shadows\", 0, " +
           secondShadow +
           " );\r\n"
           "\t\t\tbreak;\r\n"
           "\t\tdefault:\r\n"
           "\t\t\toLight.set( \"XTranslate\", 0, 999 );\r\n"  // after default: not read
           "\t}\r\n"
           "}\r\n";
}

// A camera preset: the declarations in m_aNewCameras, the values in the
// switch of createCamera (the first camera with a 50 mm lens).
inline std::string DazCameraScript() {
    const double f50 = 30.59 / (2 * std::tan(25 * 3.14159265358979323846 / 180));
    return "var m_aNewCameras = [\n"
           "\t[ \"Camera 1\", DzBasicCamera ],\n"
           "\t[ \"Camera 2\", DzBasicCamera ] ];\n"
           "function createCamera( oCamera, nCamera )\n"
           "{\n"
           "\tswitch( nCamera ){\n"
           "\t\tcase 0:\n"
           "\t\t\toCamera.set( \"XTranslate\", 0, 0 );\n"
           "\t\t\toCamera.set( \"YTranslate\", 0, 240 );\n"
           "\t\t\toCamera.set( \"ZTranslate\", 0, 480 );\n"
           "\t\t\toCamera.set( \"Perspective\", 0, 0 );\n"
           "\t\t\toCamera.set( \"Focal Length\", 0, " +
           std::to_string(f50) +
           " );\n"
           "\t\t\tbreak;\n"
           "\t\tcase 1:\n"
           "\t\t\toCamera.set( \"XTranslate\", 0, 0 );\n"
           "\t\t\toCamera.set( \"YTranslate\", 0, 240 );\n"
           "\t\t\toCamera.set( \"XRotate\", 0, 90 );\n"
           "\t\t\toCamera.set( \"Perspective\", 0, 1 );\n"
           "\t\t\toCamera.set( \"Focal Length\", 0, 0 );\n"
           "\t\t\tbreak;\n"
           "\t\tdefault:\n"
           "\t}\n"
           "}\n";
}

}  // namespace build
