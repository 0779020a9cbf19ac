#include "writers/TextWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "model/Errors.h"
#include "model/StatusLog.h"
#include "platform/FileReplace.h"
#include "writers/FastText.h"

namespace {

// The commits are opened and closed on the user-interface thread only.
OutputCommit* currentCommit = nullptr;

[[noreturn]] void RenameFailed(const std::string& fileName, int error) {
    throw ExportError("Cannot write file " + fileName + ": " + std::strerror(error), fileName);
}

}  // namespace

// ---- Commit -------------------------------------------------------------------

OutputCommit::OutputCommit() : outer_(currentCommit) {
    // A save: the folders it writes to are looked at for what killed saves
    // left behind (CreateFileBeside), once each.
    if (!outer_) ForgetSweptFolders();
    currentCommit = this;
}

// The files not committed are removed with their entries.
OutputCommit::~OutputCommit() { currentCommit = outer_; }

OutputCommit* OutputCommit::Current() { return currentCommit; }

void OutputCommit::Add(TemporaryFile&& temporary, const std::string& fileName) {
    entries_.push_back({std::move(temporary), SystemPath(fileName)});
}

void OutputCommit::Commit() {
    // The files not renamed when this ends (a failed rename) are removed
    // with the list.
    std::vector<Entry> entries = std::move(entries_);
    entries_.clear();
    if (outer_) {
        for (Entry& e : entries) outer_->Add(std::move(e.temporary), e.fileName);
        return;
    }
    for (Entry& e : entries)
        if (!RenameOver(e.temporary, e.fileName)) RenameFailed(e.fileName, errno);
}

void PutInPlace(TemporaryFile&& temporary, const std::string& fileName) {
    if (OutputCommit* commit = OutputCommit::Current()) {
        commit->Add(std::move(temporary), fileName);
        return;
    }
    if (!RenameOver(temporary, fileName)) RenameFailed(fileName, errno);
}

std::string FreeBackupName(const std::string& fileName) {
    const std::string base = SystemPath(fileName) + ".bak";
    std::string name = base;
    struct stat st;
    for (int k = 2; ::lstat(name.c_str(), &st) == 0; ++k) name = base + std::to_string(k);
    return name;
}

void CommitKeepingUnread(OutputCommit& commit, const std::string& fileName, std::string& unread) {
    if (unread.empty() || unread != fileName) {
        commit.Commit();
        return;
    }
    const std::string path = SystemPath(fileName);
    const std::string backup = FreeBackupName(fileName);
    if (::rename(path.c_str(), backup.c_str()) != 0 && errno != ENOENT) {
        const int error = errno;
        throw ExportError("Cannot keep file " + fileName + " as " + backup + ": " + std::strerror(error), fileName);
    }
    try {
        commit.Commit();
    } catch (const ExportError&) {
        ::rename(backup.c_str(), path.c_str());
        throw;
    }
    unread.clear();
}

// ---- Writer -------------------------------------------------------------------

CheckedTextWriter::CheckedTextWriter(const std::string& fileName, LineEnd lineEnd) { Open(fileName, lineEnd); }

CheckedTextWriter::~CheckedTextWriter() { Discard(); }

void CheckedTextWriter::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    temporary_.Remove();
}

void CheckedTextWriter::Open(const std::string& fileName, LineEnd lineEnd) {
    if (fd_ >= 0) Close();
    fileName_ = fileName;
    lineEnd_ = lineEnd == LineEnd::CRLF ? std::string_view("\r\n") : std::string_view("\n");
    buffer_.clear();
    buffer_.reserve(FlushSize + 4096);
    flushed_ = 0;
    startedToDisk_ = 0;
    const int fd = OpenReplacement(fileName, temporary_);
    if (fd < 0) Fail("create", errno);
    fd_ = fd;
}

void CheckedTextWriter::Close() {
    if (fd_ < 0) return;
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (!FinishFile(fd, temporary_)) Fail("write", errno);
    if (!temporary_.empty()) PutInPlace(std::move(temporary_), fileName_);
}

void CheckedTextWriter::Line(std::string_view text) {
    buffer_.append(text);
    buffer_.append(lineEnd_);
    FlushIfFull();
}

void CheckedTextWriter::Line(std::string_view marker, std::string_view text) {
    buffer_.append(marker);
    buffer_.append(text);
    buffer_.append(lineEnd_);
    FlushIfFull();
}

void CheckedTextWriter::Rule(std::string_view marker) { Line(marker, RuleLine); }

void CheckedTextWriter::Text(std::string_view text) {
    if (text.size() < FlushSize / 8) {
        buffer_.append(text);
        FlushIfFull();
        return;
    }
    // A large piece goes to the file straight after what is buffered,
    // without a copy.
    Flush();
    if (fd_ < 0) Fail("write", EBADF);
    Put(text);
}

void CheckedTextWriter::Flush() {
    if (fd_ < 0) {
        if (!buffer_.empty()) Fail("write", EBADF);
        return;
    }
    Put(buffer_);
    buffer_.clear();
}

void CheckedTextWriter::Put(std::string_view text) {
    if (!WriteAll(fd_, text.data(), text.size())) Fail("write", errno);
    flushed_ += text.size();
    // A file that is to reach the disk before it takes its place starts
    // going there while the rest is written: the wait at the end is then for
    // the last part only, not for a file of a hundred megabytes.
    if (!temporary_.empty() && flushed_ - startedToDisk_ >= WritebackStep) {
        ::sync_file_range(fd_, static_cast<off_t>(startedToDisk_), static_cast<off_t>(flushed_ - startedToDisk_),
                          SYNC_FILE_RANGE_WRITE);
        startedToDisk_ = flushed_;
    }
}

void CheckedTextWriter::Fail(const char* what, int error) {
    // The unfinished file goes; an earlier file of the name stays as it was.
    Discard();
    buffer_.clear();
    std::string message = "Cannot ";
    message += what;
    message += " file ";
    message += fileName_.empty() ? std::string("(no name)") : fileName_;
    message += ": ";
    message += FileErrorText(error);
    throw ExportError(message, fileName_);
}

void AppendInt(std::string& out, int64_t n) {
    char buf[24];
    out.append(buf, WriteFastInt(buf, n));
}
