#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// True when data begins as gzip data does (its two magic bytes).
inline bool isGzip(std::string_view data) {
    return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0x1F &&
           static_cast<unsigned char>(data[1]) == 0x8B;
}

enum class GunzipStatus {
    Done,
    TooLarge, // the text would pass the limit: decompression stopped there
    Damaged,  // not whole, valid gzip data
};

struct GunzipResult {
    GunzipStatus status = GunzipStatus::Done;
    std::string text; // on Done, every member's text, one after another
};

// Decompresses gzip data (one member or several in a row) into at most maxBytes of text, so that a
// small download cannot swell past the limit that the download itself was held to (0: no limit).
GunzipResult gunzip(std::string_view data, uint64_t maxBytes);

} // namespace velmora
