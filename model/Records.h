// The records of the scene model. Every record is a plain value held in one
// of the global lists (Model.h); records refer to each other by index only.
//
// Index conventions: vertex, normal and UV indices stored in faces and lines
// are 1-based with 0 for none; group and material indices are 0-based.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Types.h"

// A vertex position (or normal direction) and the mark a pass sets once it
// has handled the element.
struct tvertex {
    tvector p;
    uint8_t mark = 0;
};
using tnormal = tvertex;

struct tuv {
    double u = 0, v = 0;
    uint8_t mark = 0;
};

// One triangle.
struct tface {
    int32_t vertex[3] = {0, 0, 0};
    int32_t normal[3] = {0, 0, 0};
    int32_t uv[3] = {0, 0, 0};
    int32_t group = 0;
    int32_t material = 0;
    uint8_t reserved = 0;
    uint8_t mark = 0;  // subdivision-face mark
};

struct tline {
    int32_t vertex[2] = {0, 0};
    int32_t normal[2] = {0, 0};
    int32_t uv[2] = {0, 0};
    int32_t group = 0;
    int32_t material = 0;
};

// A run of consecutive segments of LineSegments.
struct tpolyline {
    int32_t first = 0;  // 0-based index of its first segment
    int32_t count = 0;
};

struct tmaterial {
    tname name;
    float shininess = 0.4f;                 // 0..1
    tvector ambient{0, 0, 0};
    tvector diffuse{1, 1, 1};
    tvector specular{0.3, 0.3, 0.3};
    std::array<uint8_t, 8> flags{};         // carried through, role not fixed
    tmapname colorMap;
    tmapname bumpMap;
    double bumpSize = 1.0;
    tmapname transparencyMap;
    double transparency = 0;                // 0..1
    double reflection = 0;                  // 0..1
    uint8_t metal = 1;
    double blend = 0;
    int32_t glTexture = 0;                  // preview texture id, 0 = none
    uint8_t invertTransparencyMap = 0;
    uint8_t changed = 0;
    tlongtext customText;                   // the user's own POV-Ray material
    uint8_t customTextActive = 0;
    uint8_t customTextHeld = 0;             // a model file's text kept switched off by its reader,
                                            // until the user switches it on or edits it
    uint8_t selected = 1;                   // takes part in drawing, export, tools
    int32_t uvProjection = -1;              // -1 none, else projection method
    tvector projectionAxis{0, 0, 0};
    int32_t faceCount = 0;
    int32_t lineCount = 0;
    double angle = 180.0;
    int32_t textureBytes = 0, textureWidth = 0, textureHeight = 0;
    tvector mapCenter{0, 0, 0};
    tvector mapSize{-1.0, 0, 0};            // y and z only read while x > 0
    tvector mapRotation{0, 0, 0};           // radians about X, Y, Z
    double mapScale[2] = {1.0, 1.0};
    uint8_t channelFlags[4] = {0, 0, 0, 0}; // LWO reader: channel already taken
    uint8_t scratch = 0;                    // VRML reader scratch flag
    uint8_t cell = 0;
    uint8_t cellHigh = 1;
};

struct tgroup {
    tname name;
    int32_t faceCount = 0;
    int32_t lineCount = 0;
    uint8_t visible = 1;
    uint8_t readerFlag = 0;
    int32_t readerScratch[4] = {0, 0, 0, 0};
    tvector minimum{0, 0, 0};
    tvector maximum{0, 0, 0};
    int32_t color = 0;                      // 24-bit colour, red in the low byte
    uint8_t castsShadow = 1;
    uint8_t changed = 0;
};

enum LightKind : int32_t { LightParallel = 0, LightSpot = 1, LightArea = 2, LightPoint = 3 };

// Field order is the order used wherever a light is written or read as a
// line of values.
struct tlight {
    tvector position{0, 0, 1};
    double elevation = 0;                   // degrees
    double rotation = 0;                    // degrees
    double thirdAngle = 0;                  // degrees
    tvector color{1, 1, 1};
    float spotTightness = 20.0f;            // 0..128
    float spotSpread = 20.0f;               // 0..90
    int32_t kind = LightParallel;
    int32_t shadow = 1;
    tlightname name{"Default"};
    int32_t optionA = 1;
    double intensity = 1.0;
    double factorB = 1.0;
    tvector pointAt{0, 0, 0};
    uint8_t jitter = 0;
    double areaSize = 0;
    int32_t areaSamples = 6;
    int32_t optionC = 0;
    int32_t optionD = 0;
    double fadeDistance = 0;
};

struct tcamera {
    uint8_t noPerspective = 0;
    double zoom = 0;                        // 0..180
    uint8_t useFocalBlur = 0;
    double reserved1 = 0;
    double focusBack = 0;
    double focusFront = 0;
    double reserved2 = 0;
    double panH = 0;
    double panV = 0;
    double distance = 0;
    double pitch = 0;                       // degrees
    double yaw = 0;                         // degrees
    double roll = 0;                        // degrees
    tname name;
    tvector translation{0, 0, 0};
    int32_t previewWidth = 0;
    int32_t previewHeight = 0;
};

enum PlaceholderKind : uint8_t { PlaceholderBox = 0, PlaceholderBall = 1, PlaceholderCylinder = 2 };

struct tplaceholder {
    uint8_t kind = PlaceholderBox;
    tvector size{0, 0, 0};
    tvector position{0, 0, 0};
    tvector rotation{0, 0, 0};              // degrees
    int32_t color = 0;                      // 24-bit colour
    tname name;
};

// An entry of the custom POV-Ray texture library.
struct tdeclare {
    tname name;
    tlongtext text;
};

struct tlightpreset {
    int32_t first = 0;                      // 0-based index into PresetLights
    int32_t count = 0;
    tlightname name;
};

// What is known of an image file once it has been read.
struct TImageProperties {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    int32_t bitsPerSample = 0;
    int32_t samplesPerPixel = 0;
    // The image library's compression kind: 0 unknown (also a map that no
    // reader of the library read), 1 none, 2 run-length, 3 PackBits, 4 LZW ...
    int32_t compression = 0;
    bool interlaced = false;
    int32_t fileSize = 0;
};

// A cached map file of the preview.
struct tmap {
    tname fileName;
    TImageProperties properties;
    int32_t extra = 0;
};

// A triangle produced by the triangulator.
struct tfacetriangle {
    int32_t vertex[3] = {0, 0, 0};
    int32_t normal[3] = {0, 0, 0};
    int32_t uv[3] = {0, 0, 0};
    int32_t polygon = 0;
    int32_t group = 0;
    int32_t material = 0;
    int32_t extra = 0;
};
using tfacearray = std::vector<tfacetriangle>;

// A floating-point image of a light probe with the statistics of its pixels.
// The pixels are red, green, blue floats, row by row in the file's order
// (the bottom row of the picture first), each row left to right.
struct tpfm {
    int32_t width = 0;
    int32_t height = 0;
    double scale = 1.0;                     // header scale; negative = little endian
    tvector darkest{1e30, 1e30, 1e30};      // the pixel with the smallest r + g + b
    tvector brightest{-1, -1, -1};          // the pixel with the largest r + g + b
    tvector sum{0, 0, 0};
    tvector average{0, 0, 0};
    std::vector<float> pixels;              // width x height x 3

    // The three floats of pixel (column, row); both inside the image.
    const float* Pixel(int32_t column, int32_t row) const {
        return pixels.data() + (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(column)) * 3;
    }
};
