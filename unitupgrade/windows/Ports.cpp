#include "unitupgrade/windows/Ports.h"

// clang-format off
#include <windows.h>
#include <devguid.h>
#include <setupapi.h>
#include <cfgmgr32.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

#include "unitupgrade/windows/Utf8.h"

namespace gimbalctl::windows {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Names are read in UTF-16 (the ...W calls) and kept in UTF-8: a friendly
// name such as "USB-Serielles Gerät (COM5)" comes out as Linux would print it.
std::string registryString(HKEY key, const wchar_t* value) {
    wchar_t data[256]{};
    DWORD type = 0, size = sizeof data - sizeof data[0];
    if (::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return utf8(data);
}

std::string deviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t data[512]{};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type,
                                             reinterpret_cast<BYTE*>(data),
                                             sizeof data - sizeof data[0], nullptr)) {
        return {};
    }
    return utf8(data);  // a multi-string's first string
}

void addFromSetupApi(std::vector<PortInfo>& ports) {
    HDEVINFO devices =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD k = 0; ::SetupDiEnumDeviceInfo(devices, k, &device); ++k) {
        HKEY key =
            ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        const std::string name = registryString(key, L"PortName");
        ::RegCloseKey(key);
        if (upper(name).rfind("COM", 0) != 0) continue;  // a printer port (LPT)
        wchar_t instance[MAX_DEVICE_ID_LEN]{};
        const bool haveInstance = ::SetupDiGetDeviceInstanceIdW(devices, &device, instance,
                                                                std::size(instance) - 1, nullptr);
        ports.push_back({name, deviceProperty(devices, device, SPDRP_FRIENDLYNAME),
                         usbIdOf(deviceProperty(devices, device, SPDRP_HARDWAREID)),
                         haveInstance ? utf8(instance) : std::string()});
    }
    ::SetupDiDestroyDeviceInfoList(devices);
}

void addFromDeviceMap(std::vector<PortInfo>& ports) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD k = 0;; ++k) {
        wchar_t value[256], data[256]{};
        DWORD valueLength = std::size(value), dataSize = sizeof data - sizeof data[0], type = 0;
        if (::RegEnumValueW(key, k, value, &valueLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS) {
            break;
        }
        if (type != REG_SZ) continue;
        const std::string name = utf8(data);
        const bool known = std::any_of(ports.begin(), ports.end(), [&](const PortInfo& p) {
            return upper(p.name) == upper(name);
        });
        if (!known) ports.push_back({name, {}, {}, {}});
    }
    ::RegCloseKey(key);
}

int portNumber(const std::string& name) { return std::atoi(name.c_str() + 3); }

}  // namespace

std::string usbIdOf(const std::string& hardwareId) {
    const std::string id = upper(hardwareId);
    const std::size_t vid = id.find("VID_");
    const std::size_t pid = id.find("PID_");
    if (vid == std::string::npos || pid == std::string::npos) return {};
    std::string usb = id.substr(vid + 4, 4) + ":" + id.substr(pid + 4, 4);
    for (char& c : usb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return usb.size() == 9 ? usb : std::string();
}

std::vector<PortInfo> presentPorts() {
    std::vector<PortInfo> ports;
    addFromSetupApi(ports);
    addFromDeviceMap(ports);
    std::sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        return portNumber(a.name) < portNumber(b.name);
    });
    return ports;
}

}  // namespace gimbalctl::windows
