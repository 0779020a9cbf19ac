// What a command that changes the model has changed so far, kept so that a
// command that cannot finish (it ran out of memory half-way) can put the
// model back exactly as it was.
//
// A step keeps what it is about to change, the first time only: what counts
// is the model before the command. It keeps as little as its change needs:
// a list it rewrites is copied; a list it builds anew beside the old one
// hands the old one over (nothing copied); the lengths of the lists it only
// appends to; or, where only some indices of the faces and lines change,
// those indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/Model.h"
#include "model/Normals.h"

struct tmodelundo {
    // Whole lists, as they were.
    std::optional<std::vector<tvertex>> vertices;
    std::optional<std::vector<tnormal>> normals;
    std::optional<std::vector<tuv>> uvs;
    std::optional<std::vector<tface>> faces;
    std::optional<std::vector<tline>> lines;
    std::optional<std::vector<tgroup>> groups;
    std::optional<std::vector<tmaterial>> materials;
    std::optional<std::vector<tlight>> lights;
    std::optional<std::vector<tplaceholder>> placeholders;

    // The lengths of the lists that a step only appends to.
    struct tlengths {
        std::size_t vertices, normals, uvs, faces, groups, materials;
    };
    std::optional<tlengths> lengths;

    // Indices of the faces, three per face, and of the line ends, two per
    // line after them where lines have them: the normal and the UV of each
    // corner; one per face, then one per line: the group and the material.
    std::optional<std::vector<int32_t>> normalCorners, uvCorners, groupIndices, materialIndices;

    // The selected faces had their winding reversed (ReverseFaceWinding).
    bool windingReversed = false;
    // The selected flag of every material, and the material chosen last
    // (CurrentMaterialIndex).
    std::optional<std::vector<uint8_t>> selection;
    std::optional<int32_t> currentMaterial;

    // The topology of the model when the command began.
    uint64_t startGeneration = TopologyGeneration;

    // The preview textures of the materials a step replaced that the new
    // ones do not carry: deleted once the command has finished (Finish), so
    // that the materials put back still have theirs.
    std::vector<int32_t> texturesToDelete;

    // A copy of `list`, unless kept already.
    template <typename T>
    static void Keep(std::optional<std::vector<T>>& kept, const std::vector<T>& list) {
        if (!kept) kept.emplace(list);
    }
    // The list a step replaced, handed over, unless one was kept already
    // (then `old` stays the caller's).
    template <typename T>
    static void Take(std::optional<std::vector<T>>& kept, std::vector<T>& old) {
        if (!kept) kept.emplace(std::move(old));
    }

    void KeepLengths();
    // The normals and the normal index of every face corner that
    // CalcVertexNormals replaced, handed over.
    void TakeNormals(tnormalsundo& replaced);
    // The UV of every face corner and line end; the group, or the
    // material, of every face and line.
    void KeepUVCorners();
    void KeepGroupIndices();
    void KeepMaterialIndices();
    void KeepSelection();

    // Puts back everything kept, in the reverse of the order the steps of a
    // command change things, and releases what the command made. Allocates
    // nothing. The face tables are stale afterwards; the counts of the
    // groups and materials are current; TopologyPutBack tells that the model
    // is the one of the generation the command began with.
    void Restore();
    // The command has finished: the textures no material uses any more are
    // deleted.
    void Finish();
};

// Runs `change` with `undo`, whose keeper puts the model back when what
// follows fails; without one, with an undo of its own: the model is put
// back when `change` fails (before the error goes on), and the command
// finishes when it succeeds.
template <typename Change>
void ChangeModel(tmodelundo* undo, Change&& change) {
    if (undo) {
        change(*undo);
        return;
    }
    tmodelundo own;
    try {
        change(own);
    } catch (...) {
        own.Restore();
        throw;
    }
    own.Finish();
}
