// Texts from a model, a map or the user as the output files write them. A
// model from anywhere may name its maps, materials, groups and lights with
// any bytes: each text is written so that it cannot end the token or the
// line it stands in, whatever it holds, and a map's image type is only ever
// one of the known keywords.
#pragma once

#include <string>
#include <string_view>

// A text that runs to the end of its line (a comment, an INI or settings
// value): every control character but the tab, line breaks and NUL among
// them, becomes "_".
std::string OneLineText(std::string_view text);

// A POV-Ray file name string, quotes included. POV-Ray takes the characters
// of a file name as they stand except `\"`, which stands for a double
// quote: a double quote is written `\"`, a backslash (a folder separator
// of a file written on Windows) as "/", so that no backslash can hide the
// closing quote. NUL, which would cut the name, becomes "_".
std::string PovFileNameString(std::string_view name);
// The file name POV-Ray reads from PovFileNameString(name).
std::string PovFileNameAsRead(std::string_view name);
// A POV-Ray string of other uses (its escapes are read): a backslash is
// written `\\`, a double quote `\"`, a control character "_".
std::string PovTextString(std::string_view text);

// The image type keyword of a map by its extension, only when it is one of
// the keywords POV-Ray knows ("jpeg" for ".jpg", "tiff" for ".tif"); "" for
// any other extension.
std::string PovImageKeyword(std::string_view map);
// What an image_map or bump_map holds for a map: the type keyword and the
// file name string, or, for a map of an unknown type, the file name string
// alone, from whose extension POV-Ray tells the type itself (and which it
// refuses as an unknown image type).
std::string PovImageSpec(std::string_view map);

// A value of the POV-Ray INI file in quotes. The INI file knows no escapes:
// the value is put in double quotes, or in single quotes when it holds a
// double quote; in a value that holds both, the double quotes become "_".
// Control characters become "_".
std::string IniQuoted(std::string_view value);

// A name after a keyword of an OBJ or MTL file (g, usemtl, newmtl, mtllib):
// the readers take the rest of the line, trimmed, and join a line that ends
// in "\" with the next. Control characters but the tab become "_", blanks at
// the end are left out and a final "\" becomes "_".
std::string ObjName(std::string_view name);
// A map name after map_Kd, map_d or map_Bump: as ObjName, and a name that
// starts with "-" or a blank gets "./" in front (the reader would take the
// first as a map option and drop the second).
std::string MtlMapName(std::string_view name);
