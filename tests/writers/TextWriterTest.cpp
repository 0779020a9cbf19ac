#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/Errors.h"
#include "tests/fixtures/FileSizeLimit.h"
#include "tests/writers/WriterTest.h"
#include "writers/TextWriter.h"

namespace writertest {
namespace {

namespace fs = std::filesystem;

using TextWriterTest = WriterTest;

TEST_F(TextWriterTest, LinesBlanksRulesAndLineEnds) {
    {
        CheckedTextWriter w(Path("lf.txt"));
        w.Line("#", "Title");
        w.Blank();
        w.Rule("//");
        w.Buffer().append("v ");
        AppendInt(w.Buffer(), -42);
        w.EndLine();
        w.Close();
    }
    EXPECT_EQ(ReadFile(Path("lf.txt")), "#Title\n \n//==================================================\nv -42\n");
    {
        CheckedTextWriter w(Path("crlf.txt"), LineEnd::CRLF);
        w.Line("a");
        w.Line("");
        w.Close();
    }
    EXPECT_EQ(ReadFile(Path("crlf.txt")), "a\r\n\r\n");
}

TEST_F(TextWriterTest, LargeOutputIsWrittenWhole) {
    std::size_t expected = 0;
    {
        CheckedTextWriter w(Path("big.txt"));
        for (int i = 0; i < 200000; ++i) {
            w.Buffer().append("f ");
            AppendInt(w.Buffer(), i);
            w.EndLine();
        }
        expected = w.BytesWritten();
        w.Close();
    }
    EXPECT_EQ(fs::file_size(Path("big.txt")), expected);
    const auto lines = ReadLines(Path("big.txt"));
    ASSERT_EQ(lines.size(), 200000u);
    EXPECT_EQ(lines.back(), "f 199999");
}

TEST_F(TextWriterTest, ReplacesAnExistingFile) {
    std::ofstream(Path("old.txt")) << "a much longer earlier content\n";
    CheckedTextWriter w(Path("old.txt"));
    w.Line("new");
    w.Close();
    EXPECT_EQ(ReadFile(Path("old.txt")), "new\n");
}

// A folder that cannot hold the file (its "folder" is a plain file, or the
// name is a folder) fails whoever runs the test, root included.
TEST_F(TextWriterTest, OpenFailuresNameTheFile) {
    std::ofstream(Path("plain")) << "x";
    const std::string bad = Path("plain") + "/out.obj";
    try {
        CheckedTextWriter w(bad);
        FAIL() << "no error";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.file(), bad);
        EXPECT_NE(std::string(e.what()).find("Cannot create file " + bad + ": "), std::string::npos) << e.what();
    }
    fs::create_directories(Path("adir"));
    EXPECT_THROW(CheckedTextWriter w(Path("adir")), ExportError);
    EXPECT_THROW(CheckedTextWriter w(""), ExportError);
}

// A disk that is full (here: the largest file the process may write) fails
// the write; a device is never written to (see the save tests).
TEST_F(TextWriterTest, AFullDiskFailsTheWrite) {
    CheckedTextWriter w(Path("full.txt"));
    w.Line(std::string(100, 'x'));
    try {
        const fixtures::FileSizeLimit full(16);
        w.Close();
        FAIL() << "no error";
    } catch (const ExportError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot write file " + Path("full.txt")), std::string::npos) << e.what();
    }
    EXPECT_FALSE(w.IsOpen());
    EXPECT_FALSE(fs::exists(Path("full.txt")));
}

TEST_F(TextWriterTest, BackslashesAreFolderSeparators) {
    fs::create_directories(Path("sub"));
    CheckedTextWriter w(dir.string() + "\\sub\\x.txt");
    w.Line("x");
    w.Close();
    EXPECT_EQ(ReadFile(Path("sub/x.txt")), "x\n");
}

}  // namespace
}  // namespace writertest
