// The maker's releases on the firmware page: a release folder signed with a
// key made by signify-openbsd, trusted in the user's key folder, listed and
// loaded by the real window, with the cache in a scratch folder.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "tests/support/WindowHarness.h"
#include "upgrade/FirmwareFile.h"

namespace {

bool mapped(const std::string& library) {
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find(library) != std::string::npos;
}

bool run(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("signify-openbsd"), args);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A single-image file carrying firmware 2.<minor>.
QByteArray firmware(int minor) {
    QByteArray bytes(2500, '\0');
    for (int k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(k * 13 + minor);
    return bytes + QByteArray("tuvik") + QByteArray(5, '\xee') +
           QByteArray("\xff\x10\x01\x05\x02", 5) + QByteArray(1, static_cast<char>(minor));
}

class ReleaseList : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("signify-openbsd")).isEmpty()) {
            GTEST_SKIP() << "no signify-openbsd";
        }
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        const QString keys = qEnvironmentVariable("XDG_CONFIG_HOME") + "/gimbalctl/trusted-keys";
        ASSERT_TRUE(QDir().mkpath(keys));
        ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("releases")));
        ASSERT_TRUE(run({"-G", "-n", "-c", "window test key", "-p", folder.filePath("key.pub"),
                         "-s", folder.filePath("key.sec")}));
        ASSERT_TRUE(QFile::copy(folder.filePath("key.pub"), keys + "/window-test.pub"));
        publish();
    }

    void TearDown() override {
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") +
                      "/gimbalctl/trusted-keys/window-test.pub");
    }

    // Two releases, the catalogue signed; `notes` of the newest as given.
    void publish(const QString& notes = QStringLiteral("Faster start")) {
        QByteArray releases;
        for (const int minor : {10, 9}) {
            const QByteArray bytes = firmware(minor);
            const QString name = QStringLiteral("gimbal-2.0%1.plov").arg(minor, 2, 10, QChar('0'));
            write(folder.filePath("releases/" + name), bytes);
            releases +=
                QStringLiteral(R"({"version": "2.0%1", "date": "2026-12-%1", "channel": "stable",
                "notes": "%2", "files": [{"name": "%3", "size": %4, "sha256": "%5"}]},)")
                    .arg(minor, 2, 10, QChar('0'))
                    .arg(minor == 10 ? notes : QStringLiteral("First"), name)
                    .arg(bytes.size())
                    .arg(QString::fromLatin1(
                        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()))
                    .toUtf8();
        }
        releases.chop(1);
        write(catalogue(),
              R"({"format": 1, "serial": 4, "published": "2026-12-08T15:00:00Z", "releases": [)" +
                  releases + "]}");
        ASSERT_TRUE(run({"-S", "-s", folder.filePath("key.sec"), "-m", catalogue(), "-x",
                         catalogue() + ".sig"}));
    }

    QString catalogue() const { return folder.filePath("releases/releases.json"); }
    QString log() const { return h->ctrl.outText->toPlainText(); }

    void listFrom(const QString& source) {
        // Whatever the window listed at start is over.
        ASSERT_TRUE(pumpUntil([&] { return h->ctrl.btn_ListReleases->isEnabled(); }, 10000));
        h->ctrl.m_ReleaseSource->setText(source);
        h->ctrl.btn_ListReleases->click();
    }

    QTemporaryDir cache;
    QTemporaryDir folder;
    std::unique_ptr<WindowHarness> h = std::make_unique<WindowHarness>();
};

TEST_F(ReleaseList, ListsOffTheGuiThreadLoadsAsAChosenFileAndRemembersTheSource) {
    UartToolCtrl& c = h->ctrl;
    EXPECT_EQ(c.m_ReleaseSource->accessibleName(), "Release source address");
    EXPECT_EQ(c.btn_ListReleases->accessibleName(), "List firmware releases");
    EXPECT_EQ(c.m_ReleaseList->accessibleName(), "Firmware releases");
    EXPECT_EQ(c.btn_LoadRelease->accessibleName(), "Load chosen release");

    // libcurl, libcrypto and what they bring load with the releases' library, when asked for.
    EXPECT_FALSE(mapped("libcurl")) << "loaded at start";
    EXPECT_FALSE(mapped("libcrypto")) << "loaded at start";
    listFrom(folder.filePath("releases"));
    EXPECT_FALSE(c.btn_ListReleases->isEnabled()) << "the click returns while the list is fetched";
    ASSERT_TRUE(pumpUntil([&] { return c.m_ReleaseList->count() == 2; }, 10000))
        << log().toStdString();
    EXPECT_TRUE(mapped("libcurl"));
    EXPECT_EQ(c.m_ReleaseList->item(0)->text(), "2.010 (2026-12-10, stable): Faster start");
    EXPECT_EQ(c.m_ReleaseList->item(1)->text(), "2.009 (2026-12-09, stable): First");

    // The release's lines are the chosen file's, then the release and its key.
    c.OpenPanelDidEnd(folder.filePath("releases/gimbal-2.010.plov"), 1);
    const QString chosen = log();
    c.btn_LoadRelease->click();
    ASSERT_TRUE(pumpUntil([&] { return log().size() > 2 * chosen.size(); }, 10000));
    const QString released = log().mid(chosen.size());
    EXPECT_TRUE(released.startsWith(chosen)) << released.toStdString();
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^\r?\nRelease 2\\.010 \\(2026-12-10, stable\\), signed by key "
                                   "[0-9a-f]{16} \\(window test key public key\\)$"))
                    .match(released.mid(chosen.size()))
                    .hasMatch())
        << released.toStdString();
    EXPECT_EQ(c.m_File_Path->text(), "gimbal-2.010.plov");

    // A new window lists the source last listed.
    h = std::make_unique<WindowHarness>();
    EXPECT_EQ(h->ctrl.m_ReleaseSource->text(), folder.filePath("releases"));
    EXPECT_TRUE(pumpUntil([&] { return h->ctrl.m_ReleaseList->count() == 2; }, 10000));
}

TEST_F(ReleaseList, AChangedCatalogueIsRefusedInOneLineAndListsNothing) {
    UartToolCtrl& c = h->ctrl;
    QFile file(catalogue());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray signedText = file.readAll();
    file.close();
    write(catalogue(), QByteArray(signedText).replace("Faster", "Slower"));
    listFrom(folder.filePath("releases"));
    ASSERT_TRUE(pumpUntil([&] { return c.btn_ListReleases->isEnabled(); }, 10000));
    EXPECT_EQ(c.m_ReleaseList->count(), 0);
    EXPECT_TRUE(log().contains("the signature does not match releases.json"))
        << log().toStdString();
    EXPECT_EQ(log().count('\n'), 1);
}

}  // namespace
