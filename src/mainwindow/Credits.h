#pragma once

// Velmora's credit line at the foot of the main window and the web page it links to (the line's
// tooltip; a click opens it in the web browser). The page is the build's (cmake/Identity.cmake).
namespace velmora::credits {

inline constexpr char kText[] = "\u00a9 2026 Velmora team";
inline constexpr char kHomePage[] = VELMORA_HOMEPAGE;

} // namespace velmora::credits
