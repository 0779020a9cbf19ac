// A whole text file split into lines for the readers that walk a file by
// line number (and sometimes twice): lines end at CR, LF or CR LF, blank
// lines are kept, a UTF-8 byte-order mark at the start is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/TextConv.h"

class TextLines {
public:
    // Reads the whole file; ReadError when it cannot be opened or read.
    static TextLines FromFile(const std::string& fileName);
    // The lines of a text held in memory.
    static TextLines FromText(std::string text);

    std::size_t Count() const { return lines_.size(); }
    // Views into the held text, valid while this object lives.
    std::string_view operator[](std::size_t i) const {
        return std::string_view(reader_.Text()).substr(lines_[i].start, lines_[i].length);
    }

private:
    struct Span {
        std::size_t start;
        std::size_t length;
    };
    TextLines() = default;
    void Split();

    TextLineReader reader_;
    std::vector<Span> lines_;
};
