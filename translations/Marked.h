#pragma once
// Marks an English text for translation where it is defined, without
// translating it there: each face looks the text up when it shows it
// (gettext's convention; tools/update-translations.sh collects the marks).
// The text itself is the key, so it stays the English one, byte for byte.
#define N_(text) text

#include <functional>
#include <string>
#include <vector>

namespace translations {

// The text with %1, %2... replaced by the arguments in that order, so that a
// translation may put them elsewhere.
inline std::string filledIn(const std::string& text, const std::vector<std::string>& arguments) {
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const std::size_t index = k + 1 < text.size() ? std::size_t(text[k + 1] - '1') : 9;
        if (text[k] == '%' && index < arguments.size()) {
            out += arguments[index];
            ++k;
        } else {
            out += text[k];
        }
    }
    return out;
}

// A marked text and the values for its %1, %2...: what a part that cannot
// translate hands to the face that shows it, which looks the text up first.
struct Wording {
    const char* text = "";  // marked with N_()
    std::vector<std::string> values;
    std::string english() const { return filledIn(text, values); }
};

// A face's catalogue: the text in the user's language, or the text itself.
using Lookup = std::function<std::string(const char* english)>;

// Sentences read one after another: joined by a space, except after a
// sentence that ends in a script that sets none (Chinese's full stop).
struct Sentences {
    std::vector<Wording> parts;

    std::string shown(const std::function<std::string(const Wording&)>& show) const {
        std::string out;
        for (const Wording& part : parts) {
            const std::string sentence = show(part);
            if (sentence.empty()) continue;
            if (!out.empty() && static_cast<unsigned char>(out.back()) < 0x80) out += ' ';
            out += sentence;
        }
        return out;
    }
    std::string english() const {
        return shown([](const Wording& part) { return part.english(); });
    }
};

}  // namespace translations
