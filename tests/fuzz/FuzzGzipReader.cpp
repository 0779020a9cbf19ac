// libFuzzer target: gzip unpacking, the copy to a named file and the copy to
// a temporary file under a memory limit, over two kinds of input.
//
// Built input (first byte odd): the bytes describe gzip members, which the
// target writes with every header field (FTEXT, FHCRC, FEXTRA, FNAME,
// FCOMMENT, reserved bits), one to four members, and one damage (a wrong
// data or length check, a wrong header check, a cut, trailing bytes, an
// unknown method, a reserved flag). The unpacked bytes are known, so the
// result is checked: a sound file unpacks to exactly its data, a damaged one
// fails.
//
// Raw input (first byte even): the bytes are the file; a file without the
// gzip signature is copied as it is. Among the seeds, a file packed twice.
//
// In both, a failure leaves no output file and no temporary file, and the
// copy to a temporary file agrees with the copy to a named file unless the
// memory limit stops it, with "not enough memory". Opened as a Poser scene,
// the file reads as what it unpacks to, unless that is packed again; a scene
// that cannot be read is refused with a message that names it (a damaged one
// says so) and leaves no file behind.
#include <zlib.h>

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Errors.h"
#include "model/Services.h"
#include "platform/Memory.h"
#include "platform/TempFiles.h"
#include "readers/Gzip.h"
#include "readers/PoserReader.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

namespace fs = std::filesystem;

// The memory limits a copy to a temporary file is tried with (0 = none).
constexpr uint64_t Limits[8] = {0, 1, 100, 16383, 16384, 16385, 65536, 0};

constexpr uint8_t FText = 1, FHcrc = 2, FExtra = 4, FName = 8, FComment = 16, FReserved = 0xE0;

enum Damage { None, DataCheck, LengthCheck, HeaderCheck, Cut, Trailing, Method, ReservedFlag, DamageCount };

class Bytes {
public:
    explicit Bytes(std::string_view s) : s_(s) {}
    uint8_t Byte() {
        if (s_.empty()) return 0;
        const uint8_t b = static_cast<uint8_t>(s_[0]);
        s_.remove_prefix(1);
        return b;
    }
    std::string Take(std::size_t n) {
        n = std::min(n, s_.size());
        std::string r(s_.substr(0, n));
        s_.remove_prefix(n);
        return r;
    }
    std::string Rest() { return Take(s_.size()); }

private:
    std::string_view s_;
};

void PutLE(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Deflate(const std::string& data, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string NoZeros(std::string s) {
    for (char& c : s)
        if (c == '\0') c = 'x';
    return s;
}

struct Built {
    std::string file;
    std::optional<std::string> expected;  // the unpacked bytes; none when it must fail
    bool known = true;                     // false: either outcome is sound
};

// A gzip file as the built input describes it, and what unpacking must give.
Built Build(Bytes& in) {
    uint8_t flags = in.Byte();
    const int members = 1 + in.Byte() % 4;
    const Damage damage = static_cast<Damage>(in.Byte() % DamageCount);
    const unsigned low = in.Byte();
    const unsigned where = low | (static_cast<unsigned>(in.Byte()) << 8);
    const int level = in.Byte() % 10;
    const std::string mtimeXflOs = in.Take(6);
    const std::string extra = in.Take(in.Byte());
    const std::string name = NoZeros(in.Take(in.Byte() % 32));
    const std::string comment = NoZeros(in.Take(in.Byte() % 32));
    const std::string data = in.Rest();
    if (damage == ReservedFlag) flags |= 0x20;

    std::string header = "\x1f\x8b";
    header += damage == Method ? '\x07' : '\x08';
    header += static_cast<char>(flags);
    header += mtimeXflOs;
    header.resize(10, '\0');
    if (flags & FExtra) {
        PutLE(header, static_cast<uint32_t>(extra.size()), 2);
        header += extra;
    }
    if (flags & FName) header += name + '\0';
    if (flags & FComment) header += comment + '\0';
    if (flags & FHcrc) {
        const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(header.data()), static_cast<uInt>(header.size()));
        PutLE(header, (crc & 0xFFFF) ^ (damage == HeaderCheck ? 1u : 0u), 2);
    }
    const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    std::string member = header + Deflate(data, level);
    PutLE(member, crc ^ (damage == DataCheck ? 1u : 0u), 4);
    PutLE(member, static_cast<uint32_t>(data.size()) ^ (damage == LengthCheck ? 1u : 0u), 4);

    Built b;
    for (int i = 0; i < members; ++i) b.file += member;
    const bool sound = (flags & FReserved) == 0 && damage != DataCheck && damage != LengthCheck &&
                       damage != Method && !(damage == HeaderCheck && (flags & FHcrc));
    std::string all;
    for (int i = 0; i < members; ++i) all += data;
    if (sound) b.expected = all;
    if (damage == Trailing) b.file += "trailing bytes that are no gzip member";
    if (damage == Cut) {
        const std::size_t cut = where % b.file.size();
        const std::size_t whole = cut / member.size(), into = cut % member.size();
        b.file.resize(cut);
        if (into == 1) b.known = false;  // one byte of a member: a plain file, or bytes after the last member
        else if (into >= 2 || (!sound && whole > 0)) b.expected.reset();
        else b.expected = all.substr(0, whole * data.size());  // whole members (none: an empty file)
    }
    return b;
}

struct Folder {
    fs::path dir, in, out;
};

// A folder of this process for the files of one input, which is also the
// temporary folder, so that no temporary file can be overlooked.
const Folder& Work() {
    static const Folder f = [] {
        std::string templ = (fs::temp_directory_path() / "mirelan_fuzz_gzip_XXXXXX").string();
        if (!mkdtemp(templ.data())) std::abort();
        setenv("TMPDIR", templ.c_str(), 1);
        Folder w{templ, fs::path(templ) / "in.gz", fs::path(templ) / "out.bin"};
        // Removed at exit; the name is kept where no destructor reaches it.
        static char folder[4096];
        templ.copy(folder, sizeof folder - 1);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(folder, ec);
        });
        return w;
    }();
    return f;
}

std::string ReadWhole(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The one file (besides the input) that the folder may hold.
void CheckFolderHolds(const Folder& w, const fs::path* allowed) {
    for (const auto& e : fs::directory_iterator(w.dir))
        if (e.path() != w.in && (!allowed || e.path() != *allowed)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    std::vector<std::pair<std::string, std::string>> seeds;
    const std::string text = "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n";
    // Built inputs: every header flag alone and all together, each damage.
    const uint8_t flagSets[] = {0, FText, FHcrc, FExtra, FName, FComment, 0x1F};
    for (uint8_t flags : flagSets)
        for (int damage = 0; damage < DamageCount; ++damage) {
            std::string s;
            s += '\x01';
            s += static_cast<char>(flags);
            s += static_cast<char>(1 + damage % 3);  // members
            s += static_cast<char>(damage);
            s += std::string("\x29\x00\x06", 3);  // cut position, level
            s += std::string("\x10\x20\x30\x40\x00\x03", 6);
            s += '\x04'; s += "ABCD";
            s += '\x08'; s += "name.wrl";
            s += '\x07'; s += "comment";
            s += text;
            seeds.emplace_back("built_" + std::to_string(flags) + "_" + std::to_string(damage), s);
        }
    // Raw inputs: two gzip members (no flags, no damage, level 9, no header
    // fields), a plain file, and a file larger than one transfer block.
    const std::string twoParams = std::string("\x00\x01\x00\x00\x00\x09", 6) + std::string(9, '\0') + text;
    Bytes params(twoParams);
    const Built two = Build(params);
    seeds.emplace_back("raw_two_members", std::string("\x00", 1) + two.file);
    seeds.emplace_back("raw_plain", std::string("\x02", 1) + text);
    std::string big;
    for (int i = 0; i < 3000; ++i) big += "line " + std::to_string(i) + "\n";
    const std::string bigText = std::string("\x00\x00\x00\x00\x00\x06", 6) + std::string(9, '\0') + big;
    Bytes bigParams(bigText);
    seeds.emplace_back("raw_big", std::string("\x08", 1) + Build(bigParams).file);
    // A file packed twice: a scene of it is no scene.
    const std::string twiceText = std::string("\x00\x00\x00\x00\x00\x06", 6) + std::string(9, '\0') + two.file;
    Bytes twiceParams(twiceText);
    seeds.emplace_back("raw_packed_twice", std::string("\x00", 1) + Build(twiceParams).file);
    fuzzing::SeedCorpus(*argc, *argv, seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Folder& w = Work();
    Bytes in(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    const uint8_t mode = data[0];
    const uint64_t limit = Limits[(mode >> 1) & 7];
    Built b;
    if (mode & 1) {
        b = Build(in);
    } else {
        b.file = in.Rest();
        const bool signature = b.file.size() >= 2 && static_cast<unsigned char>(b.file[0]) == 0x1F &&
                               static_cast<unsigned char>(b.file[1]) == 0x8B;
        // A gzip stream may unpack or fail (checked for agreement below);
        // anything else is copied.
        b.known = !signature;
        if (!signature) b.expected = b.file;
    }
    std::error_code ec;
    fs::remove(w.out, ec);
    std::ofstream(w.in, std::ios::binary | std::ios::trunc) << b.file;

    std::optional<std::string> unpacked;
    try {
        UncompressGzipFile(w.in.string(), w.out.string());
        unpacked = ReadWhole(w.out);
    } catch (const ReadError&) {
        if (fs::exists(w.out)) std::abort();  // a failed unpacking leaves no output
    }
    if (b.known && unpacked != b.expected) std::abort();
    CheckFolderHolds(w, unpacked ? &w.out : nullptr);
    fs::remove(w.out, ec);

    SetMemoryLimitOverride(limit);
    std::optional<std::string> temp;
    bool tooBig = false;
    try {
        const ScopedTempFile t(UncompressGzipToTempFile(w.in.string(), ".wrl"));
        temp = ReadWhole(t.path());
    } catch (const ReadError& e) {
        tooBig = std::string_view(e.what()).find("not enough memory") != std::string_view::npos;
    }
    SetMemoryLimitOverride(0);
    CheckFolderHolds(w, nullptr);
    if (!unpacked) {
        if (temp) std::abort();
    } else if (limit != 0 && unpacked->size() > limit) {
        if (temp || !tooBig) std::abort();
    } else if (temp != unpacked) {
        std::abort();
    }

    std::optional<std::string> scene;
    try {
        const PoserSceneFile file(w.in.string());
        scene = ReadWhole(file.PlainFile());
    } catch (const ReadError& e) {
        const std::string_view message = e.what();
        if (message.find("in.gz") == std::string_view::npos) std::abort();
        if (!unpacked && !message.starts_with("Poser scene in.gz is damaged: ")) std::abort();
    }
    Svc().status->ClearPage(StatusPage::Messages);  // its "Decompressing" line
    CheckFolderHolds(w, nullptr);
    const bool packedAgain = unpacked && unpacked->starts_with("\x1f\x8b");
    if (scene != (packedAgain ? std::nullopt : unpacked)) std::abort();
    return 0;
}
