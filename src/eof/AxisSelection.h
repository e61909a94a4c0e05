#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The rules behind the control panel: which EOFs the axes show, how the selection cycles,
// and the texts of the contribution table and the status strip. EOF numbers run from 1 to
// the number of EOFs; arrays keep the program's numbering (element 0 unused).

namespace tarvex {

// The EOF after eof, wrapping from eofCount to 1. A number outside 1..eofCount (an empty
// combo) also moves on to 1.
int NextEof(int eof, int eofCount);

// combos[1..3] hold the EOF numbers of the X, Y and Z axes; combo `changed` (1..3) was just
// chosen. Returns the three EOFs after the advancing rule: a neighbour showing the chosen EOF
// moves on to the following one, and of two neighbours that then agree the previous one moves
// on. With at least three EOFs the result always holds three different EOFs.
std::array<int, 4> ResolveAxisChoice(std::array<int, 4> combos, int changed, int eofCount);

// Cycling of the displayed EOFs over axes[1..count]. Left ("Next" and the timer): entry 2
// becomes entry 1 and entry 1 becomes the last. Right ("Prev."): the last becomes entry 1.
void RotateAxesLeft(std::vector<int16_t>& axes, int count);
void RotateAxesRight(std::vector<int16_t>& axes, int count);

// The status strip: prefix "No. of Axes: <n>", then, in "more axes" mode, " (including
// invisible one)" when exactly one selected EOF is not drawn and " (including invisible ones)"
// otherwise, highlighted; without it " (all visible)". highlighted: the suffix is drawn in
// the colour scheme's third colour rather than black.
struct AxisStatus {
    std::string prefix;
    std::string suffix;
    bool highlighted = false;
};
AxisStatus AxisStatusText(int selectedAxisCount, int visibleCount, bool moreAxes);

// How many entries of selectedAxes the panel lists when it opens. Without "more axes" these
// are the drawn ones; with it the whole selection, so that opening the panel to look does
// not drop the invisible EOFs. Never more than the EOFs there are or the list can hold.
int InitialListCount(bool moreAxes, int selectedAxisCount, int visibleCount, int eofCount,
                     int listCapacity);

// Scroll bar of the contribution table when fitRows rows fit beside it. The range reaches a
// few rows past the last EOF so the end of the table can be scrolled clear of the bottom.
struct ContributionScroll {
    int maximum = 1;
    int largeChange = 1;
    bool visible = false;
};
ContributionScroll ContributionScrollFor(int fitRows, int eofCount);

// value rounded to 3 decimals followed by " %".
std::string PercentText(double value);

// Rows first..last of the contribution table: EOF number, contribution and cumulative
// contribution; rows past the last EOF are empty.
struct ContributionRow {
    std::string number;
    std::string contribution;
    std::string cumulative;
};
std::vector<ContributionRow> ContributionRows(const std::vector<float>& contribution,
                                              const std::vector<float>& cumulative, int eofCount,
                                              int first, int last);

// The totals under the table: of all EOFs, and of the EOFs selected for the envelope
// analysis. None with three EOFs or fewer, where they would tell nothing new.
struct ContributionTotals {
    std::string allTotal;        // "Total:  <cumulative of the last EOF> %"
    std::string parameterCount;  // "No. of parameters:  <n>"
    std::string selectedTotal;   // "Total:  <sum over the selected EOFs> %"
    std::string selectedCount;   // "No. of selected EOFs:  <k>"
};
std::optional<ContributionTotals> ContributionTotalsFor(const std::vector<float>& contribution,
                                                        const std::vector<float>& cumulative,
                                                        int eofCount,
                                                        const std::vector<int>& selected);

}  // namespace tarvex
