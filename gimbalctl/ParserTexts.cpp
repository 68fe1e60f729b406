#include "gimbalctl/ParserTexts.h"

#include <CLI/CLI.hpp>
#include <cstring>

#include "unitupgrade/Translation.h"
#include "translations/FilledText.h"

namespace gimbalctl {
namespace {

// The columns a terminal gives a UTF-8 text: two for a wide (CJK) character.
std::size_t columns(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        if ((c & 0xC0) == 0x80) continue;
        width += c >= 0xE1 && c <= 0xEF ? 2 : 1;  // U+1000..U+FFFF: the wide scripts
    }
    return width;
}

// A heading ("Options:") in the user's language and punctuation.
std::string heading(const std::string& name) { return formatted(_("%1:"), {name}); }

std::string replacedOnce(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// `label: ` in the parser's text as a heading: a full-width colon takes no space after it.
std::string headed(const std::string& text, const std::string& label) {
    const std::string head = heading(label);
    const bool wide = static_cast<unsigned char>(head.back()) >= 0x80;
    return wide ? replacedOnce(text, label + ": ", head) : replacedOnce(text, label + ":", head);
}

class TranslatedFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override {
        return headed(CLI::Formatter::make_usage(app, name), get_label("Usage"));
    }
    std::string make_group(std::string group, bool is_positional,
                           std::vector<const CLI::Option*> opts) const override {
        return replacedOnce(CLI::Formatter::make_group(group, is_positional, opts), group + ":\n",
                            heading(group) + "\n");
    }
    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override {
        std::string text = CLI::Formatter::make_subcommands(app, mode);
        for (const CLI::App* command : app->get_subcommands({})) {
            const std::string group = command->get_group();
            if (group.empty()) continue;
            text = replacedOnce(text, "\n" + group + ":\n", "\n" + heading(group) + "\n");
        }
        return text;
    }
    std::string make_option_name(const CLI::Option* option, bool is_positional) const override {
        return is_positional ? get_label(option->get_name(true, false))
                             : CLI::Formatter::make_option_name(option, false);
    }
    std::string make_option_opts(const CLI::Option* option) const override {
        std::string text = CLI::Formatter::make_option_opts(option);
        for (const char* label : {"Env", "Needs", "Excludes"})
            text = headed(text, get_label(label));
        return text;
    }
    std::string make_option(const CLI::Option* option, bool is_positional) const override {
        return row(make_option_name(option, is_positional) + make_option_opts(option),
                   make_option_desc(option));
    }
    std::string make_subcommand(const CLI::App* command) const override {
        return row(command->get_display_name(true), command->get_description());
    }

private:
    // The name in the first column, the description beside it, its further
    // lines under it: padded by the columns shown, not by bytes. A name that
    // would meet its description after a single space reads as one option (to
    // a reader, and to help2man, which makes the manual pages): it gets its
    // description on the next line, as a longer one does.
    std::string row(const std::string& name, const std::string& description) const {
        std::string out = "  " + name;
        const std::size_t width = columns(out);
        const bool ownLine = width + 1 >= column_width_;
        if (!ownLine) out += std::string(column_width_ - width, ' ');
        if (!description.empty()) {
            if (ownLine) out += "\n" + std::string(column_width_, ' ');
            for (const char c : description) {
                out += c;
                if (c == '\n') out += std::string(column_width_, ' ');
            }
        }
        return out + "\n";
    }
};

void translateCommand(CLI::App& app, const std::shared_ptr<CLI::Formatter>& formatter) {
    app.formatter(formatter);
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
        translateCommand(*command, formatter);
    }
}

// The parser's messages, each with the pointer to the help, and the
// messages of gimbalctl's own checks that the parser prefixes with the
// option's name.
const char* const kParserForms[] = {
    N_("%1 is required (see gimbalctl --help)"),
    N_("The following argument was not expected: %1 (see gimbalctl --help)"),
    N_("The following arguments were not expected: %1 (see gimbalctl --help)"),
    N_("%1: Value %2 not in range %3 to %4 (see gimbalctl --help)"),
    N_("%1: %2 not in {%3} (see gimbalctl --help)"),
    N_("%1: %2 required %3 missing (see gimbalctl --help)"),
    N_("%1 excludes %2 (see gimbalctl --help)"),
    N_("%1 requires %2 (see gimbalctl --help)"),
    N_("Could not convert: %1 = %2 (see gimbalctl --help)"),
    N_("%1: too many inputs for a flag (see gimbalctl --help)"),
    N_("%1: not a SHA-256 digest (64 hexadecimal digits): %2 (see gimbalctl --help)"),
    N_("%1: the station's name is empty (see gimbalctl --help)"),
};

}  // namespace

void translateHelp(CLI::App& app) {
    auto formatter = std::make_shared<TranslatedFormatter>();
    for (const char* label : {N_("Usage"), N_("OPTIONS"), N_("SUBCOMMAND"), N_("SUBCOMMANDS"),
                              N_("REQUIRED"), N_("Positionals"), N_("Env"), N_("Needs"),
                              N_("Excludes"), N_("FILE"), N_("DIR"), N_("PORT"), N_("SECONDS"),
                              N_("WHAT"), N_("NAME"), N_("[ADDR:]PORT"), N_("WHEN"), N_("SLOT")}) {
        formatter->label(label, translated(label));
    }
    translateCommand(app, formatter);
}

translations::Wording parseFailure(const CLI::ParseError& error) {
    const std::string english = std::string(error.what()) + " (see gimbalctl --help)";
    translations::Wording found{"%1", {english}};  // a form not known here: English
    std::size_t foundLength = 0;
    for (const char* form : kParserForms) {
        std::vector<std::string> values;
        if (std::strlen(form) > foundLength && translations::filledInFrom(form, english, values)) {
            found = {form, values};
            foundLength = std::strlen(form);
        }
    }
    return found;
}

}  // namespace gimbalctl
