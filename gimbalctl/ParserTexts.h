#pragma once
// The command-line parser's own words in the user's language: its help (the
// headings, labels and value names, the columns aligned as a terminal shows
// them) and its failures, rebuilt from the parser's English message. The
// options, their parsing and the statuses stay the parser's.

#include <string>

#include "translations/Marked.h"

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace gimbalctl {

// Gives the program and each of its commands the translated help. Once every
// option is added.
void translateHelp(CLI::App& app);

// A failure to parse the command line, with where to read more: English in
// JSON, in the user's language for people (an unknown form stays English).
translations::Wording parseFailure(const CLI::ParseError& error);

}  // namespace gimbalctl
