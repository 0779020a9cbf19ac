// The lines of the long blocks of an output (the vertices, normals, UVs and
// faces of a mesh), made on several threads and handed to the file in item
// order: the file gets the same bytes as when the items are made one after
// another, with the number texts of a million items made side by side.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "writers/TextWriter.h"

// Appends the lines of items [first, end) to `out`, each with the file's
// line end. It reads the model and changes nothing that another call reads;
// it may throw for an item, as the writing of that item one by one would.
using ItemRangeMaker = std::function<void(std::size_t first, std::size_t end, std::string& out)>;

// Writes the lines of items 0 .. count - 1. When a range throws, the lines
// before it are written and the exception of the first range that threw is
// rethrown once every thread has stopped.
void WriteItemLines(CheckedTextWriter& w, std::size_t count, const ItemRangeMaker& make);

// WriteItemLines for one line per item: `line(i, out)` appends the text of
// item i, and the file's line end follows it.
template <typename Line>
void WriteLinePerItem(CheckedTextWriter& w, std::size_t count, const Line& line) {
    const std::string_view lineEnd = w.LineEndText();
    WriteItemLines(w, count, [&](std::size_t first, std::size_t end, std::string& out) {
        for (std::size_t i = first; i < end; ++i) {
            line(i, out);
            out.append(lineEnd);
        }
    });
}

// The number of threads (0: one per core, at most 8) and of items per
// range. Small ranges let a test run the threads on a small model.
void SetItemLineThreads(unsigned threads, std::size_t itemsPerRange);
