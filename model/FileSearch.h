// Finding files on disk: the recursive search for maps and the lookup of
// names written on another system with a different letter case or "\" as
// the separator.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// True when `name` matches the wildcard `mask` ("*" any run of characters,
// "?" one character), ignoring ASCII letter case. A mask ending in ".*" also
// matches names without an extension, so "*.*" matches every name.
bool MatchesFileMask(std::string_view name, std::string_view mask);

// Appends `directory` + name for every file in `directory` that matches
// `mask`, then searches every subfolder in the same way. Within one folder
// the files come before the subfolders and both are sorted by name ignoring
// case. "\" in `directory` is taken as "/", and a missing trailing "/" is
// added. A folder that cannot be read adds nothing; a folder reached a
// second time (through a link) is not searched again, so links that loop
// end. An empty directory adds nothing.
void FindFilesRecursive(std::string_view mask, std::string_view directory, std::vector<std::string>& list);

// Whether a file or folder of that name exists. Within a FolderListingScope,
// a name that a folder listed there does not hold is missing without asking
// the file system.
bool PathExists(std::string_view path);

// `name` with "\" turned into "/". When no file or folder of that name
// exists, each part of the path is looked up again ignoring letter case and
// the name as found on disk is returned; when even that finds nothing, the
// normalised name is returned unchanged.
std::string FileNameAsOnDisk(std::string_view name);

// The same for a name below `folder`, a folder known to exist as spelled
// (that of an opened model; "" for the current folder): only the parts of
// `name` are looked up ignoring case, never other spellings of the folder or
// of those above it.
std::string FileNameAsOnDiskIn(std::string_view folder, std::string_view name);

// While one of these lives, FileNameAsOnDisk lists each folder it needs once
// and remembers the names (filed by their lower case) and whether the paths
// it tried exist: looking up many names below the same folders (the maps of
// a model, each missing one sending the lookup through every folder above
// it) then reads each folder only once. For the length of one command,
// during which the folders do not change. Scopes may nest; the outer one is
// used again when the inner one ends.
class FolderListingScope {
public:
    FolderListingScope();
    ~FolderListingScope();
    FolderListingScope(const FolderListingScope&) = delete;
    FolderListingScope& operator=(const FolderListingScope&) = delete;

    // The names of the folders listed so far.
    struct Listings;
    Listings& listings() { return *listings_; }

private:
    FolderListingScope* outer_;
    std::unique_ptr<Listings> listings_;
};
