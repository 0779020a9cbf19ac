#include "preview/PreviewTextures.h"

#include <algorithm>
#include <exception>
#include <string>
#include <unordered_map>

#include "imageformats/ImageFormats.h"
#include "imageformats/ImageRegistration.h"
#include "imageformats/Stretch.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"
#include "preview/GlTexture.h"
#include "preview/Preview.h"

namespace {

// The texture size boxes: their integer, 128 when they hold none.
int32_t SizeBox(const tedit& box) {
    int64_t v = 0;
    if (!ParseInt(Trim(box.text), v)) v = 128;
    return static_cast<int32_t>(std::clamp<int64_t>(v, 1, gfx::MaxBitmapSide));
}

TImageProperties PropertiesOf(const img::TImageProperties& p) {
    TImageProperties r;
    r.width = static_cast<int32_t>(p.width);
    r.height = static_cast<int32_t>(p.height);
    r.bitsPerPixel = p.bitsPerPixel;
    r.bitsPerSample = p.bitsPerSample;
    r.samplesPerPixel = p.samplesPerPixel;
    r.compression = p.compression;
    r.interlaced = p.interlaced;
    return r;
}

// Loads a picture file as the program loads every picture; the properties
// of a picture that a reader of the image library read, empty otherwise.
TImageProperties LoadPicture(const std::string& fileName, gfx::Picture& picture) {
    img::LoadPictureFile(fileName, picture);
    const auto* own = dynamic_cast<const img::TFormatGraphic*>(picture.graphic());
    return own ? PropertiesOf(own->imageProperties) : TImageProperties();
}

// Loads a map and keeps its properties in the cache (once per name).
void LoadMap(const std::string& name, gfx::Picture& picture) {
    const TImageProperties properties = LoadPicture(name, picture);
    if (FindPreviewTexture(name) == -1) AddPreviewTexture(name, properties);
}

// The picture as a bitmap of exactly width x height; `what` names the
// resampling in the log.
gfx::Bitmap Sized(const gfx::Picture& picture, int32_t width, int32_t height, std::string_view what) {
    gfx::Bitmap bitmap = picture.bitmap();
    if (bitmap.width() != width || bitmap.height() != height) {
        LogMessage(what);
        img::Stretch(static_cast<uint32_t>(width), static_cast<uint32_t>(height), img::sfBox, 0, bitmap);
    }
    return bitmap;
}

}  // namespace

namespace {

// The cache entries by map name, the first entry of each name, so that a
// model of many maps does not walk the cache for every map it loads. The
// cache only grows (AddPreviewTexture, which files what was added before)
// or is emptied (here, or as the model is cleared): the entries past the
// ones filed are new, and a cache shorter than what was filed was emptied.
struct tcachenames {
    std::unordered_map<std::string, int32_t> first;
    std::size_t filed = 0;
};

tcachenames& FiledCacheNames() {
    static tcachenames names;
    if (names.filed > PreviewTextureCache.size()) names = tcachenames();
    for (; names.filed < PreviewTextureCache.size(); ++names.filed)
        names.first.try_emplace(PreviewTextureCache[names.filed].fileName.str(), static_cast<int32_t>(names.filed));
    return names;
}

}  // namespace

int32_t FindPreviewTexture(std::string_view mapName) {
    const tcachenames& names = FiledCacheNames();
    const auto it = names.first.find(std::string(mapName));
    return it == names.first.end() ? -1 : it->second;
}

void AddPreviewTexture(std::string_view mapName, const TImageProperties& properties) {
    FiledCacheNames();  // an emptied cache is noticed before it grows again
    tmap entry;
    entry.fileName = mapName;
    entry.properties = properties;
    PreviewTextureCache.push_back(entry);
}

void ClearPreviewTextures() { PreviewTextureCache.clear(); }

void PreviewTextureSize(int32_t mapWidth, int32_t mapHeight, int32_t& width, int32_t& height) {
    width = SizeBox(Form1.Edit24);
    height = SizeBox(Form1.Edit25);
    if (width > mapWidth) width = std::max(FloorPowerOfTwo(mapWidth), 1);
    if (height > mapHeight) height = std::max(FloorPowerOfTwo(mapHeight), 1);
}

void CreatePreviewTexture(tmaterial& m) {
    const std::string colorName = m.colorMap, alphaName = m.transparencyMap;
    const bool hasColor = !colorName.empty() && FileExistsNonBlank(colorName);
    const bool hasAlpha = !alphaName.empty() && FileExistsNonBlank(alphaName);
    if (!Form1.CheckBox4.checked || (!hasColor && !hasAlpha)) return;
    m.glTexture = 0;
    m.textureBytes = m.textureWidth = m.textureHeight = 0;

    LogMessage(RuleLine);
    LogMessage("Creating preview texture for " + m.name.str() + " ...");
    std::string failedMap;
    try {
        gfx::Picture color, alpha;
        if (hasColor) {
            LogMessage(" -> Loading color map ...");
            failedMap = colorName;
            LoadMap(colorName, color);
        }
        if (hasAlpha) {
            LogMessage(" -> Loading transparency map...");
            failedMap = alphaName;
            LoadMap(alphaName, alpha);
        }
        failedMap.clear();
        const gfx::Picture& sizing = hasColor ? color : alpha;
        int32_t width = 0, height = 0;
        PreviewTextureSize(sizing.width(), sizing.height(), width, height);
        // Without a colour map the texture is black, its alpha from the map.
        const gfx::Bitmap colorBitmap =
            hasColor ? Sized(color, width, height, " -> Resampling color map ...") : gfx::Bitmap(width, height);
        LogMessage(" -> Blending...");
        TGlTexture texture;
        bool made = texture.LoadFromGraphic(&colorBitmap);
        if (made && hasAlpha) {
            const gfx::Bitmap alphaBitmap = Sized(alpha, width, height, " -> Resampling transparency map...");
            LogMessage(" -> Loading transparency...");
            made = m.invertTransparencyMap ? texture.AddAlphaFromGraphic(&alphaBitmap, 0.0f, 1.0f)
                                           : texture.AddAlphaFromGraphic(&alphaBitmap, 1.0f, 0.0f);
        }
        if (made) {
            texture.GenTexture();
            m.glTexture = static_cast<int32_t>(texture.TextureName());
            m.textureBytes = width * height * 4;
            m.textureWidth = width;
            m.textureHeight = height;
            if (m.glTexture != 0)
                LogMessage("Preview texture [" + std::to_string(m.glTexture) + "] created " +
                           ByteSizeText(m.textureBytes) + " - [" + std::to_string(width) + " x " +
                           std::to_string(height) + "] using maps <" + ExtractFileName(colorName) + " ,  , " +
                           ExtractFileName(alphaName) + ">");
        }
    } catch (const std::exception&) {
        // The picture could not be read; reported below.
    }
    if (m.glTexture == 0) {
        std::string line = "<!>Preview texture for material " + m.name.str() + " could not be created";
        if (!failedMap.empty()) line += " because " + failedMap + " could not be loaded.";
        LogMessage(line);
    }
}

void LoadBackgroundTexture(const std::string& fileName) {
    if (Trim(fileName).empty() || !FileExistsNonBlank(fileName)) return;
    TGlTexture texture;
    try {
        if (Svc().window->IsPreviewSkyName(fileName)) {
            if (!texture.LoadTGA(fileName)) return;
        } else {
            gfx::Picture picture;
            img::LoadPictureFile(fileName, picture);
            int32_t width = 0, height = 0;
            PreviewTextureSize(picture.width(), picture.height(), width, height);
            const gfx::Bitmap bitmap = Sized(picture, width, height, "Resampling background map ...");
            if (!texture.LoadFromGraphic(&bitmap)) return;
        }
    } catch (const std::exception&) {
        return;  // the old background stays
    }
    const tvector c = ColorToVector(Scene.backgroundColor);
    if (!texture.CompositeOverColor(c.x, c.y, c.z)) return;
    DeleteRecordTexture(BackgroundTexture);
    BackgroundTexture = 0;
    texture.GenTexture();
    BackgroundTexture = static_cast<int32_t>(texture.TextureName());
    BackgroundMapName = fileName;
    BackgroundTextureBytes = texture.GetWidth() * texture.GetHeight() * 4;
}
