// What the scene-description readers (VRML and X3D, POV-Ray meshes) share:
// the file's token list, the position of the walk through it, and the
// progress shown while the file is split and walked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "readers/TokenText.h"

class TokenWalk {
protected:
    // With `lower`, the text is lowered (ASCII) before it is split.
    TokenWalk(tscene& scene, std::string fileName, std::string bytes, bool lower = true)
        : scene_(scene), fileName_(std::move(fileName)), tokens_(std::move(bytes), fileName_, lower) {}

    // The token at i; the empty view past the last token.
    std::string_view Tok(std::size_t i) const { return tokens_[i]; }

    // Splits the text line by line: `line(begin, end)` returns the part of
    // the line [begin, end) that holds words (comments cut away) as a pair of
    // offsets, which `splitter` then splits into the token list.
    template <typename Line>
    void TokenizeLines(CommaTokenizer& splitter, Line&& line) {
        LogMessage("Parsing file...");
        std::string& s = tokens_.Bytes();
        const double total = static_cast<double>(s.size());
        std::size_t lineNumber = 0;
        ForEachLine(s, [&](std::size_t b, std::size_t e) {
            if ((++lineNumber & 0x3FFF) == 0) ShowProgress(0, total, static_cast<double>(b));
            const std::pair<std::size_t, std::size_t> words = line(b, e);
            if (words.first < words.second) splitter.Split(tokens_, words.first, words.second);
        });
        count_ = tokens_.Count();
    }

    // Walks the token list from the start: `step(token)` runs with the
    // position already past the token and may take further tokens.
    template <typename Step>
    void WalkTokens(Step&& step) {
        const double last = count_ > 0 ? static_cast<double>(count_ - 1) : 0.0;
        pos_ = 0;
        while (pos_ < count_) {
            if ((pos_ & 0xFFFF) == 0) ShowProgress(0, last, static_cast<double>(pos_));
            step(Tok(pos_++));
        }
        ShowProgress(0, last, last);
    }

    tscene& scene_;
    std::string fileName_;
    TokenText tokens_;
    std::size_t count_ = 0;
    std::size_t pos_ = 0;
    bool truncated_ = false;  // the file ended inside a block or node
};
