#include "tests/upgrade/FirmwareFiles.h"

#include <cstdlib>
#ifdef _WIN32
#include <io.h>
#endif
#include <filesystem>
#include <fstream>
#include <stdexcept>

std::vector<uint8_t> imageBytes(std::size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = 2463534242u ^ (seed * 2654435761u);
    for (auto& b : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return bytes;
}

namespace {

void appendLe32(std::vector<uint8_t>& to, uint32_t v) {
    for (int s = 0; s < 32; s += 8) to.push_back(static_cast<uint8_t>(v >> s));
}

void appendVersion(std::vector<uint8_t>& to, const Version& v) {
    to.insert(to.end(), {v.hwWhole, v.hwThousandths, v.fwWhole, v.fwThousandths});
}

}  // namespace

std::vector<uint8_t> singleImageFile(const std::vector<uint8_t>& image, uint8_t markerLow,
                                     uint8_t markerHigh, Version version, const char* maker) {
    std::vector<uint8_t> file = image;
    file.insert(file.end(), maker, maker + 5);
    file.insert(file.end(), {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, markerLow, markerHigh});
    appendVersion(file, version);
    return file;
}

std::vector<uint8_t> multiImageFileWithLengths(const std::vector<uint8_t>& area, uint32_t len1,
                                               uint32_t len2, uint32_t len3, uint8_t which,
                                               Version version) {
    std::vector<uint8_t> file = area;
    file.insert(file.end(), {'t', 'u', 'v', 'i', 'k', 0xEE, 0xEE, 0xEE});
    appendLe32(file, len1);
    appendLe32(file, len2);
    appendLe32(file, len3);
    file.insert(file.end(), {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, which, 0x20});
    appendVersion(file, version);
    return file;
}

std::vector<uint8_t> multiImageFile(const std::vector<uint8_t>& id1,
                                    const std::vector<uint8_t>& id2,
                                    const std::vector<uint8_t>& id3, uint8_t which,
                                    Version version) {
    std::vector<uint8_t> area = id1;
    area.insert(area.end(), id2.begin(), id2.end());
    area.insert(area.end(), id3.begin(), id3.end());
    return multiImageFileWithLengths(area, static_cast<uint32_t>(id1.size()),
                                     static_cast<uint32_t>(id2.size()),
                                     static_cast<uint32_t>(id3.size()), which, version);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fwtest.XXXXXX").string();
#ifdef _WIN32  // the portable core's tests built for Windows: no mkdtemp there
    if (::_mktemp_s(pattern.data(), pattern.size() + 1) != 0 ||
        !std::filesystem::create_directory(pattern)) {
        throw std::runtime_error("_mktemp_s failed");
    }
#else
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
#endif
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file);
    return file;
}
