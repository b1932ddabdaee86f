#pragma once

// The message box's decisions as plain data: which buttons, picture, sound and focus a style brings,
// where custom captions go, the focus on activation and the access-letter match. No widgets here: the
// Qt and the Win32 message boxes both take their decisions from these, and each can be checked
// without a window.

#include "core/UserInterface.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace velmora::messagebox {

inline constexpr int kSlots = 4;

// The third button has the focus. Only Yes/No/Cancel boxes and the plain Yes/No box take it.
inline constexpr int32_t kDefaultButton3 = MessageStyle::DefaultButton3;

// Every box starts with this sound; styles outside the button sets keep it.
inline constexpr std::string_view kDefaultSound = "SystemExclamation";

constexpr int16_t answerCode(Answer answer) {
    return static_cast<int16_t>(answer);
}

enum class ButtonGroup { None, OkOnly, OkCancel, YesNo, YesNoCancel, RetryCancel };

// A standard button for one slot; an empty caption means the group puts nothing there. `cancel`: the
// button takes the cancel flag (Esc) when it is filled in; a later slot's claim replaces an earlier one.
struct StandardButton {
    std::string_view caption;
    int16_t answer = answerCode(Answer::None);
    bool cancel = false;
};

// What one style asks for. Only the known combinations of buttons, picture and focus belong to a
// group; every other value (also one that merely looks like a known one bit by bit) decodes to group
// None: no standard button, no focus change, picture and sound left alone.
struct ButtonSet {
    ButtonGroup group = ButtonGroup::None;
    std::array<StandardButton, kSlots> buttons{};
    int focusSlot = -1;   // the slot that gets the focus first, -1 for none
    int32_t picture = -1; // the picture shown instead of the requested one, -1 for none
    std::string_view sound = kDefaultSound;
};

ButtonSet decodeStyle(int32_t style);

// Where custom captions land. `given[k]` tells whether caption k is non-empty. Slot i shows caption
// captionForSlot[i] (-1: no custom caption) and answers slotAnswer[i]; caption k answers k + 1 wherever
// it lands. Only groups of three (first three) and of two (first two) move right by one slot.
struct CaptionPlacement {
    std::array<int, kSlots> captionForSlot{};
    std::array<int16_t, kSlots> slotAnswer{};
};

CaptionPlacement placeCustomCaptions(const std::array<bool, kSlots>& given);

// The standard buttons that actually go into the row. A slot keeps the custom caption it shows: the
// standard button meant for it is dropped, together with the cancel flag it would bring. A slot whose
// own caption was given stays free of standard buttons too, also when that caption moved on (so two
// captions with an OK-only style show just those two). The OK-only group is the exception for the
// flags: slot 0 is centred and takes the default and cancel flags whatever it shows.
struct SlotFill {
    std::array<StandardButton, kSlots> filled{}; // empty caption: nothing filled into that slot
    int cancelSlot = -1;
    int defaultSlot = -1;
    bool centreSlot0 = false;
};

SlotFill fillStandardButtons(const ButtonSet& set, const std::array<bool, kSlots>& given);

// The slot that holds the focus after activation: `firstSlot` when it is visible, otherwise the visible
// slot with the lowest number; -1 when no slot is visible.
int activationFocusSlot(const std::array<bool, kSlots>& visible, int firstSlot);

// The slot that a typed character presses, or -1. A caption's access character is its first
// character, or the one after a leading "&"; it matches the typed character with case folded (the code
// OR 32). Control characters and "&" itself never press anything. Slots are tried from 0 to 3.
int accessLetterSlot(const std::array<std::u16string_view, kSlots>& captions, char16_t typed);

} // namespace velmora::messagebox
