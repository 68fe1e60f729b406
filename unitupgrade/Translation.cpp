#include "unitupgrade/Translation.h"

#include <cstring>
#include <optional>

#include "upgrade/BootLoader.h"
#include "upgrade/VersionAfterUpgrade.h"

#include "translations/FilledText.h"

#ifdef _WIN32  // no gettext: the catalogues are compiled in
#include <windows.h>

#include "unitupgrade/CatalogueTable.h"
#else
#include <libintl.h>
#include <locale.h>

#include <filesystem>
#include <system_error>
#endif

namespace gimbalctl {

namespace {

#ifdef _WIN32
// The translations of the user's language, from Windows' display language.
const char* const* userTexts = nullptr;

// The C library's texts that gimbalctl shows ("%1: %2" with the file's
// name): Windows has no catalogue of them, so gimbalctl's carries them.
[[maybe_unused]] constexpr const char* kSystemTexts[] = {
    N_("No such file or directory"), N_("Permission denied"),       N_("Is a directory"),
    N_("Input/output error"),        N_("No space left on device"), N_("Invalid argument"),
};

const char* languageCode() {
    const LANGID language = ::GetUserDefaultUILanguage();
    switch (PRIMARYLANGID(language)) {
        case LANG_GERMAN:
            return "de";
        case LANG_CHINESE:  // Simplified Chinese, as the mainland and Singapore write it
            return SUBLANGID(language) == SUBLANG_CHINESE_SIMPLIFIED ||
                           SUBLANGID(language) == SUBLANG_CHINESE_SINGAPORE
                       ? "zh_CN"
                       : nullptr;
        default:
            return nullptr;
    }
}

const char* ownText(const char* english) {
    if (!userTexts) return english;
    for (std::size_t k = 0; k < translations::kMarkedTextCount; ++k) {
        if (std::strcmp(translations::kMarkedTexts[k], english) == 0) {
            return userTexts[k] ? userTexts[k] : english;
        }
    }
    return english;
}
#else
#ifndef GIMBAL_LOCALE_DIR  // from the program's folder
#define GIMBAL_LOCALE_DIR "../share/locale"
#endif

constexpr const char* kDomain = "gimbalctl";

// `locale` beside the running program when it has one (a build tree), else
// the installed catalogues, found from the program's folder (bin/..).
std::string catalogueFolder() {
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (std::filesystem::is_directory(folder / "locale", error))
        return (folder / "locale").string();
    return (folder / GIMBAL_LOCALE_DIR).lexically_normal().string();
}

// The user's language and character set, used only while a text is looked
// up: the process keeps the C locale, so numbers (--timeout 2.5, figures)
// and the system's error texts that JSON carries read the same everywhere.
locale_t userLocale = locale_t(0);

// gimbalctl's catalogue, else the system's own, which words its error texts
// ("No such file or directory") in the user's language.
const char* ownText(const char* english) {
    if (userLocale == locale_t(0)) return english;
    const locale_t previous = ::uselocale(userLocale);
    const char* text = ::dgettext(kDomain, english);
    if (text == english) text = ::dgettext("libc", english);
    ::uselocale(previous);
    return text;
}
#endif

}  // namespace

#ifdef _WIN32
void setUpTranslation() {
    const char* code = languageCode();
    for (const catalogue::Language* language = catalogue::kLanguages; code && language->code;
         ++language) {
        if (std::strcmp(language->code, code) == 0) userTexts = language->texts;
    }
}
#else
void setUpTranslation() {
    userLocale = ::newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", locale_t(0));
    ::bindtextdomain(kDomain, catalogueFolder().c_str());
}
#endif

const char* translated(const char* english) {
    return english[0] == '\0' ? english : ownText(english);
}

std::string translated(const std::string& english) { return translated(english.c_str()); }

std::string formatted(const std::string& text, const std::vector<std::string>& arguments) {
    return translations::filledIn(text, arguments);
}

std::string shown(const translations::Wording& wording) {
    std::vector<std::string> values = wording.values;
    for (std::string& value : values) value = translated(value);  // a system's error text
    return formatted(translated(wording.text), values);
}

std::string shown(const translations::Sentences& sentences) {
    return sentences.shown([](const translations::Wording& part) { return shown(part); });
}

std::string translatedLine(const std::string& english) {
    const std::string text = translated(english);
    if (text != english) return text;
    for (const char* wording : upgrade::kVersionAfterTexts) {
        std::vector<std::string> values;
        if (translations::filledInFrom(wording, english, values)) {
            return formatted(translated(wording), values);
        }
    }
    // The core's lines with values (a restart in the boot loader).
    if (const auto wording = upgrade::bootLoaderWording(english)) {
        std::string line = shown(*wording);
        if (english.empty() || english.back() != '\n') {
            if (!line.empty() && line.back() == '\n') line.pop_back();
        }
        return line;
    }
    std::string withFeed = translated(english + "\n");
    if (withFeed != english + "\n") {
        if (!withFeed.empty() && withFeed.back() == '\n') withFeed.pop_back();
        return withFeed;
    }
    return translations::translatedLine(english,
                                        [](const char* marked) { return translated(marked); });
}

}  // namespace gimbalctl
