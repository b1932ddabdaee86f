#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace velmora {

// Which lines of a list are selected, and the current line (-1 for none). Kept apart from the lines,
// so that the document's editing works the same with a view or without one.
class Selection {
public:
    // How a change came about: from the program (a view shows it and scrolls to the current line
    // when `reveal` is set) or from the view (nothing is sent back to it).
    using Listener = std::function<void(bool reveal)>;

    bool isSelected(int32_t index) const;
    int32_t selectedCount() const { return m_count; }
    int32_t current() const { return m_current; }
    const std::vector<uint8_t>& flags() const { return m_flags; }

    // Selects the first `lines` lines; the current line stays.
    void selectAll(int32_t lines);
    // Nothing selected; the current line stays.
    void clear();
    // Only index selected, and current; it is revealed in the view.
    void selectOnly(int32_t index);
    // Exactly these lines selected (ascending), the first of them current and revealed.
    void selectLines(const std::vector<int32_t>& lines);
    // Nothing selected and no current line (the list changed wholesale).
    void reset();
    // The lines whose flags are set went away: the rest keep their selection, and the current line
    // moves up by the number of lines removed before it.
    void linesRemoved(const std::vector<uint8_t>& removed, int32_t linesLeft);

    // What the user did in a view: flags of [first, last] set or cleared, another current line.
    void setRangeFromView(int32_t first, int32_t last, bool selected);
    void setCurrentFromView(int32_t index);

    void setListener(Listener listener) { m_listener = std::move(listener); }

private:
    void changed(bool reveal);

    std::vector<uint8_t> m_flags; // may be shorter than the list: missing flags are clear
    int32_t m_count = 0;
    int32_t m_current = -1;
    Listener m_listener;
};

} // namespace velmora
