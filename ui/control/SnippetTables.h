// The fixed lists of the POV-Ray snippet picker: the entries that build a
// text (templates, "Copy from basic tab", "Color...", "Map...") followed by
// the identifiers of POV-Ray's standard include files and pattern texts.
// The "Material" list's fixed entries are the texture library's
// (writers/DeclareLibrary.h), since library entries follow them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

extern const std::array<std::string_view, 298> SnippetTextures;
extern const std::array<std::string_view, 98> SnippetPigments;
extern const std::array<std::string_view, 24> SnippetFinishes;
extern const std::array<std::string_view, 27> SnippetNormals;
extern const std::array<std::string_view, 11> SnippetInteriors;

// The "Blending Patterns" list takes these entries of the pigment list:
// "Copy from basic tab", "Map..." and the 29 patterns.
inline constexpr std::size_t BlendingFromPigments[] = {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                                                        19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
