// Problems a reader met in a file and went past (an index out of range, a
// truncated chunk): each kind is counted while the file is read and reported
// once at the end as one "<!>" line, so that a damaged file never floods the
// log and never passes for a clean one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/StatusLog.h"

class ReadIssues {
public:
    // `message` is the text of the line without "<!>"; "{n}" in it stands
    // for the count and "{file}" for the file name.
    void Add(std::string_view message, int64_t n = 1) {
        for (auto& [text, count] : kinds_)
            if (text == message) {
                count += n;
                return;
            }
        kinds_.emplace_back(std::string(message), n);
    }
    int64_t Count(std::string_view message) const {
        for (const auto& [text, count] : kinds_)
            if (text == message) return count;
        return 0;
    }
    bool Any() const { return !kinds_.empty(); }

    // Logs one line per kind, in the order the kinds were first met.
    void Report(std::string_view fileName) const {
        for (const auto& [text, count] : kinds_) {
            std::string line = "<!>";
            for (std::size_t i = 0; i < text.size();) {
                if (text.compare(i, 3, "{n}") == 0) {
                    line += std::to_string(count);
                    i += 3;
                } else if (text.compare(i, 6, "{file}") == 0) {
                    line += fileName;
                    i += 6;
                } else {
                    line += text[i++];
                }
            }
            LogMessage(line);
        }
    }

private:
    std::vector<std::pair<std::string, int64_t>> kinds_;
};

// The line every binary reader logs when a read ran past the end of a chunk
// or of the file.
inline constexpr std::string_view DamagedFileIssue = "{file} is truncated or damaged; what could be read was kept";
