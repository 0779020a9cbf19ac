// A text file read in blocks of whole lines, for readers of files too large
// to be held whole next to the model they become: only one block of about a
// megabyte is in memory at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TextBlocks {
public:
    // Readable bytes after the end of every block, so that a scanner may load
    // eight bytes at a time without looking for the end.
    static constexpr std::size_t Padding = 64;

    TextBlocks() = default;
    ~TextBlocks();
    TextBlocks(const TextBlocks&) = delete;
    TextBlocks& operator=(const TextBlocks&) = delete;

    // False when the file cannot be opened (or is a folder).
    bool Open(const std::string& fileName, std::size_t blockSize = 1u << 20);
    // The same blocks from a text held in memory (copied).
    void OpenText(std::string_view text, std::size_t blockSize = 1u << 20);

    // The next block: one or more whole lines, each ended by CR, LF or CR LF
    // (a CR LF is never split between two blocks). The last line of a file
    // that does not end with a line end gets an LF. A UTF-8 byte-order mark
    // at the start of the file is dropped. The block stays valid until the
    // next call. False at the end of the file, or when reading failed
    // (Failed() tells which).
    bool Next(std::string_view& block);
    bool Failed() const { return failed_; }

    // The size of the file when it was opened (0 for one whose size is not
    // known), and the bytes handed out in blocks so far.
    uint64_t FileSize() const { return fileSize_; }
    uint64_t Consumed() const { return consumed_; }

private:
    void Reset(std::size_t blockSize);
    // The buffer for the text opened, sized to it when it is smaller than a block.
    void StartBuffer();
    void Fill();
    void Grow();

    int fd_ = -1;
    bool open_ = false;         // a file or a text is open
    std::string text_;          // the text of OpenText, read from in place of a file
    std::size_t textRead_ = 0;  // bytes of it read into the buffer
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;  // bytes of text the buffer holds (the padding is on top)
    std::size_t filled_ = 0;    // bytes of text in the buffer
    std::size_t handed_ = 0;    // bytes at its start handed out by the last Next
    uint64_t fileSize_ = 0;
    uint64_t consumed_ = 0;
    bool started_ = false;      // the byte-order mark has been looked for
    bool eof_ = false;
    bool failed_ = false;
};
