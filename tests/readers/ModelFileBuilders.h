// Small writers of model files for the reader tests: 3DS chunks, LWO IFF
// chunks and DXF group pairs, so that every test builds exactly the file it
// needs in memory.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace build {

// ---- Little-endian (3DS) -------------------------------------------------
inline std::string Le16(uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
inline std::string Le32(uint32_t v) { return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)}; }
inline std::string LeF(float f) { return Le32(std::bit_cast<uint32_t>(f)); }
inline std::string CStr(std::string_view s) { return std::string(s) + '\0'; }

// A 3DS chunk: id, length (header included), then the data and children.
inline std::string Chunk(uint16_t id, std::string_view data = {}) {
    return Le16(id) + Le32(static_cast<uint32_t>(6 + data.size())) + std::string(data);
}

inline std::string Vertices3DS(std::initializer_list<std::initializer_list<float>> points) {
    std::string d = Le16(static_cast<uint16_t>(points.size()));
    for (auto p : points)
        for (float c : p) d += LeF(c);
    return Chunk(0x4110, d);
}

inline std::string UVs3DS(std::initializer_list<std::initializer_list<float>> uvs) {
    std::string d = Le16(static_cast<uint16_t>(uvs.size()));
    for (auto p : uvs)
        for (float c : p) d += LeF(c);
    return Chunk(0x4140, d);
}

// A face list with its children (face material lists, smoothing groups).
inline std::string Faces3DS(std::initializer_list<std::initializer_list<uint16_t>> faces,
                            std::string_view children = {}) {
    std::string d = Le16(static_cast<uint16_t>(faces.size()));
    for (auto f : faces) {
        for (uint16_t c : f) d += Le16(c);
        d += Le16(7);  // edge flags
    }
    return Chunk(0x4120, d + std::string(children));
}

inline std::string FaceMaterials3DS(std::string_view material, std::initializer_list<uint16_t> faces) {
    std::string d = CStr(material) + Le16(static_cast<uint16_t>(faces.size()));
    for (uint16_t f : faces) d += Le16(f);
    return Chunk(0x4130, d);
}

inline std::string Object3DS(std::string_view name, std::string_view mesh) {
    return Chunk(0x4000, CStr(name) + Chunk(0x4100, mesh));
}

inline std::string ColorBytes3DS(uint16_t property, uint8_t r, uint8_t g, uint8_t b) {
    return Chunk(property, Chunk(0x0011, std::string{char(r), char(g), char(b)}));
}

inline std::string ColorFloats3DS(uint16_t property, float r, float g, float b) {
    return Chunk(property, Chunk(0x0010, LeF(r) + LeF(g) + LeF(b)));
}

inline std::string Map3DS(uint16_t property, std::string_view file, std::string_view extra = {}) {
    return Chunk(property, Chunk(0xA300, CStr(file)) + std::string(extra));
}

inline std::string File3DS(std::string_view editor, std::string_view before = {}) {
    return Chunk(0x4D4D, Chunk(0x0002, Le32(3)) + std::string(before) + Chunk(0x3D3D, editor));
}

// ---- Big-endian IFF (LWO) ------------------------------------------------
inline std::string Be16(uint16_t v) { return {char(v >> 8), char(v & 0xFF)}; }
inline std::string Be32(uint32_t v) { return {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)}; }
inline std::string BeF(float f) { return Be32(std::bit_cast<uint32_t>(f)); }
inline std::string BeVec(float x, float y, float z) { return BeF(x) + BeF(y) + BeF(z); }
// A string with its NUL, padded to an even length.
inline std::string S0(std::string_view s) {
    std::string r = std::string(s) + '\0';
    if (r.size() % 2) r += '\0';
    return r;
}
inline std::string VX(uint32_t i) { return i < 0xFF00 ? Be16(static_cast<uint16_t>(i)) : Be32(0xFF000000u | i); }

inline std::string Iff(std::string_view tag, std::string_view data) {
    std::string r = std::string(tag) + Be32(static_cast<uint32_t>(data.size())) + std::string(data);
    if (data.size() % 2) r += '\0';
    return r;
}
inline std::string Sub(std::string_view tag, std::string_view data) {
    std::string r = std::string(tag) + Be16(static_cast<uint16_t>(data.size())) + std::string(data);
    if (data.size() % 2) r += '\0';
    return r;
}
inline std::string Form(std::string_view type, std::string_view chunks) {
    return Iff("FORM", std::string(type) + std::string(chunks));
}

inline std::string Points(std::initializer_list<std::initializer_list<float>> points) {
    std::string d;
    for (auto p : points)
        for (float c : p) d += BeF(c);
    return Iff("PNTS", d);
}

// An LWOB polygon: corner count, corners, surface.
inline std::string OldPolygon(std::initializer_list<uint16_t> corners, int16_t surface) {
    std::string d = Be16(static_cast<uint16_t>(corners.size()));
    for (uint16_t c : corners) d += Be16(c);
    return d + Be16(static_cast<uint16_t>(surface));
}

// An LWO2 polygon: corner count (with flag bits), VX corners.
inline std::string Polygon(std::initializer_list<uint32_t> corners, uint16_t flags = 0) {
    std::string d = Be16(static_cast<uint16_t>(corners.size() | flags));
    for (uint32_t c : corners) d += VX(c);
    return d;
}

// ---- DXF -----------------------------------------------------------------
class Dxf {
public:
    Dxf& operator()(int code, std::string_view value) {
        text_ += std::to_string(code) + "\n" + std::string(value) + "\n";
        return *this;
    }
    Dxf& operator()(int code, int value) { return (*this)(code, std::string_view(std::to_string(value))); }
    Dxf& operator()(int code, double value) {
        std::string v = std::to_string(value);
        return (*this)(code, std::string_view(v));
    }
    Dxf& Face(std::initializer_list<std::initializer_list<double>> corners) {
        int k = 0;
        for (auto c : corners) {
            auto it = c.begin();
            (*this)(10 + k, it[0])(20 + k, it[1])(30 + k, it[2]);
            ++k;
        }
        return *this;
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

}  // namespace build
