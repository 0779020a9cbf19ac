// The map thumbnails of the Materials and Groups tabs on screen: a message
// centred on white, or a map picture scaled to the thumbnail with its aspect
// ratio kept.
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
