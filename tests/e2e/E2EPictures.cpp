#include "tests/e2e/E2EPictures.h"

#include <exception>
#include <fstream>
#include <iostream>

#include "imageformats/ImageRegistration.h"
#include "imageformats/Stretch.h"
#include "model/TextConv.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"

namespace e2e {

gfx::Bitmap LoadPicture(const std::string& fileName) {
    gfx::Picture picture;
    img::LoadPictureFile(fileName, picture);
    return picture.bitmap();
}

bool WritePam(const gfx::Bitmap& bitmap, const std::string& fileName) {
    const gfx::Bitmap b = bitmap.convertedTo(gfx::PixelFormat::pf32bit);
    const bool alpha = bitmap.pixelFormat() == gfx::PixelFormat::pf32bit && bitmap.hasAlpha();
    std::ofstream out(fileName, std::ios::binary);
    out << "P7\nWIDTH " << b.width() << "\nHEIGHT " << b.height()
        << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<char> row(static_cast<std::size_t>(b.width()) * 4);
    for (int y = 0; y < b.height(); ++y) {
        const uint8_t* p = b.scanLine(y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(b.width()); ++x, p += 4) {
            row[4 * x] = static_cast<char>(p[2]);
            row[4 * x + 1] = static_cast<char>(p[1]);
            row[4 * x + 2] = static_cast<char>(p[0]);
            row[4 * x + 3] = static_cast<char>(alpha ? p[3] : 255);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out.flush());
}

std::string ParseStretch(char** argv, int i, StretchJob& job) {
    int64_t width = 0, height = 0, filter = 0;
    if (!ParseInt(argv[i], width) || !ParseInt(argv[i + 1], height) || width < 1 || height < 1 ||
        width > gfx::MaxBitmapSide || height > gfx::MaxBitmapSide)
        return "--stretch: width and height must be 1 to " + std::to_string(gfx::MaxBitmapSide);
    if (!ParseInt(argv[i + 2], filter) || filter < 0 || filter >= img::StretchFilterCount)
        return "--stretch: the filter must be 0 to " + std::to_string(img::StretchFilterCount - 1);
    job = {static_cast<int>(width), static_cast<int>(height), static_cast<int>(filter), argv[i + 3], argv[i + 4]};
    if (job.image.empty() || job.out.empty()) return "--stretch needs an image and an output file";
    return {};
}

bool RunStretch(const StretchJob& job, std::string& error) {
    try {
        gfx::Bitmap bitmap = LoadPicture(job.image);
        img::Stretch(static_cast<uint32_t>(job.width), static_cast<uint32_t>(job.height),
                     static_cast<uint8_t>(job.filter), 0, bitmap);
        if (!WritePam(bitmap, job.out)) {
            error = "cannot write " + job.out;
            return false;
        }
        std::cout << "stretch " << bitmap.width() << ' ' << bitmap.height() << '\n';
        return true;
    } catch (const std::exception& e) {
        error = job.image + ": " + e.what();
        return false;
    }
}

bool RunDecode(const DecodeJob& job, std::string& error) {
    try {
        const gfx::Bitmap bitmap = LoadPicture(job.image);
        if (!WritePam(bitmap, job.out)) {
            error = "cannot write " + job.out;
            return false;
        }
        std::cout << "image " << bitmap.width() << ' ' << bitmap.height() << '\n';
        return true;
    } catch (const std::exception& e) {
        error = job.image + ": " + e.what();
        return false;
    }
}

}  // namespace e2e
