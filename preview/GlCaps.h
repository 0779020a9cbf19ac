// What the OpenGL driver offers: the version text and its number, the
// extensions, the multitexture entry points, and the routine that switches
// texturing off on every texture unit.
#pragma once

#include <cstdint>
#include <string_view>

// An OpenGL enumeration value (GLenum), without the OpenGL header.
using GLenumValue = unsigned int;

// The major and minor number of a version text such as "1.2.1 vendor words"
// or "4.5 (Compatibility Profile) Mesa 22.3.6": the digits around the first
// ".". Both are 0 when the text has no digit on both sides of its first ".".
void SplitVersionText(std::string_view text, int& major, int& minor);
// major.minor as a number ("1.10" gives 1.1, since the minor is an integer);
// 0 when the text holds no version.
float GLVersionNumber(std::string_view text);

// Fills the OpenGL texts and limits of the model (GLExtensionsText,
// MultitextureSupported, SeparateSpecularSupported, MaxGLLights,
// MaxTextureUnits, GLVersionText, GLVendorText, GLRendererText and the GLU
// version and extensions) from the preview's context, in that order. False,
// and nothing changed, when there is no context.
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

// Binds a texture to the active unit as the preview uses every texture:
// repeated, linear filters, modulating the colour; and switches 2D texturing
// on.
void EnableTexture(uint32_t name);

// Switches off 2D texturing and the generation of S and T coordinates; with
// multitexturing on both texture units, leaving unit 0 active.
void DisableTexturing();
