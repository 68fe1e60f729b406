// The firmware file button and the upgrade button's checks on the real window.

#include <QFileDialog>
#include <QLineEdit>

#include "tests/upgrade/UpgradeWindowFixture.h"
#include "upgrade/FirmwareFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kNotOpen = "The serial port is not open!\n";
const std::string kNoFile = "Please select a file first\n";

QFileDialog* openChooser(WindowHarness& h) {
    h.ctrl.btn_OpenFile->click();
    QFileDialog* panel = nullptr;
    pumpUntil([&] {
        panel = h.window.findChild<QFileDialog*>();
        return panel && panel->isVisible();
    });
    return panel;
}

TEST_F(UpgradeWindow, FileChooserLoadsTheConfirmedFileAndCancelChangesNothing) {
    const std::string path = dir.write("fw.plov", singleImageFile(imageBytes(10000, 1), 0, 0));

    QFileDialog* panel = openChooser(h);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->labelText(QFileDialog::Accept), "plov file");
    EXPECT_TRUE(panel->nameFilters().join(' ').contains("*.plov *.1plov *.2plov *.3plov"));
    EXPECT_FALSE(panel->accessibleName().isEmpty());
    panel->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(panel)->accept();  // as the "plov file" button does
    ASSERT_TRUE(pumpUntil([&] { return firmwareVariables().iFileLength == 10000; }));

    EXPECT_EQ(h.ctrl.m_File_Path->text().toStdString(), path);
    EXPECT_NE(log().find("Hardware Ver.:1.005   "), std::string::npos) << log();
    EXPECT_NE(log().find("Firmware Ver.:2.010"), std::string::npos) << log();
    EXPECT_EQ(h.ctrl.MaxProgress, 30);
    EXPECT_EQ(h.ctrl.progressIndicator->maximum(), 30);
    EXPECT_EQ(h.ctrl.progressIndicator->value(), 0);

    const std::string logBefore = log();
    panel = openChooser(h);
    ASSERT_NE(panel, nullptr);
    panel->selectFile(QString::fromStdString(dir.write("other.plov", Bytes(40, 0))));
    static_cast<QDialog*>(panel)->reject();
    pumpFor(50);
    EXPECT_EQ(log(), logBefore);
    EXPECT_EQ(h.ctrl.m_File_Path->text().toStdString(), path);
    EXPECT_EQ(firmwareVariables().iFileLength, 10000);
}

TEST_F(UpgradeWindow, RefusedAndOddFilesAsTheUserSeesThem) {
    const std::string illegal = firmware::kIllegalFileMessage;
    ASSERT_TRUE(QString::fromStdString(illegal).contains(QChar(0xFF01)));

    // A wrong maker word: the error instead of the versions, yet loaded.
    load("fw.plov", singleImageFile(imageBytes(2113, 1), 0, 0, {}, "xuvik"));
    EXPECT_TRUE(logEndsWith(illegal));
    EXPECT_EQ(log().find("Hardware"), std::string::npos);
    EXPECT_EQ(h.ctrl.progressIndicator->maximum(), 9);

    // A refused file shows its path and the message; the bar is left alone,
    // and no usable file is left for the upgrade button.
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    load("fw.1plov", singleImageFile(imageBytes(2113, 1), 0xFF, 0x12));
    EXPECT_TRUE(logEndsWith(illegal));
    EXPECT_TRUE(h.ctrl.m_File_Path->text().endsWith("fw.1plov"));
    EXPECT_EQ(h.ctrl.progressIndicator->maximum(), 9);
    h.ctrl.btn_Upgrade->click();
    EXPECT_TRUE(logEndsWith(kNoFile));

    // An empty image area loads (and shows an empty bar, not a busy one), but
    // there is nothing to send.
    load("fw.plov", singleImageFile({}, 0, 0));
    EXPECT_EQ(h.ctrl.MaxProgress, 0);
    EXPECT_GT(h.ctrl.progressIndicator->maximum(), 0);
    h.ctrl.btn_Upgrade->click();
    EXPECT_TRUE(logEndsWith(kNoFile));
    EXPECT_FALSE(h.ctrl.rTimerFlag);
    EXPECT_TRUE(h.ctrl.btn_Upgrade->isEnabled() && h.ctrl.btn_OpenFile->isEnabled());
}

TEST_F(UpgradeWindow, UpgradeButtonNeedsAnOpenPort) {
    load("fw.plov", singleImageFile(imageBytes(3000, 1), 0, 0));
    ASSERT_FALSE(h.ctrl.m_ULXSerialPort);  // no device at the default path
    h.ctrl.btn_Upgrade->click();
    EXPECT_TRUE(logEndsWith(kNotOpen));

    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    h.ctrl.btn_Close->click();
    h.ctrl.btn_Upgrade->click();
    EXPECT_TRUE(logEndsWith(kNotOpen));
    EXPECT_FALSE(h.ctrl.rTimerFlag);
    EXPECT_FALSE(h.ctrl.UpgradeTimer);
}

}  // namespace
