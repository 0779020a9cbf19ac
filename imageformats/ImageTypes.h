// The kinds that the image readers, the colour manager and the decoders
// share: how a file lays out the samples of its pixels, and how its pixel
// data is compressed.
#pragma once

#include <cstdint>

namespace img {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the image library reads 16-bit samples in host order and swaps big-endian ones");

// The samples of one pixel as a file stores them.
enum TSampleLayout : uint8_t {
    slUnknown = 0,
    slIndexed = 1,    // palette indices
    slGray = 2,
    slGrayAlpha = 3,
    slRGB = 4,
    slRGBA = 5,
    slBGR = 6,
    slBGRA = 7,
    slCMY = 8,
    slCMYK = 9,
    slCIELab = 10,
    slYCbCr = 11,     // luminance and two chroma samples
    slPhotoYCC = 12,  // the luminance and chroma of Photo-CD images
};

// The compression of a file's pixel data. The TIFF reader maps its
// Compression tag onto these; every other reader names its own kind.
enum TCompressionKind : uint8_t {
    ckUnknown = 0,  // not known or not supported
    ckNone = 1,
    ckRunLength = 2,  // a run-length encoding of the format's own kind
    ckPackBits = 3,
    ckLZW = 4,
    ckFaxGroup3 = 5,
    ckFaxRLE = 6,
    ckFaxGroup4 = 7,
    ckFaxRLEW = 8,
    ckDeflate = 9,
    ckJPEG = 10,
    ckOldJPEG = 11,
    ckThunderScan = 12,
    ckNeXT = 13,
    ckIT8CTPad = 14,
    ckIT8LW = 15,
    ckIT8MP = 16,
    ckIT8BL = 17,
    ckPixarFilm = 18,
    ckPixarLog = 19,
    ckDCS = 20,
    ckJBIG = 21,
    ckPhotoCDHuffman = 22,
};

}  // namespace img
