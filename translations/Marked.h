#pragma once
// Marks an English text for translation where it is defined, without
// translating it there: each face looks the text up when it shows it
// (gettext's convention; tools/update-translations.sh collects the marks).
// The text itself is the key, so it stays the English one, byte for byte.
#define N_(text) text

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

}  // namespace translations
