#include "dialogs/InputBoxLogic.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace velmora::inputbox {

Typed filterTyped(char32_t code, bool numeric, bool upperCase) {
    if (upperCase)
        return Typed::Upper;
    if (!numeric)
        return Typed::Pass;
    const bool digit = code >= U'0' && code <= U'9';
    return digit || code == U'-' || code == U'.' || code == U'\b' ? Typed::Pass : Typed::Discard;
}

std::string numberText(std::string_view text) {
    std::string number;
    bool signSeen = false, pointSeen = false, digitSeen = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if ((c == '-' || c == '+') && !signSeen && !pointSeen && !digitSeen) {
            signSeen = true;
            if (c == '-')
                number += c;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
            number += c;
        } else if (c >= '0' && c <= '9') {
            digitSeen = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digitSeen)
        return "0";

    double value = 0;
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Too small reads as 0; too large is held at the largest number there is.
        const auto firstNonZero = number.find_first_of("123456789");
        const auto point = number.find('.');
        if (point != std::string::npos && firstNonZero > point)
            return "0";
        value = number.front() == '-' ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    }
    if (value == 0)
        return "0";

    // Plain digits over the whole ordinary range; exponent notation only where that would run long.
    const double magnitude = std::fabs(value);
    const auto format = magnitude >= 1e-15 && magnitude < 1e15 ? std::chars_format::fixed : std::chars_format::general;
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, written.ptr);
}

} // namespace velmora::inputbox
