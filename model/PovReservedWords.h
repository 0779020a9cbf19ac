// POV-Ray 3.7's own words and the macros of its standard include files, by
// which a POV-Ray text from a model file is judged (PovTextMayTouchFiles).
// Words are compared exactly: POV-Ray's names are case-sensitive.
#pragma once

#include <span>
#include <string_view>

// True for one of POV-Ray's reserved words: a keyword or built-in function
// (sin, vrotate, rgb, color, ...), never the name of a macro or function that
// a scene or an include file declares.
bool IsPovReservedWord(std::string_view word);

// True for a reserved word by which a text can act beyond its material: a
// directive word (POV-Ray reads some of them as directives even without "#")
// or "save_file" (photons write their map to the named file).
bool IsPovWordThatMayTouchFiles(std::string_view word);

// True for the name of a macro that one of POV-Ray 3.7's standard include
// files declares (Parse_String, VStr, SRand, ...).
bool IsPovIncludeMacro(std::string_view name);

// True for the name of a texture, or of a pigment, normal or finish (which
// POV-Ray reads as a texture's), that the include files a custom material
// reads declare (textures.inc, stones.inc, metals.inc, golds.inc, woods.inc,
// glass.inc, ... and the files they include): T_Stone1, Brass_Metal, Jade,
// ... A scene that includes them reads such a name in
// "material{texture{NAME}}"; any other name is declared there as something
// else or not at all.
bool IsPovIncludeTexture(std::string_view name);

// Every macro name of IsPovIncludeMacro, sorted. A scene that includes those
// files cannot declare one of these names: the writers keep their
// identifiers off them.
std::span<const std::string_view> PovIncludeMacros();

// True for the name of a file that POV-Ray may take from its working folder
// in place of its own: its settings file "povray.ini", every file of its
// standard include folder (colors.inc, math.inc, woods.inc, the colour maps,
// fonts and pictures they read) and "makemesh.inc", which one of them names
// but POV-Ray 3.7 does not ship. POV-Ray searches the working folder first,
// so such a file beside a scene that names it is read when the scene
// renders: no output takes one of these names. Letter case is ignored: on a
// file system that ignores it, "Colors.inc" is colors.inc.
bool IsPovRayOwnFileName(std::string_view fileName);

// True for the name of a standard include file that POV-Ray opens when it
// renders a scene the program writes, with any of its options: the files
// the scene, its material include and the bake scenes name (stdinc.inc,
// textures.inc, rad_def.inc, ...) and those they include in turn (colors.inc,
// math.inc, woodmaps.inc, ...). POV-Ray looks for each in its working folder
// first, so a file of such a name there runs when the scene renders; the
// pictures, fonts, colour maps and other include files of the standard
// include folder are not opened. Letter case is ignored, as in
// IsPovRayOwnFileName, of whose names these are a part.
bool IsPovRaySceneInclude(std::string_view fileName);

// Every name of IsPovRaySceneInclude, in lower case, sorted.
std::span<const std::string_view> PovRaySceneIncludes();
