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
#include "ui/core/BatchDriver.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/OutputNames.h"
#include "ui/core/PovIni.h"
#include "writers/TextWriter.h"

namespace {

constexpr int32_t DefaultMapSize = 512;
constexpr int JpegQuality = 75;

std::string FolderOf(std::string_view file) { return ExtractFileDir(NormalizePathSeparators(file)); }

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    return folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

// The map file as it lies on disk: "\" taken as "/", letter case as found.
std::string MapSource(std::string_view map) { return FileNameAsOnDisk(Trim(map)); }

bool IsFile(const std::string& name) {
    struct stat st;
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& name) {
    struct stat st;
    return ::lstat(name.c_str(), &st) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
    const FileId id = FileIdOf(a);
    return id != NoFile && id == FileIdOf(b);
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

// A map opened for reading only when it is a regular file (never a device
// or a pipe, whose reading could block or never end); -1 otherwise.
int OpenMap(const std::string& name) {
    int fd;
    do {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// ---- Pictures ---------------------------------------------------------------------

// The open file as a stream of the graphics layer, read where it is asked
// (the file's own position is not used), so that the signature tests look
// at the very file that is then copied.
class DescriptorStream : public gfx::Stream {
public:
    explicit DescriptorStream(int fd) : fd_(fd) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_size > 0) size_ = static_cast<uint64_t>(st.st_size);
    }
    std::size_t read(void* buffer, std::size_t n) override {
        std::size_t got = 0;
        while (got < n && position_ < size_) {
            const ssize_t r = ::pread(fd_, static_cast<uint8_t*>(buffer) + got, n - got,
                                      static_cast<off_t>(position_));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            got += static_cast<std::size_t>(r);
            position_ += static_cast<uint64_t>(r);
        }
        return got;
    }
    uint64_t position() const override { return position_; }
    void seek(uint64_t position) override { position_ = position; }
    uint64_t size() const override { return size_; }

private:
    int fd_;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
};

bool StartsWith(const uint8_t* h, std::size_t n, std::string_view signature) {
    return n >= signature.size() && std::equal(signature.begin(), signature.end(), h);
}

// A Targa header as the image library's reader reads it: a known image
// type, a colour map flag of 0 or 1 (with an entry size the reader reads
// when 1; a colour-mapped type has a map), a known pixel size and a picture
// of at least one pixel. Targa files carry no signature, and the registry's
// Targa class claims only those with an entry size even without a map; the
// others it reads by their extension.
bool TargaHeader(const uint8_t* h, std::size_t n) {
    if (n < 18) return false;
    const auto pixelBits = [](uint8_t b) { return b == 8 || b == 15 || b == 16 || b == 24 || b == 32; };
    const auto entryBits = [](uint8_t b) { return b == 15 || b == 16 || b == 24 || b == 32; };
    const uint8_t type = h[2];
    const bool typeKnown = (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
    const bool colorMapped = type == 1 || type == 9;
    const bool mapKnown = (h[1] == 0 && !colorMapped) || (h[1] == 1 && entryBits(h[7]));
    const bool sized = (h[12] | h[13]) != 0 && (h[14] | h[15]) != 0;
    return typeKnown && mapKnown && sized && pixelBits(h[16]);
}

// The pictures that POV-Ray reads and the picture registry may not tell by
// their content: Radiance HDR, OpenEXR and Amiga IFF (ILBM) by their
// signatures, Targa by a header its reader reads, and Windows bitmaps (which
// the registry reads only where the platform's reader is registered) by the
// same test as the platform's bitmap class. None is looser than the class of
// the registry that reads the format.
bool PovRayPicture(gfx::Stream& stream) {
    uint8_t h[32];
    stream.seek(0);
    const std::size_t n = stream.read(h, sizeof h);
    stream.seek(0);
    if (TargaHeader(h, n)) return true;
    if (StartsWith(h, n, "#?RADIANCE") || StartsWith(h, n, "#?RGBE")) return true;
    if (StartsWith(h, n, "\x76\x2F\x31\x01")) return true;
    if (StartsWith(h, n, "FORM") && n >= 12 && std::equal(h + 8, h + 12, "ILBM")) return true;
    return gfx::isWindowsBitmap(stream);
}

// True when the open file is a picture by its content: one that a class of
// the picture registry recognises by its signature (every format the
// program reads by content, the image library's readers included once it
// has started), or one of POV-Ray's that the registry may not read. Only
// the header is read, never the pixels: a save with dozens of large maps
// decodes none of them to decide.
bool IsPicture(int fd) {
    DescriptorStream stream(fd);
    return gfx::pictureFormats().classFromContent(stream) || PovRayPicture(stream);
}

// The line for a map that is not copied because its content is no picture.
std::string NotAPictureLine(const std::string& source) { return "<!>" + source + " is not a picture: not copied"; }

// A new file beside `destination` filled by `fill`, flushed to the disk
// and closed; none (and nothing left behind) when it failed. `fill`
// allocates nothing: while the file is open nothing can fail for want of
// memory and leave it open.
template <class Fill>
TemporaryFile NewFileFilledBy(const std::string& destination, Fill&& fill) {
    TemporaryFile temporary;
    const int fd = CreateFileBeside(destination, temporary);
    if (fd < 0) return temporary;
    if (!fill(fd)) {
        ::close(fd);
        temporary.Remove();
        return temporary;
    }
    FinishFile(fd, temporary);
    return temporary;
}

// A copy of the open file `in` (read from its start) beside `destination`.
TemporaryFile NewCopyBeside(const std::string& destination, int in) {
    if (::lseek(in, 0, SEEK_SET) != 0) return {};
    std::vector<uint8_t> buffer(1 << 16);
    return NewFileFilledBy(destination, [&](int fd) {
        for (;;) {
            const ssize_t n = ReadSome(in, buffer.data(), buffer.size());
            if (n < 0) return false;
            if (n == 0) return true;
            if (!WriteAll(fd, buffer.data(), static_cast<std::size_t>(n))) return false;
        }
    });
}

TemporaryFile NewFileBeside(const std::string& destination, const std::vector<uint8_t>& bytes) {
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
bool PutCopyInPlace(TemporaryFile temporary, const std::string& destination) {
    if (temporary.empty()) return false;
    try {
        PutInPlace(std::move(temporary), destination);
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

// The bytes of a file told apart by a hash (FNV-1a); 0 when it cannot be read.
uint64_t HashOf(const uint8_t* p, std::size_t n, uint64_t h = 14695981039346656037ull) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

uint64_t HashOfFile(const std::string& name) {
    Fd in(OpenForReading(name));
    if (in.get() < 0) return 0;
    std::vector<uint8_t> buffer(1 << 16);
    uint64_t h = HashOf(nullptr, 0);
    for (;;) {
        const ssize_t n = ReadSome(in.get(), buffer.data(), buffer.size());
        if (n < 0) return 0;
        if (n == 0) return h;
        h = HashOf(buffer.data(), static_cast<std::size_t>(n), h);
    }
}

uint64_t SizeOf(const std::string& name) {
    struct stat st;
    return ::stat(name.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace

// ---- The copies of a save ---------------------------------------------------------

MapCopies::MapCopies(bool resize) : resize_(resize), folder_(MapOutputFolder()) {
    // A map missing as written is looked up in its folders ignoring case:
    // each folder is read once, however many maps are missing there.
    const FolderListingScope folders;
    if (resize_) size_ = ChosenMapSize();
    // The files of the run are never written over: those of this save,
    // those that the other save commands write under the names the output
    // tabs give (POV-Ray, Moray, OBJ with its MTL and YafRay), the batch
    // script, and in a batch the files of each model. A map copied under one
    // of these names would be written over by the save that writes it, and
    // the scene would name that file as its map. The pictures POV-Ray
    // renders there take their names only while no file has them: the INI
    // names a free one.
    tscene obj;
    obj.objFile = OutputPath(Form1.Edit1.text);
    std::vector<std::string> outputs = {Scene.objFile,         MtlFileName(Scene),    Scene.iniFile,
                                        Scene.povSceneFile,    Scene.povGeometryFile, Scene.povMaterialFile,
                                        Scene.udoFile,         Scene.yafrayFile,      obj.objFile,
                                        MtlFileName(obj)};
    for (const tedit* edit : {&Form1.Edit68, &Form1.Edit2, &Form1.Edit13, &Form1.Edit12, &Form1.Edit29,
                              &Form1.Edit82, &Form1.Edit11, &Form1.Edit111, &Form1.Edit90})
        if (!Trim(edit->text).empty()) outputs.push_back(OutputPath(edit->text));
    const auto here = [&](const std::string& output) {
        return !ExtractFileName(output).empty() && FolderOf(output) == folder_;
    };
    for (const std::string& output : outputs)
        if (here(output)) outputs_.insert(ExtractFileName(output));
    if (const std::string picture = OutputPath(Form1.Edit61.text); here(picture))
        pictures_.insert(ExtractFileName(picture));
    // The batch's files, decided once for the whole batch.
    if (BatchFiles.size() > 1 && here(OutputPath("x"))) batch_ = CurrentBatchOutputFiles();

    // The maps of the model are never written over.
    auto model = [&](std::string_view map) {
        if (Trim(map).empty()) return;
        if (const FileId id = FileIdOf(MapSource(map)); id != NoFile) modelMaps_.insert(id);
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

bool MapCopies::TakenByRun(const std::string& name) const {
    if (outputs_.count(name) != 0) return true;
    const std::string path = batch_ ? OutputPath(name) : std::string();
    if (batch_ && batch_->files.count(path) != 0) return true;
    const bool picture = pictures_.count(name) != 0 || (batch_ && batch_->pictures.count(path) != 0);
    return picture && !Exists(Join(folder_, name));
}

void MapCopies::Take(Series& series, int k, const std::string& name, FileId file) {
    claims_[name] = file;
    const auto [first, fresh] = series.takenBy.emplace(file, k);
    if (!fresh && k < first->second) first->second = k;
    series.found.erase(k);
}

void MapCopies::Add(const std::string& map) {
    if (Trim(map).empty() || names_.count(map)) return;
    const std::string source = MapSource(map);
    const std::string sourceName = ExtractFileName(source);
    const std::string wanted = CopiedMapName(map, resize_);
    names_[map] = wanted;
    Fd in(OpenMap(source));
    if (in.get() < 0) {
        report_.push_back("<!>ERROR Copying " + sourceName);
        return;
    }
    // Only pictures are copied: a model may name any file the user can read.
    // A resized map is decoded anyway, and one that is no picture shows
    // "Could not process image" below.
    if (!resize_ && !IsPicture(in.get())) {
        report_.push_back(NotAPictureLine(source));
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
    const uint64_t bytes = resize_ ? jpeg.size() : SizeOf(source);
    const auto sameBytes = [&](const std::string& path) {
        return resize_ ? SameBytesAs(path, jpeg) : SameBytesAsFile(path, source);
    };
    Series& series = series_[wanted];

    // The names looked at before for this name, first as the rule goes: the
    // first this map's file took, or a file found there that is the map or
    // holds its bytes.
    int chosen = series.next;
    if (const auto taken = series.takenBy.find(id); taken != series.takenBy.end()) chosen = taken->second;
    std::vector<int> candidates;
    for (auto [at, end] = series.foundByFile.equal_range(id); at != end; ++at) candidates.push_back(at->second);
    // Files of the copy's size are hashed once, when a copy of that size
    // first looks for them.
    if (const auto sized = series.unhashed.find(bytes); sized != series.unhashed.end()) {
        for (const int k : sized->second)
            series.foundByBytes[{bytes, HashOfFile(Join(folder_, RevisedFileName(wanted, k)))}].push_back(k);
        series.unhashed.erase(sized);
    }
    if (const auto sized = series.foundByBytes.lower_bound({bytes, 0});
        sized != series.foundByBytes.end() && sized->first.first == bytes) {
        const uint64_t hash = resize_ ? HashOf(jpeg.data(), jpeg.size()) : HashOfFile(source);
        if (const auto same = series.foundByBytes.find({bytes, hash}); same != series.foundByBytes.end())
            candidates.insert(candidates.end(), same->second.begin(), same->second.end());
    }
    std::sort(candidates.begin(), candidates.end());
    for (const int k : candidates) {
        if (k >= chosen) break;
        const auto found = series.found.find(k);
        if (found == series.found.end()) continue;  // taken by a copy since
        const std::string name = RevisedFileName(wanted, k);
        // Taken since under the series of another name: by this file, or
        // by another.
        if (const auto claim = claims_.find(name); claim != claims_.end()) {
            if (claim->second != id) continue;
            chosen = k;
            break;
        }
        if (found->second == id || sameBytes(Join(folder_, name))) {
            chosen = k;
            break;
        }
    }
    if (chosen < series.next) {
        const std::string name = RevisedFileName(wanted, chosen);
        Take(series, chosen, name, id);
        names_[map] = name;
        return;
    }

    // Then the names not looked at yet, each once.
    for (;; ++series.next) {
        const int k = series.next;
        const std::string name = RevisedFileName(wanted, k);
        if (const auto claim = claims_.find(name); claim != claims_.end()) {
            if (claim->second != id) continue;
            Take(series, k, name, id);  // the same map under the same name
            names_[map] = name;
            ++series.next;
            return;
        }
        const std::string path = Join(folder_, name);
        if (IsReservedOutputName(path) || TakenByRun(name)) continue;
        if (Exists(path)) {
            const FileId there = FileIdOf(path);
            // The map itself, or the bytes its copy would hold: used as it is.
            if (there == id || (!modelMaps_.count(there) && sameBytes(path))) {
                Take(series, k, name, id);
                names_[map] = name;
                ++series.next;
                return;
            }
            series.found[k] = there;
            series.foundByFile.emplace(there, k);
            if (!modelMaps_.count(there)) series.unhashed[SizeOf(path)].push_back(k);
            continue;
        }
        Take(series, k, name, id);
        names_[map] = name;
        ++series.next;
        TemporaryFile temporary = resize_ ? NewFileBeside(path, jpeg) : NewCopyBeside(path, in.get());
        if (temporary.empty()) {
            report_.push_back("<!>ERROR Copying " + sourceName);
            return;
        }
        copies_.push_back({std::move(temporary), name});
        if (k > 0) {
            const std::string first = Join(folder_, wanted);
            const ReservedName why = ReservedOutputName(first);
            const std::string reason = why != ReservedName::None ? std::string(ReservedNameReason(why))
                                       : TakenByRun(wanted)      ? "the save writes a file named "
                                                                 : "the output folder holds another ";
            report_.push_back("<!>" + sourceName + " copied as " + name + ": " + reason + wanted);
        }
        report_.push_back("File " + sourceName + (resize_ ? " resized and copied OK" : " copied OK"));
        return;
    }
}

void MapCopies::PutInPlace() {
    // A map never fails the save: it is reported like a failed copy.
    for (Copy& c : copies_)
        if (!PutCopyInPlace(std::move(c.temporary), Join(folder_, c.name)))
            report_.push_back("<!>ERROR Copying " + c.name);
    copies_.clear();
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
    Fd in(OpenMap(source));
    if (in.get() < 0) {
        LogMessage("<!>ERROR Copying " + name);
        return;
    }
    if (!IsPicture(in.get())) {
        LogMessage(NotAPictureLine(source));
        return;
    }
    if (SameFile(source, destination)) return;  // already in the output folder
    const bool copied = PutCopyInPlace(NewCopyBeside(destination, in.get()), destination);
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
