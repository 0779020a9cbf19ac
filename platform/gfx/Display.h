// The colour depth of the display the program draws on, as the platform
// reports it. The window system's side gives the source of the depth; a
// test may fix it, so that the code that only a display of 8 bits or fewer
// reaches can run anywhere.
#pragma once

#include <functional>

namespace gfx {

// Planes times bits per pixel of the display: the fixed depth when one is
// set, else the source's answer, else 24.
int displayColorDepth();
// Where the depth comes from (the window system's screen).
void setDisplayDepthSource(std::function<int()> source);
// Fixes the depth (a test's display); 0 gives the source back.
void setDisplayColorDepth(int bits);

}  // namespace gfx
