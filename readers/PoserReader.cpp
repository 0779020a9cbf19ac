#include "readers/PoserReader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "readers/Gzip.h"
#include "readers/ReaderCommon.h"

namespace {

// The progress gauge runs over this many lines and then starts again.
constexpr double ProgressRange = 1000000;

// Poser's built-in map names, referred to as GetStringRes(1024,n).
constexpr const char* ResourceMapNames[60] = {
    "No Bump",
    "Male Muscle Bump.bum",
    "Female Muscle Bump.bum",
    "None",
    "Male Muscle Texture.tif",
    "Female Muscle Texture.tif",
    "Ground Default Texture.tif",
    "male casual texture.tif",
    "female casual texture.tif",
    "male nude texture.tif",
    "female nude texture.tif",
    "male business texture.tif",
    "female business texture.tif",
    "child nude texture.tif",
    "child casual texture.tif",
    "ground Default Texture.bum",
    "angelfishmap.tif",
    "biz man texture.tif",
    "biz woman texture.tif",
    "casual child texture.tif",
    "casual man texture.tif",
    "casual woman texture.tif",
    "cat texture.tif",
    "child hair texture.tif",
    "dog texture.tif",
    "dolphin texture.tif",
    "female hair 1 texture.tif",
    "female hair 2 texture.tif",
    "female hair 3 texture.tif",
    "female hair 4 texture.tif",
    "female hair 5 texture.tif",
    "frogmap.tif",
    "hand texture.tif",
    "horse texture.tif",
    "lionmap.tif",
    "male hair 1 texture.tif",
    "male hair 2 texture.tif",
    "male hair 3 texture.tif",
    "male hair 4 texture.tif",
    "male hair 5 texture.tif",
    "nude child texture.tif",
    "nude man texture.tif",
    "nude woman texture.tif",
    "raptor texture.bum",
    "raptor texture.tif",
    "wolfmap.tif",
    "p4 man bump.bum",
    "p4 man bump.tif",
    "p4 man texture.tif",
    "p4 man texture2.tif",
    "p4 woman bump.bum",
    "p4 woman bump.tif",
    "p4 woman texture.tif",
    "p4 woman texture2.tif",
    "p4casboy.tif",
    "p4casgirl.tif",
    "p4infant.tif",
    "p4nudboy.tif",
    "p4nudgrl.tif",
    "snakelo.tif",
};

// A whole number for an integer field; values beyond the int32 range are
// held at its ends.
int32_t RoundToInt32(double x) {
    return static_cast<int32_t>(std::clamp<int64_t>(Round(x), INT32_MIN, INT32_MAX));
}

double Number(std::string_view s) {
    double value = 0;
    int32_t code = 0;
    ValFloat(s, value, code);
    return value;
}

// The file-name part of a map name as Poser writes it: paths may use "\",
// "/" or the ":" of old Mac paths.
std::string_view PoserFileNamePart(std::string_view s) {
    const std::size_t p = s.find_last_of("\\/:");
    return p == std::string_view::npos ? s : s.substr(p + 1);
}

// The text of a line after its first `n` characters, trimmed and
// upper-cased (the reader's names are upper case), cut to `limit`
// characters.
std::string TextAfter(std::string_view line, std::size_t n, std::size_t limit) {
    return UpperCase(TrimmedView(line.substr(std::min(n, line.size()))).substr(0, limit));
}

// A word of the file as a message shows it: upper-cased, and cut where it
// is longer than any name.
std::string Shown(std::string_view word) {
    constexpr std::size_t Longest = 255;
    return UpperCase(word.substr(0, Longest)) + (word.size() > Longest ? "..." : "");
}

// The lines of a Poser file, each trimmed, with the first items split off.
// Keywords are compared without regard to case. A line is a view into the
// file's text and only its first few items are ever split: a line of
// millions of words takes no memory of its own.
class PoserLines {
public:
    // The items of a line the reader looks at: the keyword and two values.
    static constexpr std::size_t LineItems = 3;

    explicit PoserLines(const PoserSceneFile& file) : fileName_(file.FileName()) {
        if (!reader_.Open(file.PlainFile()))
            throw ReadError((file.PlainFile() == fileName_ ? "Cannot open file " : "Cannot open the unpacked file of ") +
                                ExtractFileName(fileName_),
                            fileName_);
    }
    // The lines of a text already in memory, named `fileName` in messages.
    PoserLines(const std::string& fileName, std::string_view text)
        : fileName_(fileName), reader_(std::string(text)) {}

    bool Next() {
        if (reader_.Eof()) return false;
        start_ = reader_.Position();
        line_ = TrimmedView(reader_.ReadTextLine());
        items_ = &splitter_.SplitFirst(line_, LineItems);
        return true;
    }
    // Back to the first line, for a second pass.
    void Rewind() { reader_.Rewind(); }
    // The line as it stands in the file, trimmed.
    std::string_view Line() const { return line_; }
    // The number of items, counted up to LineItems.
    std::size_t Count() const { return items_->size(); }
    std::string_view Keyword() const { return items_->empty() ? std::string_view() : (*items_)[0]; }
    bool KeywordIs(std::string_view keyword) const { return SameText(Keyword(), keyword); }
    // Item i (0-based, below LineItems) of the current line; ReadError when
    // the line is shorter.
    std::string_view Item(std::size_t i) const {
        if (i >= items_->size())
            throw ReadError("Line " + std::to_string(LineNumber()) + " of " + ExtractFileName(fileName_) +
                                " ends before the value of " + Shown(Keyword()),
                            fileName_, LineNumber());
        return (*items_)[i];
    }
    const std::string& FileName() const { return fileName_; }

    // Counts a camera, light or material entry found; true for the first
    // ListedEntries of a pass, which are logged: a file of millions of tiny
    // entries would otherwise fill the status window with as many lines.
    bool ListFound() { return ++found_ <= ListedEntries; }
    // After the pass: how many entries were found but not listed.
    void LogUnlisted() const {
        if (found_ > ListedEntries)
            LogMessage("<!>" + std::to_string(found_ - ListedEntries) + " more entries of " +
                       ExtractFileName(fileName_) + " were found and not listed");
    }

private:
    // The number of the current line in the file, counted only when needed.
    int64_t LineNumber() const {
        const std::string_view text = reader_.Text();
        int64_t n = 1;
        for (std::size_t i = 0; i < start_ && i < text.size(); ++i) {
            if (text[i] == '\n') ++n;
            else if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) ++n;
        }
        return n;
    }

    std::string fileName_;
    TextLineReader reader_;
    CommaTextSplitter splitter_;
    std::string_view line_;
    const std::vector<std::string_view>* items_ = nullptr;
    std::size_t start_ = 0;
    static constexpr uint64_t ListedEntries = 10000;
    uint64_t found_ = 0;
};

void BeginPass() {
    LogMessage("Opening file...");
    ResetProgress();
}

// ---- Cameras ------------------------------------------------------------------

constexpr int MaxCameraSlots = 100;
constexpr int CameraValuesPerBlock = 8;

struct CameraSlot {
    std::string name;
    tposercameravalues values{};
    bool seen[PoserCameraValueCount] = {};
};

// 1..8 for the keywords of the camera values, else 0.
int CameraValueIndex(std::string_view keyword) {
    static constexpr std::string_view names[CameraValuesPerBlock] = {
        "FOCAL", "TRANSLATEX", "TRANSLATEY", "TRANSLATEZ", "ROTATEX", "ROTATEY", "ROTATEZ", "SCALE"};
    for (int i = 0; i < CameraValuesPerBlock; ++i)
        if (SameText(keyword, names[i])) return i + 1;
    return 0;
}

void ReadCameraBlock(PoserLines& in, CameraSlot& slot) {
    slot = CameraSlot{};
    int found = 0;
    int current = 0;
    bool named = false;
    while (in.Next()) {
        const std::string_view keyword = in.Keyword();
        if (const int index = CameraValueIndex(keyword)) current = index;
        if (SameText(keyword, "NAME") && !named) {
            named = true;
            slot.name = TextAfter(in.Line(), 4, 100);
            if (in.ListFound()) LogMessage("Camera " + slot.name + " found.  Scanning...");
        } else if (SameText(keyword, "K") && current > 0 && !slot.seen[current - 1]) {
            slot.values[current - 1] = Number(in.Item(2));
            slot.seen[current - 1] = true;
            ++found;
        }
        if (found >= CameraValuesPerBlock) return;
        if (StartsWithNoCase(keyword, "ENDPOINT")) return;
        if (in.Line() == "}" && slot.name.empty()) return;
    }
}

bool IsOrthographicCamera(std::string_view name) {
    for (std::string_view n :
         {"SIDE_CAMERA", "FRONT_CAMERA", "RIGHT_CAMERA", "BOTTOM_CAMERA", "BACK_CAMERA", "TOP_CAMERA"})
        if (name == n) return true;
    return false;
}

// ---- Materials ----------------------------------------------------------------

// The items of one material block, read from the file as they come: the
// rest of its "MATERIAL" line, then every line up to the one at which as
// many lines "{" as lines "}" were read (a block whose next line is no "{"
// ends after that line), or the end of the file. A keyword's values lie at
// most four items after it, so only the current item and the four after it
// are held; the block's text is never copied whole.
class BlockItems {
public:
    BlockItems(PoserLines& in, std::string_view first) : in_(in), words_(first) {}

    // Moves to the next item; false past the last one of the block (whose
    // lines are then all read).
    bool Next() {
        if (held_ == 0 && !Load()) return false;
        if (started_) {
            start_ = (start_ + 1) % Window;
            --held_;
            if (held_ == 0 && !Load()) return false;
        }
        started_ = true;
        if (name_.empty() && count_ == 0) name_ = Shown(Item());
        ++count_;
        return true;
    }
    std::string_view Item() const { return slots_[start_].view; }
    // The item `offset` (1 to 4) places after the current one; ReadError
    // past the end of the block.
    std::string_view Value(std::size_t offset) {
        while (held_ <= offset)
            if (!Load())
                throw ReadError("Material " + name_ + " of " + ExtractFileName(in_.FileName()) +
                                    " ends before the value of " + Shown(Item()),
                                in_.FileName());
        return slots_[(start_ + offset) % Window].view;
    }
    double Number(std::size_t offset) { return ::Number(Value(offset)); }
    tvector Color() {
        const double f = Number(4);
        return {Number(1) * f, Number(2) * f, Number(3) * f};
    }

private:
    static constexpr std::size_t Window = 5;
    struct Slot {
        std::string_view view;
        std::string copy;  // a word that had doubled quotes
    };

    // Appends the block's next word to the window; false at its end.
    bool Load() {
        std::string_view word;
        while (!words_.Next(word)) {
            if (ended_ || !in_.Next()) {
                ended_ = true;
                return false;
            }
            if (in_.Line() == "{") ++opened_;
            else if (in_.Line() == "}") ++closed_;
            ended_ = opened_ == closed_;
            words_ = CommaTextWords(in_.Line());
        }
        Slot& slot = slots_[(start_ + held_) % Window];
        if (words_.Copied()) {
            slot.copy.assign(word);
            slot.view = slot.copy;
        } else {
            slot.view = word;
        }
        ++held_;
        return true;
    }

    PoserLines& in_;
    CommaTextWords words_;
    int64_t opened_ = 0, closed_ = 0;
    bool ended_ = false;  // the block's last line is read
    Slot slots_[Window];
    std::size_t start_ = 0, held_ = 0;
    bool started_ = false;
    std::size_t count_ = 0;
    std::string name_;
};

std::string MapName(std::string_view item) { return PoserStringResName(PoserFileNamePart(UpperCase(item))); }

// Parses one material block into a new material; false for a block without
// items (a "MATERIAL" line alone at the end of the file).
bool ParseMaterialBlock(BlockItems& items, tmaterial& m) {
    if (!items.Next()) return false;
    NewMaterial(m);
    m.name = UpperCase(items.Item().substr(0, tname::Capacity));
    std::string colorMap = m.colorMap.str(), bumpMap = m.bumpMap.str(), transparencyMap;
    // The bump map of a shader tree: the node that feeds "Bump", then the
    // image source of that image node, then its file.
    bool armed = false, imageNodeFound = false, sourceFound = false;
    std::string nodeName;
    // The first item is the material's name, not a keyword.
    while (items.Next()) {
        const std::string_view item = items.Item();
        const auto is = [&](std::string_view keyword) { return SameText(item, keyword); };
        if (is("KDCOLOR")) {
            m.diffuse = items.Color();
        } else if (is("KACOLOR")) {
            m.ambient = items.Color();
        } else if (is("KSCOLOR")) {
            m.specular = items.Color();
        } else if (is("NSEXPONENT")) {
            m.shininess = static_cast<float>(items.Number(1) / 100.0);
        } else if (is("TMAX")) {
            m.transparency = items.Number(1);
        } else if (is("BUMPSTRENGTH")) {
            m.bumpSize = -2.0 * items.Number(1);
        } else if (is("TEXTUREMAP") || is("BUMPMAP") || is("TRANSPARENCYMAP")) {
            const std::string_view value = items.Value(1);
            std::string name = SameText(value, "NO_MAP") ? std::string() : MapName(value);
            if (is("TEXTUREMAP")) colorMap = std::move(name);
            else if (is("BUMPMAP")) bumpMap = std::move(name);
            else transparencyMap = std::move(name);
        } else if (is("REFLECTIONMAP")) {
            m.reflection = SameText(items.Value(1), "NO_MAP") ? 0.0 : 1.0;
        } else if (is("REFLECTIONSTRENGTH")) {
            if (m.reflection == 1.0) m.reflection = items.Number(1);
        } else if (is("BUMP") || (is("GRADIENT_BUMP") && bumpMap.empty())) {
            armed = true;
            nodeName.clear();
        } else if (is("NODE")) {
            if (armed && nodeName.empty()) {
                nodeName = UpperCase(items.Value(1).substr(0, tname::Capacity + 1));
                armed = false;
            }
            if (SameText(items.Value(1), "IMAGE_MAP") && SameText(items.Value(2), nodeName) && !nodeName.empty() &&
                nodeName != "NO_NODE")
                imageNodeFound = true;
        } else if (is("IMAGE_SOURCE")) {
            if (imageNodeFound) sourceFound = true;
        } else if (is("FILE")) {
            if (sourceFound) {
                bumpMap = MapName(items.Value(1));
                imageNodeFound = sourceFound = false;
                nodeName.clear();
            }
        }
    }
    m.colorMap = PoserFileNamePart(colorMap);
    m.bumpMap = PoserFileNamePart(bumpMap);
    m.transparencyMap = PoserFileNamePart(transparencyMap);
    return true;
}

// True when `scene` is `parsed` itself or `parsed` + ":" + k for k = 1..99,
// ignoring case.
bool NameMatches(std::string_view parsed, std::string_view scene) {
    if (!StartsWithNoCase(scene, parsed)) return false;
    const std::string_view rest = scene.substr(parsed.size());
    if (rest.empty()) return true;
    if (rest.size() < 2 || rest.size() > 3 || rest[0] != ':' || rest[1] == '0') return false;
    return std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The name a scene material has without its suffix ":1" to ":99"; the name
// itself when it has none.
std::string_view WithoutSuffix(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string_view::npos) return name;
    return NameMatches(name.substr(0, colon), name) ? name.substr(0, colon) : name;
}

// A key of the matching, made in `key`: the parts upper-cased, each after
// its length, so that no two lists of parts give one key.
std::string_view MatchKey(std::string& key, std::initializer_list<std::string_view> parts) {
    key.clear();
    for (const std::string_view part : parts) {
        char length[24];
        key.append(length, std::to_chars(length, length + sizeof length, part.size()).ptr);
        key += ':';
        const std::size_t start = key.size();
        key.append(part);
        for (std::size_t i = start; i < key.size(); ++i)
            if (key[i] >= 'a' && key[i] <= 'z') key[i] = static_cast<char>(key[i] - 'a' + 'A');
    }
    return key;
}

// The colour rule of Poser 4 scenes: the diffuse colours differ by a vector
// shorter than 0.1 (the colour tree's box test relies on this computation).
constexpr double ColourTolerance = 0.1;
bool ColoursMatch(const tvector& parsed, const tvector& scene) {
    return VectorLength(SubtractVectors(parsed, scene)) < ColourTolerance;
}
bool IsFinite(const tvector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

constexpr std::size_t None = std::numeric_limits<std::size_t>::max();

// Entries grouped by a key: once grouped, the entries of each key lie
// together in one list, in the order in which they were added. The keys are
// held in one text.
template <typename Entry>
class KeyedEntries {
public:
    void Add(std::string_view key, Entry entry) {
        keys_.push_back({text_.size(), key.size()});
        text_.append(key);
        entries_.push_back(std::move(entry));
    }
    // Groups what was added; before the lookups.
    void Group() {
        numbers_.reserve(keys_.size());
        std::vector<std::size_t> number(keys_.size());
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            const std::string_view key = std::string_view(text_).substr(keys_[i].start, keys_[i].length);
            number[i] = numbers_.try_emplace(key, numbers_.size()).first->second;
        }
        std::vector<Span>().swap(keys_);
        begin_.assign(numbers_.size() + 1, 0);
        for (const std::size_t k : number) ++begin_[k + 1];
        for (std::size_t k = 0; k < numbers_.size(); ++k) begin_[k + 1] += begin_[k];
        std::vector<std::size_t> at(begin_.begin(), begin_.end() - 1);
        std::vector<Entry> grouped(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i) grouped[at[number[i]]++] = std::move(entries_[i]);
        entries_.swap(grouped);
    }
    // The number of a key, None when it was never added.
    std::size_t Find(std::string_view key) const {
        const auto it = numbers_.find(key);
        return it == numbers_.end() ? None : it->second;
    }
    std::size_t Keys() const { return numbers_.size(); }
    // The entries of key k lie at Begin(k) up to End(k).
    std::size_t Begin(std::size_t k) const { return begin_[k]; }
    std::size_t End(std::size_t k) const { return begin_[k + 1]; }
    std::vector<Entry>& Entries() { return entries_; }
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    struct Span {
        std::size_t start, length;
    };
    std::string text_;           // the keys, one after the other
    std::vector<Span> keys_;     // of each entry, until grouped
    std::unordered_map<std::string_view, std::size_t> numbers_;
    std::vector<Entry> entries_;
    std::vector<std::size_t> begin_;
};

// The scene materials of each key whose diffuse colour lies on the lattice
// of 255ths (every component a whole number of 255ths, as a load leaves the
// model's colours), filed by those whole numbers: per key the rows of the
// lattice (the first two numbers) in order, in each row its cells (the third
// number) in order, in each cell its materials in list order. The colours
// within 0.1 of a colour lie in a ball of radius 25.5 steps, which meets
// each row in one run of cells; a tree over the cells of a row gives the
// first free material of such a run at once. So a block looks at the rows
// its ball crosses (about 2,000 at most) and at no colour outside the ball,
// however many lie just beyond 0.1 and however many materials share a
// colour. A block whose ball holds no free colour keeps the nearest free
// colours beyond it, and a later block whose colour lies near its own
// looks at those alone.
class LatticeColours {
public:
    // Files the material when its colour lies on the lattice; false when not.
    bool Add(std::string_view key, std::size_t material, const tvector& colour) {
        int32_t n[3];
        const double c[3] = {colour.x, colour.y, colour.z};
        for (int a = 0; a < 3; ++a) {
            const double whole = std::nearbyint(c[a] * 255.0);
            if (!(std::fabs(whole) <= Extent) || whole / 255.0 != c[a]) return false;
            n[a] = static_cast<int32_t>(whole);
        }
        keys_.Add(key, {n[0], n[1], n[2], material});
        return true;
    }

    // Arranges what was added; before the first search.
    void Build(std::size_t materials) {
        keys_.Group();
        std::vector<Point>& points = keys_.Entries();
        cellsOf_.assign(materials, {});
        firstRow_.assign(keys_.Keys() + 1, 0);
        for (std::size_t k = 0; k < keys_.Keys(); ++k) {
            const auto at = [&](std::size_t i) { return points.begin() + static_cast<std::ptrdiff_t>(i); };
            std::sort(at(keys_.Begin(k)), at(keys_.End(k)), [](const Point& a, const Point& b) {
                return std::tie(a.i, a.j, a.k, a.material) < std::tie(b.i, b.j, b.k, b.material);
            });
            for (std::size_t p = keys_.Begin(k); p < keys_.End(k); ++p) {
                const Point& point = points[p];
                if (p == keys_.Begin(k) || point.i != points[p - 1].i || point.j != points[p - 1].j)
                    rows_.push_back({point.i, point.j, cells_.size(), cells_.size(), None});
                Row& row = rows_.back();
                if (row.cellsEnd == row.cells || point.k != points[p - 1].k) {
                    cells_.push_back({point.k, p, p, point.material});
                    ++row.cellsEnd;
                    row.first = std::min(row.first, point.material);
                }
                ++cells_.back().end;
                CellsOf& of = cellsOf_[point.material];
                of.cell[of.count++] = cells_.size() - 1;
            }
            firstRow_[k + 1] = rows_.size();
        }
        tree_.assign(2 * cells_.size(), None);
        rowOfCell_.resize(cells_.size());
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            const Row& row = rows_[r];
            for (std::size_t c = row.cells; c < row.cellsEnd; ++c) {
                rowOfCell_[c] = r;
                tree_[row.cellsEnd + c] = cells_[c].first;  // at 2 * cells + (cellsEnd - cells) + (c - cells)
            }
            for (std::size_t t = row.cellsEnd - row.cells; t-- > 1;)
                tree_[2 * row.cells + t] = std::min(tree_[2 * row.cells + 2 * t], tree_[2 * row.cells + 2 * t + 1]);
        }
    }

    // The number of a key, None when no material of it lies on the lattice.
    std::size_t Find(std::string_view key) const { return keys_.Find(key); }

    // The first free material of key k whose colour `colour` matches, when it
    // comes before `best`; otherwise `best`.
    std::size_t First(std::size_t k, const tvector& colour, std::size_t best) {
        Query q{colour, {colour.x * 255.0, colour.y * 255.0, colour.z * 255.0}, best};
        for (const double c : q.centre)
            if (!(std::fabs(c) <= Extent + 2 * Scan)) return best;  // also a colour that is not finite
        if (const Clearing* near = ClearingAround(k, q.centre)) {
            for (const Place& p : near->cells) {
                const double x = p.i - q.centre[0], y = p.j - q.centre[1], z = p.k - q.centre[2];
                const double d = x * x + y * y + z * z;
                if (d < Outer * Outer && cells_[p.cell].first < q.best &&
                    (d < Outer * Outer - Band || ColoursMatch(colour, {p.i / 255.0, p.j / 255.0, p.k / 255.0})))
                    q.best = cells_[p.cell].first;
            }
            return q.best;
        }
        const auto rowsBegin = rows_.begin() + static_cast<std::ptrdiff_t>(firstRow_[k]);
        const auto rowsEnd = rows_.begin() + static_cast<std::ptrdiff_t>(firstRow_[k + 1]);
        // A search of a key of many cells that finds nothing keeps the
        // colours just beyond reach (the others look at few anyway): the
        // colours kept stay within twice the key's cells.
        std::vector<std::pair<double, std::size_t>> beyond;
        if (best == None && std::prev(rowsEnd)->cellsEnd - rowsBegin->cells >= 4 * KeptCells) q.beyond = &beyond;
        auto r = rowsBegin;
        const double iLast = std::min<double>(std::floor(q.centre[0] + Scan), std::prev(rowsEnd)->i);
        for (double i = std::max<double>(std::ceil(q.centre[0] - Scan), rowsBegin->i); i <= iLast; ++i) {
            const double di = i - q.centre[0], slice = Scan * Scan - di * di;
            if (slice < 0) continue;
            const double half = std::sqrt(slice);
            const auto j0 = static_cast<int32_t>(std::ceil(q.centre[1] - half));
            const auto j1 = static_cast<int32_t>(std::floor(q.centre[1] + half));
            const auto row = static_cast<int32_t>(i);
            r = std::lower_bound(r, rowsEnd, std::pair{row, j0},
                                 [](const Row& a, std::pair<int32_t, int32_t> b) { return std::pair{a.i, a.j} < b; });
            for (; r != rowsEnd && r->i == row && r->j <= j1; ++r) {
                const double dj = r->j - q.centre[1];
                if (r->first < q.best && di * di + dj * dj <= Scan * Scan) SearchRow(*r, di * di + dj * dj, q);
            }
        }
        if (q.beyond && q.best == None) Clear(k, q.centre, beyond);
        return q.best;
    }

    // After material s was taken: the first free materials of its cells.
    void Taken(std::size_t s, const std::vector<bool>& taken) {
        const std::vector<Point>& points = keys_.Entries();
        const CellsOf& of = cellsOf_[s];
        for (int n = 0; n < of.count; ++n) {
            Cell& cell = cells_[of.cell[n]];
            while (cell.next < cell.end && taken[points[cell.next].material]) ++cell.next;
            cell.first = cell.next < cell.end ? points[cell.next].material : None;
            Row& row = rows_[rowOfCell_[of.cell[n]]];
            std::size_t* tree = &tree_[2 * row.cells];
            std::size_t t = row.cellsEnd - row.cells + (of.cell[n] - row.cells);
            for (tree[t] = cell.first; t > 1; t /= 2) tree[t / 2] = std::min(tree[t & ~std::size_t{1}], tree[t | 1]);
            row.first = tree[1];
        }
    }

private:
    // A whole number of 255ths up to this far from 0 is filed; the products
    // and differences of such numbers in steps are exact to far below Slack.
    static constexpr double Extent = 16777216.0;  // 2^24
    // The tolerance in steps of the lattice, and the width of the band about
    // it where the computation of ColoursMatch decides.
    static constexpr double Reach = ColourTolerance * 255.0;
    static constexpr double Slack = 1e-6;
    static constexpr double Outer = Reach + Slack;
    static constexpr double Band = Outer * Outer - (Reach - Slack) * (Reach - Slack);
    // A search looks this far (in steps) for the nearest colours that do
    // not match, and keeps the nearest of them for the latest few colours
    // it found clear.
    static constexpr double Scan = Outer + 0.5;
    static constexpr std::size_t KeptClearings = 8, KeptCells = 128;
    // Rows of up to this many cells are looked through cell by cell.
    static constexpr std::size_t FewCells = 8;

    struct Point {
        int32_t i, j, k;
        std::size_t material;
    };
    // The materials of a cell are points [next, end), those before next
    // taken; `first`: the material at next, None when none is left.
    struct Cell {
        int32_t k;
        std::size_t next, end, first;
    };
    // The cells [cells, cellsEnd) of a row and the first free material among
    // them. A tree of those of its cells (a minimum over each pair) lies at
    // tree_[2 * cells + 1] up to tree_[2 * cellsEnd), the cells' own at the
    // end.
    struct Row {
        int32_t i, j;
        std::size_t cells, cellsEnd, first;
    };
    struct CellsOf {
        std::size_t cell[2];
        int count = 0;
    };

    // A search: its colour, in steps, and the first free material found
    // that matches.
    struct Query {
        const tvector& colour;
        double centre[3];
        std::size_t best;
        // When asked for: the free cells looked at that do not match, with
        // the squares of their distances.
        std::vector<std::pair<double, std::size_t>>* beyond = nullptr;
    };

    // Lowers q.best to the first free material of the row's cells whose
    // colour q.colour matches; `across`: the square of the row's distance
    // from the colour. Cells well inside the ball match, cells beyond it
    // do not, those within the slack of its edge are asked.
    void SearchRow(const Row& row, double across, Query& q) const {
        const double outer = Outer * Outer - across, inner = outer - Band, scan = Scan * Scan - across;
        const double z = q.centre[2];
        const auto look = [&](auto from, auto to) {
            for (auto c = from; c != to; ++c) {
                if (c->first >= q.best) continue;
                const double d = (c->k - z) * (c->k - z);
                if (d < outer &&
                    (d < inner || ColoursMatch(q.colour, {row.i / 255.0, row.j / 255.0, c->k / 255.0})))
                    q.best = c->first;
                else if (d < scan && q.beyond)
                    q.beyond->emplace_back(d + across, static_cast<std::size_t>(c - cells_.begin()));
            }
        };
        const auto cellsBegin = cells_.begin() + static_cast<std::ptrdiff_t>(row.cells);
        const auto cellsEnd = cells_.begin() + static_cast<std::ptrdiff_t>(row.cellsEnd);
        if (row.cellsEnd - row.cells <= FewCells) return look(cellsBegin, cellsEnd);
        // The cells within the scan, and among them those well inside, which
        // the row's tree takes at once.
        const auto from = [&](auto begin, double k) {
            return std::lower_bound(begin, cellsEnd, k, [](const Cell& c, double v) { return c.k < v; });
        };
        const double half = std::sqrt(scan);
        const auto a = from(cellsBegin, std::ceil(z - half)), b = from(a, std::floor(z + half) + 1);
        auto innerA = b, innerB = b;
        if (inner > 0) {
            const double innerHalf = std::sqrt(inner);
            innerA = from(a, std::ceil(z - innerHalf));
            innerB = from(innerA, std::floor(z + innerHalf) + 1);
        }
        const std::size_t* tree = &tree_[2 * row.cells];
        std::size_t lo = row.cellsEnd - row.cells + static_cast<std::size_t>(innerA - cellsBegin);
        std::size_t hi = row.cellsEnd - row.cells + static_cast<std::size_t>(innerB - cellsBegin);
        for (; lo < hi; lo /= 2, hi /= 2) {
            if (lo & 1) q.best = std::min(q.best, tree[lo++]);
            if (hi & 1) q.best = std::min(q.best, tree[--hi]);
        }
        look(a, innerA);
        look(innerB, b);
    }

    // What a search that found nothing tells of the colours near its own: no
    // free colour lies within 0.1 of it, and the free colours within `reach`
    // more are `cells`. A colour within `reach` of it matches no free colour
    // but those. Materials are only ever taken, so this holds on. A few per
    // key, the latest kept.
    struct Place {
        int32_t i, j, k;
        std::size_t cell;
    };
    struct Clearing {
        double centre[3];
        double reach;
        std::vector<Place> cells;
    };
    const Clearing* ClearingAround(std::size_t k, const double centre[3]) const {
        const auto it = cleared_.find(k);
        if (it == cleared_.end()) return nullptr;
        for (const Clearing& c : it->second) {
            const double x = centre[0] - c.centre[0], y = centre[1] - c.centre[1], z = centre[2] - c.centre[2];
            if (x * x + y * y + z * z < c.reach * c.reach) return &c;
        }
        return nullptr;
    }
    // After a search from `centre` that found nothing: the nearest of the
    // free cells beyond it that it looked at.
    void Clear(std::size_t k, const double centre[3], std::vector<std::pair<double, std::size_t>>& beyond) {
        double reach = Scan * Scan;
        if (beyond.size() > KeptCells) {
            std::nth_element(beyond.begin(), beyond.begin() + KeptCells, beyond.end());
            reach = beyond[KeptCells].first;
            beyond.resize(KeptCells);
        }
        Clearing c{{centre[0], centre[1], centre[2]}, std::sqrt(reach) - Outer - Slack, {}};
        if (!(c.reach > 0)) return;
        for (const auto& [distance, cell] : beyond)
            c.cells.push_back({rows_[rowOfCell_[cell]].i, rows_[rowOfCell_[cell]].j, cells_[cell].k, cell});
        std::vector<Clearing>& list = cleared_[k];
        if (list.size() < KeptClearings)
            list.push_back(std::move(c));
        else
            list[clearings_++ % KeptClearings] = std::move(c);
    }

    KeyedEntries<Point> keys_;
    std::vector<Cell> cells_;
    std::vector<Row> rows_;
    std::vector<std::size_t> firstRow_;  // the rows of key k: [firstRow_[k], firstRow_[k + 1])
    std::vector<std::size_t> tree_;
    std::vector<std::size_t> rowOfCell_;
    std::vector<CellsOf> cellsOf_;       // of each material: its cells, one per key
    std::unordered_map<std::size_t, std::vector<Clearing>> cleared_;
    std::size_t clearings_ = 0;
};

// The scene materials of each key: those of lattice colours as
// LatticeColours files them, the others arranged by their diffuse colour as
// a balanced tree (the node of a range is its middle entry, the halves its
// subtrees), each node knowing the box of the colours below it and the first
// material in list order below it that no parsed material took yet. The
// first material that a colour matches is found without looking at the
// colours far from it or at the materials after a match already found,
// whatever the number of materials of one name.
class ColourTrees {
public:
    explicit ColourTrees(std::size_t materials) : taken_(materials), places_(materials) {}

    void Add(std::string_view key, std::size_t material, const tvector& colour) {
        // A colour that is not finite matches no colour.
        if (IsFinite(colour) && !lattice_.Add(key, material, colour))
            trees_.Add(key, {colour, material, colour, colour, material});
    }
    // Arranges what was added; before the first Take.
    void Build() {
        lattice_.Build(taken_.size());
        trees_.Group();
        for (std::size_t k = 0; k < trees_.Keys(); ++k) {
            const std::size_t begin = trees_.Begin(k), end = trees_.End(k);
            Arrange(begin, end, 0);
            for (std::size_t at = begin; at < end; ++at) {
                Places& places = places_[Nodes()[at].material];
                places.place[places.count++] = {begin, end, at};
            }
        }
    }
    // Takes the first material of `key` in list order, not taken yet, whose
    // colour `colour` matches; None when there is none.
    std::size_t Take(std::string_view key, const tvector& colour) {
        if (!IsFinite(colour)) return None;
        std::size_t best = None;
        if (const std::size_t k = trees_.Find(key); k != None) Search(trees_.Begin(k), trees_.End(k), colour, best);
        if (const std::size_t k = lattice_.Find(key); k != None) best = lattice_.First(k, colour, best);
        if (best == None) return None;
        taken_[best] = true;
        const Places& places = places_[best];
        for (int i = 0; i < places.count; ++i) Refresh(places.place[i].begin, places.place[i].end, places.place[i].at);
        lattice_.Taken(best, taken_);
        return best;
    }

private:
    struct Node {
        tvector colour;
        std::size_t material = 0;
        tvector low, high;         // the box of the colours below
        std::size_t first = None;  // the first material below not taken
    };
    // A node of a material: where it lies in the tree of one key.
    struct Place {
        std::size_t begin, end, at;
    };
    // The nodes of a material: one for its name, one for its name without
    // suffix.
    struct Places {
        Place place[2];
        int count = 0;
    };

    std::vector<Node>& Nodes() { return trees_.Entries(); }
    const std::vector<Node>& Nodes() const { return trees_.Entries(); }
    static std::size_t Middle(std::size_t begin, std::size_t end) { return begin + (end - begin) / 2; }
    std::size_t FirstIn(std::size_t begin, std::size_t end) const {
        return begin < end ? Nodes()[Middle(begin, end)].first : None;
    }
    // The node's box and first material from its own entry and its subtrees.
    void Sum(std::size_t begin, std::size_t end) {
        const std::size_t mid = Middle(begin, end);
        Node& n = Nodes()[mid];
        n.low = n.high = n.colour;
        n.first = taken_[n.material] ? None : n.material;
        for (const auto& [b, e] : {std::pair{begin, mid}, std::pair{mid + 1, end}}) {
            if (b >= e) continue;
            const Node& c = Nodes()[Middle(b, e)];
            n.low = {std::min(n.low.x, c.low.x), std::min(n.low.y, c.low.y), std::min(n.low.z, c.low.z)};
            n.high = {std::max(n.high.x, c.high.x), std::max(n.high.y, c.high.y), std::max(n.high.z, c.high.z)};
            n.first = std::min(n.first, c.first);
        }
    }
    void Arrange(std::size_t begin, std::size_t end, int axis) {
        if (begin >= end) return;
        const std::size_t mid = Middle(begin, end);
        const auto coordinate = [axis](const Node& n) {
            return axis == 0 ? n.colour.x : axis == 1 ? n.colour.y : n.colour.z;
        };
        const auto at = [&](std::size_t i) { return Nodes().begin() + static_cast<std::ptrdiff_t>(i); };
        std::nth_element(at(begin), at(mid), at(end),
                         [&](const Node& a, const Node& b) { return coordinate(a) < coordinate(b); });
        Arrange(begin, mid, (axis + 1) % 3);
        Arrange(mid + 1, end, (axis + 1) % 3);
        Sum(begin, end);
    }
    // Lowers `best` to the first material below that is not taken and whose
    // colour `colour` matches.
    void Search(std::size_t begin, std::size_t end, const tvector& colour, std::size_t& best) const {
        if (begin >= end) return;
        const std::size_t mid = Middle(begin, end);
        const Node& n = Nodes()[mid];
        if (n.first >= best || !MayHold(n, colour)) return;
        if (!taken_[n.material] && n.material < best && ColoursMatch(colour, n.colour)) best = n.material;
        // The half whose first material comes first, first: a match there
        // ends the other half's search at once.
        if (FirstIn(begin, mid) <= FirstIn(mid + 1, end)) {
            Search(begin, mid, colour, best);
            Search(mid + 1, end, colour, best);
        } else {
            Search(mid + 1, end, colour, best);
            Search(begin, mid, colour, best);
        }
    }
    // False when no colour of the node's box matches `colour`. Each gap
    // between `colour` and the box, as computed, is no wider than the
    // difference from `colour` of any colour in the box, as computed (the
    // rounding keeps the order of what it rounds), so their length is no
    // longer than that of any difference: a box whose gaps are not shorter
    // than a match is ruled out exactly, also one whose colours lie at the
    // tolerance itself.
    static bool MayHold(const Node& n, const tvector& colour) {
        const auto gap = [](double c, double low, double high) {
            return c < low ? low - c : c > high ? c - high : 0.0;
        };
        return VectorLength({gap(colour.x, n.low.x, n.high.x), gap(colour.y, n.low.y, n.high.y),
                             gap(colour.z, n.low.z, n.high.z)}) < ColourTolerance;
    }
    // After the material of the node at `at` was taken: the first materials
    // on the way to it.
    void Refresh(std::size_t begin, std::size_t end, std::size_t at) {
        const std::size_t mid = Middle(begin, end);
        if (at < mid) Refresh(begin, mid, at);
        else if (at > mid) Refresh(mid + 1, end, at);
        Sum(begin, end);
    }

    KeyedEntries<Node> trees_;  // the colours off the lattice
    LatticeColours lattice_;
    std::vector<bool> taken_;
    std::vector<Places> places_;
};

// What a material block sets; the rest of a material it loads is as
// NewMaterial makes it, and the name is the scene material's own.
struct PoserMaterialValues {
    tvector ambient, diffuse, specular;
    float shininess = 0;
    double transparency = 0, bumpSize = 0, reflection = 0;
    tmapname colorMap, bumpMap, transparencyMap;

    static PoserMaterialValues Of(const tmaterial& m) {
        return {m.ambient,  m.diffuse,    m.specular, m.shininess, m.transparency,
                m.bumpSize, m.reflection, m.colorMap, m.bumpMap,   m.transparencyMap};
    }
    // The material these values make, its maps moved out of them: nothing
    // is asked of the memory.
    tmaterial Take() {
        tmaterial m{};
        m.ambient = ambient;
        m.diffuse = diffuse;
        m.specular = specular;
        m.shininess = shininess;
        m.transparency = transparency;
        m.bumpSize = bumpSize;
        m.reflection = reflection;
        m.colorMap = std::move(colorMap);
        m.bumpMap = std::move(bumpMap);
        m.transparencyMap = std::move(transparencyMap);
        return m;
    }
};

// The matching of parsed materials to scene materials. Each scene material,
// in list order, takes the first parsed material (in file order) that
// matches it and that no scene material before it took. Both sides being
// ranked by one order, that is the same as each parsed material, as it is
// read, going to the first scene material that it matches and that has
// none yet: so a parsed material is held only while it is taken, and a file
// of any number of blocks holds at most one per scene material. The rule of
// matching depends on the Poser version, which the file may give after its
// materials: both rules are followed until the end.
//
// A parsed material matches the scene materials whose name is its name (or
// its name and a suffix ":1" to ":99") and whose file-name parts of the
// colour map (and, from version 5, of the transparency map) are its own,
// all ignoring case: the scene materials are listed under these keys, and a
// parsed material finds the first free one of its key at once (from version
// 5), or the first free one of a matching colour in the key's colour tree
// (below version 5). The time grows with the blocks and the materials, not
// their product, whatever their names.
class MaterialMatching {
public:
    MaterialMatching() : colourTrees_(SceneMaterials.size()) {
        for (std::size_t s = 0; s < SceneMaterials.size(); ++s) {
            const tmaterial& m = SceneMaterials[s];
            const std::string_view name = m.name.view(), base = WithoutSuffix(name);
            const std::string_view colorMap = PoserFileNamePart(m.colorMap.view());
            const std::string_view transparencyMap = PoserFileNamePart(m.transparencyMap.view());
            for (const std::string_view key : {name, base}) {
                colourTrees_.Add(MatchKey(key_, {key, colorMap}), s, m.diffuse);
                queues_.Add(MatchKey(key_, {key, colorMap, transparencyMap}), s);
                if (base.size() == name.size()) break;
            }
        }
        colourTrees_.Build();
        queues_.Group();
        next_.resize(queues_.Keys());
        for (std::size_t k = 0; k < queues_.Keys(); ++k) next_[k] = queues_.Begin(k);
        for (auto& taken : taken_) taken.assign(SceneMaterials.size(), None);
    }

    void Offer(const tmaterial& parsed) {
        const std::string_view name = parsed.name.view(), colorMap = PoserFileNamePart(parsed.colorMap.view());
        std::size_t kept = None;  // where this block is kept, once for both rules
        if (const std::size_t s = colourTrees_.Take(MatchKey(key_, {name, colorMap}), parsed.diffuse); s != None)
            Keep(0, s, parsed, kept);
        const std::size_t k =
            queues_.Find(MatchKey(key_, {name, colorMap, PoserFileNamePart(parsed.transparencyMap.view())}));
        if (k == None) return;
        const std::vector<std::size_t>& queue = queues_.Entries();
        std::size_t& next = next_[k];
        while (next < queues_.End(k) && taken_[1][queue[next]] != None) ++next;
        if (next < queues_.End(k)) Keep(1, queue[next++], parsed, kept);
    }

    // What the block that scene material s took under the file's version
    // set, or null. Under one rule a block is taken by one scene material
    // at most, which may move what it set out.
    PoserMaterialValues* Taken(int32_t version, std::size_t s) {
        const int rule = version < 5 ? 0 : 1;
        return taken_[rule][s] == None ? nullptr : &kept_[taken_[rule][s]];
    }

private:
    void Keep(int rule, std::size_t s, const tmaterial& parsed, std::size_t& kept) {
        if (kept == None) {
            kept = kept_.size();
            kept_.push_back(PoserMaterialValues::Of(parsed));
        }
        taken_[rule][s] = kept;
    }

    ColourTrees colourTrees_;                 // below version 5
    KeyedEntries<std::size_t> queues_;        // from version 5 on: the scene materials of each key
    std::vector<std::size_t> next_;           // of each key: the queue's entries before it are taken
    std::vector<std::size_t> taken_[2];       // of each scene material: its entry in kept_, or None
    // The blocks taken by either rule, each once, as they were read; a deque
    // never moves or copies them as it grows.
    std::deque<PoserMaterialValues> kept_;
    std::string key_;                         // the key made last
};

// ---- Lights -------------------------------------------------------------------

enum LightValue : int {
    LightTranslateX = 1,
    LightTranslateY,
    LightTranslateZ,
    LightRotateX,
    LightRotateY,
    LightRotateZ,
    LightRed,
    LightGreen,
    LightBlue,
    LightFalloffStart,
    LightFalloffEnd,
    LightType,
    LightShadow,
    LightName,
    LightOn,
    LightIntensity,
    LightValueCount = 16,
};

int LightValueIndex(std::string_view keyword) {
    static constexpr std::string_view names[LightValueCount] = {
        "TRANSLATEX", "TRANSLATEY",       "TRANSLATEZ",     "ROTATEX",   "ROTATEY",  "ROTATEZ",
        "KDRED",      "KDGREEN",          "KDBLUE",         "LITEFALLOFFSTART",     "LITEFALLOFFEND",
        "LIGHTTYPE",  "DOSHADOW",         "NAME",           "LIGHTON",   "KDINTENSITY"};
    for (int i = 0; i < LightValueCount; ++i)
        if (SameText(keyword, names[i])) return i + 1;
    return 0;
}

struct LightBlock {
    double values[LightValueCount + 1] = {};
    bool seen[LightValueCount + 1] = {};
    std::string name;
};

// Reads the lines of one light block; false when the block has no name.
// `list`: the light found is logged (a pass that only counts logs nothing).
bool ReadLightBlock(PoserLines& in, LightBlock& block, bool list) {
    block = LightBlock{};
    int found = 0;
    int current = 0;
    while (in.Next()) {
        const std::string_view keyword = in.Keyword();
        if (const int index = LightValueIndex(keyword); index != 0 && (index != LightName || block.name.empty()))
            current = index;
        if (current != 0 && !block.seen[current]) {
            bool taken = false;
            if (current == LightType || current == LightShadow || current == LightOn) {
                block.values[current] = Number(in.Item(1));
                taken = true;
            } else if (current == LightName) {
                block.name = TextAfter(in.Line(), 4, tlightname::Capacity);
                if (list && in.ListFound()) LogMessage("Light " + block.name + " found.  Scanning...");
                taken = true;
            } else if (SameText(keyword, "K")) {
                block.values[current] = Number(in.Item(2));
                taken = true;
            }
            if (taken) {
                block.seen[current] = true;
                ++found;
            }
        }
        if (found >= LightValueCount || SameText(keyword, "LIGHTON")) break;
        if (in.Line() == "}" && block.name.empty()) break;
    }
    return !block.name.empty();
}

tlight MakeLight(const LightBlock& b) {
    const double* v = b.values;
    tlight l;
    NewLight(l);
    const int64_t type = Round(v[LightType]);
    l.kind = RoundToInt32(v[LightType]);
    l.fadeDistance = 1.0;
    l.name = b.name;
    l.position = {v[LightTranslateX], v[LightTranslateY], v[LightTranslateZ]};
    l.elevation = v[LightRotateX];
    l.rotation = v[LightRotateY];
    l.thirdAngle = v[LightRotateZ];
    l.color = {v[LightRed], v[LightGreen], v[LightBlue]};
    l.shadow = RoundToInt32(v[LightShadow]);
    l.optionA = RoundToInt32(v[LightOn]);
    l.intensity = v[LightIntensity];
    const tvector center = Scene.extents.center;
    switch (type) {
        case 0:  // infinite
        case 3: {
            l.kind = LightParallel;
            LightPositionFromAngles({l.elevation, l.rotation, l.thirdAngle}, l.position);
            l.pointAt = center;
            const tvector a = DirectionToXYAngles(SubtractVectors(l.position, center));
            l.elevation = a.x * 180 / Pi;
            l.rotation = a.y * 180 / Pi;
            l.thirdAngle = a.z * 180 / Pi;
            break;
        }
        case 1: {  // spot
            l.spotTightness = 16.0f;
            l.spotSpread = static_cast<float>(v[LightFalloffEnd] / 2);
            tvector d{0, 0, -Scene.extents.diagonal};
            d = RotateAboutAxis(d, {1, 0, 0}, l.elevation * DegToRad);
            d = RotateAboutAxis(d, {0, 1, 0}, l.rotation * DegToRad);
            d = RotateAboutAxis(d, {0, 0, 1}, l.thirdAngle * DegToRad);
            l.pointAt = AddVectors(l.position, d);
            break;
        }
        case 2:  // point
            l.kind = LightPoint;
            l.pointAt = center;
            break;
        default:
            // The writers and the preview know only the four kinds of light.
            LogMessage("<!>Light " + l.name.str() + " has the unknown Poser light type " + std::to_string(type) +
                       " and is read as a point light");
            l.kind = LightPoint;
            l.pointAt = center;
            break;
    }
    return l;
}

}  // namespace

// ---- Public routines ------------------------------------------------------------

PoserSceneFile::PoserSceneFile(const std::string& fileName, std::string_view shownName) : fileName_(fileName) {
    if (LowerCase(ExtractFileExt(fileName)) != ".pzz" && !IsGzipFile(fileName)) return;
    LogMessage("Decompressing " + std::string(shownName) + "...");
    const std::string name = ExtractFileName(fileName);
    try {
        unpacked_ = std::make_unique<ScopedTempFile>(UncompressGzipToTempFile(fileName, ".pz3"));
    } catch (const GzipDataError& e) {
        throw ReadError("Poser scene " + name + " is damaged: " + e.cause(), fileName);
    }
    // Unpacked once, a scene is text; what is still packed is no scene.
    if (IsGzipFile(unpacked_->path()))
        throw ReadError(name + " is not a Poser scene: it is packed more than once", fileName);
}

PoserSceneFile::~PoserSceneFile() = default;

const std::string& PoserSceneFile::PlainFile() const { return unpacked_ ? unpacked_->path() : fileName_; }

std::string PoserStringResName(std::string_view s) {
    const std::string t = Trim(s);
    if (t.size() >= 12 && SameText(std::string_view(t).substr(0, 12), "getstringres") && t.size() > 19) {
        const int32_t n = TextToInt(std::string_view(t).substr(18, t.size() - 19));
        if (n >= 1 && n <= 60) return ResourceMapNames[n - 1];
    }
    return std::string(s);
}

namespace {

bool ReadCameras(PoserLines& in, tposercameravalues& values) {
    std::vector<CameraSlot> slots;
    std::string active;
    bool haveViewport = false;
    int32_t viewportWidth = 0, viewportHeight = 0;
    while (in.Next()) {
        AdvanceProgress(0, ProgressRange, 1);
        if (in.Count() < 2) continue;
        const std::string_view keyword = in.Keyword();
        if (SameText(keyword, "USECAMERA")) {
            // Longer than any camera's name, it names none.
            active = TextAfter(in.Line(), 9, tname::Capacity + 1);
            LogMessage("Active camera in scene: " + active);
        } else if (SameText(keyword, "DIMENSIONS")) {
            const std::string_view width = in.Item(1), height = in.Item(2);
            viewportWidth = TextToInt(width);
            viewportHeight = TextToInt(height);
            haveViewport = true;
            LogMessage("Camera viewport dimensions: " + Shown(width) + " x " + Shown(height));
        } else if (SameText(keyword, "CAMERA")) {
            // A block past the last slot reuses the last slot.
            if (slots.size() < MaxCameraSlots) slots.emplace_back();
            ReadCameraBlock(in, slots.back());
        }
    }
    in.LogUnlisted();
    if (!IsOrthographicCamera(active)) active = "MAIN_CAMERA";

    // The file was read whole: only now does the scene change.
    const CameraSlot* match = nullptr;
    for (const CameraSlot& slot : slots)
        if (slot.name == active) match = &slot;
    Scene.activeCameraName = active;
    if (haveViewport) {
        Scene.cameraViewportWidth = viewportWidth;
        Scene.cameraViewportHeight = viewportHeight;
    }
    Scene.orthographic = IsOrthographicCamera(active) ? 1 : 0;
    if (!match) {
        LogMessage("No usable camera in this file");
        return false;
    }
    values = match->values;
    return true;
}

void ReadMaterials(PoserLines& in) {
    int32_t version = 4;
    MaterialMatching matching;
    tmaterial parsed;
    while (in.Next()) {
        AdvanceProgress(0, ProgressRange, 1);
        if (in.KeywordIs("MATERIAL")) {
            const std::string_view rest = in.Line().substr(8);
            if (in.ListFound()) LogMessage("Material entry " + Shown(rest) + " found.  Scanning...");
            BlockItems items(in, rest);
            if (ParseMaterialBlock(items, parsed)) matching.Offer(parsed);
        } else if (in.KeywordIs("VERSION")) {
            while (in.Next() && in.Line() != "}") {
                if (in.Count() >= 2 && in.KeywordIs("NUMBER")) {
                    // "5.0" is version 5 as much as "5" is.
                    const std::string_view number = in.Item(1);
                    version = TextToInt(number);
                    if (version == 0) version = RoundToInt32(Trunc(Number(number)));
                    LogMessage("Poser " + std::to_string(version) + " scene file");
                }
            }
        }
    }

    in.LogUnlisted();
    LogMessage("Parsing information...");
    LogMessage("Matching materials...");
    // Every material is replaced before a line is logged: nothing here asks
    // for memory, so that the materials are either all as they were or all
    // replaced.
    ResetProgress();
    for (std::size_t s = 0; s < SceneMaterials.size(); ++s) {
        ShowProgress(0, static_cast<double>(SceneMaterials.size()), static_cast<double>(s + 1));
        PoserMaterialValues* taken = matching.Taken(version, s);
        if (!taken) continue;
        tmaterial& scene = SceneMaterials[s];
        tmaterial m = taken->Take();
        if (m.transparency < 0.02) m.transparencyMap.clear();
        if (m.transparency > 0.98 && m.transparencyMap.empty()) m.colorMap.clear();
        if (!m.transparencyMap.empty()) m.transparency = 0;
        m.blend = 1.0;
        if (!scene.bumpMap.empty() && m.bumpMap.empty()) m.bumpMap = std::move(scene.bumpMap);
        // The maps change, so the preview texture of the old ones goes; what
        // the model keeps about the material stays.
        if (scene.glTexture != 0) DeleteMaterialTexture(scene.glTexture);
        m.name = std::move(scene.name);
        m.faceCount = scene.faceCount;
        m.lineCount = scene.lineCount;
        m.selected = scene.selected;
        m.glTexture = 0;
        scene = std::move(m);
    }
    for (std::size_t s = 0; s < SceneMaterials.size(); ++s)
        if (matching.Taken(version, s)) LogMessage("Material " + SceneMaterials[s].name.str() + " loaded");
}

// Calls `found` with every light block of the file that makes a light, in
// file order; `list` logs the lights found.
template <typename Found>
void ForEachLight(PoserLines& in, bool list, Found&& found) {
    LightBlock block;
    while (in.Next()) {
        AdvanceProgress(0, ProgressRange, 1);
        if (in.Count() < 2 || !in.KeywordIs("LIGHT")) continue;
        if (ReadLightBlock(in, block, list)) found(block);
    }
}

void ReadLights(PoserLines& in) {
    // The lights are counted first and then kept once, in Lights sized to
    // them: a scene of millions of lights takes its text and its lights.
    std::size_t count = 0;
    ForEachLight(in, false, [&](const LightBlock&) { ++count; });
    in.Rewind();
    const std::size_t before = Lights.size();
    Lights.reserve(before + count);
    try {
        ForEachLight(in, true, [](const LightBlock& block) { Lights.push_back(MakeLight(block)); });
        in.LogUnlisted();
    } catch (...) {
        Lights.erase(Lights.begin() + static_cast<std::ptrdiff_t>(before), Lights.end());
        throw;
    }
    if (Lights.empty()) Svc().prompts->Show(MessageKind::Information, "No lights in this file");
}

}  // namespace

namespace {

// One pass over a scene file: "Opening file...", then `pass` over its lines;
// running out of memory is a read error of the scene.
template <typename Pass>
decltype(auto) RunPass(const PoserSceneFile& file, Pass&& pass) {
    return ReadWithinMemory(file.FileName(), [&]() -> decltype(auto) {
        BeginPass();
        PoserLines in(file);
        return pass(in);
    });
}

// The same over a file that is unpacked for this pass alone.
template <typename Pass>
decltype(auto) RunPass(const std::string& fileName, Pass&& pass) {
    return ReadWithinMemory(fileName, [&]() -> decltype(auto) {
        BeginPass();
        const PoserSceneFile file(fileName);
        PoserLines in(file);
        return pass(in);
    });
}

template <typename Pass>
decltype(auto) RunPass(const std::string& fileName, std::string_view text, Pass&& pass) {
    return ReadWithinMemory(fileName, [&]() -> decltype(auto) {
        BeginPass();
        PoserLines in(fileName, text);
        return pass(in);
    });
}

}  // namespace

bool ReadPoserCameras(const std::string& fileName, tposercameravalues& values) {
    return RunPass(fileName, [&](PoserLines& in) { return ReadCameras(in, values); });
}

bool ReadPoserCameras(const PoserSceneFile& file, tposercameravalues& values) {
    return RunPass(file, [&](PoserLines& in) { return ReadCameras(in, values); });
}

void ReadPoserMaterials(const std::string& fileName) { RunPass(fileName, ReadMaterials); }

void ReadPoserMaterials(const PoserSceneFile& file) { RunPass(file, ReadMaterials); }

void ReadPoserLights(const std::string& fileName) { RunPass(fileName, ReadLights); }

void ReadPoserLights(const PoserSceneFile& file) { RunPass(file, ReadLights); }

bool ReadPoserCamerasText(const std::string& fileName, std::string_view text, tposercameravalues& values) {
    return RunPass(fileName, text, [&](PoserLines& in) { return ReadCameras(in, values); });
}

void ReadPoserMaterialsText(const std::string& fileName, std::string_view text) {
    RunPass(fileName, text, ReadMaterials);
}

void ReadPoserLightsText(const std::string& fileName, std::string_view text) { RunPass(fileName, text, ReadLights); }
