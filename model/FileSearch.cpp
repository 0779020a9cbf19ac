#include "model/FileSearch.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "model/TextConv.h"
#include "platform/FolderListing.h"

namespace fs = std::filesystem;

// The names of each folder listed, whether it could be listed, and whether
// the paths asked about exist.
struct FolderListingScope::Listings {
    // The names in a folder; listed for a scope, also by their spelling in
    // lower case, so that a name looked up there costs the same however many
    // names the folder holds.
    struct Folder {
        std::vector<std::string> names;
        std::unordered_map<std::string, std::vector<std::size_t>> byLowerCase;
    };
    std::unordered_map<std::string, Folder> names;
    std::unordered_map<std::string, bool> readable;
    std::unordered_map<std::string, bool> exists;  // paths asked about
};


namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// Ignoring case first, then by bytes, so that the order is total.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = LowerAscii(a[i]), y = LowerAscii(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool WildcardMatch(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && LowerAscii(mask[m]) == LowerAscii(name[n])))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::string Normalised(std::string_view path) {
    std::string s(path);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

void SearchFolder(std::string_view mask, const std::string& folder, std::vector<std::string>& list,
                  std::set<std::string>& visited) {
    std::error_code ec;
    const fs::path canonical = fs::canonical(fs::path(folder), ec);
    if (ec || !visited.insert(canonical.string()).second) return;

    std::vector<std::string> files, folders;
    // A folder that cannot be read to the end adds nothing.
    if (!ForEachInFolder(folder, [&](std::string_view name, mode_t type) {
            if (type == S_IFDIR) folders.emplace_back(name);
            else if (type == S_IFREG && MatchesFileMask(name, mask)) files.emplace_back(name);
        }, true))
        return;

    std::sort(files.begin(), files.end(), LessIgnoringCase);
    std::sort(folders.begin(), folders.end(), LessIgnoringCase);
    for (const std::string& f : files) list.push_back(folder + f);
    for (const std::string& d : folders) SearchFolder(mask, folder + d + "/", list, visited);
}

FolderListingScope* ActiveScope = nullptr;
using FolderNames = FolderListingScope::Listings::Folder;

// The names in `folder`, from the active scope's memory (listed and indexed
// there the first time) or read now into `scratch`; nullptr when the folder
// cannot be read.
const FolderNames* ListFolder(const std::string& folder, FolderNames& scratch) {
    FolderListingScope::Listings* remembered = ActiveScope ? &ActiveScope->listings() : nullptr;
    if (remembered) {
        const auto known = remembered->readable.find(folder);
        if (known != remembered->readable.end()) return known->second ? &remembered->names[folder] : nullptr;
    }
    scratch.names.clear();
    const bool readable = ForEachInFolder(folder, [&](std::string_view name, mode_t) { scratch.names.emplace_back(name); });
    if (!remembered) return readable ? &scratch : nullptr;
    remembered->readable[folder] = readable;
    if (!readable) return nullptr;
    FolderNames& entries = remembered->names[folder] = std::move(scratch);
    for (std::size_t i = 0; i < entries.names.size(); ++i)
        entries.byLowerCase[LowerCase(entries.names[i])].push_back(i);
    return &entries;
}

// The names of `entries` that spell `part` in another letter case, sorted.
std::vector<std::string> OtherSpellings(const FolderNames& entries, const std::string& part) {
    std::vector<std::string> matches;
    const auto take = [&](const std::string& name) {
        if (name != part && EqualIgnoringCase(name, part)) matches.push_back(name);
    };
    if (entries.byLowerCase.empty()) {
        for (const std::string& name : entries.names) take(name);
    } else if (const auto it = entries.byLowerCase.find(LowerCase(part)); it != entries.byLowerCase.end()) {
        for (const std::size_t i : it->second) take(entries.names[i]);
    }
    std::sort(matches.begin(), matches.end());
    return matches;
}

// False when the folder of `path` was listed in the active scope and holds
// no entry of that name: within a scope the folders do not change, so the
// file system need not be asked again about every name missing there.
bool ListedAsMissing(std::string_view path) {
    if (!ActiveScope) return false;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return false;
    const std::string_view name = path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return false;
    const FolderListingScope::Listings& listings = ActiveScope->listings();
    const auto folder = listings.names.find(std::string(slash == 0 ? "/" : path.substr(0, slash)));
    if (folder == listings.names.end() || folder->second.byLowerCase.empty()) return false;
    const auto spellings = folder->second.byLowerCase.find(LowerCase(name));
    if (spellings == folder->second.byLowerCase.end()) return true;
    for (const std::size_t i : spellings->second)
        if (folder->second.names[i] == name) return false;
    return true;
}

bool Exists(const std::string& path) {
    const auto ask = [&path] {
        std::error_code ec;
        return fs::exists(fs::path(path), ec);
    };
    // Within a scope the folders above many names are asked about once.
    if (!ActiveScope) return ask();
    if (ListedAsMissing(path)) return false;
    const auto [it, added] = ActiveScope->listings().exists.try_emplace(path, false);
    if (added) it->second = ask();
    return it->second;
}

// Resolves parts[index..] below `found` (which exists), trying every entry
// that matches a part ignoring case, exact spelling first.
bool ResolveParts(const std::vector<std::string>& parts, std::size_t index, const std::string& found,
                  std::string& result) {
    if (index == parts.size()) {
        result = found;
        return true;
    }
    const std::string& part = parts[index];
    const auto join = [&](const std::string& name) {
        if (found.empty()) return name;
        return found.back() == '/' ? found + name : found + "/" + name;
    };
    if (part == "." || part == ".." || Exists(join(part))) {
        if (ResolveParts(parts, index + 1, join(part), result)) return true;
        if (part == "." || part == "..") return false;
    }
    FolderNames scratch;
    const FolderNames* entries = ListFolder(found.empty() ? "." : found, scratch);
    if (!entries) return false;
    for (const std::string& name : OtherSpellings(*entries, part))
        if (ResolveParts(parts, index + 1, join(name), result)) return true;
    return false;
}

}  // namespace

bool MatchesFileMask(std::string_view name, std::string_view mask) {
    if (WildcardMatch(name, mask)) return true;
    // "name.*" also names a file without an extension.
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
        return WildcardMatch(name, mask.substr(0, mask.size() - 2));
    return false;
}

void FindFilesRecursive(std::string_view mask, std::string_view directory, std::vector<std::string>& list) {
    std::string folder = Normalised(directory);
    if (folder.empty()) return;
    if (folder.back() != '/') folder += '/';
    std::set<std::string> visited;
    SearchFolder(mask, folder, list, visited);
}

bool PathExists(std::string_view path) {
    if (ListedAsMissing(path)) return false;
    std::error_code ec;
    return fs::exists(fs::path(path), ec);
}

std::string FileNameAsOnDisk(std::string_view name) { return FileNameAsOnDiskIn("", name); }

std::string FileNameAsOnDiskIn(std::string_view folder, std::string_view name) {
    std::string base = Normalised(folder);
    const std::string relative = Normalised(name);
    if (!base.empty() && base.back() != '/' && !relative.empty()) base += '/';
    const std::string path = base + relative;
    if (relative.empty() || Exists(path)) return path;

    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        if (end > start) parts.push_back(relative.substr(start, end - start));
        start = end + 1;
    }
    if (base.empty() && relative.front() == '/') base = "/";
    std::string result;
    if (ResolveParts(parts, 0, base, result)) return result;
    return path;
}

FolderListingScope::FolderListingScope() : outer_(ActiveScope), listings_(std::make_unique<Listings>()) {
    ActiveScope = this;
}

FolderListingScope::~FolderListingScope() { ActiveScope = outer_; }
