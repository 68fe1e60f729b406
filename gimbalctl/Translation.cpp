#include "gimbalctl/Translation.h"

#include <CLI/CLI.hpp>

#include "upgrade/BootLoader.h"

#ifndef _WIN32  // glibc has gettext; Windows stays English
#include <libintl.h>
#include <locale.h>

#include <filesystem>
#include <system_error>
#endif

namespace gimbalctl {

#ifndef _WIN32
#ifndef GIMBAL_LOCALE_DIR  // from the program's folder
#define GIMBAL_LOCALE_DIR "../share/locale"
#endif

namespace {
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

}  // namespace

void setUpTranslation() {
    userLocale = ::newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", locale_t(0));
    ::bindtextdomain(kDomain, catalogueFolder().c_str());
}

const char* translated(const char* english) {
    if (userLocale == locale_t(0) || english[0] == '\0') return english;
    const locale_t previous = ::uselocale(userLocale);
    const char* text = ::dgettext(kDomain, english);
    ::uselocale(previous);
    return text;
}
#else
void setUpTranslation() {}
const char* translated(const char* english) { return english; }
#endif

std::string translated(const std::string& english) { return translated(english.c_str()); }

std::string formatted(const std::string& text, const std::vector<std::string>& arguments) {
    return translations::filledIn(text, arguments);
}

std::string shown(const translations::Wording& wording) {
    return formatted(translated(wording.text), wording.values);
}

std::string translatedLine(const std::string& english) {
    const std::string text = translated(english);
    if (text != english) return text;
    // The core's lines with values (a restart in the boot loader).
    if (const auto wording = upgrade::bootLoaderWording(english)) {
        std::string line = shown(*wording);
        if (english.empty() || english.back() != '\n') {
            if (!line.empty() && line.back() == '\n') line.pop_back();
        }
        return line;
    }
    std::string withFeed = translated(english + "\n");
    if (!withFeed.empty() && withFeed.back() == '\n') withFeed.pop_back();
    return withFeed;
}

}  // namespace gimbalctl

void gimbalctl::translateHelp(CLI::App& app) {
    for (const char* label : {N_("Usage"), N_("OPTIONS"), N_("SUBCOMMAND"), N_("SUBCOMMANDS"),
                              N_("REQUIRED"), N_("Positionals"), N_("Env")}) {
        app.get_formatter()->label(label, translated(label));
    }
    if (CLI::Option* help = app.get_help_ptr()) {
        help->description(translated(N_("Print this help message and exit")));
    }
    if (CLI::Option* version = app.get_version_ptr()) {
        version->description(translated(N_("Display program version information and exit")));
    }
    for (CLI::Option* option : app.get_options()) {
        if (option->get_group() == "Options") option->group(translated(N_("Options")));
    }
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        if (command->get_group() == "Subcommands") command->group(translated(N_("Subcommands")));
        translateHelp(*command);
    }
}
