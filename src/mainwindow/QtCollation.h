#pragma once

#include "merge/Sort.h"

#include <QLocale>

namespace velmora {

// The order of the HOSTS list's sort: the collation of a locale (the user's by default) with letter
// case ignored. Each line's sort key is worked out once and the lines are put in order by one
// stable sort, so lines that compare as equal keep their relative order.
//
// Lines are bytes; they are compared as the text they show on screen. The C locale has no collation
// of its own: there lines compare by their case-folded characters.
class QtCollation : public Collation {
public:
    explicit QtCollation(const QLocale& locale = QLocale());

    using Collation::order;
    std::vector<int32_t> order(const EntryList& list, const OrderProgress& progress) override;

private:
    QLocale m_locale;
};

} // namespace velmora
