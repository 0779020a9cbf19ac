#include "htmlviewer/HtmlUtils.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "model/FileSearch.h"
#include "model/MapPaths.h"
#include "model/TextConv.h"

namespace fs = std::filesystem;

namespace {

// The most numbers an AREA's COORDS gives.
constexpr std::size_t MaxCoords = 301;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The numbers of a COORDS value: pieces separated by commas and blanks, each
// read as a decimal integer (0 when it is none).
std::vector<int> ParseCoords(std::string_view text) {
    std::vector<int> numbers;
    std::size_t i = 0;
    while (i < text.size() && numbers.size() < MaxCoords) {
        while (i < text.size() && (text[i] == ',' || static_cast<unsigned char>(text[i]) <= ' ')) ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ',' && static_cast<unsigned char>(text[i]) > ' ') ++i;
        if (i > start) numbers.push_back(AttributeNumber(text.substr(start, i - start)));
    }
    return numbers;
}

// The folder part of a path, with its trailing "/"; "" when it has none.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int32_t AttributeNumber(std::string_view text) {
    const std::string s = Trim(text);
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) i = 1;
    if (i == s.size()) return 0;
    int32_t value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        value = std::min(MaxAttributeValue, value * 10 + (s[i] - '0'));
    }
    return negative ? -value : value;
}

const TAttribute* TAttributeList::Find(AttrSym which) const {
    for (const auto& a : *this)
        if (a->AttrSymbol == which) return a.get();
    return nullptr;
}

// ---- Image maps ---------------------------------------------------------------

bool TMapArea::Contains(int x, int y) const {
    switch (Kind) {
    case Shape::Rect: return Bounds.contains(x, y);
    case Shape::Circle: {
        if (Bounds.isEmpty()) return false;
        // The ellipse inscribed in the bounds, tested at the pixel's centre.
        const double rx = Bounds.width() / 2.0, ry = Bounds.height() / 2.0;
        const double dx = (x + 0.5 - Bounds.left - rx) / rx, dy = (y + 0.5 - Bounds.top - ry) / ry;
        return dx * dx + dy * dy <= 1.0;
    }
    case Shape::Poly: {
        // Even-odd rule at the pixel's centre.
        const double px = x + 0.5, py = y + 0.5;
        bool inside = false;
        for (std::size_t i = 0, j = Points.size() - 1; i < Points.size(); j = i++) {
            const gfx::Point& a = Points[i];
            const gfx::Point& b = Points[j];
            if ((a.y > py) != (b.y > py) && px < a.x + (py - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y))
                inside = !inside;
        }
        return inside;
    }
    }
    return false;
}

void TMapItem::AddArea(const TAttributeList& attributes) {
    TMapArea area;
    std::vector<int> coords;
    for (const auto& a : attributes) {
        switch (a->AttrSymbol) {
        case AttrSym::Shape: {
            const std::string shape = LowerCase(std::string_view(a->Name).substr(0, 4));
            area.Kind = shape == "circ" ? TMapArea::Shape::Circle
                        : shape == "poly" ? TMapArea::Shape::Poly
                                          : TMapArea::Shape::Rect;
            break;
        }
        case AttrSym::Coords: coords = ParseCoords(a->Name); break;
        case AttrSym::Href: area.HRef = a->Name; break;
        case AttrSym::NoHref: area.HRef.clear(); break;
        case AttrSym::Target: area.Target = a->Name; break;
        default: break;
        }
    }
    switch (area.Kind) {
    case TMapArea::Shape::Rect:
        if (coords.size() < 4) return;
        area.Bounds = {coords[0], coords[1], coords[2] + 1, coords[3] + 1};
        break;
    case TMapArea::Shape::Circle:
        if (coords.size() < 3) return;
        area.Bounds = {coords[0] - coords[2], coords[1] - coords[2], coords[0] + coords[2] + 1,
                       coords[1] + coords[2] + 1};
        break;
    case TMapArea::Shape::Poly:
        if (coords.size() < 6) return;
        for (std::size_t i = 0; i + 1 < coords.size(); i += 2) area.Points.push_back({coords[i], coords[i + 1]});
        break;
    }
    Areas.push_back(std::move(area));
}

bool TMapItem::LinkAtPoint(int x, int y, TUrlTarget& urlTarget) const {
    for (const TMapArea& area : Areas) {
        if (!area.Contains(x, y)) continue;
        if (area.HRef.empty()) return false;
        urlTarget.Assign(area.HRef, area.Target);
        return true;
    }
    return false;
}

// ---- Link names ---------------------------------------------------------------

std::string LinkToFileName(std::string_view name) {
    std::string s = Trim(name);
    for (;;) {
        const std::size_t p = s.find('%');
        if (p == std::string::npos || p == 0 || p + 2 >= s.size()) break;
        const int hi = HexDigit(s[p + 1]), lo = HexDigit(s[p + 2]);
        if (hi < 0 || lo < 0) break;  // not an escape: the rest stays as written
        s.replace(p, 3, 1, static_cast<char>(hi * 16 + lo));
    }
    s = NormalizePathSeparators(s);
    if (s.find('/') != std::string::npos) {
        if (StartsWithNoCase(s, "file:///")) {
            s.erase(0, 7);  // keeps the "/" of an absolute path
            if (s.size() >= 3 && (s[2] == '|' || s[2] == ':')) s.erase(0, 1);  // "/C|/x": a drive
        } else if (StartsWithNoCase(s, "file://")) {
            s.erase(0, 7);
        }
        std::replace(s.begin(), s.end(), '|', ':');
    }
    return s;
}

std::string LinkToFileNameWithRoot(std::string_view name, std::string_view root) {
    std::string s = LinkToFileName(name);
    if (!s.empty() && s[0] == '/') {
        std::string r = NormalizePathSeparators(root);
        while (!r.empty() && r.back() == '/') r.pop_back();
        s = r + s;
    }
    return s;
}

std::string ExpandLinkFileName(std::string_view name, std::string_view serverRoot, std::string_view base,
                               std::string_view currentFile) {
    std::string s = NormalizePathSeparators(Trim(name));
    if (!s.empty() && s[0] == '/') {
        std::string root = NormalizePathSeparators(Trim(serverRoot));
        while (!root.empty() && root.back() == '/') root.pop_back();
        s = root + s;
    }
    fs::path path;
    if (!s.empty() && s[0] == '/') {
        path = s;
    } else if (base == "DosPath") {
        path = fs::path(s);
    } else {
        std::string folder;
        if (!base.empty()) {
            const std::string b = LinkToFileName(base);
            std::error_code ec;
            folder = (!b.empty() && b.back() != '/' && fs::is_directory(b, ec)) ? b + "/" : FolderOf(b);
        } else {
            folder = FolderOf(NormalizePathSeparators(currentFile));
        }
        path = fs::path(folder + s);
    }
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec) full = path;
    std::string result = full.lexically_normal().generic_string();
    if (!fs::exists(result, ec)) result = FileNameAsOnDisk(result);
    return result;
}

// ---- Drawing ------------------------------------------------------------------

void WrapTextW(gfx::Canvas& canvas, const gfx::Rect& rect, std::string_view text) {
    gfx::Rect r = rect;
    canvas.drawText(r, Cp1252ToUtf8(text), gfx::DrawTextFlags::WordBreak | gfx::DrawTextFlags::NoPrefix);
}

void RaisedRect(gfx::Canvas& canvas, const gfx::Rect& rect, bool raised, gfx::Color background) {
    const gfx::Color light =
        canvas.resolve(background) == gfx::clWhite ? gfx::clSilver : gfx::clBtnHighlight;
    const gfx::Color shadow = gfx::clBtnShadow;
    gfx::Rect r = rect;
    canvas.frame3D(r, raised ? light : shadow, raised ? shadow : light, 1);
}
