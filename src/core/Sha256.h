#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// SHA-256 (FIPS 180-4), fed piece by piece: what the window and the privileged helper agree on, so
// that the helper writes exactly the bytes the user asked to save.
class Sha256 {
public:
    Sha256();
    void add(std::string_view bytes);
    // The digest of everything added, as 64 lowercase hexadecimal digits. Ends the hash: add nothing after.
    std::string hex();

private:
    void block(const unsigned char* data);

    std::array<uint32_t, 8> m_state;
    std::array<unsigned char, 64> m_buffer{};
    size_t m_buffered = 0;
    uint64_t m_length = 0;
};

// The SHA-256 of bytes in lowercase hexadecimal.
std::string sha256Hex(std::string_view bytes);

} // namespace velmora
