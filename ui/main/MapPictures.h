// Map pictures on screen and on disk: the thumbnails of the Materials and
// Groups tabs (a message centred on white, or a map picture scaled to the
// thumbnail with its aspect ratio kept) and the conversion of a map into a
// TGA or JPEG copy.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

// The texts of the thumbnail messages, by kind.
inline constexpr const char* ThumbnailMessages[] = {"No map", "Thumbnails off", "Map not found", "Processing ...",
                                                    "ERROR"};

// Shows message `kind` (0..4) in the picture label `image` at width x height.
void ShowThumbnailMessage(QWidget* image, int32_t kind, int32_t width, int32_t height);
// Reads `fileName` as a picture (by its content first, then by its
// extension) and shows it in `image`, fitted into width x height; false,
// and the label unchanged, when it cannot be read.
bool ShowThumbnailPicture(QWidget* image, const std::string& fileName, int32_t width, int32_t height,
                          int32_t& pictureWidth, int32_t& pictureHeight);

// Reads `source` as a picture, resamples it to width x height with the
// Lanczos3 filter when `resize`, and writes it by the extension of `target`
// (".tga", ".jpg" or ".bmp"). `loaded` tells whether the picture was read;
// true when the target was written.
bool ConvertMapFile(const std::string& source, const std::string& target, bool resize, int32_t width,
                    int32_t height, bool& loaded);
