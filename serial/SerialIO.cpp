// The data path: the background reader that feeds the receive parser, and the
// three ways of writing to the line.

#include <poll.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <climits>
#include <thread>

#include "protocol/Frame.h"
#include "serial/LineSession.h"

namespace {

constexpr int kReadWaitMs = 100;  // bounds how long the reader outlives close
constexpr std::size_t kReadChunk = 1024;

}  // namespace

thread_local const ULXSerialPort::LineSession* ULXSerialPort::readerSession_ = nullptr;

bool ULXSerialPort::readerSessionEnded() const {
    return readerSession_ != nullptr && !sessionIsCurrent(*readerSession_);
}

// Waits up to 0.1 s for input, reads what is there and hands exactly those
// bytes to the parser on this thread. A hang-up (a read of nothing after the
// line said readable, or EIO/ENXIO/ENODEV) ends the reader and reports the
// device gone, so it never spins on a dead descriptor. A wait that ends with
// nothing to read means the line is quiet: a partial frame is given up then.
void ULXSerialPort::runReader(const std::shared_ptr<LineSession>& session) {
    struct ReaderScope {
        explicit ReaderScope(const LineSession* s) { readerSession_ = s; }
        ~ReaderScope() { readerSession_ = nullptr; }
    } scope(session.get());
    std::array<uint8_t, kReadChunk> buffer;
    const int fd = session->fd;
    while (sessionIsCurrent(*session)) {
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, kReadWaitMs);
        const int waitError = errno;
        if (!sessionIsCurrent(*session)) return;
        if (ready < 0) {
            if (waitError != EINTR) {
                reportPosixError(waitError, false);
                std::this_thread::sleep_for(std::chrono::milliseconds(kReadWaitMs));
            }
            continue;
        }
        if (ready == 0) {
            MAIN_USART_PLOV_PROTOCOL_QUIET();
            continue;
        }
        if ((wait.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;

        ssize_t count = 0;
        int readError = 0;
        {
            std::shared_lock gate(descriptorGate_);
            if (!sessionIsCurrent(*session)) return;
            count = ::read(fd, buffer.data(), buffer.size());
            readError = errno;
        }
        if (count > 0) {
            MAIN_USART_PLOV_PROTOCOL_RUN(buffer.data(), static_cast<std::size_t>(count));
        } else if (count == 0 || serial_line::meansDeviceGone(readError)) {
            handleDeviceGone(*session, count == 0 ? EIO : readError);
            return;
        }
    }
}

void ULXSerialPort::handleDeviceGone(LineSession& session, int code) {
    if (session.deviceGone.exchange(true)) return;
    if (currentSession_.load() != session.number) return;  // closed meanwhile
    reportPosixError(code, true);
    cleanupAfterSystemRemoval();
}

bool ULXSerialPort::sendData(const std::vector<uint8_t>& block) {
    std::unique_lock bufferLock(writeMutex_);
    ssize_t written = 0;
    int error = 0;
    {
        std::shared_lock gate(descriptorGate_);
        const int fd = fileDescriptor_;
        if (fd == 0) return false;
        writeBuffer_.insert(writeBuffer_.end(), block.begin(), block.end());
        if (writeBuffer_.empty()) return true;
        written = ::write(fd, writeBuffer_.data(), writeBuffer_.size());
        error = errno;
    }
    if (written < 0) {
        bufferLock.unlock();  // the delegate may write again from its callback
        reportPosixError(error, false);
        return false;
    }
    // What did not fit stays buffered and goes out ahead of the next block.
    writeBuffer_.erase(writeBuffer_.begin(), writeBuffer_.begin() + written);
    return true;
}

// On a reader thread (block frames answering the gimbal) the frame goes to the
// reader's own session or nowhere, never into a session opened after it.
bool ULXSerialPort::sendDataWithLen(const uint8_t* bytes, int length) {
    if (bytes == nullptr || length <= 0) return true;
    std::shared_lock gate(descriptorGate_);
    if (readerSessionEnded()) return true;
    const int fd = readerSession_ != nullptr ? readerSession_->fd : fileDescriptor_.load();
    if (fd == 0) return true;  // descriptor 0 marks a closed port, never a target
    [[maybe_unused]] const ssize_t written = ::write(fd, bytes, static_cast<std::size_t>(length));
    return true;
}

void ULXSerialPort::ComSendData(uint8_t* buffer, int n) {
    if (buffer == nullptr || n < 0 || n > INT_MAX - 6) return;
    const std::size_t size = frame::completeFrame(buffer, static_cast<std::size_t>(n));
    sendDataWithLen(buffer, static_cast<int>(size));
}

void ULXSerialPort::receiveData(const std::vector<uint8_t>& block) {
    postToDelegate(ULXSerialPortDelegate::kDidReceiveData,
                   [block](ULXSerialPortDelegate& d, const auto& self) {
                       d.serialPortDidReceiveData(self, block);
                   });
}
