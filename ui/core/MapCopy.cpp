#include "ui/core/MapCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "imageformats/ImageRegistration.h"
#include "imageformats/Stretch.h"
#include "model/FileSearch.h"
#include "model/MapPaths.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/FileReplace.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/PovIni.h"
#include "writers/TextWriter.h"

namespace {

constexpr int32_t DefaultMapSize = 512;
constexpr int JpegQuality = 75;
constexpr int MaxOtherNames = 10000;

std::string FolderOf(std::string_view file) { return ExtractFileDir(NormalizePathSeparators(file)); }

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    return folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

// The map file as it lies on disk: "\" taken as "/", letter case as found.
std::string MapSource(std::string_view map) { return FileNameAsOnDisk(Trim(map)); }

std::pair<uint64_t, uint64_t> FileIdOf(const std::string& name) {
    struct stat st;
    if (name.empty() || ::stat(name.c_str(), &st) != 0) return {0, 0};
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool IsFile(const std::string& name) {
    struct stat st;
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& name) {
    struct stat st;
    return ::lstat(name.c_str(), &st) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
    const auto id = FileIdOf(a);
    return id.second != 0 && id == FileIdOf(b);
}

// ---- Files read and made ------------------------------------------------------

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Up to `n` bytes; fewer only at the end of the file; -1 on an error.
ssize_t ReadSome(int fd, uint8_t* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

int OpenForReading(const std::string& name) {
    int fd;
    do {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A new file beside `destination` filled by `fill`, flushed to the disk
// and closed; its name, or "" (and nothing left behind) when it failed.
template <class Fill>
std::string NewFileFilledBy(const std::string& destination, Fill&& fill) {
    std::string temporary;
    const int fd = CreateFileBeside(destination, temporary);
    if (fd < 0) return {};
    if (!fill(fd)) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return {};
    }
    return FinishFile(fd, temporary) ? temporary : std::string();
}

std::string NewCopyBeside(const std::string& destination, const std::string& source) {
    Fd in(OpenForReading(source));
    if (in.get() < 0) return {};
    return NewFileFilledBy(destination, [&](int fd) {
        std::vector<uint8_t> buffer(1 << 16);
        for (;;) {
            const ssize_t n = ReadSome(in.get(), buffer.data(), buffer.size());
            if (n < 0) return false;
            if (n == 0) return true;
            if (!WriteAll(fd, buffer.data(), static_cast<std::size_t>(n))) return false;
        }
    });
}

std::string NewFileBeside(const std::string& destination, const std::vector<uint8_t>& bytes) {
    return NewFileFilledBy(destination, [&](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

// True when the file `name` holds exactly the bytes that `next` gives out
// block by block (`next` returns the count, 0 at the end, -1 on an error).
template <class Next>
bool SameBytes(const std::string& name, uint64_t size, Next&& next) {
    struct stat st;
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) != size)
        return false;
    Fd in(OpenForReading(name));
    if (in.get() < 0) return false;
    std::vector<uint8_t> mine(1 << 16), theirs(1 << 16);
    for (;;) {
        const ssize_t n = next(theirs.data(), theirs.size());
        if (n < 0) return false;
        if (ReadSome(in.get(), mine.data(), static_cast<std::size_t>(n)) != n) return false;
        if (n == 0) return true;
        if (!std::equal(mine.begin(), mine.begin() + n, theirs.begin())) return false;
    }
}

// Puts a copy made by NewCopyBeside or NewFileBeside in place of
// `destination` (PutInPlace); false when there is no copy or it cannot be.
bool PutCopyInPlace(const std::string& temporary, const std::string& destination) {
    if (temporary.empty()) return false;
    try {
        PutInPlace(temporary, destination);
    } catch (const ExportError&) {
        return false;
    }
    return true;
}

bool SameBytesAsFile(const std::string& name, const std::string& source) {
    struct stat st;
    if (::stat(source.c_str(), &st) != 0) return false;
    Fd in(OpenForReading(source));
    if (in.get() < 0) return false;
    return SameBytes(name, static_cast<uint64_t>(st.st_size),
                     [&](uint8_t* p, std::size_t n) { return ReadSome(in.get(), p, n); });
}

bool SameBytesAs(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::size_t at = 0;
    return SameBytes(name, bytes.size(), [&](uint8_t* p, std::size_t n) {
        const std::size_t k = std::min(n, bytes.size() - at);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), k, p);
        at += k;
        return static_cast<ssize_t>(k);
    });
}

// ---- Resizing -------------------------------------------------------------------

// The picture `source` as JPEG bytes, shrunk as ResizeMapFile says. False
// when it cannot be read or written; true with no bytes for a picture
// without pixels.
bool ResizedJpeg(const std::string& source, int32_t size, int32_t height, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (size < 4) size = DefaultMapSize;
    try {
        gfx::Picture picture;
        img::LoadPictureFile(source, picture);
        gfx::Bitmap bitmap = picture.bitmap();
        const int64_t w = bitmap.width(), h = bitmap.height();
        if (w <= 0 || h <= 0) return true;
        int64_t newWidth = size, newHeight = height;
        if (height == -1) {
            if (w >= h) {
                newHeight = h * size / w;
            } else {
                newWidth = w * size / h;
                newHeight = size;
            }
        }
        newWidth = std::max<int64_t>(newWidth, 1);
        newHeight = std::max<int64_t>(newHeight, 1);
        if (newWidth < w || newHeight < h)
            img::Stretch(static_cast<uint32_t>(newWidth), static_cast<uint32_t>(newHeight), img::sfLanczos3, 0, bitmap);
        bitmap.setPixelFormat(gfx::PixelFormat::pf24bit);
        gfx::JpegImage jpeg;
        jpeg.assign(bitmap);
        jpeg.setQuality(JpegQuality);
        gfx::MemoryStream stream;
        jpeg.saveToStream(stream);
        bytes = stream.release();
    } catch (const gfx::Error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return !bytes.empty();
}

int32_t ChosenMapSize() {
    int64_t size = 0;
    if (!ParseInt(Trim(Form2.Edit45.text), size) || size < 1 || size > gfx::MaxBitmapSide) size = DefaultMapSize;
    return static_cast<int32_t>(size);
}

// A name held by a file this save writes (not a map).
constexpr std::pair<uint64_t, uint64_t> OutputFile{std::numeric_limits<uint64_t>::max(), 0};

}  // namespace

// ---- The copies of a save ---------------------------------------------------------

MapCopies::MapCopies(bool resize) : resize_(resize), folder_(MapOutputFolder()) {
    if (resize_) size_ = ChosenMapSize();
    // The files of the save and the maps of the model are never written over.
    for (const std::string& output : {Scene.objFile, MtlFileName(Scene), Scene.iniFile, Scene.povSceneFile,
                                      Scene.povGeometryFile, Scene.povMaterialFile, Scene.udoFile})
        if (!output.empty() && FolderOf(output) == folder_) claims_[ExtractFileName(output)] = OutputFile;
    auto model = [&](std::string_view map) {
        if (Trim(map).empty()) return;
        const auto id = FileIdOf(MapSource(map));
        if (id.second != 0) modelMaps_.insert(id);
    };
    for (const tmaterial& m : SceneMaterials) {
        model(m.colorMap.view());
        model(m.bumpMap.view());
        model(m.transparencyMap.view());
    }
    model(BackgroundMapName);

    const std::size_t count = SceneMaterials.size();
    for (std::size_t i = 0; i < count; ++i) {
        ShowProgress(0, count > 1 ? static_cast<double>(count - 1) : 1.0, static_cast<double>(i));
        const tmaterial& m = SceneMaterials[i];
        for (const std::string& map : {m.colorMap.str(), m.bumpMap.str(), m.transparencyMap.str()}) Add(map);
    }
    if (Form1.ComboBox1.index == 1 && !BackgroundMapName.empty()) Add(BackgroundMapName);
    ResetProgress();
}

MapCopies::~MapCopies() {
    for (const Copy& c : copies_) ::unlink(c.temporary.c_str());
}

void MapCopies::Add(const std::string& map) {
    if (Trim(map).empty() || names_.count(map)) return;
    const std::string source = MapSource(map);
    const std::string sourceName = ExtractFileName(source);
    const std::string wanted = CopiedMapName(map, resize_);
    names_[map] = wanted;
    if (!IsFile(source)) {
        report_.push_back("<!>ERROR Copying " + sourceName);
        return;
    }
    std::vector<uint8_t> jpeg;
    if (resize_ && !ResizedJpeg(source, size_, -1, jpeg)) {
        Svc().prompts->Show(MessageKind::Information, "Could not process image " + sourceName +
                                                          "\n It may be corrupt or in an incompatible format");
        return;
    }
    if (resize_ && jpeg.empty()) return;  // a picture without pixels
    const FileId id = FileIdOf(source);
    for (int k = 0; k <= MaxOtherNames; ++k) {
        const std::string name = RevisedFileName(wanted, k);
        if (const auto claim = claims_.find(name); claim != claims_.end()) {
            if (claim->second != id) continue;
            names_[map] = name;  // the same map under the same name
            return;
        }
        const std::string path = Join(folder_, name);
        if (Exists(path)) {
            const FileId there = FileIdOf(path);
            // The map itself, or the bytes its copy would hold: used as it is.
            const bool same = there == id || (!modelMaps_.count(there) && (resize_ ? SameBytesAs(path, jpeg)
                                                                                    : SameBytesAsFile(path, source)));
            if (!same) continue;
            claims_[name] = id;
            names_[map] = name;
            return;
        }
        claims_[name] = id;
        names_[map] = name;
        const std::string temporary = resize_ ? NewFileBeside(path, jpeg) : NewCopyBeside(path, source);
        if (temporary.empty()) {
            report_.push_back("<!>ERROR Copying " + sourceName);
            return;
        }
        copies_.push_back({temporary, name});
        if (k > 0)
            report_.push_back("<!>" + sourceName + " copied as " + name + ": the output folder holds another " +
                              wanted);
        report_.push_back("File " + sourceName + (resize_ ? " resized and copied OK" : " copied OK"));
        return;
    }
    report_.push_back("<!>ERROR Copying " + sourceName);
}

void MapCopies::PutInPlace() {
    std::vector<Copy> copies = std::move(copies_);
    copies_.clear();
    // A map never fails the save: it is reported like a failed copy.
    for (const Copy& c : copies)
        if (!PutCopyInPlace(c.temporary, Join(folder_, c.name))) report_.push_back("<!>ERROR Copying " + c.name);
}

void MapCopies::Report() const {
    LogMessage(resize_ ? "Resizing and copying maps to output directory..." : "Copying maps to output directory...");
    for (const std::string& line : report_) LogMessage(line);
}

// ---- The maps alone -------------------------------------------------------------------

std::string MapOutputFolder() {
    // A file counts when it is written and named.
    const auto written = [](uint8_t flag, const std::string& name) { return flag && !Trim(name).empty(); };
    std::string folder = FolderOf(OutputPath("x"));
    if (written(Scene.writePovScene, Scene.povSceneFile)) folder = FolderOf(Scene.povSceneFile);
    else if (written(Scene.writeGeometryInclude, Scene.povGeometryFile)) folder = FolderOf(Scene.povGeometryFile);
    if (written(Scene.writeUdo, Scene.udoFile)) folder = FolderOf(Scene.udoFile);
    if (written(Scene.writeObj, Scene.objFile)) folder = FolderOf(Scene.objFile);
    return folder;
}

std::string CopiedMapName(std::string_view map, bool asJpeg) {
    std::string name = ExtractFileName(Trim(map));
    if (asJpeg) name = ChangeFileExt(name, ".jpg");
    if (Scene.mapPathOption1) name = CleanFileName(SceneObjectName(Scene) + name);
    return name;
}

void CopyMaps() {
    MapCopies copies(false);
    copies.PutInPlace();
    copies.Report();
}

void ResizeAndCopyMaps() {
    MapCopies copies(true);
    copies.PutInPlace();
    copies.Report();
}

void CopyMapFile(const std::string& source, const std::string& destination, bool overwrite) {
    const std::string name = ExtractFileName(source);
    if (!overwrite && Exists(destination)) return;
    if (!IsFile(source)) {
        LogMessage("<!>ERROR Copying " + name);
        return;
    }
    if (SameFile(source, destination)) return;  // already in the output folder
    const bool copied = PutCopyInPlace(NewCopyBeside(destination, source), destination);
    LogMessage(copied ? "File " + name + " copied OK" : "<!>ERROR Copying " + name);
}

bool ResizeMapFile(const std::string& source, const std::string& destination, int32_t size, bool overwrite,
                   int32_t height) {
    const std::string from = Trim(source);
    const std::string name = ExtractFileName(from);
    if (!IsFile(from)) {
        LogMessage("<!>ERROR Copying " + name);
        return true;
    }
    if (!overwrite && Exists(destination)) return true;
    // Never write over the map itself: the original would be lost.
    if (SameFile(from, destination)) return true;
    const std::string extension = LowerCase(ExtractFileExt(destination));
    if (extension != ".jpg" && extension != ".jpeg") return false;
    std::vector<uint8_t> jpeg;
    if (!ResizedJpeg(from, size, height, jpeg)) return false;
    if (jpeg.empty()) return true;  // a picture without pixels
    if (!PutCopyInPlace(NewFileBeside(destination, jpeg), destination)) return false;
    LogMessage("File " + name + " resized and copied OK");
    return true;
}
