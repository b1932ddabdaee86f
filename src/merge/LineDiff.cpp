#include "merge/LineDiff.h"

#include <algorithm>
#include <ostream>
#include <string_view>
#include <unordered_map>

namespace velmora {

namespace {

constexpr int32_t kContext = 3;

using Counts = std::unordered_map<std::string_view, int32_t>;

Counts countLines(const LineSource& lines, int32_t from, int32_t to) {
    Counts counts;
    counts.reserve(static_cast<size_t>(std::max(0, to - from)));
    for (int32_t i = from; i < to; ++i)
        ++counts[lines.text(i)];
    return counts;
}

bool present(const Counts& counts, std::string_view text) {
    const auto it = counts.find(text);
    return it != counts.end() && it->second > 0;
}

// "start,length" of a hunk's side, numbered from 1; an empty side names the line before it.
std::string range(int32_t first, int32_t length) {
    return std::to_string(length == 0 ? first : first + 1) + "," + std::to_string(length);
}

} // namespace

std::vector<DiffStep> diffLines(const LineSource& before, const LineSource& after) {
    const int32_t na = before.count(), nb = after.count();
    std::vector<DiffStep> steps;
    int32_t head = 0;
    while (head < na && head < nb && before.text(head) == after.text(head))
        ++head;
    int32_t tail = 0;
    while (tail < na - head && tail < nb - head && before.text(na - 1 - tail) == after.text(nb - 1 - tail))
        ++tail;
    steps.reserve(static_cast<size_t>(std::max(na, nb)));
    for (int32_t i = 0; i < head; ++i)
        steps.push_back({DiffStep::Keep, i, i});

    // In the middle: equal lines are kept, a line the other side no longer holds further on is removed,
    // and otherwise the other side's line is added. Every line is taken exactly once.
    const int32_t endA = na - tail, endB = nb - tail;
    Counts restA = countLines(before, head, endA);
    Counts restB = countLines(after, head, endB);
    int32_t i = head, j = head;
    while (i < endA || j < endB) {
        if (i < endA && j < endB && before.text(i) == after.text(j)) {
            --restA[before.text(i)];
            --restB[after.text(j)];
            steps.push_back({DiffStep::Keep, i++, j++});
        } else if (i < endA && (j == endB || !present(restB, before.text(i)))) {
            --restA[before.text(i)];
            steps.push_back({DiffStep::Remove, i++, -1});
        } else {
            --restB[after.text(j)];
            steps.push_back({DiffStep::Add, -1, j++});
        }
    }
    for (int32_t k = 0; k < tail; ++k)
        steps.push_back({DiffStep::Keep, endA + k, endB + k});
    return steps;
}

DiffCounts countChanges(const std::vector<DiffStep>& steps) {
    DiffCounts counts;
    for (const DiffStep& step : steps) {
        counts.added += step.kind == DiffStep::Add;
        counts.removed += step.kind == DiffStep::Remove;
    }
    return counts;
}

void writeChangedLines(std::ostream& out, const LineSource& before, const LineSource& after,
                       const std::vector<DiffStep>& steps) {
    for (const DiffStep& step : steps) {
        if (step.kind == DiffStep::Remove)
            out << '-' << before.text(step.before) << '\n';
        else if (step.kind == DiffStep::Add)
            out << '+' << after.text(step.after) << '\n';
    }
}

void writeUnifiedDiff(std::ostream& out, const LineSource& before, const LineSource& after,
                      const std::vector<DiffStep>& steps, const std::string& beforeLabel,
                      const std::string& afterLabel) {
    const auto n = static_cast<int32_t>(steps.size());
    bool headed = false;
    int32_t k = 0;
    int32_t counted = 0, lineA = 0, lineB = 0; // lines of each side in steps before `counted`
    while (k < n) {
        while (k < n && steps[static_cast<size_t>(k)].kind == DiffStep::Keep)
            ++k;
        if (k == n)
            break;
        // A hunk: from the context before this change to the context after the last change that lies
        // within two contexts of the one before it.
        const int32_t start = std::max(0, k - kContext);
        int32_t end = k;
        for (int32_t keeps = 0; end < n && keeps <= 2 * kContext; ++end)
            keeps = steps[static_cast<size_t>(end)].kind == DiffStep::Keep ? keeps + 1 : 0;
        while (end > k && steps[static_cast<size_t>(end - 1)].kind == DiffStep::Keep)
            --end;
        end = std::min(n, end + kContext);

        for (; counted < start; ++counted) {
            lineA += steps[static_cast<size_t>(counted)].kind != DiffStep::Add;
            lineB += steps[static_cast<size_t>(counted)].kind != DiffStep::Remove;
        }
        const int32_t firstA = lineA, firstB = lineB;
        int32_t lengthA = 0, lengthB = 0;
        for (int32_t s = start; s < end; ++s) {
            lengthA += steps[static_cast<size_t>(s)].kind != DiffStep::Add;
            lengthB += steps[static_cast<size_t>(s)].kind != DiffStep::Remove;
        }
        if (!headed) {
            out << "--- " << beforeLabel << '\n' << "+++ " << afterLabel << '\n';
            headed = true;
        }
        out << "@@ -" << range(firstA, lengthA) << " +" << range(firstB, lengthB) << " @@\n";
        for (int32_t s = start; s < end; ++s) {
            const DiffStep& step = steps[static_cast<size_t>(s)];
            const std::string_view text =
                step.kind == DiffStep::Add ? after.text(step.after) : before.text(step.before);
            out << static_cast<char>(step.kind) << text << '\n';
        }
        k = end;
    }
}

} // namespace velmora
