#pragma once
// The window in the desktop's language: QLocale reads LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG. Texts a catalogue lacks, and every text when no
// catalogue fits (an unknown language, a broken file), stay English.
//
// Mark a window text with tr("...") in UartToolCtrl, or
// QT_TRANSLATE_NOOP("UartToolCtrl", "...") where it is defined outside it;
// the window description's texts are marked already. Texts of the core come
// marked with N_("...") and are shown through coreText().

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <string>

class QCoreApplication;

// Loads the window's catalogue for `locale` (with Qt's own, for its dialogs'
// buttons) from `folder`, or by default from `translations` beside the
// program (a build tree), else where they are installed. Returns whether the
// window's own catalogue was found.
bool installTranslations(QCoreApplication& app, const QLocale& locale = QLocale(),
                         const QString& folder = QString());

// A text shown before the application exists (--help, no display), marked
// QT_TRANSLATE_NOOP("main", ...), in the desktop's language, as UTF-8.
QByteArray textBeforeStart(const char* english);

// A text the core wrote (a constant marked N_), in the window's language; a
// line it made of marked texts filled in with values, sentence by sentence.
QString coreText(const char* english);
QString coreText(const std::string& english);
// A line of the upgrade supervision: a constant, or one filled in with values
// (upgrade::bootLoaderWording), in the window's language.
QString supervisionLine(const char* english);
