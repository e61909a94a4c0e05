#include "eof/AxisSelection.h"

#include <algorithm>

#include "data/NumberText.h"

namespace tarvex {

int NextEof(int eof, int eofCount)
{
    return (eof < 1 || eof >= eofCount) ? 1 : eof + 1;
}

std::array<int, 4> ResolveAxisChoice(std::array<int, 4> combos, int changed, int eofCount)
{
    if (changed < 1 || changed > 3 || eofCount < 1) return combos;
    const int chosen = changed;
    const int next = changed % 3 + 1;
    const int prev = (changed + 1) % 3 + 1;

    if (combos[next] == combos[chosen]) combos[next] = NextEof(combos[next], eofCount);
    if (combos[prev] == combos[chosen]) combos[prev] = NextEof(combos[prev], eofCount);
    if (combos[next] == combos[prev]) combos[prev] = NextEof(combos[prev], eofCount);

    // The steps above assume the axes differed before the choice. After "more axes" the
    // hidden Z combo can repeat X or Y, and then one advance may land on the chosen EOF;
    // keep moving the previous axis until all three differ (next never equals the chosen
    // one after the first step).
    if (eofCount >= 3) {
        while (combos[prev] == combos[chosen] || combos[prev] == combos[next])
            combos[prev] = NextEof(combos[prev], eofCount);
    }
    return combos;
}

namespace {
bool RotationFits(const std::vector<int16_t>& axes, int count)
{
    return count >= 2 && static_cast<std::size_t>(count) < axes.size();
}
}  // namespace

void RotateAxesLeft(std::vector<int16_t>& axes, int count)
{
    if (!RotationFits(axes, count)) return;
    std::rotate(axes.begin() + 1, axes.begin() + 2, axes.begin() + 1 + count);
}

void RotateAxesRight(std::vector<int16_t>& axes, int count)
{
    if (!RotationFits(axes, count)) return;
    std::rotate(axes.begin() + 1, axes.begin() + count, axes.begin() + 1 + count);
}

AxisStatus AxisStatusText(int selectedAxisCount, int visibleCount, bool moreAxes)
{
    AxisStatus status;
    status.prefix = "No. of Axes: " + FormatNumber(selectedAxisCount);
    // The suffix tells the mode, not the count: "more axes" always reads as including
    // invisible EOFs, in the highlight colour, even while the selection fits the view.
    if (moreAxes) {
        status.suffix = selectedAxisCount - visibleCount == 1 ? " (including invisible one)"
                                                              : " (including invisible ones)";
        status.highlighted = true;
    } else {
        status.suffix = " (all visible)";
        status.highlighted = false;
    }
    return status;
}

int InitialListCount(bool moreAxes, int selectedAxisCount, int visibleCount, int eofCount,
                     int listCapacity)
{
    const int wanted = moreAxes ? std::max(selectedAxisCount, visibleCount) : visibleCount;
    return std::max(0, std::min({wanted, eofCount, listCapacity}));
}

ContributionScroll ContributionScrollFor(int fitRows, int eofCount)
{
    ContributionScroll scroll;
    scroll.maximum = std::max(1, eofCount - fitRows + 4);
    scroll.largeChange = std::max(1, fitRows - 1);
    scroll.visible = fitRows < eofCount;
    return scroll;
}

std::string PercentText(double value)
{
    return FormatNumber(RoundTo(value, 3)) + " %";
}

namespace {
bool HasEof(const std::vector<float>& values, int eofCount, int i)
{
    return i >= 1 && i <= eofCount && static_cast<std::size_t>(i) < values.size();
}
}  // namespace

std::vector<ContributionRow> ContributionRows(const std::vector<float>& contribution,
                                              const std::vector<float>& cumulative, int eofCount,
                                              int first, int last)
{
    std::vector<ContributionRow> rows;
    for (int i = first; i <= last; ++i) {
        ContributionRow row;
        if (HasEof(contribution, eofCount, i) && HasEof(cumulative, eofCount, i)) {
            row.number = FormatNumber(i);
            row.contribution = PercentText(contribution[i]);
            row.cumulative = PercentText(cumulative[i]);
        }
        rows.push_back(row);
    }
    return rows;
}

std::optional<ContributionTotals> ContributionTotalsFor(const std::vector<float>& contribution,
                                                        const std::vector<float>& cumulative,
                                                        int eofCount,
                                                        const std::vector<int>& selected)
{
    if (eofCount <= 3 || !HasEof(cumulative, eofCount, eofCount)) return std::nullopt;
    double sum = 0;
    for (int eof : selected)
        if (HasEof(contribution, eofCount, eof)) sum += contribution[eof];

    ContributionTotals totals;
    totals.allTotal = "Total:  " + PercentText(cumulative[eofCount]);
    totals.parameterCount = "No. of parameters:  " + FormatNumber(eofCount);
    totals.selectedTotal = "Total:  " + PercentText(sum);
    totals.selectedCount =
        "No. of selected EOFs:  " + FormatNumber(static_cast<double>(selected.size()));
    return totals;
}

}  // namespace tarvex
