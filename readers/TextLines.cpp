#include "readers/TextLines.h"

#include "readers/ReaderCommon.h"

TextLines TextLines::FromFile(const std::string& fileName) { return FromText(ReadWholeFile(fileName)); }

TextLines TextLines::FromText(std::string text) {
    TextLines t;
    t.reader_ = TextLineReader(std::move(text));
    t.Split();
    return t;
}

void TextLines::Split() {
    lines_.clear();
    const char* base = reader_.Text().data();
    while (!reader_.Eof()) {
        const std::string_view line = reader_.ReadLine();
        if (line.empty())
            lines_.push_back({0, 0});
        else
            lines_.push_back({static_cast<std::size_t>(line.data() - base), line.size()});
    }
}
