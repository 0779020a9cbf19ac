// Preview textures: a material's colour and transparency maps become one
// RGBA OpenGL texture of bounded size, and the background map becomes the
// texture of the sky sphere (also the reflection map). Map files are read
// as the program reads every picture, the image properties of those that the
// image library's readers read kept in `PreviewTextureCache`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Records.h"

// The index of the first cache entry of exactly this map name; -1 when none.
int32_t FindPreviewTexture(std::string_view mapName);
// Appends a cache entry.
void AddPreviewTexture(std::string_view mapName, const TImageProperties& properties);
// Empties the cache.
void ClearPreviewTextures();

// The size of the preview textures: the integers in the two "GL map size:"
// boxes (128 when not a number), each lowered to the largest power of two
// not above the map's side when the map is smaller.
void PreviewTextureSize(int32_t mapWidth, int32_t mapHeight, int32_t& width, int32_t& height);

// Builds the material's preview texture from its colour map and
// transparency map (white opaque, black transparent; the other way round
// with "invert"), when "Show maps" is checked and either map exists. The
// texture's name, size and bytes go into the material; a texture that
// cannot be made leaves the name 0 and logs why.
void CreatePreviewTexture(tmaterial& material);

// Builds the background texture from a picture file (a "Preview_Sky" file
// as TGA, upright whichever row its file starts with), composited over the
// background colour. On
// success the old texture is replaced and the file becomes the background
// map; a file that is missing or cannot be read changes nothing.
void LoadBackgroundTexture(const std::string& fileName);
