// The icons of the group list, drawn here, small and plain: an open eye
// (visible group), a closed eye (hidden group), a ball with its shadow (casts
// shadows) and a ball without (casts none).
#pragma once

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/ImageList.h"

// The places of the icons in the image list the group list items name
// ("idx:25" and so on).
inline constexpr int IconVisible = 25;
inline constexpr int IconNoShadow = 57;
inline constexpr int IconShadow = 58;
inline constexpr int IconHidden = 59;

// One of the icons above as a 16 x 16 pf32bit bitmap with alpha; an empty,
// fully transparent one for any other index.
gfx::Bitmap GroupListIcon(int index);

// Adds transparent 16 x 16 images to the list up to index 59 and puts the
// four icons in their places; images the list already holds at other
// indices stay. The list's image size must be 16 x 16.
void AddGroupListIcons(gfx::ImageList& images);
