#pragma once

// The message box's decisions as plain data: which standard buttons a `Buttons` value brings, where
// custom captions go, the tab order, the focus on activation, the centring of a lone OK button and
// the access-letter match. No Qt here, so every table can be checked without a window.

#include <array>
#include <cstdint>
#include <string_view>

namespace velmora::msgbox {

inline constexpr int kSlots = 4;

// Result codes of the standard buttons; 0 is a box closed without a button press.
inline constexpr int16_t kResultNone = 0;
inline constexpr int16_t kResultOk = 1;
inline constexpr int16_t kResultCancel = 2;
inline constexpr int16_t kResultRetry = 4;
inline constexpr int16_t kResultYes = 6;
inline constexpr int16_t kResultNo = 7;

// Picture numbers (the picture shown is resource number + 100).
inline constexpr int32_t kPictureInformation = 0;
inline constexpr int32_t kPictureCritical = 1;
inline constexpr int32_t kPictureExclamation = 2;
inline constexpr int32_t kPictureQuestion = 3;
inline constexpr int32_t kPictureDefault = 4;

// Every box starts with this sound; button sets outside the four groups keep it.
inline constexpr std::string_view kDefaultSound = "SystemExclamation";

enum class ButtonGroup { None, OkOnly, OkCancel, YesNo, RetryCancel };

// A standard button for one slot; an empty caption means the group puts nothing there. `cancel`: the
// button takes the cancel flag (Esc) when it is filled in; a later slot's claim replaces an earlier one.
struct StandardButton {
    std::string_view caption;
    int16_t result = kResultNone;
    bool cancel = false;
};

// What one value of `Buttons` asks for. Only the listed values belong to a group; every other value
// decodes to group None: no standard button, no focus change, picture and sound left alone.
struct ButtonSet {
    ButtonGroup group = ButtonGroup::None;
    std::array<StandardButton, kSlots> buttons{};
    int focusSlot = -1;   // argument of SetDefaultButton, -1 for no call
    int32_t picture = -1; // replacement picture number, -1 keeps the caller's `Icon`
    std::string_view sound = kDefaultSound;
};

ButtonSet decodeButtons(int32_t buttons);

// Where custom captions land. `given[k]` tells whether caption parameter k + 1 (`Button1`..`Button4`)
// is non-empty. Afterwards slot i shows caption parameter captionForSlot[i] + 1 (-1: no custom caption)
// and yields slotResult[i]; whichever slot it lands in, caption parameter K yields K.
struct CaptionPlacement {
    std::array<int, kSlots> captionForSlot{};
    std::array<int16_t, kSlots> slotResult{};
};

CaptionPlacement placeCustomCaptions(const std::array<bool, kSlots>& given);

// The standard buttons that actually go into the row. A slot keeps the custom caption it shows: the
// standard button meant for it is dropped, together with the cancel flag it would bring. A slot whose
// own caption parameter was given stays free of standard buttons too, also when that caption was moved
// on (so `Button1`, `Button2` with 64 show "A" and "B" and no "OK"). The OK-only group is the exception
// for the flags: slot 0 is centred and takes the default and cancel flags whatever it shows.
struct SlotFill {
    std::array<StandardButton, kSlots> filled{}; // empty caption: nothing filled into that slot
    int cancelSlot = -1;
    int defaultSlot = -1;
    bool centreSlot0 = false;
};

SlotFill fillStandardButtons(const ButtonSet& set, const std::array<bool, kSlots>& given);

// Tab positions of the four slots after SetDefaultButton(slot): slot i at (i - slot + 4) mod 4.
// A slot outside 0..3 leaves `current` unchanged.
std::array<int, kSlots> tabPositionsAfter(int slot, const std::array<int, kSlots>& current);

// The slot that holds the focus after activation: the visible slot with the lowest number, unless the
// slot at tab position 0 is visible, which then wins. -1 when no slot is visible.
int activationFocusSlot(const std::array<bool, kSlots>& visible, const std::array<int, kSlots>& tabPosition);

// Left edge of a lone OK button centred in the window: the difference of the widths rounded to the
// nearest whole number (ties to even), then halved with the remainder dropped.
int32_t centredLeft(double windowWidth, double buttonWidth);

// The slot that a typed character presses, or -1. The key is the character code OR 32 (folding upper
// case onto lower case); a slot matches when its caption's first character, or the character after a
// leading "&", folds to the same code. Slots are tried from 0 to 3; empty captions never match.
int accessLetterSlot(const std::array<std::u16string_view, kSlots>& captions, char16_t typed);

} // namespace velmora::msgbox
