// The load peer of the benchmarks: an OBJ parser written the way the fastest
// single-header parsers are. The whole file is read into memory with one
// read, walked once, numbers are parsed by hand into floats, and the result
// is flat arrays: positions, texture coordinates and normals, and per corner
// the three indices (0-based, -1 for none) with a corner count per face.
// Only v, vt, vn and f lines are read; groups, materials and everything else
// are passed over, so the figure is the least work any OBJ load must do.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace peer {

struct ObjMesh {
    std::vector<float> positions, texcoords, normals;  // 3, 2 and 3 floats each
    std::vector<int32_t> corners;                       // position, texcoord, normal per corner
    std::vector<uint32_t> faceCorners;                  // corners per face
};

// The file's bytes followed by a line end and a zero, or empty.
inline std::vector<char> ReadWholeFile(const char* path) {
    std::vector<char> text;
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return text;
    struct stat st{};
    if (::fstat(fd, &st) == 0 && st.st_size >= 0) {
        const std::size_t size = static_cast<std::size_t>(st.st_size);
        text.resize(size + 2);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, text.data() + done, size - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done + 2);
        text[done] = '\n';
        text[done + 1] = '\0';
    }
    ::close(fd);
    return text;
}

namespace detail {

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
inline const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}
inline const char* SkipLine(const char* p) {
    while (*p != '\n') ++p;
    return p + 1;
}

inline const char* ParseFloat(const char* p, float& out) {
    static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10,
                                    1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20};
    p = SkipBlanks(p);
    double sign = 1;
    if (*p == '-') {
        sign = -1;
        ++p;
    } else if (*p == '+') {
        ++p;
    }
    double value = 0;
    while (static_cast<unsigned>(*p - '0') < 10) value = value * 10 + (*p++ - '0');
    if (*p == '.') {
        ++p;
        uint64_t fraction = 0;
        int digits = 0;
        while (static_cast<unsigned>(*p - '0') < 10) {
            if (digits < 18) {
                fraction = fraction * 10 + static_cast<uint64_t>(*p - '0');
                ++digits;
            }
            ++p;
        }
        value += static_cast<double>(fraction) / powers[digits > 20 ? 20 : digits];
    }
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negative = false;
        if (*p == '-' || *p == '+') negative = *p++ == '-';
        int e = 0;
        while (static_cast<unsigned>(*p - '0') < 10) e = e * 10 + (*p++ - '0');
        double scale = 1;
        while (e > 20) {
            scale *= 1e20;
            e -= 20;
        }
        scale *= powers[e];
        value = negative ? value / scale : value * scale;
    }
    out = static_cast<float>(sign * value);
    return p;
}

inline const char* ParseIndex(const char* p, int32_t& out, std::size_t count) {
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    int64_t v = 0;
    while (static_cast<unsigned>(*p - '0') < 10) v = v * 10 + (*p++ - '0');
    if (negative) v = static_cast<int64_t>(count) - v;
    else v -= 1;
    out = static_cast<int32_t>(v);
    return p;
}

}  // namespace detail

// Parses the text (as ReadWholeFile gives it: ending in "\n\0").
inline void ParseObj(const char* p, ObjMesh& mesh) {
    using namespace detail;
    while (*p) {
        p = SkipBlanks(p);
        if (p[0] == 'v') {
            if (IsBlank(p[1])) {
                float x, y, z;
                p = ParseFloat(ParseFloat(ParseFloat(p + 2, x), y), z);
                mesh.positions.insert(mesh.positions.end(), {x, y, z});
            } else if (p[1] == 't' && IsBlank(p[2])) {
                float u, v;
                p = ParseFloat(ParseFloat(p + 3, u), v);
                mesh.texcoords.insert(mesh.texcoords.end(), {u, v});
            } else if (p[1] == 'n' && IsBlank(p[2])) {
                float x, y, z;
                p = ParseFloat(ParseFloat(ParseFloat(p + 3, x), y), z);
                mesh.normals.insert(mesh.normals.end(), {x, y, z});
            }
        } else if (p[0] == 'f' && IsBlank(p[1])) {
            p = SkipBlanks(p + 2);
            unsigned n = 0;
            while (*p != '\n' && *p != '#') {
                const char* start = p;
                int32_t c[3] = {-1, -1, -1};
                p = ParseIndex(p, c[0], mesh.positions.size() / 3);
                if (*p == '/') {
                    ++p;
                    if (*p != '/') p = ParseIndex(p, c[1], mesh.texcoords.size() / 2);
                    if (*p == '/') p = ParseIndex(p + 1, c[2], mesh.normals.size() / 3);
                }
                mesh.corners.insert(mesh.corners.end(), {c[0], c[1], c[2]});
                ++n;
                if (p == start) break;  // not a corner: the rest of the line is passed over
                p = SkipBlanks(p);
            }
            mesh.faceCorners.push_back(n);
        }
        p = SkipLine(p);
    }
}

// Reads and parses the file, the text freed once parsed; false when the
// file cannot be read.
inline bool LoadObj(const char* path, ObjMesh& mesh) {
    const std::vector<char> text = ReadWholeFile(path);
    if (text.empty()) return false;
    ParseObj(text.data(), mesh);
    return true;
}

}  // namespace peer
