#include "writers/FileText.h"

#include "model/TextConv.h"

namespace {

bool IsControl(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

}  // namespace

std::string OneLineText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (IsControl(c) && c != '\t') c = '_';
    return out;
}

std::string PovFileNameString(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    out.push_back('"');
    for (const char c : PovFileNameAsRead(name)) {
        if (c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string PovFileNameAsRead(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c == '\\') c = '/';
        if (c == '\0') c = '_';
    }
    return out;
}

std::string PovTextString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else {
            out.push_back(IsControl(c) ? '_' : c);
        }
    }
    out.push_back('"');
    return out;
}

std::string PovImageKeyword(std::string_view map) {
    const std::string type = POVImageType(map);
    return IsPOVImageType(type, 0) ? type : std::string();
}

std::string PovImageSpec(std::string_view map) {
    const std::string keyword = PovImageKeyword(map);
    return keyword.empty() ? PovFileNameString(map) : keyword + " " + PovFileNameString(map);
}

std::string IniQuoted(std::string_view value) {
    std::string text = OneLineText(value);
    char quote = '"';
    if (text.find('"') != std::string::npos) {
        if (text.find('\'') == std::string::npos)
            quote = '\'';
        else
            for (char& c : text)
                if (c == '"') c = '_';
    }
    return quote + text + quote;
}

std::string ObjName(std::string_view name) {
    std::string out = OneLineText(name);
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    if (!out.empty() && out.back() == '\\') out.back() = '_';
    return out;
}

std::string MtlMapName(std::string_view name) {
    std::string out = ObjName(name);
    if (!out.empty() && (out.front() == '-' || out.front() == ' ' || out.front() == '\t')) out.insert(0, "./");
    return out;
}
