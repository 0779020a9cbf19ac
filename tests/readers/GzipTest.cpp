#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <tuple>

#include "model/Errors.h"
#include "platform/AppPaths.h"
#include "platform/Memory.h"
#include "platform/TempFiles.h"
#include "readers/Gzip.h"
#include "tests/fixtures/FileSizeLimit.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class GzipTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fixtures::MakeScratchFolder("gzip");
        SetProgramDirOverride(folder_.string());
        // The unpacked copies go to the system's temporary folder: one of the test's own.
        if (const char* old = std::getenv("TMPDIR")) oldTmp_ = old;
        fs::create_directories(folder_ / "tmp");
        setenv("TMPDIR", (folder_ / "tmp").c_str(), 1);
    }
    void TearDown() override {
        if (oldTmp_) setenv("TMPDIR", oldTmp_->c_str(), 1);
        else unsetenv("TMPDIR");
        SetMemoryLimitOverride(0);
        SetProgramDirOverride("");
        fixtures::RemoveScratchFolder(folder_);
    }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    std::string Compress(const std::string& name, const std::string& data) const {
        const std::string path = Path(name);
        gzFile gz = gzopen(path.c_str(), "wb");
        EXPECT_NE(gz, nullptr);
        if (!data.empty()) {
            EXPECT_EQ(gzwrite(gz, data.data(), static_cast<unsigned>(data.size())), int(data.size()));
        }
        EXPECT_EQ(gzclose(gz), Z_OK);
        return path;
    }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& path, const std::string& data) {
        std::ofstream(path, std::ios::binary) << data;
    }
    static std::string RandomBytes(std::size_t n, unsigned seed) {
        std::mt19937 random(seed);
        std::string s(n, '\0');
        // Half random, half repeated, so that the stream has both kinds of block.
        for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 2 ? random() : i / 1000);
        return s;
    }
    // The files of the test's folder and of its temporary folder.
    std::size_t FileCount() const {
        return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(folder_),
                                                      fs::recursive_directory_iterator()));
    }
    static std::string Failure(const std::string& in, const std::string& out) {
        try {
            UncompressGzipFile(in, out);
        } catch (const ReadError& e) {
            return e.what();
        }
        return "no failure";
    }

    fs::path folder_;
    std::optional<std::string> oldTmp_;
};

TEST_F(GzipTest, CopiesEveryByteInBlocks) {
    for (std::size_t size : {0u, 1u, 16383u, 16384u, 16385u, 1000003u}) {
        const std::string data = RandomBytes(size, static_cast<unsigned>(size));
        const std::string in = Compress("data.gz", data);
        const std::string out = Path("data.out");
        UncompressGzipFile(in, out);
        EXPECT_EQ(Contents(out), data) << size;
    }
    // A file without the gzip signature is copied as it stands.
    Write(Path("plain.wrl"), "#VRML V2.0 utf8\n");
    UncompressGzipFile(Path("plain.wrl"), Path("plain.out"));
    EXPECT_EQ(Contents(Path("plain.out")), "#VRML V2.0 utf8\n");
}

TEST_F(GzipTest, FailuresNameTheirCause) {
    EXPECT_EQ(Failure(Path("missing.gz"), Path("x")), ": can't gzopen " + Path("missing.gz"));
    const std::string in = Compress("a.gz", "abc");
    EXPECT_EQ(Failure(in, Path("no/such/folder/out")), "open error: " + std::to_string(ENOENT));
    // An existing file that cannot be opened for writing is left alone.
    fs::create_directories(folder_ / "dir.out");
    EXPECT_EQ(Failure(in, Path("dir.out")).rfind("open error: ", 0), 0u);
    EXPECT_TRUE(fs::is_directory(folder_ / "dir.out"));
}

TEST_F(GzipTest, CorruptAndTruncatedStreamsLeaveNoOutput) {
    const std::string data = RandomBytes(200000, 3);
    const std::string whole = Contents(Compress("whole.gz", data));
    const std::string out = Path("out.bin");

    for (std::size_t keep : {std::size_t(5), std::size_t(11), whole.size() / 2, whole.size() - 4}) {
        Write(Path("cut.gz"), whole.substr(0, keep));
        EXPECT_NE(Failure(Path("cut.gz"), out), "no failure") << keep;
        EXPECT_FALSE(fs::exists(out)) << keep;
    }
    std::string corrupt = whole;
    for (std::size_t i = 100; i < 400; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    Write(Path("corrupt.gz"), corrupt);
    EXPECT_EQ(Failure(Path("corrupt.gz"), out).rfind(": ", 0), 0u);
    EXPECT_FALSE(fs::exists(out));
    // A wrong checksum at the end.
    std::string badCrc = whole;
    badCrc[badCrc.size() - 6] = static_cast<char>(badCrc[badCrc.size() - 6] ^ 1);
    Write(Path("crc.gz"), badCrc);
    EXPECT_NE(Failure(Path("crc.gz"), out), "no failure");
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(GzipTest, TemporaryCopiesAreOwnAndRemoved) {
    const std::string in = Compress("model.wrl.gz", "#VRML V2.0 utf8\nShape {}\n");
    std::string path;
    {
        const ScopedTempFile temp(UncompressGzipToTempFile(in, ".wrl"));
        path = temp.path();
        EXPECT_TRUE(IsOwnTempFile(path));
        EXPECT_EQ(fs::path(path).parent_path(), folder_ / "tmp");
        EXPECT_EQ(fs::path(path).extension(), ".wrl");
        EXPECT_EQ(fs::path(path).filename().string().rfind("mirelantemp-", 0), 0u);
        EXPECT_EQ(Contents(path), "#VRML V2.0 utf8\nShape {}\n");
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(IsOwnTempFile(path));

    // A failed unpack leaves nothing behind. A small file that unpacks to
    // more than the memory or the disk can take stops as soon as it is too
    // big, and says why.
    const std::string whole = Contents(in);
    Write(Path("cut.pzz"), whole.substr(0, whole.size() / 2));
    const std::string bomb = Compress("bomb.wrl.gz", std::string(16 << 20, ' '));
    const std::size_t before = FileCount();
    EXPECT_THROW(UncompressGzipToTempFile(Path("cut.pzz"), ".pz3"), ReadError);
    EXPECT_EQ(FileCount(), before);
    EXPECT_THROW(UncompressGzipToTempFile(Path("missing.gz"), ".wrl"), ReadError);
    EXPECT_EQ(FileCount(), before);
    for (const auto& [memory, fileSize, message] :
         {std::tuple<uint64_t, rlim_t, std::string>{1 << 20, RLIM_INFINITY, "not enough memory to load bomb.wrl.gz"},
          {0, 1 << 20, "not enough disk space to load bomb.wrl.gz"}}) {
        SetMemoryLimitOverride(memory);
        const fixtures::FileSizeLimit disk(fileSize);
        try {
            UncompressGzipToTempFile(bomb, ".wrl");
            ADD_FAILURE() << "no error: " << message;
        } catch (const ReadError& e) {
            EXPECT_EQ(e.what(), message);
        }
        EXPECT_EQ(FileCount(), before) << message;
    }
}

}  // namespace
