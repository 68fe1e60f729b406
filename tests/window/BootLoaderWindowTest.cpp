// A gimbal in its boot loader, seen by the window: block requests while the
// window started no upgrade.

#include <QLineEdit>

#include "protocol/Frame.h"
#include "tests/upgrade/UpgradeWindowFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kBootLoader =
    "The gimbal is in its boot loader: its last upgrade did not finish. Choose its firmware "
    "file and press Upgrade.\n";

class BootLoaderWindow : public UpgradeWindow {
protected:
    // The boot loader's request, as it asks about once a second.
    void askBlock0() { gimbal.send(frame::make(3, frame::kBlock, {0})); }
    bool loaded(const std::string& name) const {
        return h.ctrl.m_File_Path->text().endsWith(QString::fromStdString(name));
    }
};

// The log names the boot loader within 2 s, once while it keeps asking; a
// file is taken at once, since no file was in use; once the file answers,
// the one-image rule keeps it only while the line is open: a normal gimbal
// opened next takes another file at once.
TEST_F(BootLoaderWindow, NamedOnceAndNoFileRefusedForIt) {
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    QElapsedTimer since;
    since.start();
    askBlock0();
    ASSERT_TRUE(pumpUntil([&] { return logHas(kBootLoader); }, 2000)) << log();
    EXPECT_LE(since.elapsed(), 2000);
    for (int k = 0; k < 3; ++k) {
        askBlock0();
        pumpFor(300);
    }
    EXPECT_EQ(occurrences(kBootLoader), 1) << log();

    load("rescue.plov", singleImageFile(imageBytes(2 * 1056, 4), 0, 0));
    EXPECT_TRUE(loaded("rescue.plov")) << log();
    EXPECT_FALSE(logHas("was not loaded")) << log();

    askBlock0();  // answered from rescue.plov: it is in use now
    ASSERT_TRUE(pumpUntil(
        [&] { return h.ctrl.m_ULXSerialPort->lastBlockOutsideUpgrade().has_value(); }, 2000));
    h.ctrl.ClosePort();
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    load("other.plov", singleImageFile(imageBytes(1056, 5), 0, 0));
    EXPECT_TRUE(loaded("other.plov")) << log();
    EXPECT_FALSE(logHas("was not loaded")) << log();
    EXPECT_EQ(occurrences(kBootLoader), 1) << log();
}

}  // namespace
