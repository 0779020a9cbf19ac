// What every use of libjpeg in the program shares: the error manager and the
// source manager.
//
// libjpeg reports a fatal error by calling its error handler, which must not
// return; this one copies the message and jumps back to the caller's setjmp
// point, so that nothing of libjpeg ever ends the program. Warnings (damaged
// data that still decodes) go to the warning sink, the first of an image
// only: one damaged image gives one warning, not one per strip or marker.
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
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <jpeglib.h>

namespace gfx {

class Stream;

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // The text of the fatal error, when one happened.
    char message[JMSG_LENGTH_MAX];
    // Set by the source manager when the data ran out and it supplied an end
    // marker: with `cutIsFatal` of the source, compressed data that then
    // turns out to be cut short is a fatal error ("Premature end of JPEG
    // file") instead of a warning.
    bool endOfDataSupplied;
    bool cutIsFatal;
    // A warning of this image was passed to the warning sink.
    bool warned;
};

// Sets up the manager for a new image and returns the pointer to store in
// the libjpeg object's `err` before it is created.
jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager);

// Passes a warning to the warning sink unless one of this image was passed
// before.
void warnOncePerImage(JpegErrorManager& manager, const char* text);
// Ends a libjpeg call with a fatal error of our own: copies the text as the
// error's message and jumps back to the caller's setjmp point.
[[noreturn]] void jumpWithMessage(JpegErrorManager& errors, const char* message);

// Feeds libjpeg from a block of memory and then, when it has one, from a
// stream in pieces. When the data runs out an end marker is supplied, so
// that libjpeg completes the image: with `endWarning` that text is passed as
// the image's warning first; with `cutIsFatal` of the error manager a cut in
// compressed data becomes the fatal error. Data that runs out before any was
// read is the fatal error "Premature end of JPEG file". A stream that fails
// to read ends with the fatal error "Stream read error".
struct JpegSourceManager {
    jpeg_source_mgr pub{};
    JpegErrorManager* errors = nullptr;
    Stream* stream = nullptr;
    uint8_t* buffer = nullptr;  // the pieces of the stream, `bufferSize` bytes
    std::size_t bufferSize = 0;
    const char* endWarning = nullptr;
    bool anyData = false;
    bool ended = false;  // the end marker was supplied
    std::string failure;  // the error of a stream that failed to read
};

// Makes `source` the source of `info` (whose `err` is `errors`), keeping
// the block it was pointed at.
void installJpegSource(jpeg_decompress_struct& info, JpegSourceManager& source, JpegErrorManager& errors);
// Gives the source a block of memory to read first; `data` must outlive the
// reading.
void pointJpegSource(JpegSourceManager& source, const uint8_t* data, std::size_t size);

}  // namespace gfx
