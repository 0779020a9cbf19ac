// Fonts as the libraries describe them, and the metrics a canvas reports for
// a font.
#pragma once

#include <string>

#include "platform/gfx/Color.h"

namespace gfx {

struct FontSpec {
    // The face name as the program names it ("Tahoma", "Times New Roman",
    // "Courier New", "Arial"); the Qt side maps it to an installed face.
    std::string family = "Tahoma";
    // Size in points; the pixel size is size * logical dpi / 72 (mulDiv).
    int size = 8;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Color color = clWindowText;
    // Angle of the text's base line in tenths of a degree, counter-clockwise.
    int escapement = 0;

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The metrics of a font in pixels. The height of a line of text is
// `height`, from the top of the cell to its bottom; the base line lies
// `ascent` below the top.
struct FontMetrics {
    int height = 0;           // ascent + descent
    int ascent = 0;
    int descent = 0;
    int externalLeading = 0;  // space the font suggests between lines, at least 0
    int averageCharWidth = 0;
    int overhang = 0;         // extra width of synthesised styles; always 0 here

    friend bool operator==(const FontMetrics&, const FontMetrics&) = default;
};

}  // namespace gfx
