#include "core/MessageBoxTables.h"

#include "core/DialogPicture.h"

#include <span>

namespace velmora::messagebox {

namespace {

using namespace MessageStyle;

// No picture and the first button focused add nothing to a style.
constexpr int32_t kNoPicture = 0;
constexpr int32_t kFirstButton = 0;

constexpr int32_t kAnyPicture[] = {kNoPicture, Critical, Question, Exclamation, Information};
constexpr int32_t kOkPictures[] = {kNoPicture, Critical, Exclamation, Information};
constexpr int32_t kQuestionPicture[] = {Question};
constexpr int32_t kWithoutPicture[] = {kNoPicture};
constexpr int32_t kFirstOrSecond[] = {kFirstButton, DefaultButton2};
constexpr int32_t kAnyFocus[] = {kFirstButton, DefaultButton2, kDefaultButton3};
constexpr int32_t kFirstOnly[] = {kFirstButton};
constexpr int32_t kThirdOnly[] = {kDefaultButton3};

// A style belongs to a group when it is the group's buttons plus one of its pictures plus one of its
// focus choices. Only these sums are known; anything else that looks alike bit by bit is not.
struct GroupRule {
    ButtonGroup group;
    int32_t buttons;
    std::span<const int32_t> pictures;
    std::span<const int32_t> focuses;
};

constexpr GroupRule kGroupRules[] = {
    {ButtonGroup::OkOnly, Ok, kOkPictures, kFirstOnly},
    {ButtonGroup::OkCancel, OkCancel, kAnyPicture, kFirstOrSecond},
    {ButtonGroup::YesNoCancel, YesNoCancel, kAnyPicture, kAnyFocus},
    {ButtonGroup::YesNo, YesNo, kAnyPicture, kFirstOrSecond},
    {ButtonGroup::YesNo, YesNo, kWithoutPicture, kThirdOnly},
    // A question without buttons asks Yes or No.
    {ButtonGroup::YesNo, Ok, kQuestionPicture, kFirstOrSecond},
    {ButtonGroup::RetryCancel, RetryCancel, kAnyPicture, kFirstOrSecond},
};

constexpr std::string_view kSoundHand = "SystemHand";
constexpr std::string_view kSoundQuestion = "SystemQuestion";
constexpr std::string_view kSoundExclamation = "SystemExclamation";
constexpr std::string_view kSoundAsterisk = "SystemAsterisk";

constexpr StandardButton kOkButton{"OK", answerCode(Answer::Ok), false};
constexpr StandardButton kCancelButton{"Cancel", answerCode(Answer::Cancel), true};
constexpr StandardButton kRetryButton{"Retry", answerCode(Answer::Retry), false};
constexpr StandardButton kYesButton{"&Yes", answerCode(Answer::Yes), false};
// No is the cancel slot of a Yes/No box; Cancel takes it over where there is one.
constexpr StandardButton kNoButton{"&No", answerCode(Answer::No), true};

ButtonSet buttonSet(ButtonGroup group, int32_t picture, int32_t focus) {
    ButtonSet set;
    set.group = group;
    set.focusSlot = 1 + (focus == DefaultButton2 ? 1 : 0) + (focus == kDefaultButton3 ? 2 : 0);
    set.sound = kSoundExclamation;
    switch (group) {
    case ButtonGroup::OkOnly:
        set.buttons[0] = kOkButton;
        set.focusSlot = 0;
        // A lone OK box always shows a picture: without one asked for, the information picture with
        // the question sound.
        set.picture = DialogPicture::Information;
        set.sound = kSoundQuestion;
        break;
    case ButtonGroup::OkCancel:
        set.buttons = {{{}, kOkButton, kCancelButton, {}}};
        break;
    case ButtonGroup::YesNoCancel:
        set.buttons = {{{}, kYesButton, kNoButton, kCancelButton}};
        set.sound = kSoundQuestion;
        break;
    case ButtonGroup::YesNo:
        set.buttons = {{{}, kYesButton, kNoButton, {}}};
        set.sound = kSoundQuestion;
        break;
    case ButtonGroup::RetryCancel:
        set.buttons = {{{}, kRetryButton, kCancelButton, {}}};
        break;
    case ButtonGroup::None:
        break;
    }
    if (picture == Critical) {
        set.picture = DialogPicture::Critical;
        set.sound = kSoundHand;
    } else if (picture == Question) {
        set.picture = DialogPicture::Question;
        set.sound = kSoundQuestion;
    } else if (picture == Exclamation) {
        set.picture = DialogPicture::Exclamation;
        set.sound = kSoundExclamation;
    } else if (picture == Information) {
        set.picture = DialogPicture::Information;
        set.sound = kSoundAsterisk;
    }
    return set;
}

} // namespace

ButtonSet decodeStyle(int32_t style) {
    for (const GroupRule& rule : kGroupRules) {
        for (const int32_t picture : rule.pictures) {
            for (const int32_t focus : rule.focuses) {
                if (style == (rule.buttons | picture | focus))
                    return buttonSet(rule.group, picture, focus);
            }
        }
    }
    return {};
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

int activationFocusSlot(const std::array<bool, kSlots>& visible, int firstSlot) {
    if (visible[static_cast<size_t>(firstSlot)])
        return firstSlot;
    for (int i = 0; i < kSlots; ++i) {
        if (visible[static_cast<size_t>(i)])
            return i;
    }
    return -1;
}

int accessLetterSlot(const std::array<std::u16string_view, kSlots>& captions, char16_t typed) {
    constexpr char16_t kFirstPrintable = u' ';
    constexpr char16_t kDelete = u'\x7f';
    constexpr char16_t kCaseBit = 32;
    if (typed < kFirstPrintable || typed == kDelete || typed == u'&')
        return -1;
    const auto fold = [](char16_t c) { return static_cast<char16_t>(c | kCaseBit); };
    for (int i = 0; i < kSlots; ++i) {
        std::u16string_view caption = captions[static_cast<size_t>(i)];
        if (!caption.empty() && caption.front() == u'&')
            caption.remove_prefix(1);
        if (!caption.empty() && fold(caption.front()) == fold(typed))
            return i;
    }
    return -1;
}

} // namespace velmora::messagebox
