#pragma once
// Crafted firmware files for the upgrade tests, written into a temporary
// directory that goes away with the object.

#include <cstdint>
#include <string>
#include <vector>

struct Version {
    uint8_t hwWhole = 1, hwThousandths = 5, fwWhole = 2, fwThousandths = 10;
};

// Image bytes that differ from block to block and from image to image.
std::vector<uint8_t> imageBytes(std::size_t size, uint8_t seed);

// An image followed by the 16-byte single-image trailer with the marker bytes
// low, high (file order) at 6 and 5 bytes before the end.
std::vector<uint8_t> singleImageFile(const std::vector<uint8_t>& image, uint8_t markerLow,
                                     uint8_t markerHigh, Version version = {},
                                     const char* maker = "tuvik");

// Three images back to back followed by the 32-byte trailer with the marker
// `which` 0x20 and the three lengths (or the given ones, to lie about them).
std::vector<uint8_t> multiImageFile(const std::vector<uint8_t>& id1,
                                    const std::vector<uint8_t>& id2,
                                    const std::vector<uint8_t>& id3, uint8_t which,
                                    Version version = {});
std::vector<uint8_t> multiImageFileWithLengths(const std::vector<uint8_t>& area, uint32_t len1,
                                               uint32_t len2, uint32_t len3, uint8_t which,
                                               Version version = {});

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes the bytes to a file of that name in the directory; returns its path.
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::string path_;
};
