// The one text writer of every output file. It buffers what it is given and
// checks every open, write and close: a failure throws `ExportError` with a
// message that names the file, which ends the export run.
//
// An output never replaces an earlier file before it is complete: the text
// goes to a new file beside it (same folder, unique hidden name), which is
// flushed to the disk, closed and only then renamed over the old file. A
// failure removes the new file and leaves the old one as it was. While an
// OutputCommit is open, the finished files wait for it, so that the files
// of one save replace the earlier ones all together or not at all.
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
#include <vector>

#include "model/Errors.h"
#include "platform/FileReplace.h"

enum class LineEnd { LF, CRLF };

// The files that the writers finished while it is open, put in place
// together by Commit(). Commits nest: an inner one hands its files to the
// one around it. Whatever is not committed when it closes is removed, and
// the earlier files stay as they were. The outermost one starts a save: the
// first file it makes in a folder first removes there the temporary files
// of killed saves (FileReplace.h).
class OutputCommit {
public:
    OutputCommit();
    ~OutputCommit();
    OutputCommit(const OutputCommit&) = delete;
    OutputCommit& operator=(const OutputCommit&) = delete;

    // A complete file, owned by `temporary`, that is to replace `fileName`;
    // should the commit not take it (running out of memory), it is removed.
    void Add(TemporaryFile&& temporary, const std::string& fileName);
    // Renames every file over its final name in the order they were added
    // (or hands them to the commit around this one). Throws ExportError
    // when a rename fails; the files not yet renamed are then removed. The
    // renames allocate nothing: running out of memory never stops the
    // commit half-way.
    void Commit();
    // The innermost open commit, or nullptr.
    static OutputCommit* Current();

private:
    struct Entry {
        TemporaryFile temporary;
        std::string fileName;  // as the file system takes it (SystemPath)
    };
    std::vector<Entry> entries_;
    OutputCommit* outer_;
};

// Puts the complete file of `temporary` in place of `fileName`: now, or at
// the commit of the open OutputCommit. Throws ExportError (and removes the
// file) when the rename fails.
void PutInPlace(TemporaryFile&& temporary, const std::string& fileName);

// The first of `fileName` + ".bak", ".bak2", ".bak3", ... that names no
// file: where a file the program cannot read as its own is kept before a
// new one takes its name.
std::string FreeBackupName(const std::string& fileName);

// Commits `commit`, which holds the new `fileName`. When `unread` names that
// file (one the program could not read as its own), the earlier file is
// first moved to FreeBackupName(fileName), where it is kept, and `unread`
// is cleared; should the commit fail, the earlier file gets its name back.
// Throws ExportError.
void CommitKeepingUnread(OutputCommit& commit, const std::string& fileName, std::string& unread);

class CheckedTextWriter {
public:
    CheckedTextWriter() = default;
    // Starts the file; throws ExportError when it cannot.
    CheckedTextWriter(const std::string& fileName, LineEnd lineEnd = LineEnd::LF);
    // Drops an unfinished file without throwing (after an error has ended
    // the run): the earlier file of that name stays as it was.
    ~CheckedTextWriter();
    CheckedTextWriter(const CheckedTextWriter&) = delete;
    CheckedTextWriter& operator=(const CheckedTextWriter&) = delete;

    void Open(const std::string& fileName, LineEnd lineEnd = LineEnd::LF);
    // Writes what is buffered, flushes the file to the disk, closes it and
    // puts it in place (PutInPlace); throws ExportError on failure.
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

    // Whole lines made elsewhere (line ends included), handed over at once.
    void Text(std::string_view text);
    // The line end of the file, for lines made elsewhere.
    std::string_view LineEndText() const { return lineEnd_; }
    // Writes the buffer out once it holds enough; after appending to Buffer()
    // more than one line at a time.
    void FlushIfFull() {
        if (buffer_.size() >= FlushSize) Flush();
    }
    // Bytes handed to the file so far (written or buffered).
    uint64_t BytesWritten() const { return flushed_ + buffer_.size(); }

private:
    void Flush();
    void Put(std::string_view text);
    [[noreturn]] void Fail(const char* what, int error);

    static constexpr std::size_t FlushSize = 1u << 18;

    void Discard();

    int fd_ = -1;
    std::string fileName_;
    TemporaryFile temporary_;  // the file being written, beside fileName_
    std::string buffer_;
    std::string_view lineEnd_ = "\n";
    uint64_t flushed_ = 0;
    uint64_t startedToDisk_ = 0;  // bytes whose writing to the disk has begun
    static constexpr uint64_t WritebackStep = 8u << 20;
};

// Runs `save`, a part of a save; running out of memory in it ends the save
// like a failed write (RunWithinMemory): ExportError with the text
// `message()` gives, made only then, once what `save` held is released.
template <typename Message, typename Save>
void SaveWithinMemory(Message&& message, const std::string& fileName, Save&& save) {
    RunWithinMemory(save, [&] { return ExportError(message(), fileName); });
}

// The message of a file that could not be written for want of memory.
inline std::string NoMemoryToWrite(const std::string& fileName) { return "Not enough memory to write file " + fileName; }

// Appends the decimal text of n.
void AppendInt(std::string& out, int64_t n);
