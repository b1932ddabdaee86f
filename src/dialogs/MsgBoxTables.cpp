#include "dialogs/MsgBoxTables.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace velmora::msgbox {

namespace {

using Values = std::initializer_list<int32_t>;

bool among(Values values, int32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// `Buttons` is matched against these explicit lists, never decoded bit by bit: values that look
// alike bit-wise (532 next to 531, 256, 272) are deliberately left out.
constexpr auto kSoundHand = std::string_view("SystemHand");
constexpr auto kSoundQuestion = std::string_view("SystemQuestion");
constexpr auto kSoundExclamation = std::string_view("SystemExclamation");
constexpr auto kSoundAsterisk = std::string_view("SystemAsterisk");

// The picture and sound columns: icon lists in the order critical, question, exclamation, information.
struct IconLists {
    Values hand, question, exclamation, asterisk;
};

void applyIcon(ButtonSet& set, int32_t value, const IconLists& lists) {
    if (among(lists.hand, value)) {
        set.picture = kPictureCritical;
        set.sound = kSoundHand;
    } else if (among(lists.question, value)) {
        set.picture = kPictureQuestion;
        set.sound = kSoundQuestion;
    } else if (among(lists.exclamation, value)) {
        set.picture = kPictureExclamation;
        set.sound = kSoundExclamation;
    } else if (among(lists.asterisk, value)) {
        set.picture = kPictureInformation;
        set.sound = kSoundAsterisk;
    }
}

constexpr StandardButton kOk{"OK", kResultOk, false};
constexpr StandardButton kCancel{"Cancel", kResultCancel, true};
constexpr StandardButton kRetry{"Retry", kResultRetry, false};
constexpr StandardButton kYes{"&Yes", kResultYes, false};
constexpr StandardButton kNo{"&No", kResultNo, true}; // the cancel slot of a Yes/No box without Cancel

} // namespace

ButtonSet decodeButtons(int32_t value) {
    ButtonSet set;
    if (among({0, 16, 48, 64}, value)) {
        set.group = ButtonGroup::OkOnly;
        set.buttons[0] = kOk;
        set.focusSlot = 0;
        // The picture is always replaced here; 0 shows the information picture with the question sound.
        set.picture = kPictureInformation;
        set.sound = kSoundQuestion;
        applyIcon(set, value, {{16}, {}, {48}, {64}});
    } else if (among({1, 17, 33, 49, 65, 257, 273, 289, 305, 321}, value)) {
        set.group = ButtonGroup::OkCancel;
        set.buttons[1] = kOk;
        set.buttons[2] = kCancel;
        set.focusSlot = among({257, 273, 289, 305, 321}, value) ? 2 : 1;
        set.sound = kSoundExclamation;
        applyIcon(set, value, {{17, 273}, {33, 289}, {49, 305}, {65, 321}});
    } else if (among({3,   4,   19,  20,  32,  35,  36,  51,  52,  67,  68,  259, 260, 275,
                      276, 288, 291, 292, 307, 308, 323, 324, 515, 516, 531, 547, 563, 579},
                     value)) {
        set.group = ButtonGroup::YesNo;
        set.buttons[1] = kYes;
        set.buttons[2] = kNo;
        if (among({3, 19, 35, 51, 67, 259, 275, 291, 307, 323, 515, 531, 547, 563, 579}, value))
            set.buttons[3] = kCancel;
        if (among({259, 260, 275, 276, 288, 291, 292, 307, 308, 323, 324}, value))
            set.focusSlot = 2;
        else if (among({515, 516, 531, 547, 563, 579}, value))
            set.focusSlot = 3;
        else
            set.focusSlot = 1;
        set.sound = kSoundQuestion;
        applyIcon(set, value,
                  {{19, 20, 275, 276, 531},
                   {32, 35, 36, 288, 291, 292, 547},
                   {51, 52, 307, 308, 563},
                   {67, 68, 323, 324, 579}});
    } else if (among({5, 21, 37, 53, 69, 261, 277, 293, 309, 325}, value)) {
        set.group = ButtonGroup::RetryCancel;
        set.buttons[1] = kRetry;
        set.buttons[2] = kCancel;
        set.focusSlot = among({261, 277, 293, 309, 325}, value) ? 2 : 1;
        set.sound = kSoundExclamation;
        applyIcon(set, value, {{21, 277}, {37, 293}, {53, 309}, {69, 325}});
    }
    return set;
}

CaptionPlacement placeCustomCaptions(const std::array<bool, kSlots>& given) {
    CaptionPlacement placement{{0, 1, 2, 3}, {1, 2, 3, 4}};
    const bool first = given[0], second = given[1], third = given[2], fourth = given[3];
    if (first && second && third && !fourth)
        placement = {{-1, 0, 1, 2}, {0, 1, 2, 3}};
    else if (first && second && !third && !fourth)
        placement = {{-1, 0, 1, -1}, {0, 1, 2, 0}};
    for (int& caption : placement.captionForSlot) {
        if (caption >= 0 && !given[static_cast<size_t>(caption)])
            caption = -1;
    }
    return placement;
}

SlotFill fillStandardButtons(const ButtonSet& set, const std::array<bool, kSlots>& given) {
    const CaptionPlacement placement = placeCustomCaptions(given);
    SlotFill fill;
    for (size_t i = 0; i < kSlots; ++i) {
        const StandardButton& button = set.buttons[i];
        if (button.caption.empty() || given[i] || placement.captionForSlot[i] >= 0)
            continue;
        fill.filled[i] = button;
        if (button.cancel)
            fill.cancelSlot = static_cast<int>(i);
    }
    if (set.group == ButtonGroup::OkOnly) {
        fill.centreSlot0 = true;
        fill.defaultSlot = 0;
        fill.cancelSlot = 0;
    }
    return fill;
}

std::array<int, kSlots> tabPositionsAfter(int slot, const std::array<int, kSlots>& current) {
    if (slot < 0 || slot >= kSlots)
        return current;
    std::array<int, kSlots> positions{};
    for (int i = 0; i < kSlots; ++i)
        positions[static_cast<size_t>(i)] = (i - slot + kSlots) % kSlots;
    return positions;
}

int activationFocusSlot(const std::array<bool, kSlots>& visible, const std::array<int, kSlots>& tabPosition) {
    int focus = -1;
    for (int i = kSlots - 1; i >= 0; --i) {
        if (visible[static_cast<size_t>(i)])
            focus = i;
    }
    for (int i = kSlots - 1; i >= 0; --i) {
        if (tabPosition[static_cast<size_t>(i)] == 0) {
            if (visible[static_cast<size_t>(i)])
                focus = i;
            break;
        }
    }
    return focus;
}

int32_t centredLeft(double windowWidth, double buttonWidth) {
    const double difference = windowWidth - buttonWidth;
    double rounded = std::round(difference); // ties away from zero ...
    if (std::fabs(difference - std::trunc(difference)) == 0.5)
        rounded = 2.0 * std::round(difference / 2.0); // ... so ties are sent to the even neighbour
    return static_cast<int32_t>(rounded) / 2;
}

int accessLetterSlot(const std::array<std::u16string_view, kSlots>& captions, char16_t typed) {
    const auto fold = [](char16_t c) { return static_cast<char16_t>(c | 32); };
    const char16_t key = fold(typed);
    for (int i = 0; i < kSlots; ++i) {
        const std::u16string_view caption = captions[static_cast<size_t>(i)];
        if (caption.empty())
            continue;
        const char16_t first = fold(caption[0]);
        if (first == key)
            return i;
        if (first == u'&' && caption.size() > 1 && fold(caption[1]) == key)
            return i;
    }
    return -1;
}

} // namespace velmora::msgbox
