// File and memory streams: short reads, exact reads, typed readers, errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "tests/fixtures/ScratchFolder.h"

namespace gfx {
namespace {

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fixtures::MakeScratchFolder("gfx_stream");
    }
    void TearDown() override { fixtures::RemoveScratchFolder(folder_); }
    std::string write(const char* name, const std::vector<uint8_t>& bytes) {
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }
    std::filesystem::path folder_;
};

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};

// Both kinds of stream behave alike over the same bytes.
TEST_F(StreamTest, ReadIsShortAtTheEndWhereReadExactRaises) {
    MemoryStream memory(kBytes);
    FileStream file(write("a.bin", kBytes));
    for (Stream* s : {static_cast<Stream*>(&memory), static_cast<Stream*>(&file)}) {
        EXPECT_EQ(s->size(), 7u);
        EXPECT_EQ(s->readU16LE(), 0x0201);
        EXPECT_EQ(s->readU16BE(), 0x0304);
        EXPECT_EQ(s->remaining(), 3u);
        uint8_t buffer[8] = {};
        EXPECT_EQ(s->read(buffer, 8), 3u);
        EXPECT_EQ(buffer[2], 0x07);
        EXPECT_EQ(s->read(buffer, 1), 0u);
        EXPECT_THROW(s->readExact(buffer, 1), EReadError);
        s->seek(1);
        EXPECT_EQ(s->readU32BE(), 0x02030405u);
        s->seek(4);
        try {
            s->readU32LE();
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
        s->seek(100);  // past the end: nothing to read, nothing remains
        EXPECT_EQ(s->remaining(), 0u);
        EXPECT_EQ(s->read(buffer, 1), 0u);
        s->seek(3);
        EXPECT_EQ(s->readAll(2), (std::vector<uint8_t>{4, 5}));
        EXPECT_EQ(s->readAll(), (std::vector<uint8_t>{6, 7}));
    }
}

TEST_F(StreamTest, FilesThatCannotBeOpenedRaiseWithTheirName) {
    const std::string missing = (folder_ / "missing.jpg").string();
    try {
        FileStream s(missing);
        ADD_FAILURE() << "opened";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\"");
        EXPECT_EQ(e.fileName(), missing);
    }
    EXPECT_THROW(FileStream(folder_.string()), EFOpenError);  // a folder
    EXPECT_THROW(FileStream((folder_ / "no" / "x.bin").string(), FileStream::Mode::Create), EFOpenError);
    // A picture is saved over a regular file only: a pipe or a device is
    // refused with that reason, and nothing is written into it.
    const std::string pipe = (folder_ / "pipe.bmp").string(), device = (folder_ / "device.bmp").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/null", device.c_str()), 0);
    for (const std::string& name : {pipe, device}) {
        try {
            FileStream s(name, FileStream::Mode::Create);
            ADD_FAILURE() << "created " << name;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + name + "\": it is not a regular file");
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 2);  // no file beside them
}

TEST_F(StreamTest, WritesGrowOwnedStreamsAndFiles) {
    MemoryStream m;
    m.writeExact("abc", 3);
    m.seek(1);
    m.writeExact("XYZ", 3);
    EXPECT_EQ(m.size(), 4u);
    EXPECT_EQ(m.release(), (std::vector<uint8_t>{'a', 'X', 'Y', 'Z'}));
    EXPECT_EQ(m.size(), 0u);

    // Borrowed bytes are read only.
    MemoryStream borrowed{std::span<const uint8_t>(kBytes)};
    EXPECT_EQ(borrowed.write("a", 1), 0u);
    EXPECT_THROW(borrowed.writeExact("a", 1), EWriteError);

    const std::string path = (folder_ / "out.bin").string();
    {
        FileStream f(path, FileStream::Mode::Create);
        f.writeExact("hello", 5);
        f.seek(0);
        f.writeExact("J", 1);
        EXPECT_EQ(f.size(), 5u);
        uint8_t b;
        EXPECT_EQ(f.read(&b, 1), 0u);  // a created file is not read
        EXPECT_TRUE(f.commit());
    }
    EXPECT_EQ(FileStream(path).readAll(), (std::vector<uint8_t>{'J', 'e', 'l', 'l', 'o'}));

    // A file is replaced only when the new one is committed: one dropped
    // half-way (an error while saving) leaves the old file and nothing else.
    for (const bool commit : {false, true}) {
        {
            FileStream f(path, FileStream::Mode::Create);
            f.writeExact("new", 3);
            EXPECT_TRUE(!commit || f.commit());
        }
        EXPECT_EQ(FileStream(path).size(), commit ? 3u : 5u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);  // nothing left beside it
    }
}

}  // namespace
}  // namespace gfx
