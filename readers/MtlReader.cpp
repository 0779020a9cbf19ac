#include "readers/MtlReader.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "readers/ReaderCommon.h"

namespace {

inline bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlankByte(s[b])) ++b;
    while (e > b && IsBlankByte(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The text of the line from the 0-based position `from` on, trimmed, with
// tabs turned into blanks.
std::string TextFrom(std::string_view line, std::size_t from) {
    std::string s(TrimBlanks(line.substr(std::min(from, line.size()))));
    std::replace(s.begin(), s.end(), '\t', ' ');
    return s;
}

// The next blank-separated token of `s` from `pos` on (pos moves past it).
std::string_view NextToken(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && s[pos] == ' ') ++pos;
    const std::size_t start = pos;
    while (pos < s.size() && s[pos] != ' ') ++pos;
    return s.substr(start, pos - start);
}

bool IsNumber(std::string_view token) {
    double v;
    return ParseDouble(token, v);
}

// Map options of the material library format and how many values follow
// each: `required` always, then up to `optional` more that are numbers.
struct MapOption {
    std::string_view name;
    int required;
    int optional;
};
constexpr MapOption MapOptions[] = {
    {"-blendu", 1, 0}, {"-blendv", 1, 0}, {"-boost", 1, 0}, {"-mm", 2, 0},     {"-o", 1, 2},
    {"-s", 1, 2},      {"-t", 1, 2},      {"-texres", 1, 0}, {"-clamp", 1, 0}, {"-bm", 1, 0},
    {"-imfchan", 1, 0}, {"-type", 1, 0},
};

const MapOption* FindMapOption(std::string_view token) {
    for (const MapOption& o : MapOptions)
        if (SameText(token, o.name)) return &o;
    return nullptr;
}

class MtlReader {
public:
    MtlReader(int32_t target, tscene& scene, int32_t mode) : scene_(scene), daz_(mode == 1) {
        if (target == MtlTargetImport) list_ = &ImportMaterials;
        else if (target == MtlTargetScene) list_ = &SceneMaterials;
    }

    void Run() {
        TextLineReader reader;
        if (!reader.Open(scene_.mtlFile))
            throw ReadError("Cannot read the material file " + ExtractFileName(scene_.mtlFile), scene_.mtlFile);
        Read(reader);
    }

    void Read(TextLineReader& reader) {
        if (list_) {
            names_.reserve(list_->size() * 2);
            for (std::size_t i = 0; i < list_->size(); ++i) names_[(*list_)[i].name.str()] = static_cast<int32_t>(i);
        }
        while (!reader.Eof()) {
            ++lineNumber_;
            Line(TrimBlanks(reader.ReadLine()));
        }
        if (matched_ == 0)
            LogMessage("<!>No materials used in " + ExtractFileName(scene_.modelFile) + " were found in " +
                       ExtractFileName(scene_.mtlFile));
    }

private:
    [[noreturn]] void Fail(std::string_view what) const {
        throw ReadError(ExtractFileName(scene_.mtlFile) + ", line " + std::to_string(lineNumber_) + ": " +
                            std::string(what),
                        scene_.mtlFile, lineNumber_);
    }

    // The number in word i (0 when it is not a number); the line must have it.
    double Number(std::size_t i, std::string_view keyword) const {
        if (i >= words_->size()) Fail(std::string(keyword) + " without a value");
        return TextToFloat((*words_)[i]);
    }

    tvector Color(std::string_view keyword) const {
        // "Ka r g b"; a single value stands for a grey (r = g = b).
        if (words_->size() == 2) {
            const double c = Number(1, keyword);
            return {c, c, c};
        }
        if (words_->size() < 4) Fail(std::string(keyword) + " needs three values");
        return {Number(1, keyword), Number(2, keyword), Number(3, keyword)};
    }

    void Line(std::string_view line) {
        if (line.empty()) return;
        words_ = &splitter_.Split(line);
        if (words_->empty()) return;
        const std::string_view key = (*words_)[0];
        if (SameText(key, "NEWMTL")) {
            const std::string name = TextFrom(line, 6);
            const auto it = list_ ? names_.find(tname(name).str()) : names_.end();
            current_ = it == names_.end() ? -1 : it->second;
            if (current_ >= 0) {
                ++matched_;
                LogMessage("Material [" + std::to_string(current_ + 1) + "]= " + (*list_)[current_].name.str());
            }
            return;
        }
        if (current_ < 0) return;
        tmaterial& m = (*list_)[static_cast<std::size_t>(current_)];
        if (SameText(key, "NS")) {
            const double e = Number(1, "Ns");
            m.shininess = static_cast<float>(daz_ ? e : ExponentToShininess(e));
        } else if (SameText(key, "D")) {
            m.transparency = 1.0 - Number(1, "d");
        } else if (SameText(key, "TR")) {
            m.transparency = Number(1, "Tr");
        } else if (SameText(key, "KA")) {
            m.ambient = Color("Ka");
        } else if (SameText(key, "KD")) {
            m.diffuse = Color("Kd");
            if (daz_) m.blend = 1.0;
        } else if (SameText(key, "KS")) {
            m.specular = Color("Ks");
        } else if (SameText(key, "MAP_KD")) {
            // A nearly clear material shows no colour map.
            m.colorMap = m.transparency < 0.98 ? MapNameFromStatement(TextFrom(line, 7)) : std::string();
        } else if (SameText(key, "MAP_D")) {
            m.transparencyMap = MapNameFromStatement(TextFrom(line, 6));
            if (daz_) m.transparency = 0;
        } else if (SameText(key, "MAP_BUMP")) {
            m.bumpMap = MapNameFromStatement(TextFrom(line, 8), &m.bumpSize);
        } else if (SameText(key, "MAP_REFL")) {
            m.reflection = 0.4;
        } else if (SameText(key, "KM")) {
            m.bumpSize = -Number(1, "Km");
        } else if (SameText(key, "#R")) {
            m.reflection = Number(1, "#r");
        } else if (SameText(key, "#BUMP_SIZE")) {
            m.bumpSize = Number(1, "#bump_size");
        } else if (SameText(key, "#BLEND")) {
            m.blend = Number(1, "#blend");
        } else if (SameText(key, "#METAL")) {
            m.metal = 1;
        } else if (SameText(key, "#INV_MAP_D")) {
            m.invertTransparencyMap = 1;
        } else if (SameText(key, "#CELL")) {
            m.cell = 1;
        } else if (SameText(key, "#CELL_HI")) {
            m.cellHigh = 1;
        } else if (SameText(key, "#POVMATERIAL")) {
            // "?" stands for a carriage return and "~" for a line feed; a
            // text over the buffer's size is cut with a warning.
            SingleLineToBuffer(TextFrom(line, 12), m.customText);
            SwitchOnCustomTextFromFile(m);
        }
    }

    tscene& scene_;
    const bool daz_;
    std::vector<tmaterial>* list_ = nullptr;
    std::unordered_map<std::string, int32_t> names_;  // name -> last material of that name
    CommaTextSplitter splitter_;
    const std::vector<std::string_view>* words_ = nullptr;
    int32_t current_ = -1;
    int32_t matched_ = 0;
    int64_t lineNumber_ = 0;
};

}  // namespace

std::string MapNameFromStatement(std::string_view value, double* bumpMultiplier) {
    std::string text(TrimBlanks(value));
    std::replace(text.begin(), text.end(), '\t', ' ');
    const std::string_view s(text);
    std::size_t pos = 0;
    for (;;) {
        std::size_t next = pos;
        const std::string_view token = NextToken(s, next);
        if (token.empty() || token[0] != '-') break;
        const MapOption* option = FindMapOption(token);
        if (!option) break;  // a name that starts with "-"
        pos = next;
        for (int i = 0; i < option->required; ++i) {
            const std::string_view arg = NextToken(s, pos);
            if (i == 0 && bumpMultiplier && option->name == "-bm") {
                double v;
                if (ParseDouble(arg, v)) *bumpMultiplier = v;
            }
        }
        for (int i = 0; i < option->optional; ++i) {
            std::size_t after = pos;
            if (!IsNumber(NextToken(s, after))) break;
            pos = after;
        }
    }
    std::string name(TrimBlanks(s.substr(std::min(pos, s.size()))));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

void ReadMTL(int32_t target, tscene& scene, int32_t mode) {
    MtlReader reader(target, scene, mode);
    reader.Run();
}

void ReadMTLBytes(int32_t target, tscene& scene, int32_t mode, std::string_view text) {
    MtlReader reader(target, scene, mode);
    TextLineReader lines{std::string(text)};
    reader.Read(lines);
}
