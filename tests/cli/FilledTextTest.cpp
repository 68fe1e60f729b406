// English lines put together from marked texts and values before a face
// shows them are found again and shown in the face's language.

#include <gtest/gtest.h>

#include <map>

#include "translations/FilledText.h"

namespace {

// A face's catalogue: the marked texts it has, with a wide script for some.
std::string lookUp(const char* english) {
    static const std::map<std::string, std::string> catalogue = {
        {"%1 is not present (unplugged, or mistyped).", "%1 不存在（已拔出或输入有误）。"},
        {"Ports present: %1.", "现有串口：%1。"},
        {"%1: %2", "%1：%2"},
        {"No such file or directory", "没有那个文件或目录"},
        {"the gimbal needs the upgrade run again", "该云台需要重新升级"},
        {"%1: the line went away (the gimbal or its adapter was unplugged or powered off)",
         "%1：连接已断开"},
        {"%1: out of range: %2", "%1：超出范围：%2"},
    };
    const auto found = catalogue.find(english);
    return found == catalogue.end() ? english : found->second;
}

}  // namespace

TEST(FilledText, SentencesAndValuesFoundAgainUnknownStaysEnglish) {
    using translations::translatedLine;
    // Two sentences, each filled in; no space after a full stop that sets none.
    EXPECT_EQ(translatedLine("/dev/ttyUSB7 is not present (unplugged, or mistyped). Ports present: "
                             "/dev/ttyS0, /dev/ttyUSB0.",
                             lookUp),
              "/dev/ttyUSB7 不存在（已拔出或输入有误）。现有串口：/dev/ttyS0, /dev/ttyUSB0。");
    // A short text ("%1: %2") is not taken for a whole line of sentences, but
    // for one; its value, a system's text, is looked up in turn.
    EXPECT_EQ(translatedLine("/tmp/a b.plov: No such file or directory", lookUp),
              "/tmp/a b.plov：没有那个文件或目录");
    // Sentences joined at "; ", the language's own semicolon after a wide one.
    EXPECT_EQ(translatedLine("COM3: the line went away (the gimbal or its adapter was unplugged or "
                             "powered off); the gimbal needs the upgrade run again",
                             lookUp),
              "COM3：连接已断开；该云台需要重新升级");
    // A value the catalogue lacks stays as it is.
    EXPECT_EQ(translatedLine("calibrate gyro: out of range: gyro z", lookUp),
              "calibrate gyro：超出范围：gyro z");
    // Nothing known: the English line, byte for byte.
    const std::string unknown = "a line no catalogue has. Another; and a third";
    EXPECT_EQ(translatedLine(unknown, lookUp), unknown);
}
