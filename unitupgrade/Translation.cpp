#include "unitupgrade/Translation.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>

#include "upgrade/BootLoader.h"
#include "upgrade/VersionAfterUpgrade.h"

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

namespace {

// The values of %1, %2... when `line` is `wording` filled in; none when it is not.
std::optional<std::vector<std::string>> valuesIn(std::string_view wording, std::string_view line) {
    std::vector<std::string> values;
    std::size_t at = 0;  // in `line`
    for (std::size_t k = 0; k < wording.size();) {
        const bool mark = wording[k] == '%' && k + 1 < wording.size() && wording[k + 1] >= '1' &&
                          wording[k + 1] <= '9';
        if (!mark) {
            if (at >= line.size() || line[at] != wording[k]) return std::nullopt;
            ++at, ++k;
            continue;
        }
        // The value runs to where the wording's next plain text is found.
        const std::size_t index = std::size_t(wording[k + 1] - '1');
        const std::size_t next = std::min(wording.find('%', k + 2), wording.size());
        const std::string_view after = wording.substr(k + 2, next - k - 2);
        const std::size_t end = after.empty() ? line.size() : line.find(after, at);
        if (end == std::string_view::npos) return std::nullopt;
        if (values.size() <= index) values.resize(index + 1);
        values[index] = std::string(line.substr(at, end - at));
        at = end, k += 2;
    }
    if (at != line.size()) return std::nullopt;
    return values;
}

}  // namespace

std::string translatedLine(const std::string& english) {
    const std::string text = translated(english);
    if (text != english) return text;
    for (const char* wording : upgrade::kVersionAfterTexts) {
        if (const auto values = valuesIn(wording, english)) {
            return formatted(translated(wording), *values);
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
    if (!withFeed.empty() && withFeed.back() == '\n') withFeed.pop_back();
    return withFeed;
}

}  // namespace gimbalctl

namespace {

// CLI11 pads an option to the description's column: one a character short of
// it would meet its description after a single space, and a reader (and
// help2man, which makes the manual pages) would take both for one option.
// Such an option gets its description on the next line, as a longer one does.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_option(const CLI::Option* option, bool isPositional) const override {
        const std::string name = make_option_name(option, isPositional) + make_option_opts(option);
        const bool oneSpace = name.size() + 3 == get_column_width();  // 2 spaces lead the name
        std::stringstream out;
        CLI::detail::format_help(out, oneSpace ? name + ' ' : name, make_option_desc(option),
                                 get_column_width());
        std::string lines = out.str();
        if (oneSpace) lines.erase(2 + name.size(), 1);  // the space that moved the description
        return lines;
    }
};

void useFormatter(CLI::App& app, const std::shared_ptr<CLI::Formatter>& formatter) {
    app.formatter(formatter);
    if (CLI::Option* help = app.get_help_ptr()) {
        help->description(gimbalctl::translated(N_("Print this help message and exit")));
    }
    if (CLI::Option* version = app.get_version_ptr()) {
        version->description(
            gimbalctl::translated(N_("Display program version information and exit")));
    }
    for (CLI::Option* option : app.get_options()) {
        if (option->get_group() == "Options") option->group(gimbalctl::translated(N_("Options")));
    }
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        if (command->get_group() == "Subcommands") {
            command->group(gimbalctl::translated(N_("Subcommands")));
        }
        useFormatter(*command, formatter);
    }
}

}  // namespace

void gimbalctl::translateHelp(CLI::App& app) {
    const auto formatter = std::make_shared<HelpFormatter>();
    for (const char* label : {N_("Usage"), N_("OPTIONS"), N_("SUBCOMMAND"), N_("SUBCOMMANDS"),
                              N_("REQUIRED"), N_("Positionals"), N_("Env")}) {
        formatter->label(label, translated(label));
    }
    useFormatter(app, formatter);
}
