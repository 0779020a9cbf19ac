// What the OpenGL driver offers: the version text and its number, the
// extensions, the multitexture entry points, and the routine that switches
// texturing off on every texture unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/ModelLists.h"  // SplitVersionText, GLVersionNumber, HasGLExtension

// An OpenGL enumeration value (GLenum), without the OpenGL header.
using GLenumValue = unsigned int;

// Fills the OpenGL texts and limits of the model (GLExtensionsText,
// MultitextureSupported, SeparateSpecularSupported, MaxGLLights,
// MaxTextureUnits, GLVersionText, GLVendorText, GLRendererText and the GLU
// version and extensions) from the preview's context, in that order, and
// looks up the buffer objects. False, and nothing changed, when there is no
// context.
bool QueryGLInfo();

// With "GL_ARB_multitexture" present, looks up its three entry points and
// returns true when all three were found. Needs a current context.
bool InitMultitexture();

// The multitexture entry points, nullptr until `InitMultitexture` found them.
using MultiTexCoord2dFunction = void (*)(GLenumValue target, double s, double t);
using ActiveTextureFunction = void (*)(GLenumValue texture);
extern MultiTexCoord2dFunction glMultiTexCoord2dARBEntry;
extern ActiveTextureFunction glActiveTextureARBEntry;
extern ActiveTextureFunction glClientActiveTextureARBEntry;

// The buffer objects of OpenGL 1.5, which keep arrays of vertices and
// indices with the driver: their entry points, nullptr until
// `InitBufferObjects` found them, and whether all were found.
struct BufferObjectEntries {
    void (*genBuffers)(int count, unsigned int* names) = nullptr;
    void (*deleteBuffers)(int count, const unsigned int* names) = nullptr;
    void (*bindBuffer)(GLenumValue target, unsigned int name) = nullptr;
    void (*bufferData)(GLenumValue target, std::ptrdiff_t size, const void* data, GLenumValue usage) = nullptr;
};
extern BufferObjectEntries BufferObjects;
extern bool BufferObjectsSupported;
// Looks the entry points up when the context's version is 1.5 or later;
// true when all were found. Needs a current context and GLVersionText.
bool InitBufferObjects();

// Binds a texture to the active unit as the preview uses every texture:
// repeated, linear filters, modulating the colour; and switches 2D texturing
// on.
void EnableTexture(uint32_t name);

// Switches off 2D texturing and the generation of S and T coordinates; with
// multitexturing on both texture units, leaving unit 0 active.
void DisableTexturing();
