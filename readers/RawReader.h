// The RAW triangle reader: one triangle per line as nine numbers, and lines
// that name the object the following triangles belong to.
#pragma once

#include <string_view>

#include "model/Scene.h"

// Reads the file named by scene.modelFile into the import lists.
//  - A line of 9 or more words is a triangle: words 0-2, 3-5 and 6-8 are its
//    corners (a word that is not a number reads as 0, words after the ninth
//    are ignored). Three vertices are appended and the face takes them in
//    reverse order.
//  - A line of 1 to 8 words names an object: the triangles after it go to the
//    group of that name (the whole trimmed line), made when it is new and
//    continued when it was named before. Triangles before any name line go
//    to "unnamed_group".
//  - When faces were read, one material "unnamed_material" is added.
// An empty file only logs a warning. ReadError when the file cannot be read.
void ReadRAW(tscene& scene);
// The same for the text of a RAW file held in memory.
void ReadRAWBytes(tscene& scene, std::string_view text);
