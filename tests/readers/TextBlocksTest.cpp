// Blocks of whole lines: whatever the block size and the line ends, the
// blocks put together give the file back (without a byte-order mark, with a
// line end after the last line), every block ends at a line end, and a CR LF
// is never split.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "readers/TextBlocks.h"

namespace {

namespace fs = std::filesystem;

class TextBlocksTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(testing::TempDir()) / ("textblocks-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string File(const std::string& bytes) const {
        const fs::path p = folder / "text.txt";
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    // The blocks of the file, checked one by one; their text put together.
    static std::string ReadAll(const std::string& path, std::size_t blockSize) {
        TextBlocks blocks;
        EXPECT_TRUE(blocks.Open(path, blockSize));
        return ReadBlocks(blocks);
    }
    // The same for a text held in memory.
    static std::string ReadAllText(const std::string& text, std::size_t blockSize) {
        TextBlocks blocks;
        blocks.OpenText(text, blockSize);
        return ReadBlocks(blocks);
    }
    static std::string ReadBlocks(TextBlocks& blocks) {
        std::string all;
        std::string_view block;
        while (blocks.Next(block)) {
            EXPECT_FALSE(block.empty());
            const char last = block.back();
            EXPECT_TRUE(last == '\n' || last == '\r') << "a block ends inside a line";
            if (!all.empty() && all.back() == '\r') {
                EXPECT_NE(block.front(), '\n') << "a CR LF was split";
            }
            all.append(block);
            EXPECT_EQ(blocks.Consumed(), all.size());
        }
        EXPECT_FALSE(blocks.Failed());
        return all;
    }

    fs::path folder;
};

TEST_F(TextBlocksTest, BlocksGiveTheLinesBack) {
    const std::string longLine(5000, 'x');
    struct Case {
        const char* name;
        std::string text, expected;
    } cases[] = {
        {"empty", "", ""},
        {"LF", "v 1 2 3\nf 1 2 3\n", "v 1 2 3\nf 1 2 3\n"},
        {"CR LF", "v 1 2 3\r\nf 1 2 3\r\n", "v 1 2 3\r\nf 1 2 3\r\n"},
        {"CR", "a\rb\rc\r", "a\rb\rc\r"},
        {"no final line end", "a\nb", "a\nb\n"},
        {"byte-order mark", "\xEF\xBB\xBFv 1\n", "v 1\n"},
        {"only a byte-order mark", "\xEF\xBB\xBF", ""},
        {"two bytes", "ab", "ab\n"},
        {"empty lines", "\n\n\r\n\r\r\n", "\n\n\r\n\r\r\n"},
        {"a line longer than a block", "a\n" + longLine + "\nb\n", "a\n" + longLine + "\nb\n"},
        {"a long last line", longLine, longLine + "\n"},
    };
    for (const Case& c : cases)
        for (std::size_t blockSize : {64u, 65u, 100u, 4096u}) {
            SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(blockSize));
            EXPECT_EQ(ReadAll(File(c.text), blockSize), c.expected);
            EXPECT_EQ(ReadAllText(c.text, blockSize), c.expected);
        }
}

TEST_F(TextBlocksTest, RandomLineEndsAtEveryBlockSize) {
    std::mt19937 random(5);
    std::string text;
    while (text.size() < 20000) {
        text.append(random() % 40, static_cast<char>('a' + random() % 26));
        const char* ends[] = {"\n", "\r\n", "\r", "\n\n", "\r\r\n"};
        text += ends[random() % 5];
    }
    const std::string path = File(text);
    for (std::size_t blockSize = 64; blockSize < 400; blockSize += 37) {
        EXPECT_EQ(ReadAll(path, blockSize), text);
        EXPECT_EQ(ReadAllText(text, blockSize), text);
    }
}

// The buffer of a small file is sized to it when opened; a file that grows
// before it is read is still read whole.
TEST_F(TextBlocksTest, AFileThatGrowsAfterOpeningIsReadWhole) {
    const std::string path = File("v 1 2 3\n");
    TextBlocks blocks;
    ASSERT_TRUE(blocks.Open(path));
    std::string more;
    for (int i = 0; i < 2000; ++i) more += "f " + std::to_string(i) + " 2 3\n";
    std::ofstream(path, std::ios::binary | std::ios::app) << more << "last";
    std::string all;
    std::string_view block;
    while (blocks.Next(block)) all.append(block);
    EXPECT_EQ(all, "v 1 2 3\n" + more + "last\n");
}

TEST_F(TextBlocksTest, MissingFilesAndFoldersDoNotOpen) {
    TextBlocks blocks;
    blocks.OpenText("v 1 2 3\n");  // what was open before is closed
    EXPECT_FALSE(blocks.Open((folder / "missing.obj").string()));
    EXPECT_FALSE(blocks.Open(folder.string()));
    std::string_view block;
    EXPECT_FALSE(blocks.Next(block));
}

}  // namespace
