#include "platform/Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace velmora {

GunzipResult gunzip(std::string_view data, uint64_t maxBytes) {
    GunzipResult result;
    if (maxBytes == 0)
        maxBytes = std::numeric_limits<uint64_t>::max();
    z_stream stream{};
    // 16 + the largest window: gzip framing, with its header and checksum checked.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        result.status = GunzipStatus::Damaged;
        return result;
    }
    constexpr size_t kPiece = size_t{1} << 20;
    constexpr uInt kMaxIn = std::numeric_limits<uInt>::max();
    const auto* next = reinterpret_cast<const Bytef*>(data.data());
    size_t left = data.size();
    int rc = Z_OK;
    for (;;) {
        if (stream.avail_in == 0 && left > 0) {
            stream.next_in = const_cast<Bytef*>(next);
            stream.avail_in = static_cast<uInt>(std::min<size_t>(left, kMaxIn));
            next += stream.avail_in;
            left -= stream.avail_in;
        }
        if (result.text.size() >= maxBytes) {
            // Full: one byte more of text would pass the limit.
            char probe;
            stream.next_out = reinterpret_cast<Bytef*>(&probe);
            stream.avail_out = 1;
            rc = inflate(&stream, Z_NO_FLUSH);
            if (stream.avail_out == 0) {
                result.status = GunzipStatus::TooLarge;
                break;
            }
        } else {
            const size_t old = result.text.size();
            const size_t room = static_cast<size_t>(std::min<uint64_t>(kPiece, maxBytes - old));
            result.text.resize(old + room);
            stream.next_out = reinterpret_cast<Bytef*>(result.text.data() + old);
            stream.avail_out = static_cast<uInt>(room);
            rc = inflate(&stream, Z_NO_FLUSH);
            result.text.resize(old + room - stream.avail_out);
        }
        if (rc == Z_STREAM_END) {
            // Another member may follow; anything else after the last is damage.
            if (stream.avail_in == 0 && left == 0)
                break;
            if (inflateReset(&stream) != Z_OK) {
                result.status = GunzipStatus::Damaged;
                break;
            }
            continue;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            result.status = GunzipStatus::Damaged;
            break;
        }
        if (rc == Z_BUF_ERROR && stream.avail_in == 0 && left == 0) {
            result.status = GunzipStatus::Damaged; // the data ended inside a member
            break;
        }
    }
    inflateEnd(&stream);
    if (result.status != GunzipStatus::Done)
        result.text.clear();
    return result;
}

} // namespace velmora
