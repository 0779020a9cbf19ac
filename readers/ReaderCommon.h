// What every model reader shares: the whole-file read, the lookup of import
// groups and materials by name, polygons checked and split into triangles,
// and the check of group and material indices before the merge.
//
// A reader fills only the import lists (and the line, polyline, light and
// placeholder lists where its format carries them). When it cannot go on it
// throws ReadError; the load command then discards what it left behind.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/Triangulate.h"

// The whole file as bytes; ReadError when it cannot be opened or read.
std::string ReadWholeFile(const std::string& fileName);

// "not enough memory to load " + the name of the file without its folder.
std::string NoMemoryText(std::string_view fileName);

// Runs `read`, for which running out of memory is a read error of
// `fileName` with NoMemoryText (RunWithinMemory).
template <typename Read>
decltype(auto) ReadWithinMemory(const std::string& fileName, Read&& read) {
    return RunWithinMemory(read, [&] { return ReadError(NoMemoryText(fileName), fileName); });
}

// Room for `more` records after those in `list`. A list too small for them
// at least doubles, so that a file of many small lists (objects, point
// lists) copies each record a few times in all, not once per list.
template <typename T>
void ReserveMore(std::vector<T>& list, std::size_t more) {
    const std::size_t needed = list.size() + more;
    if (needed > list.capacity()) list.reserve(std::max(needed, 2 * list.capacity()));
}

// The triangulation method chosen on the main window (its "Triangulation
// mode:" list), one of TriangulationMethod.
int ChosenTriangulationMethod();

// Import groups or materials by name. Names map to the LAST record of that
// name, as the list lookups do, but in constant time.
class ImportNameIndex {
public:
    void Clear() { map_.clear(); }
    int32_t Find(std::string_view name) const {
        const auto it = map_.find(std::string(name));
        return it == map_.end() ? -1 : it->second;
    }
    void Set(std::string_view name, int32_t index) { map_[std::string(name)] = index; }

private:
    std::unordered_map<std::string, int32_t> map_;
};

// Indexes the import groups and materials already in the lists.
void IndexImportNames(ImportNameIndex& groups, ImportNameIndex& materials);

// Appends a new import group (or material) of that name with the record's
// defaults, logs "Group [" + n + "]= " + name (or "Material [...") with n the
// 1-based count after appending, and returns its index. `logSuffix` is
// appended to the log line.
int32_t AddImportGroup(std::string_view name, ImportNameIndex& index, std::string_view logSuffix = {});
int32_t AddImportMaterial(std::string_view name, ImportNameIndex& index, std::string_view logSuffix = {});

// Collects the corners of one polygon and emits it as import faces. Corners
// whose vertex index lies outside ImportVertices make the whole polygon be
// skipped (counted once per polygon); polygons of more than the corner limit
// are skipped the same way. Normal and UV indices are copied unchecked (the
// geometry step repairs them).
class PolygonBuilder {
public:
    PolygonBuilder();
    void Begin(int32_t group, int32_t material, int32_t polygonNumber = 0);
    // False once the polygon holds the most corners a polygon may have; the
    // polygon is then skipped when emitted.
    bool AddCorner(int32_t vertex, int32_t normal = 0, int32_t uv = 0);
    int32_t CornerCount() const { return polygon_.count; }
    // Appends the polygon's triangles to ImportFaces and returns how many;
    // 0 for a skipped polygon (fewer than 3 corners are not counted as
    // skipped: they are simply not faces).
    int32_t Emit();
    // Polygons skipped so far for bad corners or too many corners.
    int32_t Skipped() const { return skipped_; }
    // Logs one "<!>" line when polygons were skipped.
    void ReportSkipped(std::string_view fileName) const;
    void SetMethod(int method) { method_ = method; }

private:
    tpolygon polygon_;
    tfacearray triangles_;
    int method_;
    bool overflow_ = false;
    int32_t skipped_ = 0;
};

// Before the merge: a face or line whose group or material index lies
// outside the import lists is moved to a fallback group or material
// ("unnamed_group" / "unnamed_material", created when needed), and one "<!>"
// line says how many were moved.
void ValidateImportIndices();

// A POV-Ray text that a model file gives a material (the MTL file's
// "#povmaterial", a texture named by a POV-Ray mesh) is code that POV-Ray
// runs when the scene renders. Such a text from a file of unknown origin is
// taken switched off, kept for the user to look at and switch on, unless it
// can run nothing, alone or together with the texts around it in the
// material include. It is read as POV-Ray reads it (names, numbers, strings
// with their escapes, nested comments) and may touch files when it holds a
// "#" (a directive), a directive word or "save_file", the name of a macro of
// the standard include files (such as Parse_String, which runs any
// directive), or a name followed by "(" that is not one of POV-Ray's
// reserved words (a function or a macro of someone else's). A text whose
// braces, parentheses or brackets do not pair, or that holds a "(" outside
// every brace, is not one material: a name that ends one text could call
// through it. A text that ends inside a string or a comment (the texts that
// follow it in the file would carry on what it opened), holds an escape
// POV-Ray refuses, a number run into a name, or characters POV-Ray does not
// read where they stand (control characters; beyond ASCII outside strings
// and comments) is refused as well.
bool PovTextMayTouchFiles(std::string_view text);

// Why a custom text that PovTextMayTouchFiles judges is not switched on.
inline constexpr std::string_view CustomTextRisk = "may run a directive or a macro when the scene renders";

// Switches on the custom text a model file gave the material when it holds a
// value (PovTextHasValue) and can run nothing (PovTextMayTouchFiles); a text
// that can is kept switched off (and held back: customTextHeld) with a "<!>"
// line naming the material.
void SwitchOnCustomTextFromFile(tmaterial& m);

// A POV-Ray identifier made of the letters, digits and "_" of a word from a
// model file (trimmed), every other character replaced by "_" (a leading
// digit gets a "_" in front), so that the word cannot carry code into a
// written file.
std::string PovIdentifierFrom(std::string_view word);
