// The model's consistency check: every index that the faces, lines and
// polylines hold lies inside its list, and the face and line counts of the
// groups and materials agree with the faces and lines that use them.
// Commands that renumber the lists are tested against it.
#pragma once

#include <string>
#include <vector>

// One text per finding ("face 3: material 7 outside 0..4"), at most
// `limit` of them; empty when the model is consistent.
std::vector<std::string> ModelConsistencyProblems(std::size_t limit = 20);
