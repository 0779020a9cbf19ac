#include "platform/gfx/JpegLibrary.h"

#include <jerror.h>

#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/WarningSink.h"

// The callbacks below are called by libjpeg; the ones that call C++ code
// catch every exception themselves and turn it into a jump, so that no
// exception crosses libjpeg.

namespace gfx {

namespace {

const JOCTET EndOfImage[2] = {0xFF, JPEG_EOI};

void errorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void emitMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    if (errors->endOfDataSupplied && errors->cutIsFatal && info->err->msg_code == JWRN_HIT_MARKER)
        jumpWithMessage(*errors, "Premature end of JPEG file");
    ++info->err->num_warnings;
    if (errors->warned) return;
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    warnOncePerImage(*errors, text);
}

JpegSourceManager& sourceOf(j_decompress_ptr info) { return *reinterpret_cast<JpegSourceManager*>(info->src); }

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info) {
    JpegSourceManager& src = sourceOf(info);
    if (src.stream && !src.ended) {
        std::size_t got = 0;
        bool failed = false;
        try {
            got = src.stream->read(src.buffer, src.bufferSize);
        } catch (const std::exception& e) {
            failed = true;
            try {
                src.failure = e.what();
            } catch (...) {
            }
        } catch (...) {
            failed = true;
        }
        if (failed) jumpWithMessage(*src.errors, StreamReadErrorText);
        if (got > 0) {
            src.anyData = true;
            src.pub.next_input_byte = src.buffer;
            src.pub.bytes_in_buffer = got;
            return TRUE;
        }
    }
    // The data ran out: an end marker lets libjpeg complete the image.
    if (!src.anyData) jumpWithMessage(*src.errors, "Premature end of JPEG file");
    if (src.endWarning) warnOncePerImage(*src.errors, src.endWarning);
    src.ended = true;
    src.errors->endOfDataSupplied = true;
    src.pub.next_input_byte = EndOfImage;
    src.pub.bytes_in_buffer = 2;
    return TRUE;
}

// Skipping past the data's end stops at its end marker.
void skipInput(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    JpegSourceManager& src = sourceOf(info);
    auto n = static_cast<std::size_t>(count);
    while (n > src.pub.bytes_in_buffer) {
        n -= src.pub.bytes_in_buffer;
        src.pub.bytes_in_buffer = 0;
        if (src.ended) return;
        fillInput(info);
        if (src.ended) return;
    }
    src.pub.next_input_byte += n;
    src.pub.bytes_in_buffer -= n;
}

}  // namespace

void jumpWithMessage(JpegErrorManager& errors, const char* message) {
    std::snprintf(errors.message, sizeof errors.message, "%s", message);
    std::longjmp(errors.jump, 1);
}

jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager) {
    jpeg_error_mgr* err = jpeg_std_error(&manager.pub);
    err->error_exit = errorExit;
    err->emit_message = emitMessage;
    manager.message[0] = '\0';
    manager.endOfDataSupplied = false;
    manager.cutIsFatal = false;
    manager.warned = false;
    return err;
}

void warnOncePerImage(JpegErrorManager& manager, const char* text) {
    if (manager.warned) return;
    manager.warned = true;
    try {
        warn(text);
    } catch (...) {
    }
}

void installJpegSource(jpeg_decompress_struct& info, JpegSourceManager& source, JpegErrorManager& errors) {
    source.pub.init_source = initSource;
    source.pub.fill_input_buffer = fillInput;
    source.pub.skip_input_data = skipInput;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = termSource;
    source.errors = &errors;
    info.src = &source.pub;
}

void pointJpegSource(JpegSourceManager& source, const uint8_t* data, std::size_t size) {
    source.pub.next_input_byte = data;
    source.pub.bytes_in_buffer = size;
    source.anyData = size > 0;
    source.ended = false;
}

}  // namespace gfx
