// The window in another language: every control named in it and none cut
// off, on each page; and English whenever no catalogue fits.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTranslator>
#include <map>

#include "app/Translation.h"
#include "calibration/CalibrationRequest.h"
#include "tests/support/EnglishWords.h"
#include "tests/support/QtWait.h"
#include "tests/support/WindowHarness.h"
#include "upgrade/ImageInUse.h"

namespace {

// Every widget's accessible name and text, by object name.
std::map<QString, QStringList> namesAndTexts(const QMainWindow& window) {
    std::map<QString, QStringList> shown;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() ||
            widget->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        QStringList& words = shown[widget->objectName()];
        if (!widget->accessibleName().isEmpty()) words << widget->accessibleName();
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            words << button->text();
        if (const auto* label = qobject_cast<const QLabel*>(widget)) words << label->text();
    }
    return shown;
}

// The visible buttons and labels whose text needs more room than they have,
// with their sizes.
std::string clipped(const QMainWindow& window) {
    QStringList cut;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        const bool hasText =
            qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLabel*>(widget);
        if (!hasText || !widget->isVisible()) continue;
        const QSize wanted = widget->sizeHint();
        if (wanted.width() > widget->width() || wanted.height() > widget->height()) {
            cut << QStringLiteral("%1 (needs %2x%3, has %4x%5)")
                       .arg(widget->objectName())
                       .arg(wanted.width())
                       .arg(wanted.height())
                       .arg(widget->width())
                       .arg(widget->height());
        }
    }
    return cut.join(QStringLiteral(", ")).toStdString();
}

void removeTranslations() {
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

class TranslatedWindow : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override { removeTranslations(); }
};

}  // namespace

TEST_P(TranslatedWindow, EveryControlIsNamedInTheLanguageAndNoneIsCutOff) {
    std::map<QString, QStringList> english;
    {
        WindowHarness h;
        english = namesAndTexts(h.window);
    }
    ASSERT_TRUE(installTranslations(*qApp, QLocale(QString::fromLatin1(GetParam())),
                                    QStringLiteral(GIMBAL_TRANSLATIONS_DIR)));
    WindowHarness h;
    ASSERT_TRUE(h.waitForHelpPanelStart());
    const std::map<QString, QStringList> translated = namesAndTexts(h.window);
    for (const auto& [name, words] : english) {
        const QStringList& now = translated.at(name);
        ASSERT_EQ(now.size(), words.size()) << name.toStdString();
        for (int k = 0; k < words.size(); ++k) {
            // Axis labels and the like read the same in every language.
            if (words[k].size() > 2) {
                EXPECT_NE(now[k].toStdString(), words[k].toStdString()) << name.toStdString();
            }
        }
    }
    // The core's texts too, where the window shows them.
    h.ctrl.InitGyro();
    EXPECT_NE(h.ctrl.m_MessageShow->text(), QString::fromLatin1(calibration::kPortNotOpenMessage));
    // A core text with values: looked up as a whole, the values filled in where the
    // translation puts them.
    const std::string kept = upgrade::fileKeptMessage(
        {false, true, 0}, "new.plov", "old.plov, 2.010",
        [](const char* english) { return coreText(english).toStdString(); });
    EXPECT_EQ(kept.find("was not loaded"), std::string::npos) << kept;
    EXPECT_LT(kept.find("new.plov"), kept.find("old.plov, 2.010")) << kept;
    // The supervision's lines filled in with values: looked up by their wording.
    const QString again = supervisionLine(
        "The gimbal restarted in its boot loader at ID3, block 3 of 10: upgrading it again from "
        "the start, try 2 of 3.\n");
    EXPECT_FALSE(again.contains(QStringLiteral("boot loader"))) << again.toStdString();
    EXPECT_TRUE(again.contains(QStringLiteral("ID3")) && again.contains(QStringLiteral("10")))
        << again.toStdString();

    // A failed Open: the log's line and the cause found after it, both in
    // the language (the English line's 0x18 byte stays out of it).
    {
        WindowHarness failed;
        EXPECT_FALSE(failed.openPort("/dev/no-such-port"));
        EXPECT_TRUE(pumpUntil([&] { return failed.ctrl.outText->toPlainText().count('\n') == 2; }));
        const std::string log = failed.ctrl.outText->toPlainText().toStdString();
        EXPECT_EQ(englishWordIn(log), "") << log;
        EXPECT_EQ(log.find('\x18'), std::string::npos) << log;
        EXPECT_NE(log.find("/dev/no-such-port"), std::string::npos) << log;
    }

    // Each page, and the joystick page with its help panel shown.
    for (QPushButton* page : {h.ctrl.btn_FirmwareUpgrade_, h.ctrl.btn_AttitudeCalibration_,
                              h.ctrl.btn_CalibratioonJoystick_}) {
        page->click();
        QApplication::processEvents();
        EXPECT_EQ(clipped(h.window), "") << page->objectName().toStdString();
    }
    h.ctrl.btn_CalibrHelp_->click();
    QApplication::processEvents();
    EXPECT_EQ(clipped(h.window), "") << "with the help panel";
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedWindow, ::testing::Values("de_DE", "zh_CN"));

TEST(UntranslatedWindow, UnknownLanguageOrBrokenCatalogueLeavesItEnglish) {
    QTemporaryDir folder;
    QFile broken(folder.filePath(QStringLiteral("gimbal-tool_fr.qm")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a catalogue");
    broken.close();
    EXPECT_FALSE(installTranslations(*qApp, QLocale(QStringLiteral("fr_FR")), folder.path()));
    EXPECT_FALSE(installTranslations(*qApp, QLocale(QStringLiteral("sw_KE")),
                                     QStringLiteral(GIMBAL_TRANSLATIONS_DIR)));
    WindowHarness h;
    EXPECT_EQ(h.ctrl.btn_Open->text(), QStringLiteral("Open"));
    EXPECT_EQ(h.ctrl.btn_Upgrade->accessibleName(), QStringLiteral("Start firmware upgrade"));
    removeTranslations();
}
