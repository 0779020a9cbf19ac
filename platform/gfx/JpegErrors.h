// The error manager for every use of libjpeg in the program. libjpeg reports
// a fatal error by calling its error handler, which must not return; this
// one copies the message and jumps back to the caller's setjmp point, so
// that nothing of libjpeg ever ends the program. Warnings (damaged data that
// still decodes) go to the warning sink.
//
// A caller keeps every libjpeg call in one function that holds no C++
// object with a destructor after its setjmp, jumps back there, destroys the
// libjpeg object and raises the error after returning:
//
//   JpegErrorManager errors;
//   info.err = installJpegErrorManager(errors);
//   if (setjmp(errors.jump)) { jpeg_destroy_decompress(&info); return false; }
#pragma once

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace gfx {

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // The text of the fatal error, when one happened.
    char message[JMSG_LENGTH_MAX];
    // Set by a source manager when the data ran out and it supplied an end
    // marker: compressed data that then turns out to be cut short is a fatal
    // error ("Premature end of JPEG file") instead of a warning.
    bool endOfDataSupplied;
};

// Sets up the manager and returns the pointer to store in the libjpeg
// object's `err` before it is created.
jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager);

}  // namespace gfx
