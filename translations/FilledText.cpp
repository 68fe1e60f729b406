#include "translations/FilledText.h"

#include <cstring>
#include <string_view>

namespace translations {
namespace {

// Whether `line` is `text` with its %1, %2... filled in; their values in `values`.
bool filledFrom(const char* text, const char* line, std::vector<std::string>& values) {
    if (*text == '\0') return *line == '\0';
    if (text[0] == '%' && text[1] >= '1' && text[1] <= '9') {
        const std::size_t index = std::size_t(text[1] - '1');
        for (const char* end = line + 1; end <= line + std::strlen(line); ++end) {
            if (values.size() <= index) values.resize(index + 1);
            const std::string value(line, end);
            if (!values[index].empty() && values[index] != value) continue;  // %1 twice
            const std::string before = values[index];
            values[index] = value;
            if (filledFrom(text + 2, end, values)) return true;
            values[index] = before;
        }
        return false;
    }
    return *text == *line && filledFrom(text + 1, line + 1, values);
}

// Whether the line can be the text filled in at all: it starts with the
// text's words before its first placeholder and ends with those after its
// last one (this spares the search most texts).
bool endsFit(const char* text, const std::string& line) {
    const std::string_view marked(text);
    const std::size_t first = marked.find('%');
    const std::size_t last = marked.rfind('%');
    const std::string_view head = marked.substr(0, first);
    const std::string_view tail = last + 2 <= marked.size() ? marked.substr(last + 2) : "";
    return line.size() >= head.size() + tail.size() && line.compare(0, head.size(), head) == 0 &&
           line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

std::size_t wordedLength(const char* text) {
    std::size_t length = 0;
    for (const char* c = text; *c; ++c) {
        if (c[0] == '%' && c[1] >= '1' && c[1] <= '9')
            ++c;
        else
            ++length;
    }
    return length;
}

// One sentence: a text of the catalogue itself, or one filled in with values
// (the most worded that fits), whose values are found the same way.
std::string translatedSentence(const std::string& english, const Lookup& lookup, int depth,
                               std::size_t leastWorded = 0) {
    const std::string whole = lookup(english.c_str());
    if (whole != english || depth == 0) return whole;
    const char* best = nullptr;
    std::vector<std::string> bestValues;
    for (std::size_t k = 0; k < kMarkedTextCount; ++k) {
        const char* text = kMarkedTexts[k];
        if (!std::strstr(text, "%1") || wordedLength(text) < leastWorded ||
            (best && wordedLength(text) <= wordedLength(best))) {
            continue;
        }
        std::vector<std::string> values;
        if (endsFit(text, english) && filledFrom(text, english.c_str(), values)) {
            best = text;
            bestValues = std::move(values);
        }
    }
    if (!best) return english;
    for (std::string& value : bestValues) value = translatedSentence(value, lookup, depth - 1);
    return filledIn(lookup(best), bestValues);
}

}  // namespace

bool filledInFrom(const char* text, const std::string& line, std::vector<std::string>& values) {
    values.clear();
    return filledFrom(text, line.c_str(), values);
}

std::string translatedLine(const std::string& english, const Lookup& lookup) {
    const std::string whole = translatedSentence(english, lookup, 3, 8);
    if (whole != english) return whole;
    std::string out;
    std::size_t start = 0;
    while (start < english.size()) {
        std::size_t stop = english.size();
        std::size_t next = stop;
        for (const char* mark : {". ", "; "}) {
            const std::size_t at = english.find(mark, start);
            if (at != std::string::npos && at < stop) {
                stop = mark[0] == '.' ? at + 1 : at;
                next = at + 2;
            }
        }
        const std::string sentence =
            translatedSentence(english.substr(start, stop - start), lookup, 3);
        // A script without spaces (Chinese) ends its sentence with its own mark.
        const bool wide = !sentence.empty() && static_cast<unsigned char>(sentence.back()) >= 0x80;
        out += sentence;
        if (next < english.size()) {
            const bool semicolon = english.compare(stop, 2, "; ") == 0;
            out += semicolon ? (wide ? "\xEF\xBC\x9B" : "; ") : (wide ? "" : " ");
        }
        start = next;
    }
    return out;
}

}  // namespace translations
