#include "station/windows/ComUnitSource.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
#include <initguid.h>
#include <winioctl.h>
// clang-format on

#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "unitupgrade/windows/Ports.h"
#include "unitupgrade/windows/Utf8.h"

namespace gimbalctl::windows {
namespace {

constexpr auto kListEvery = std::chrono::seconds(1);

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The device instance id in a device interface's name:
// \\?\FTDIBUS#VID_0403+PID_6001+A1B2C3A#0000#{86e0d1e0-...} names
// FTDIBUS\VID_0403+PID_6001+A1B2C3A\0000.
std::string instanceIdOf(std::string interfaceName) {
    if (interfaceName.rfind("\\\\?\\", 0) == 0) interfaceName.erase(0, 4);
    interfaceName = interfaceName.substr(0, interfaceName.rfind("#{"));
    for (char& c : interfaceName) c = c == '#' ? '\\' : c;
    return upper(interfaceName);
}

}  // namespace

// Windows' word of COM port interfaces arriving and leaving, received by a
// message-only window on a thread of its own.
class DeviceNotifications {
public:
    DeviceNotifications() {
        thread_ = std::thread([this] { run(); });
        std::unique_lock lock(mutex_);
        started_.wait(lock, [this] { return window_ != nullptr || failed_; });
    }
    ~DeviceNotifications() {
        if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    bool working() const { return !failed_; }
    // True when a COM port arrived or left since the last call; `left` gains
    // the instance ids of those that left.
    bool take(std::set<std::string>& left) {
        std::lock_guard lock(mutex_);
        left.insert(left_.begin(), left_.end());
        left_.clear();
        return std::exchange(changed_, false);
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self =
            reinterpret_cast<DeviceNotifications*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_DEVICECHANGE && self &&
            (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
            const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
            if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
                const auto* device =
                    reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
                std::lock_guard lock(self->mutex_);
                self->changed_ = true;
                if (wParam == DBT_DEVICEREMOVECOMPLETE) {
                    self->left_.insert(instanceIdOf(utf8(device->dbcc_name)));
                }
            }
            return TRUE;
        }
        if (message == WM_CLOSE) {
            ::DestroyWindow(window);
            return 0;
        }
        if (message == WM_DESTROY) {
            ::PostQuitMessage(0);
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    void run() {
        WNDCLASSW type{};
        type.lpfnWndProc = procedure;
        type.hInstance = ::GetModuleHandleW(nullptr);
        type.lpszClassName = L"gimbalctl-station-devices";
        ::RegisterClassW(&type);
        HWND window = ::CreateWindowW(type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      type.hInstance, nullptr);
        HDEVNOTIFY registration = nullptr;
        if (window) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            DEV_BROADCAST_DEVICEINTERFACE_W filter{};
            filter.dbcc_size = sizeof filter;
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            filter.dbcc_classguid = GUID_DEVINTERFACE_COMPORT;
            registration =
                ::RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        }
        {
            std::lock_guard lock(mutex_);
            failed_ = !registration;
            window_ = registration ? window : nullptr;
        }
        started_.notify_all();
        if (!registration) {
            if (window) ::DestroyWindow(window);
            return;
        }
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
        ::UnregisterDeviceNotification(registration);
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable started_;
    HWND window_ = nullptr;
    std::atomic<bool> failed_{false};
    bool changed_ = false;
    std::set<std::string> left_;
};

ComUnitSource::ComUnitSource(Events events)
    : events_(std::move(events)), notifications_(std::make_unique<DeviceNotifications>()) {
    if (!notifications_->working()) {
        notifications_.reset();
        events_.notice(
            "Windows does not tell of COM ports arriving and leaving here: a gimbal "
            "swapped within a second on the same port may be missed.");
    }
    update();
}

ComUnitSource::~ComUnitSource() = default;

void ComUnitSource::update() {
    std::set<std::string> left;
    const bool told = notifications_ && notifications_->take(left);
    const auto now = std::chrono::steady_clock::now();
    if (!told && left.empty() && now < nextList_) return;
    nextList_ = now + kListEvery;

    std::map<std::string, PortInfo> listed;
    for (PortInfo& port : presentPorts()) {
        if (!port.usbId.empty()) listed[port.name] = std::move(port);
    }
    for (auto it = present_.begin(); it != present_.end();) {
        const auto found = listed.find(it->first);
        // Gone, another device on the same name, or away and back since the last list.
        if (found == listed.end() || upper(found->second.instanceId) != upper(it->second) ||
            left.count(upper(it->second))) {
            events_.gone(it->first);
            it = present_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [name, port] : listed) {
        if (present_.count(name)) continue;
        present_[name] = port.instanceId;
        UnitIdentity unit;
        unit.port = unit.node = name;
        unit.slot = port.instanceId;
        events_.appeared(unit);
    }
}

}  // namespace gimbalctl::windows
