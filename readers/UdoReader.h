// The reader of Moray UDO object files: the mesh sections that the UDO
// writer produces (vertices, edges and faces per mesh).
#pragma once

#include <string_view>

#include "model/Scene.h"

// Reads the file named by scene.modelFile into the import lists.
//  - A header line starts with "["; its key is the text from its first ":"
//    on, in any letter case: ":VERTICES]", ":FACES]" and ":EDGES]" are read,
//    every other section is skipped. A section ends before the next header.
//  - In a vertex section a line of exactly three words is a vertex.
//  - In a face section a line of three words is a triangle and one of four
//    words a quadrangle (split into triangles); the numbers count the
//    vertices of the mesh's own vertex section from 0. Other lines are
//    skipped.
//  - When no face was read, the edge sections are read instead: each two
//    consecutive edge lines "a b" and "c d" give the triangle a, b, d.
//  - When faces were read, one group and one material "Default" are added.
// A face whose corners name no vertex of the file is skipped (one warning
// for the file). ReadError when the file cannot be read or a face or edge
// number is not an integer.
void ReadUDO(tscene& scene);
// The same for the text of a UDO file held in memory; scene.modelFile names
// it in errors.
void ReadUDOBytes(tscene& scene, std::string_view text);
