#pragma once

#include <cstdint>

namespace velmora {

// The pictures of the message box and the input box, by number. A number without a picture (None)
// leaves the picture area empty.
namespace DialogPicture {
inline constexpr int32_t Information = 0;
inline constexpr int32_t Critical = 1;
inline constexpr int32_t Exclamation = 2;
inline constexpr int32_t Question = 3;
inline constexpr int32_t Note = 4;
inline constexpr int32_t None = 5;
} // namespace DialogPicture

} // namespace velmora
