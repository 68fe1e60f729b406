// Turns a verified reply into a status code and values on the port object, or
// hands a firmware-upgrade frame to the block transfer.
//
// Values are stored before the status code, so the status poll that reads the
// code first always sees the values that came with it. A reply too short for
// the fields its command reads is ignored rather than showing stale bytes.

#include "protocol/Frame.h"
#include "serial/ULXSerialPort.h"

namespace {

int16_t s16At(const uint8_t* f, unsigned k) {
    return static_cast<int16_t>(static_cast<uint16_t>(f[k] | (f[k + 1] << 8)));
}

int16_t u8At(const uint8_t* f, unsigned k) { return static_cast<int16_t>(f[k]); }

// The smallest length field that holds every byte the command's reply is read
// from (fields end before the checksum at offset L); 0 for unknown commands.
unsigned minimumLength(uint8_t command) {
    switch (command) {
        case frame::kReadVersion: return 10;      // four bytes at 6..9
        case frame::kJoystickUp:
        case frame::kJoystickDown:
        case frame::kJoystickLeft:
        case frame::kJoystickRight: return 8;     // one value at 6..7
        case frame::kJoystickMiddle: return 10;   // two values at 6..9
        case frame::kInitGyro: return 12;         // three values at 6..11
        case frame::kAccelerometer: return 13;    // mode at 6, three values at 7..12
        case frame::kResetParameters:
        case frame::kSaveAll: return 6;           // no payload read
        case frame::kUpgradeRequest:
        case frame::kBlock:
        case frame::kBlockReport:
        case frame::kFinalReport: return 7;       // the value at offset 6
        default: return 0;
    }
}

}  // namespace

void ULXSerialPort::MAIN_USART_PLOV_PROTOCOL_DECODE(const uint8_t* f) {
    const unsigned length = frame::lengthField(f);
    if (length < 6) return;  // no command byte inside the frame
    const uint8_t command = f[5];
    const unsigned needed = minimumLength(command);
    if (needed == 0 || length < needed) return;

    switch (command) {
        case frame::kReadVersion:
            m_Recv_Data_0 = u8At(f, 6);
            m_Recv_Data_1 = u8At(f, 7);
            m_Recv_Data_2 = u8At(f, 8);
            m_Recv_Data_3 = u8At(f, 9);
            m_MessageShow_Flag = 9;
            break;
        case frame::kJoystickUp:
            m_Recv_Data_0 = s16At(f, 6);
            m_MessageShow_Flag = 11;
            break;
        case frame::kJoystickDown:
            m_Recv_Data_0 = s16At(f, 6);
            m_MessageShow_Flag = 12;
            break;
        case frame::kJoystickMiddle:
            m_Recv_Data_0 = s16At(f, 6);
            m_Recv_Data_1 = s16At(f, 8);
            m_MessageShow_Flag = 15;
            break;
        case frame::kJoystickLeft:
            m_Recv_Data_0 = s16At(f, 6);
            m_MessageShow_Flag = 13;
            break;
        case frame::kJoystickRight:
            m_Recv_Data_0 = s16At(f, 6);
            m_MessageShow_Flag = 14;
            break;
        case frame::kInitGyro:
            m_Recv_Data_0 = s16At(f, 6);
            m_Recv_Data_1 = s16At(f, 8);
            m_Recv_Data_2 = s16At(f, 10);
            m_MessageShow_Flag = 1;
            break;
        case frame::kAccelerometer:
            m_Recv_Data_0 = s16At(f, 7);
            m_Recv_Data_1 = s16At(f, 9);
            m_Recv_Data_2 = s16At(f, 11);
            m_MessageShow_Flag = (f[6] == 1) ? 10 : 3;
            break;
        case frame::kResetParameters:
            m_MessageShow_Flag = 5;
            break;
        case frame::kSaveAll:
            m_MessageShow_Flag = 7;
            break;
        case frame::kUpgradeRequest:
        case frame::kBlock:
        case frame::kBlockReport:
        case frame::kFinalReport:
            handleUpgradeFrame(f);
            break;
        default:
            break;
    }
}
