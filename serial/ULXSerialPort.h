#pragma once
// One serial device of the system: exclusive raw open at 115200 8N1, a
// background reader feeding the link protocol's parser, framed writes, modem
// lines and error reporting. Port objects are unique per callout path through
// a class-wide registry of weak references.
//
// The member functions are defined by subsystem: line handling, registry,
// lines and errors in serial/, the receive parser and reply decoder in
// protocol/, the firmware block senders in upgrade/.

#include <termios.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/Millis.h"
#include "serial/PosixError.h"
#include "serial/SerialDevice.h"
#include "upgrade/BootLoader.h"
#include "upgrade/UpgradeLink.h"

class ULXSerialPort;
class FrameScanner;

// Receiver of a port's callbacks, all delivered on the main thread. Every
// callback is optional: a delegate states the ones it handles in handles().
class ULXSerialPortDelegate {
public:
    enum Callback : unsigned {
        kWasOpened = 1u << 0,
        kWasClosed = 1u << 1,
        kWasRemovedFromSystem = 1u << 2,
        kDidEncounterError = 1u << 3,
        kDidReceiveData = 1u << 4,
    };
    virtual ~ULXSerialPortDelegate() = default;
    virtual unsigned handles() const = 0;

    virtual void serialPortWasOpened(const std::shared_ptr<ULXSerialPort>&) {}
    virtual void serialPortWasClosed(const std::shared_ptr<ULXSerialPort>&) {}
    virtual void serialPortWasRemovedFromSystem(const std::shared_ptr<ULXSerialPort>&) {}
    virtual void serialPortDidEncounterError(const std::shared_ptr<ULXSerialPort>&,
                                             const PosixError&) {}
    virtual void serialPortDidReceiveData(const std::shared_ptr<ULXSerialPort>&,
                                          const std::vector<uint8_t>&) {}
};

class ULXSerialPort : public std::enable_shared_from_this<ULXSerialPort>,
                      public upgrade::UpgradeLink {
    struct Token {};  // construction goes through the factories only

public:
    // ---- Construction and registry (serial/PortRegistry.cpp) ----
    // The live port object for the device at this path (callout path, dial-in
    // path or a udev link), a new one when none lives, or none when no serial
    // device has the path.
    static std::shared_ptr<ULXSerialPort> serialPortWithPath(const std::string& path);
    // The live port object for the device's callout path, or a new one.
    // An empty device handle violates the contract (assertion).
    static std::shared_ptr<ULXSerialPort> serialPortWithDevice(const SerialDevice& device);
    static std::shared_ptr<ULXSerialPort> existingPortWithPath(const std::string& path);
    // Number of live port objects listed (for tests and diagnostics).
    static std::size_t registeredPortCount();

    ULXSerialPort(Token, const SerialDevice& device);
    ~ULXSerialPort();
    ULXSerialPort(const ULXSerialPort&) = delete;
    ULXSerialPort& operator=(const ULXSerialPort&) = delete;

    // ---- Device lookup (serial/DeviceLookup.cpp) ----
    static SerialDevice deviceFromBSDPath(const std::string& path);
    static std::optional<std::string> bsdCalloutPathFromDevice(const SerialDevice& device);
    static std::optional<std::string> bsdDialinPathFromDevice(const SerialDevice& device);
    static std::optional<std::string> modemNameFromDevice(const SerialDevice& device);
    static std::optional<std::string> baseNameFromDevice(const SerialDevice& device);
    static std::optional<std::string> serviceTypeFromDevice(const SerialDevice& device);
    static std::optional<std::string> suffixFromDevice(const SerialDevice& device);

    // ---- Identity ----
    std::string path() const;
    std::string name() const;
    SerialDevice IOKitDevice() const;
    std::string description() const;  // the name
    std::size_t hash() const;         // hash of the path
    bool isEqual(const ULXSerialPort& other) const;
    friend bool operator==(const ULXSerialPort& a, const ULXSerialPort& b) { return a.isEqual(b); }

    void setDelegate(std::weak_ptr<ULXSerialPortDelegate> delegate);
    std::shared_ptr<ULXSerialPortDelegate> delegate() const;

    // ---- Line (serial/SerialLine.cpp) ----
    bool open();   // true when this call opened the port
    bool close();  // true when the port is closed afterwards
    bool isOpen() const;
    // errno of the last open that failed (0 after an open that succeeded), so
    // a caller can explain the failure in words (serial/OpenFailure.h).
    int lastOpenError() const;
    int fileDescriptor() const;
    void setPortOptions();
    void cleanupAfterSystemRemoval();
    void cleanup();  // deprecated name of cleanupAfterSystemRemoval, logs a line

    // Line settings; an equal value changes nothing.
    unsigned long baudRate() const;
    void setBaudRate(unsigned long bitsPerSecond);
    unsigned long numberOfStopBits() const;
    void setNumberOfStopBits(unsigned long stopBits);
    unsigned long parity() const;  // 0 none, 1 odd, 2 even
    void setParity(unsigned long parity);
    bool shouldEchoReceivedData() const;
    void setShouldEchoReceivedData(bool echo);
    bool usesRTSCTSFlowControl() const;
    void setUsesRTSCTSFlowControl(bool uses);
    bool usesDTRDSRFlowControl() const;
    void setUsesDTRDSRFlowControl(bool uses);
    bool usesDCDOutputFlowControl() const;
    void setUsesDCDOutputFlowControl(bool uses);

    // ---- Writes (serial/SerialLine.cpp) ----
    bool sendData(const std::vector<uint8_t>& block);        // buffered, keeps an unwritten tail
    bool sendDataWithLen(const uint8_t* bytes, int length);  // one write of a finished frame
    // Frames the n content bytes (id, command, payload) that the caller placed
    // at offset 4 of a buffer with room for n + 6 bytes, and writes the frame.
    void ComSendData(uint8_t* buffer, int n);
    void receiveData(const std::vector<uint8_t>& block);  // forwards to the delegate

    // ---- Modem lines and errors (serial/ModemLines.cpp) ----
    bool RTS() const;
    void setRTS(bool on);
    bool DTR() const;
    void setDTR(bool on);
    bool CTS() const;
    void setCTS(bool on);
    bool DSR() const;
    void setDSR(bool on);
    bool DCD() const;
    void setDCD(bool on);
    void notifyDelegateOfPosixError();
    void notifyDelegateOfPosixErrorWaitingUntilDone(bool wait);
    // Observers of isOpen, told on every change of the descriptor.
    using OpenObserver = std::function<void(ULXSerialPort&)>;
    int addIsOpenObserver(OpenObserver observer);
    void removeIsOpenObserver(int token);

    // ---- Link protocol (protocol/) ----
    // True when the checksum byte at offset L matches the sum of offsets 2..L-1.
    bool USART_PLOV_PROTOCOL_CHECKSUM(const uint8_t* frame) const;
    // Feeds count received bytes to the process-wide frame parser.
    void MAIN_USART_PLOV_PROTOCOL_RUN(const uint8_t* bytes, std::size_t count);
    // The line has been quiet for a whole read wait: a partial frame is given
    // up and its bytes after the start are examined again.
    void MAIN_USART_PLOV_PROTOCOL_QUIET();
    // Decodes one complete, verified frame.
    void MAIN_USART_PLOV_PROTOCOL_DECODE(const uint8_t* frame);

    // Reply state, written by the decoder on the reader's thread and polled and
    // reset by the window's status poll on the main thread.
    std::atomic<uint8_t> m_MessageShow_Flag{0};
    std::atomic<int16_t> m_Recv_Data_0{0};
    std::atomic<int16_t> m_Recv_Data_1{0};
    std::atomic<int16_t> m_Recv_Data_2{0};
    std::atomic<int16_t> m_Recv_Data_3{0};

    // ---- Firmware upgrade (upgrade/BlockTransfer.cpp) ----
    // Upgrade state: 0 idle, 1 requesting, 2 transferring, 3 own board done,
    // 9 refused or failed, 10 complete.
    std::atomic<int8_t> iapstate{0};
    std::atomic<int> timer_count{0};
    std::atomic<int> fnum{0};
    std::atomic<int> IDNum{0};
    // When set, block requests are answered only while the gimbal has accepted
    // an upgrade asked for since Upgrade() (states 2 and 3): a request left on
    // the line by an earlier, interrupted run is never answered with a block
    // of this file. gimbalctl sets it; the window answers every request.
    std::atomic<bool> answersOnlyAcceptedUpgrade{false};
    // When a block request was last answered from a loaded file while no
    // upgrade ran (steadyMillis), so that no new file is installed while a
    // gimbal asks for blocks (upgrade/ImageInUse.h); empty when none was since
    // the last upgrade ended or the line opened, or the line is closed.
    std::optional<protocol::Millis> lastBlockOutsideUpgrade() const;
    // The gimbal asked for blocks while no upgrade ran, lately: it is in its
    // boot loader, its last upgrade unfinished (upgrade/BootLoader.h).
    bool gimbalInBootLoader() const;
    // True once per sighting of such a gimbal: its first request on this line,
    // or the first after it left the boot loader (upgrade/BootLoaderLine.h);
    // the window's status poll takes it.
    bool takeBootLoaderNotice() { return bootLoaderNoticeDue_.exchange(false); }

    void Upgrade();  // starts a new upgrade state; writes nothing
    // Block senders: 0 block written, 1 end-of-image frame written, 2 past the end.
    int8_t SendFirwareData(int block);                 // single image, gimbal id 3
    int8_t SendFirwareData0x02(int block);             // single image, gimbal id 2
    int8_t SendFirwareData0x01(int block);             // single image, gimbal id 1
    int8_t SendFirwareData2(int block, int gimbalId);  // multi-image, board 1..3

    // ---- The upgrade supervision's view of the port (upgrade/PortUpgradeLink.cpp) ----
    bool linkIsOpen() const override;
    const FirmwareVariables& linkFirmware() const override;  // the process-wide file
    void beginUpgrade() override;                            // Upgrade()
    int8_t upgradeState() const override;
    void setUpgradeState(int8_t state) override;
    int idleTicks() const override;
    void countIdleTicks(int seen, int count) override;
    std::vector<upgrade::BlockReport> takeBlockReports() override;
    bool takeBootLoaderRestart() override;
    void writeFrame(const uint8_t* bytes, std::size_t size) override;
    void closeLink() override;

private:
    // Hands every frame the scanner cuts to the decoder, until the reader's
    // session (if this runs on a reader) ends.
    void decodeScannedFrames(FrameScanner& scanner);
    // True on a reader thread whose session is over: it must not decode,
    // answer or write anything more.
    bool readerSessionEnded() const;
    // The decoder hands the four upgrade frames (0xE0, 0xE3, 0xE5, 0xE7) here.
    void handleUpgradeFrame(const uint8_t* frame);
    // Stores a block report for the supervision, and as fnum and IDNum.
    void recordBlockReport(const upgrade::BlockReport& report);
    static constexpr protocol::Millis kNoBlockAnswered = INT64_MIN;
    std::atomic<protocol::Millis> lastBlockOutsideUpgrade_{kNoBlockAnswered};
    std::atomic<bool> bootLoaderNoticeDue_{false};
    bool bootLoaderSeenOnLine_ = false;  // under bootLoaderMutex_
    // A block request arrived while no upgrade ran (under bootLoaderMutex_).
    void noteBootLoaderSighting();
    // A new line: nothing of an earlier one's gimbal counts.
    void forgetGimbalOutsideUpgrade();
    std::atomic<bool> upgrading_{false};  // from beginUpgrade to closeLink
    // Stops what the line handling still runs when the object goes away.
    void destroyLineState();

    // ---- Line handling (serial/) ----
    // One open-to-close span of the line, shared by its reader and its poller.
    struct LineSession;
    // The session of the reader running on this thread, if any.
    static thread_local const LineSession* readerSession_;

    // True while the session's descriptor is still the port's open one.
    bool sessionIsCurrent(const LineSession& session) const;
    void runReader(const std::shared_ptr<LineSession>& session);
    void runPoller(const std::shared_ptr<LineSession>& session);
    // The first of reader and poller to see the device gone reports it and
    // cleans up; the other one just ends.
    void handleDeviceGone(LineSession& session, int code);
    bool startLineThreads(const std::shared_ptr<LineSession>& session);
    void restoreLineOnClose(int fd);
    void reportPosixError(int code, bool waitUntilDone);
    // Posts a callback to the delegate on the main thread when it handles it.
    void postToDelegate(
        ULXSerialPortDelegate::Callback callback,
        std::function<void(ULXSerialPortDelegate&, const std::shared_ptr<ULXSerialPort>&)> call);
    bool delegateHandles(ULXSerialPortDelegate::Callback callback) const;
    void notifyIsOpenObservers();
    void driveOutputLine(std::atomic<bool>& line, int bit, bool on);

    mutable std::mutex identityMutex_;
    std::string path_;
    std::string name_;
    SerialDevice device_;
    std::weak_ptr<ULXSerialPortDelegate> delegate_;

    // Users of the descriptor (reads, writes, ioctls) hold the gate shared;
    // close holds it exclusively while it takes the descriptor away, so no
    // thread can use a descriptor number after close(2) has released it.
    mutable std::shared_mutex descriptorGate_;
    std::atomic<int> fileDescriptor_{0};
    std::atomic<int> lastOpenError_{0};
    std::atomic<uint64_t> currentSession_{0};  // 0 while closed
    uint64_t lastSession_ = 0;                 // guarded by descriptorGate_
    std::mutex writeMutex_;
    std::vector<uint8_t> writeBuffer_;
    termios originalPortAttributes_{};
    bool originalAttributesSaved_ = false;  // never write back attributes never read

    std::mutex reportsMutex_;
    std::vector<upgrade::BlockReport> reports_;  // recorded, not yet taken by the supervision
    std::optional<upgrade::BlockReport> lastReport_;  // a repeat of it is no progress
    mutable std::mutex bootLoaderMutex_;
    upgrade::BootLoaderWatch bootLoader_;

    std::mutex observersMutex_;
    std::map<int, OpenObserver> isOpenObservers_;
    int nextObserverToken_ = 1;

    unsigned long baudRate_ = 115200;
    unsigned long numberOfStopBits_ = 1;
    unsigned long parity_ = 0;
    bool shouldEchoReceivedData_ = false;
    bool usesRTSCTSFlowControl_ = false;
    bool usesDTRDSRFlowControl_ = false;
    bool usesDCDOutputFlowControl_ = false;
    std::atomic<bool> RTS_{false};
    std::atomic<bool> DTR_{false};
    std::atomic<bool> CTS_{false};
    std::atomic<bool> DSR_{false};
    std::atomic<bool> DCD_{false};
};

// Hash and equality by path, for unordered containers of port objects.
struct ULXSerialPortHash {
    std::size_t operator()(const std::shared_ptr<ULXSerialPort>& p) const {
        return p ? p->hash() : 0;
    }
};
