#pragma once

// Velmora's credit line at the foot of the main window and the web page it links to (the line's
// tooltip; a click opens it in the web browser). Kept here and nowhere else.
namespace velmora::credits {

inline constexpr char kText[] = "\u00a9 2026 Velmora team";
inline constexpr char kHomePage[] = "https://velmora.example.org/";

} // namespace velmora::credits
