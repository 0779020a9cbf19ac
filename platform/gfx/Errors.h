// The error types of the graphics layer. Every error derives from
// `gfx::Error`, so that a caller's error box path catches them all; the
// image library's own errors (colour conversion, decompression) derive from
// it too.
#pragma once

#include <stdexcept>
#include <string>

namespace gfx {

// Base of every error the graphics layer and the libraries on it raise.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A picture that cannot be made or read: an invalid image, an unknown file
// extension, a pixel format or a bitmap size that is not allowed.
class EInvalidGraphic : public Error {
public:
    using Error::Error;
};

// A stream that holds fewer bytes than a reader asked for ("Stream read
// error"), or a read that failed.
class EReadError : public Error {
public:
    using Error::Error;
};

// A write to a stream that stored fewer bytes than asked ("Stream write
// error").
class EWriteError : public Error {
public:
    using Error::Error;
};

// A file that cannot be opened for reading or created for writing. The
// message names the file; `fileName` gives it back.
class EFOpenError : public Error {
public:
    EFOpenError(const std::string& message, std::string fileName)
        : Error(message), fileName_(std::move(fileName)) {}
    const std::string& fileName() const { return fileName_; }

private:
    std::string fileName_;
};

// Memory or another resource of the system ran out ("Out of Resources").
class EOutOfResources : public Error {
public:
    using Error::Error;
};

// A value that cannot be converted, such as a number in a bad form.
class EConvertError : public Error {
public:
    using Error::Error;
};

// The texts of the layer's own errors.
inline constexpr const char* StreamReadErrorText = "Stream read error";
inline constexpr const char* StreamWriteErrorText = "Stream write error";
inline constexpr const char* OutOfResourcesText = "Out of Resources";
inline constexpr const char* InvalidPixelFormatText = "Invalid pixel format";

}  // namespace gfx
