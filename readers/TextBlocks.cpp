#include "readers/TextBlocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

TextBlocks::~TextBlocks() {
    if (fd_ >= 0) ::close(fd_);
}

void TextBlocks::Reset(std::size_t blockSize) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    open_ = false;
    text_.clear();
    textRead_ = 0;
    filled_ = handed_ = 0;
    fileSize_ = consumed_ = 0;
    started_ = eof_ = failed_ = false;
    capacity_ = blockSize < 64 ? 64 : blockSize;
}

bool TextBlocks::Open(const std::string& fileName, std::size_t blockSize) {
    Reset(blockSize);
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) fileSize_ = static_cast<uint64_t>(st.st_size);
    StartBuffer();
    return true;
}

void TextBlocks::StartBuffer() {
    // A file smaller than a block gets a buffer of its size (and a byte for
    // the line end a last line may lack), so that a small model does not
    // pay for clearing a whole block. One that grows meanwhile grows it.
    if (fileSize_ > 0 && fileSize_ < capacity_) capacity_ = std::max<std::size_t>(64, fileSize_ + 1);
    buffer_.reset(new char[capacity_ + Padding]());
    open_ = true;
}

void TextBlocks::OpenText(std::string_view text, std::size_t blockSize) {
    Reset(blockSize);
    text_.assign(text);
    fileSize_ = text_.size();
    StartBuffer();
}

void TextBlocks::Grow() {
    std::unique_ptr<char[]> bigger(new char[2 * capacity_ + Padding]());
    std::memcpy(bigger.get(), buffer_.get(), filled_);
    buffer_ = std::move(bigger);
    capacity_ *= 2;
}

void TextBlocks::Fill() {
    if (fd_ < 0) {  // a text in memory
        const std::size_t n = std::min(capacity_ - filled_, text_.size() - textRead_);
        std::memcpy(buffer_.get() + filled_, text_.data() + textRead_, n);
        filled_ += n;
        textRead_ += n;
        eof_ = textRead_ == text_.size();
        return;
    }
    while (!eof_ && filled_ < capacity_) {
        const ssize_t n = ::read(fd_, buffer_.get() + filled_, capacity_ - filled_);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            eof_ = true;
        } else if (n == 0) {
            eof_ = true;
        } else {
            filled_ += static_cast<std::size_t>(n);
        }
    }
}

bool TextBlocks::Next(std::string_view& block) {
    if (!open_ || failed_) return false;
    // What follows the lines handed out last moves to the front.
    if (handed_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + handed_, filled_ - handed_);
        filled_ -= handed_;
        handed_ = 0;
    }
    for (;;) {
        Fill();
        if (failed_) return false;
        char* const text = buffer_.get();
        if (!started_ && (filled_ >= 3 || eof_)) {
            started_ = true;
            if (filled_ >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
                std::memmove(text, text + 3, filled_ - 3);
                filled_ -= 3;
                continue;  // fill the three bytes again
            }
        }
        std::size_t cut = 0;
        if (eof_) {
            if (filled_ == 0) return false;
            // The rest of the file; a last line without a line end gets one.
            if (text[filled_ - 1] != '\n' && text[filled_ - 1] != '\r') {
                if (filled_ == capacity_) {
                    Grow();
                    continue;
                }
                text[filled_++] = '\n';
            }
            cut = filled_;
        } else if (const void* lf = ::memrchr(text, '\n', filled_)) {
            cut = static_cast<std::size_t>(static_cast<const char*>(lf) - text) + 1;
        } else if (filled_ > 1) {
            // Lines ended by CR alone: cut after the last CR that is known
            // not to be the first half of a CR LF.
            if (const void* cr = ::memrchr(text, '\r', filled_ - 1))
                cut = static_cast<std::size_t>(static_cast<const char*>(cr) - text) + 1;
        }
        if (cut == 0) {
            Grow();  // one line longer than the buffer
            continue;
        }
        handed_ = cut;
        consumed_ += cut;
        block = std::string_view(text, cut);
        return true;
    }
}
