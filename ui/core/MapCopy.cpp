#include "ui/core/MapCopy.h"

#include <filesystem>
#include <map>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "imageformats/Stretch.h"
#include "model/FileSearch.h"
#include "model/MapPaths.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/PovIni.h"
#include "options/Options.h"
#include "writers/Export.h"

namespace {

namespace fs = std::filesystem;

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
    std::error_code ec;
    return fs::is_regular_file(name, ec);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// Loads a picture as the program loads every picture.
gfx::Bitmap LoadMapBitmap(const std::string& fileName) {
    gfx::Picture picture;
    img::LoadPictureFile(fileName, picture);
    return picture.bitmap();
}

// The copies of one run: each copy made once, and no two sources under
// one name (the scene would show only one of them). A map spelled two ways
// by two materials is copied under both names, since the written files name
// it both ways.
class MapRun {
public:
    explicit MapRun(bool asJpeg) : asJpeg_(asJpeg), folder_(MapOutputFolder()) {}

    // `copy` runs for a source not handled yet with its destination and
    // whether an existing copy may be replaced.
    template <class Copy>
    void Handle(std::string_view map, Copy&& copy) {
        if (Trim(map).empty()) return;
        const std::string source = MapSource(map);
        const std::string destination = Join(folder_, CopiedMapName(map, asJpeg_));
        const auto [owner, added] = destinations_.emplace(destination, source);
        if (!added && owner->second != source) {
            LogMessage("<!>" + ExtractFileName(source) + " not copied: " + ExtractFileName(owner->second) +
                       " is copied under the same name " + ExtractFileName(destination));
            return;
        }
        // A map shared by several materials is replaced once per run.
        copy(source, destination, Form2.CheckBox1.checked && added);
    }

private:
    bool asJpeg_;
    std::string folder_;
    std::map<std::string, std::string> destinations_;
};

template <class Copy>
void CopyEveryMap(bool asJpeg, Copy&& copy) {
    MapRun run(asJpeg);
    const std::size_t count = SceneMaterials.size();
    for (std::size_t i = 0; i < count; ++i) {
        ShowProgress(0, count > 1 ? static_cast<double>(count - 1) : 1.0, static_cast<double>(i));
        // A copy of the names: the materials do not change while maps copy.
        const tmaterial& m = SceneMaterials[i];
        const std::string maps[] = {m.colorMap.str(), m.bumpMap.str(), m.transparencyMap.str()};
        for (const std::string& map : maps) run.Handle(map, copy);
    }
    if (Form1.ComboBox1.index == 1 && !BackgroundMapName.empty()) run.Handle(BackgroundMapName, copy);
    ResetProgress();
}

}  // namespace

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
    LogMessage("Copying maps to output directory...");
    CopyEveryMap(false, [](const std::string& source, const std::string& destination, bool overwrite) {
        CopyMapFile(source, destination, overwrite);
    });
}

void ResizeAndCopyMaps() {
    int64_t size = 0;
    if (!ParseInt(Trim(Form2.Edit45.text), size) || size < 1 || size > gfx::MaxBitmapSide) size = DefaultMapSize;
    LogMessage("Resizing and copying maps to output directory...");
    CopyEveryMap(true, [size](const std::string& source, const std::string& destination, bool overwrite) {
        if (!ResizeMapFile(source, destination, static_cast<int32_t>(size), overwrite))
            Svc().prompts->Show(MessageKind::Information, "Could not process image " + ExtractFileName(source) +
                                                              "\n It may be corrupt or in an incompatible format");
    });
}

void CopyMapFile(const std::string& source, const std::string& destination, bool overwrite) {
    const std::string name = ExtractFileName(source);
    if (!overwrite && fs::exists(destination)) return;
    if (!IsFile(source)) {
        LogMessage("<!>ERROR Copying " + name);
        return;
    }
    if (SameFile(source, destination)) return;  // already in the output folder
    std::error_code ec;
    fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec);
    LogMessage(ec ? "<!>ERROR Copying " + name : "File " + name + " copied OK");
}

bool ResizeMapFile(const std::string& source, const std::string& destination, int32_t size, bool overwrite,
                   int32_t height) {
    const std::string from = Trim(source);
    const std::string name = ExtractFileName(from);
    if (!IsFile(from)) {
        LogMessage("<!>ERROR Copying " + name);
        return true;
    }
    if (!overwrite && fs::exists(destination)) return true;
    // Never write over the map itself: the original would be lost.
    if (SameFile(from, destination)) return true;
    const std::string extension = LowerCase(ExtractFileExt(destination));
    if (extension != ".jpg" && extension != ".jpeg") return false;
    if (size < 4) size = DefaultMapSize;
    try {
        gfx::Bitmap bitmap = LoadMapBitmap(from);
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
        jpeg.saveToFile(destination);
    } catch (const gfx::Error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    LogMessage("File " + name + " resized and copied OK");
    return true;
}
