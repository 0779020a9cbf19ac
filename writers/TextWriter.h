// The one text writer of every output file. It buffers what it is given and
// checks every open, write and close: a failure throws `ExportError` with a
// message that names the file, which ends the export run (files finished
// before it stay as written).
//
// Line ends: the scene files (OBJ, MTL, POV-Ray, UDO, INI) end their lines
// with LF, the usual line end on this platform, which POV-Ray, OBJ tools and
// our own readers all accept. The custom texture library keeps CR LF, as its
// format asks.
//
// Numbers are appended to `Buffer()` by the routines of model/TextConv.h
// (AppendFloatText, AppendInt below), never through printf or streams, so
// that a million lines take well under a second and no locale can change a
// decimal point.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class LineEnd { LF, CRLF };

class CheckedTextWriter {
public:
    CheckedTextWriter() = default;
    // Creates (or replaces) the file; throws ExportError when it cannot.
    CheckedTextWriter(const std::string& fileName, LineEnd lineEnd = LineEnd::LF);
    // Closes an open file without throwing (after an error has ended the run);
    // call Close() to learn whether the file was completed.
    ~CheckedTextWriter();
    CheckedTextWriter(const CheckedTextWriter&) = delete;
    CheckedTextWriter& operator=(const CheckedTextWriter&) = delete;

    void Open(const std::string& fileName, LineEnd lineEnd = LineEnd::LF);
    // Writes what is buffered and closes; throws ExportError on failure.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& FileName() const { return fileName_; }

    // One line: the text and the line end.
    void Line(std::string_view text);
    // The marker, then the text: "#" + "Geometry mesh file".
    void Line(std::string_view marker, std::string_view text);
    // A blank line is a line holding one space.
    void Blank() { Line(" "); }
    // The marker followed by 50 "=".
    void Rule(std::string_view marker);

    // Building a line in place: append to Buffer(), then EndLine().
    std::string& Buffer() { return buffer_; }
    void EndLine() {
        // Millions of lines: the usual line end is one character.
        if (lineEnd_.size() == 1) buffer_.push_back(lineEnd_[0]);
        else buffer_.append(lineEnd_);
        FlushIfFull();
    }

    // Bytes handed to the file so far (written or buffered).
    uint64_t BytesWritten() const { return flushed_ + buffer_.size(); }

private:
    void FlushIfFull() {
        if (buffer_.size() >= FlushSize) Flush();
    }
    void Flush();
    [[noreturn]] void Fail(const char* what, int error);

    static constexpr std::size_t FlushSize = 1u << 18;

    int fd_ = -1;
    std::string fileName_;
    std::string buffer_;
    std::string_view lineEnd_ = "\n";
    uint64_t flushed_ = 0;
};

// Appends the decimal text of n.
void AppendInt(std::string& out, int64_t n);
