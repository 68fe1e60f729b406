// Moves what a verified frame means (protocol::decodeFrame) onto the port
// object: a reply's values and status code, or an upgrade frame to the block
// transfer.
//
// Values are stored before the status code, so the status poll that reads the
// code first always sees the values that came with it.

#include "protocol/Reply.h"
#include "serial/ULXSerialPort.h"

void ULXSerialPort::MAIN_USART_PLOV_PROTOCOL_DECODE(const uint8_t* f) {
    const protocol::DecodedFrame d = protocol::decodeFrame(f);
    switch (d.kind) {
        case protocol::DecodedFrame::Kind::kReply: {
            std::atomic<int16_t>* const fields[4] = {&m_Recv_Data_0, &m_Recv_Data_1, &m_Recv_Data_2,
                                                     &m_Recv_Data_3};
            for (int k = 0; k < d.valueCount; ++k) *fields[k] = d.value[k];
            m_MessageShow_Flag = d.code;
            break;
        }
        case protocol::DecodedFrame::Kind::kUpgrade:
            handleUpgradeFrame(f);
            break;
        case protocol::DecodedFrame::Kind::kNothing:
            break;
    }
}
