// The picture jobs of the end-to-end driver: pictures loaded as the program
// loads them and written as PAM files that the tests compare.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace e2e {

// Loads a picture file as the program does: through the picture registry,
// by its content first, then by its extension. Raises the registry's or the
// reader's error.
gfx::Bitmap LoadPicture(const std::string& fileName);

// Writes a bitmap as a PAM file: P7, TUPLTYPE RGB_ALPHA, 8 bits a sample,
// alpha 255 unless the bitmap is 32-bit with alpha. False when the file
// cannot be written.
bool WritePam(const gfx::Bitmap& bitmap, const std::string& fileName);

// --stretch W H FILTER IMAGE OUT.pam: the arguments after the option.
struct StretchJob {
    int width = 0;
    int height = 0;
    int filter = 0;
    std::string image;
    std::string out;
};

// Reads the five arguments of --stretch starting at argv[i]; an empty text
// when they are good, else what is wrong.
std::string ParseStretch(char** argv, int i, StretchJob& job);

// Loads the image, resamples it with the filter and writes the PAM file;
// prints "stretch W H". False with the reason when it failed.
bool RunStretch(const StretchJob& job, std::string& error);

// --decode IMAGE OUT.pam: the arguments after the option.
struct DecodeJob {
    std::string image;
    std::string out;
};

// Loads the image and writes its pixels as a PAM file; prints "image W H".
// False with the reason when it failed.
bool RunDecode(const DecodeJob& job, std::string& error);

}  // namespace e2e
