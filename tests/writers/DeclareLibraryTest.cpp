// The custom texture library: reading, writing with CR LF, the round trip,
// damaged files, and the picker's list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/Errors.h"
#include "options/Options.h"
#include "tests/writers/WriterTest.h"
#include "writers/DeclareLibrary.h"

namespace writertest {
namespace {

namespace fs = std::filesystem;

class DeclareLibraryTest : public WriterTest {
protected:
    std::string Write(const std::string& text) {
        const std::string path = Path("custom_pov_texture_lib.inc");
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static tdeclare Entry(const std::string& name, const std::string& text) {
        tdeclare d;
        d.name = name;
        d.text = text;
        return d;
    }
    std::vector<std::pair<std::string, std::string>> Entries() const {
        std::vector<std::pair<std::string, std::string>> r;
        for (const tdeclare& d : DeclareLibrary) r.emplace_back(d.name.str(), d.text.str());
        return r;
    }
    using Entries_t = std::vector<std::pair<std::string, std::string>>;
};

TEST_F(DeclareLibraryTest, ReadingRules) {
    ReadDeclareLibrary(Write(
        "// my textures\r\n"
        "texture { lost }\r\n"
        "#declare Gold_=\r\n"
        "\r\n"                                   // dropped: the text is still empty
        "material { texture { pigment { rgb <1,0.8,0.2> } } }\r\n"
        "\r\n"                                   // kept: inside the text
        "  // indented\r\n"
        "\t#DECLARE Silver_=\r\n"               // capitals, indented by a tab
        "texture { Silver_Metal }\r\n"
        "   #declare Empty_=\n"                  // an LF file end works too
        "#declare NoEquals\n"
        "#declare OneLine_ = texture { T }\n"
        "  second line\n"));
    EXPECT_EQ(Entries(), (Entries_t{
                             {"Gold_", "material { texture { pigment { rgb <1,0.8,0.2> } } }\r\n\r\n  // indented"},
                             {"Silver_", "texture { Silver_Metal }"},
                             {"Empty_", ""},
                             {"NoEquals", ""},
                             {"OneLine_", "texture { T }\r\n  second line"},
                         }));
    EXPECT_EQ(Form8.ListBox6.items,
              (std::vector<std::string>{"Gold_", "Silver_", "Empty_", "NoEquals", "OneLine_"}));
    EXPECT_EQ(DeclareLibraryNames(), Form8.ListBox6.items);
}

TEST_F(DeclareLibraryTest, MissingFileGivesAnEmptyLibrary) {
    ReadDeclareLibrary(Path("none.inc"));
    ReadDeclareLibrary("");
    EXPECT_TRUE(DeclareLibrary.empty());
    EXPECT_TRUE(Form8.ListBox6.items.empty());
}

TEST_F(DeclareLibraryTest, SavedWithCrLfAndReadBackTheSame) {
    DeclareLibrary.push_back(Entry("Gold_", "material {\r\n  texture { T }\r\n}"));
    DeclareLibrary.push_back(Entry("Empty_", ""));
    DeclareLibrary.push_back(Entry("Lf_", "a\nb"));             // a text with LF breaks
    DeclareLibrary.push_back(Entry("Trail_", "x\r\n\r\n"));     // blank lines at the end are kept
    const std::string path = Path("lib.inc");
    SaveDeclareLibrary(path);
    EXPECT_EQ(ReadFile(path),
              "#declare Gold_=\r\nmaterial {\r\n  texture { T }\r\n}\r\n"
              "#declare Empty_=\r\n\r\n"
              "#declare Lf_=\r\na\r\n/*#LF*/b\r\n"
              "#declare Trail_=\r\nx\r\n\r\n\r\n");
    const auto saved = Entries();
    DeclareLibrary.clear();
    ReadDeclareLibrary(path);
    EXPECT_EQ(Entries(), saved);
    // No file is left beside the library.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// What is saved reads back as the same entries and texts, and saves to the
// same bytes: a library as the program holds it (no file) or read from a
// file, where older libraries read as they always did.
TEST_F(DeclareLibraryTest, SavedLibraryReadsBackTheSame) {
    const struct { const char* file; Entries_t entries; } cases[] = {
        {nullptr, {{"Marks_", "#declare N = 1\r\n/*#*/\r\n/*#LF*/x\r\n  #DECLARE y"}}},
        {nullptr, {{"Blank_", "\r\n\r\n  x"}, {"Lone_", "a\nb\rc\r\n\n\r\r\n"}}},
        {nullptr, {{"a=b", "x"}, {"=", ""}, {"a\x01" "b", "y"}}},
        {nullptr, {{"Full_", std::string(4990, 'x') + "\r\n#declare"}, {"Lone_full_", std::string(5000, '\n')}}},
        {"#declare A=#declare B=1\r\n", {{"A", "#declare B=1"}}},
        {"#declare A_=\r\n/* note */\r\n/**/ // #declare B=\r\n# declare C = 1;\r\n/*#include*/\r\n",
         {{"A_", "/* note */\r\n/**/ // #declare B=\r\n# declare C = 1;\r\n/*#include*/"}}},
        {"#declare E_=\r\n\r\n\r\nx\r\n\r\n#declare F_=\r\n\r\n", {{"E_", "x\r\n"}, {"F_", ""}}},
        // A marker counts only in the first column: after blanks it is text.
        {"#declare G_=\r\nx\r\n  /*#LF*/y\r\n\t/*#*/z\r\n /*#CR*/\r\n",
         {{"G_", "x\r\n  /*#LF*/y\r\n\t/*#*/z\r\n /*#CR*/"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries.front().first);
        DeclareLibrary.clear();
        if (c.file) ReadDeclareLibrary(Write(c.file));
        for (const auto& [name, text] : c.entries)
            if (!c.file) DeclareLibrary.push_back(Entry(name, text));
        ASSERT_EQ(Entries(), c.entries);
        SaveDeclareLibrary(Path("saved.inc"));
        DeclareLibrary.clear();
        ReadDeclareLibrary(Path("saved.inc"));
        EXPECT_EQ(Entries(), c.entries);
        SaveDeclareLibrary(Path("again.inc"));
        EXPECT_EQ(ReadFile(Path("again.inc")), ReadFile(Path("saved.inc")));
    }
}

TEST_F(DeclareLibraryTest, EmptyLibrarySavesAnEmptyFile) {
    Write("#declare Old_=\r\nx\r\n");
    SaveDeclareLibrary(Path("custom_pov_texture_lib.inc"));
    EXPECT_EQ(ReadFile(Path("custom_pov_texture_lib.inc")), "");
}

// A damaged file: garbage, a text far over 5000 characters, a file cut in
// the middle of a line. Every whole entry is kept.
TEST_F(DeclareLibraryTest, DamagedFileLosesNoWholeEntry) {
    std::string text = "\xEF\xBB\xBF#declare First_=\r\nfirst\r\n";
    text += "#declare Huge_=\r\n";
    for (int i = 0; i < 2000; ++i) text += "0123456789\r\n";
    text += std::string("\0\x01\xFF garbage\r\n", 14);
    text += "#declare Whole_=\r\nwhole text\r\n";
    text += "#declare Cut_=\r\npigment { rgb <1,";
    ReadDeclareLibrary(Write(text));
    ASSERT_EQ(DeclareLibrary.size(), 4u);
    EXPECT_EQ(DeclareLibrary[0].name, "First_");
    EXPECT_EQ(DeclareLibrary[0].text, "first");
    EXPECT_EQ(DeclareLibrary[1].name, "Huge_");
    EXPECT_EQ(DeclareLibrary[1].text.size(), 5000u);
    EXPECT_EQ(DeclareLibrary[2].name, "Whole_");
    EXPECT_EQ(DeclareLibrary[2].text, "whole text");
    EXPECT_EQ(DeclareLibrary[3].text, "pigment { rgb <1,");
    EXPECT_NE(std::find(Messages().begin(), Messages().end(),
                        "<!>Texture library entry Huge_: text longer than 5000 characters cut"),
              Messages().end());
}

// A library that cannot be written raises the error and leaves the old file.
TEST_F(DeclareLibraryTest, FailedSaveKeepsTheOldFile) {
    fs::create_directories(Path("ro"));
    const std::string path = Path("ro") + "/lib.inc";
    std::ofstream(path, std::ios::binary) << "#declare Old_=\r\nx\r\n";
    DeclareLibrary.push_back(Entry("New_", "y"));
    // The target name is a folder: the rename fails after the new file was written.
    fs::create_directories(Path("ro") + "/dir.inc");
    EXPECT_THROW(SaveDeclareLibrary(Path("ro") + "/dir.inc"), ExportError);
    EXPECT_TRUE(fs::is_directory(Path("ro") + "/dir.inc"));
    // A folder that does not exist: nothing is written.
    EXPECT_THROW(SaveDeclareLibrary(Path("nowhere") + "/lib.inc"), ExportError);
    EXPECT_EQ(ReadFile(path), "#declare Old_=\r\nx\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("ro")), fs::directory_iterator()), 2);
}

// A library that holds more than its entries (another encoding, text
// outside any entry) is kept beside the new one at its next save, and the
// log says so.
TEST_F(DeclareLibraryTest, AnUnreadableLibraryIsKeptBesideTheNewOne) {
    const std::string text = "my notes\r\n#declare A_=\r\nx\r\n";
    const std::string path = Write(text);
    ReadDeclareLibrary(path);
    EXPECT_EQ(Messages().back(), "<!>The texture library " + path + " could not be read whole: it is kept as " + path +
                                     ".bak when the library is saved");
    SaveDeclareLibrary(path);
    EXPECT_EQ(ReadFile(path + ".bak"), text);
    SaveDeclareLibrary(path);  // kept once: the library is now its own
    EXPECT_FALSE(fs::exists(path + ".bak2"));
}

}  // namespace
}  // namespace writertest
