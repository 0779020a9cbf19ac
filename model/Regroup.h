// Rebuilding one partition of the faces from the other: the materials from
// the groups (or from the pairs of group and material the faces use), or the
// groups from the materials (or from the pairs). Each routine replaces the
// whole material or group list, renumbers the faces and keeps the line
// segments valid against the new list; it logs its steps. Refreshing the
// counts, tables and windows afterwards is the caller's.
//
// The new list is made beside the old one and takes its place at the end.
// With `undo`, the old list and the indices the faces and lines had are
// handed there (the preview textures the new materials do not keep are
// deleted when the command finishes, tmodelundo::Finish); without, a
// regrouping that fails (running out of memory) leaves the model as it was.
#pragma once

#include <cstdint>

struct tmodelundo;

// One new default material per group, named after the group with
// "_material"; every face and line takes the material of its group's
// number. The old materials' preview textures are deleted.
void MaterialsFromGroups(tmodelundo* undo = nullptr);

// One material per pair of group and material that some face uses, a whole
// copy of that material named group + "_" + material, numbered in the order
// of the first face of each pair. Lines whose pair no face uses get a
// material of their own after those of the faces. Preview textures that no
// copy keeps are deleted.
void MaterialsFromGroupsAndMaterials(tmodelundo* undo = nullptr);

// One new group (defaults: visible, casts shadow, random colour) per
// material, named after the material with "_group"; every face and line
// takes the group of its material's number.
void GroupsFromMaterials(tmodelundo* undo = nullptr);

// One group per pair of material and group that some face uses, a whole
// copy of that group (flags and colour included) named group + "_" +
// material, numbered in the order of the first face of each pair; lines as
// in MaterialsFromGroupsAndMaterials.
void GroupsFromMaterialsAndGroups(tmodelundo* undo = nullptr);
