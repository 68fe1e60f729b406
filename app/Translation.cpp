#include "app/Translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <optional>
#include <string>

#include "translations/FilledText.h"
#include "translations/Marked.h"
#include "upgrade/BootLoader.h"

namespace {

// `translations` beside the running program when it has one (a build tree),
// else the installed catalogues, found from the program's folder (bin/..).
// Known before the application exists.
QString catalogueFolder(const QString& folder) {
    if (!folder.isEmpty()) return folder;
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QDir programFolder = QFileInfo(program).absoluteDir();
    if (programFolder.exists(QStringLiteral("translations"))) {
        return programFolder.filePath(QStringLiteral("translations"));
    }
    return QDir::cleanPath(programFolder.filePath(QStringLiteral(GIMBAL_QM_DIR)));
}

// Installs the catalogue `name` for `locale` when one is found; the
// application takes it over.
bool install(QCoreApplication& app, const QLocale& locale, const QString& name,
             const QString& folder) {
    auto* translator = new QTranslator(&app);
    if (translator->load(locale, name, QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator)) {
        return true;
    }
    delete translator;
    return false;
}

}  // namespace

bool installTranslations(QCoreApplication& app, const QLocale& locale, const QString& folder) {
    install(app, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return install(app, locale, QStringLiteral("gimbal-tool"), catalogueFolder(folder));
}

QByteArray textBeforeStart(const char* english) {
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("gimbal-tool"), QStringLiteral("_"),
                        catalogueFolder(QString()))) {
        const QString text = translator.translate("main", english);
        if (!text.isEmpty()) return text.toUtf8();
    }
    return QByteArray(english);
}

// The core's texts carry no context: they come from gimbalctl's catalogue,
// which the build merges into the window's.
QString coreText(const char* english) { return QCoreApplication::translate("", english); }

QString coreText(const std::string& english) {
    const QString text = coreText(english.c_str());
    if (text.toStdString() != english) return text;
    return QString::fromStdString(translations::translatedLine(
        english, [](const char* marked) { return coreText(marked).toStdString(); }));
}

QString supervisionLine(const char* english) {
    const std::optional<translations::Wording> wording = upgrade::bootLoaderWording(english);
    if (!wording) return coreText(english);
    return QString::fromStdString(
        translations::filledIn(coreText(wording->text).toStdString(), wording->values));
}
