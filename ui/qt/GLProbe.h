// The OpenGL set-up of the program until the preview brings its own: the
// shared contexts and the default surface format, which must be set before
// the application object exists, and the capability queries of start-up.
#pragma once

#include "ui/control/AppHost.h"

// Shares OpenGL objects between contexts and asks for a compatibility
// context of version 2.1 with RGBA8 colour and a 24-bit depth buffer.
void PrepareOpenGL();
// Asks the capabilities through an offscreen context that shares with the
// global share context. Empty texts and zero limits when no context can be
// made (which the version test then refuses).
GLInfo QueryGLInfo();
