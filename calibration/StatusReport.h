#pragma once
// The status poll's rules: what the last decoded reply of a port shows, and
// when it counts as shown. The window moves the result into its fields every
// 0.1 s; gimbalctl prints it once its request is answered.

#include <cstdint>
#include <optional>
#include <string>

#include "translations/Marked.h"

class ULXSerialPort;

namespace calibration {

// The colour verdict of one value: green in range, red out of range, or the
// field's colour left as it was.
enum class Verdict { kUnchanged, kInRange, kOutOfRange };

// The verdicts' colours in 8-bit red, green, blue (the window's 0.7 green and full red).
struct Rgb {
    uint8_t red, green, blue;
};
inline constexpr Rgb kInRangeColour{0, 179, 0};
inline constexpr Rgb kOutOfRangeColour{255, 0, 0};
// What a screen reader says of a value shown in the out-of-range colour.
inline constexpr const char* kOutOfRangeDescription = N_("out of range");

// How often a face shows the last reply.
inline constexpr int kStatusPollMs = 100;

struct StatusReport {
    enum class Field { kNone, kMessage, kJoystickMessage };
    enum class Values { kNone, kGyro, kAcc, kJoystick };

    uint8_t code = 0;
    Field field = Field::kNone;  // the message field the text replaces
    std::string text;
    Values values = Values::kNone;  // the fields the values go to
    int valueCount = 0;             // 3 for gyro and accelerometer, 1 or 2 for the joystick
    int16_t value[3] = {0, 0, 0};
    Verdict verdict[3] = {Verdict::kUnchanged, Verdict::kUnchanged, Verdict::kUnchanged};
};

// What a status code shows with the reply values it came with (m_Recv_Data_0..3):
// none when there is nothing to show (a code above 15, the greeting of a port
// that is not open). pageSelected is TabSelectNum: it picks the text for a
// save (code 7).
std::optional<StatusReport> describeStatus(uint8_t code, const int16_t values[4], int pageSelected,
                                           bool portOpen);

// Codes up to 10 are shown once; 11 to 15 (the joystick) stay and are shown again.
inline constexpr uint8_t kLastShownOnceCode = 10;
inline constexpr uint8_t kShownCode = 255;

// One look at the port's status code, as the status poll takes it every tick:
// none when there is nothing to show (no port, a code above 15, the greeting
// of a port that is not open). Codes 0 to 10 are marked shown (255) unless a
// newer reply replaced them meanwhile; codes 11 to 15 stay and are shown
// again. pageSelected is TabSelectNum: it picks the text for a save (code 7).
std::optional<StatusReport> pollStatus(ULXSerialPort* port, int pageSelected);

// The version text of code 9 from the four reply values.
std::string versionText(int16_t r0, int16_t r1, int16_t r2, int16_t r3);

}  // namespace calibration
