// The preview's display lists. The geometry is compiled whenever the model,
// its materials, maps or group visibility change, so that a frame only
// replays lists: list 1 holds the shaded, textured faces (opaque materials
// before transparent ones) and the lines, list 2 the bare triangles for the
// wire and point modes, and a third list the vertex normals.
#pragma once

#include <cstdint>

// The names of the three lists; 0 until built.
extern uint32_t FacesList;
extern uint32_t WireframeList;
extern uint32_t NormalsList;
// The faces that material calls address: front and back with two-sided
// lighting ("Apply mats to both sides"), else the front only.
extern uint32_t GLMaterialFace;

// Rebuilds lists 1 and 2 in the preview's resource context (list 1 stays
// empty while "Enable Preview" is off), warns when a list could not be made,
// and refreshes the statistics of the "Geometry" page. Without any OpenGL
// context only the statistics are refreshed. List 2 is compiled now when
// the chosen draw mode shows it, otherwise by the first frame that does.
void BuildPreviewLists();
// Rebuilds the list of the vertex normals: one magenta line per normal, at
// the first corner of a shown face that uses it. Compiled now while the
// normals are shown, otherwise by the first frame that shows them.
void BuildNormalsList();

// For a frame: compile list 2, or the normals list, when the model changed
// since it was last compiled (no progress is shown while a frame is drawn).
void EnsureWireframeList();
void EnsureNormalsList();
// Replays list 2 as compiled: with buffer objects, WireframeList (the light
// model) and the triangles drawn from the buffers.
void CallWireframeList();

// The bodies of lists 1 and 2; they emit into the list being compiled
// (list 1 is then that one display list).
void DrawModelFaces();
void DrawWireframe();

// Replays list 1. Where the driver has buffer objects, `BuildPreviewLists`
// keeps the faces in them: FacesList then holds the light model, and the
// materials' states, the faces drawn from the buffers and the lines follow
// it in the order of the one list, to the same picture.
void CallFacesList();
// True (the default) to keep the faces in buffer objects where the driver
// has them; a test turns it off to have the one display list.
extern bool UseBufferObjects;

// The length of the normal lines: 0.3 x the square root of the mean face
// area; 1 without faces.
double NormalLineLength();

// Makes display-list names; glGenLists unless a test puts its own here.
extern uint32_t (*GenerateListNames)(int32_t count);
