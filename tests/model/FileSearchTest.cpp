#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/FileSearch.h"

namespace fs = std::filesystem;

namespace {

class FileSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(testing::TempDir()) /
               ("mirelan_files_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        base = root.string() + "/";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root / "locked", fs::perms::owner_all, ec);
        fs::remove_all(root, ec);
    }
    void Touch(const std::string& relative) {
        const fs::path p = root / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    fs::path root;
    std::string base;
};

TEST(FileMask, WildcardsIgnoringCase) {
    EXPECT_TRUE(MatchesFileMask("Wood.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesFileMask("wood.jpg", "WOOD.JPG"));
    EXPECT_TRUE(MatchesFileMask("a.jpg", "?.jpg"));
    EXPECT_FALSE(MatchesFileMask("ab.jpg", "?.jpg"));
    EXPECT_TRUE(MatchesFileMask("README", "*.*"));
    EXPECT_TRUE(MatchesFileMask("x.tar.gz", "*.gz"));
    EXPECT_TRUE(MatchesFileMask("foo", "foo.*"));
    EXPECT_FALSE(MatchesFileMask("foo.png", "*.jpg"));
    EXPECT_TRUE(MatchesFileMask("a*b", "a*b"));
}

TEST_F(FileSearchTest, FilesBeforeFoldersSortedIgnoringCase) {
    for (const char* f : {"b.jpg", "A.jpg", "c.txt", "sub2/x.jpg", "Sub1/y.JPG", "Sub1/deeper/z.jpg", "a/w.jpg"})
        Touch(f);
    std::vector<std::string> found;
    FindFilesRecursive("*.jpg", root.string(), found);  // no trailing separator
    EXPECT_EQ(found, (std::vector<std::string>{base + "A.jpg", base + "b.jpg", base + "a/w.jpg",
                                               base + "Sub1/y.JPG", base + "Sub1/deeper/z.jpg",
                                               base + "sub2/x.jpg"}));

    // A name as mask finds the file in any folder and any letter case; the
    // list is appended to.
    std::string backslashed = base;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    FindFilesRecursive("Z.JPG", backslashed, found);
    EXPECT_EQ(found.back(), base + "Sub1/deeper/z.jpg");
    EXPECT_EQ(found.size(), 7u);
}

TEST_F(FileSearchTest, UnreadableMissingAndLoopingFoldersEnd) {
    Touch("a.jpg");
    Touch("inner/b.jpg");
    fs::create_directory_symlink(root, root / "inner" / "loop");
    fs::create_directory_symlink(root / "nowhere", root / "dangling");

    std::vector<std::string> found;
    FindFilesRecursive("*", root.string(), found);
    EXPECT_EQ(found, (std::vector<std::string>{base + "a.jpg", base + "inner/b.jpg"}));

    found.clear();
    FindFilesRecursive("*", (root / "missing").string(), found);
    FindFilesRecursive("*", (root / "a.jpg").string(), found);  // a file, not a folder
    FindFilesRecursive("*", "", found);
    EXPECT_TRUE(found.empty());

    if (::geteuid() != 0) {  // permissions do not stop the superuser
        Touch("locked/c.jpg");
        fs::permissions(root / "locked", fs::perms::none);
        found.clear();
        FindFilesRecursive("*.jpg", root.string(), found);
        EXPECT_EQ(found, (std::vector<std::string>{base + "a.jpg", base + "inner/b.jpg"}));
    }
}

// The same with the folders listed once for a scope (as a load or an import
// looks up its maps) and without.
TEST_F(FileSearchTest, NameAsOnDiskIgnoresCasePartByPart) {
    Touch("Maps/Textures/Wood.JPG");
    Touch("other/t.png");
    fs::create_directories(root / "OTHER");  // same name in another case, without the file

    for (const bool scoped : {false, true}) {
        std::optional<FolderListingScope> scope;
        if (scoped) scope.emplace();
        EXPECT_EQ(FileNameAsOnDisk(base + "Maps/Textures/Wood.JPG"), base + "Maps/Textures/Wood.JPG");
        EXPECT_EQ(FileNameAsOnDisk(base + "maps\\TEXTURES\\wood.jpg"), base + "Maps/Textures/Wood.JPG") << scoped;
        EXPECT_EQ(FileNameAsOnDisk(base + "Other/T.PNG"), base + "other/t.png") << scoped;
        EXPECT_EQ(FileNameAsOnDisk(base + "maps\\missing.jpg"), base + "maps/missing.jpg") << scoped;
        EXPECT_EQ(FileNameAsOnDisk(""), "");
    }

    // Relative names stay relative.
    const fs::path saved = fs::current_path();
    fs::current_path(root);
    EXPECT_EQ(FileNameAsOnDisk("MAPS\\textures\\WOOD.jpg"), "Maps/Textures/Wood.JPG");
    fs::current_path(saved);
}

// Below a folder known to exist as spelled, only the name's own parts are
// looked up ignoring case; a folder of the same name in another case is
// searched only by the look-up of the whole path.
TEST_F(FileSearchTest, NameBelowAKnownFolderLeavesTheFolderAsSpelled) {
    Touch("Model/Wood.JPG");
    Touch("MODEL/Sub/Bark.png");
    Touch("MODEL/other.mtl");
    const std::string folder = base + "Model";
    EXPECT_EQ(FileNameAsOnDiskIn(folder, "wood.jpg"), base + "Model/Wood.JPG");
    EXPECT_EQ(FileNameAsOnDiskIn(folder + "/", "Other.MTL"), base + "Model/Other.MTL");
    EXPECT_EQ(FileNameAsOnDisk(folder + "/Other.MTL"), base + "MODEL/other.mtl");
    EXPECT_EQ(FileNameAsOnDiskIn(base + "MODEL", "sub\\BARK.PNG"), base + "MODEL/Sub/Bark.png");
    EXPECT_EQ(FileNameAsOnDiskIn(folder, ""), folder);
}

// Within a listing scope each folder is read once: names found give the
// same result, and a folder renamed meanwhile is seen only once the scope
// (and the outer one) has ended.
TEST_F(FileSearchTest, ListingScopeReadsEachFolderOnce) {
    Touch("Maps/Wood.JPG");
    const std::string base = root.string() + "/";
    {
        const FolderListingScope outer;
        EXPECT_EQ(FileNameAsOnDisk(base + "maps/wood.jpg"), base + "Maps/Wood.JPG");
        EXPECT_EQ(FileNameAsOnDisk(base + "MAPS/missing.jpg"), base + "MAPS/missing.jpg");
        fs::rename(root / "Maps", root / "Other");
        {
            const FolderListingScope inner;
            EXPECT_EQ(FileNameAsOnDisk(base + "other/wood.jpg"), base + "Other/Wood.JPG");  // a new scope reads again
        }
        EXPECT_EQ(FileNameAsOnDisk(base + "other/wood.jpg"), base + "other/wood.jpg");  // the outer one remembers
    }
    EXPECT_EQ(FileNameAsOnDisk(base + "other/wood.jpg"), base + "Other/Wood.JPG");
}

// Within a scope the other spellings of a name come from each folder's names
// filed by their lower case, and a name a folder read does not hold is
// missing: the same names, and whether they exist, as when every look-up
// reads the folders, for names in any mix of letter case over folders of
// several spellings.
TEST_F(FileSearchTest, ListingScopeFindsTheSpellingsOfAFolderRead) {
    for (const char* file : {"Maps/Tex.jpg", "maps/TEX.JPG", "MAPS/tex.Jpg", "Maps/Sub/a.png", "maps/SUB/A.PNG",
                             "maps/sub/b.png", "Maps/other.png"})
        Touch(file);
    std::mt19937 rng(4);
    const std::string files[] = {"maps/tex.jpg", "maps/sub/a.png", "maps/sub/b.png", "maps/other.png", "maps/x.png"};
    std::vector<std::string> names, read;
    std::vector<bool> exists;
    for (int i = 0; i < 200; ++i) {
        std::string name = base + files[rng() % std::size(files)];
        for (std::size_t c = base.size(); c < name.size(); ++c)
            if (rng() % 2) name[c] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[c])));
        names.push_back(name);
        read.push_back(FileNameAsOnDisk(name));
        exists.push_back(PathExists(name));
    }
    const FolderListingScope scope;
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(FileNameAsOnDisk(names[i]), read[i]) << names[i];
        EXPECT_EQ(PathExists(names[i]), exists[i]) << names[i];
    }
}

}  // namespace
