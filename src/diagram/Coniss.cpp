#include "diagram/Coniss.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "data/NumberText.h"

namespace tarvex {

namespace {

float StartPosition(const std::vector<float>& positions, int sample)
{
    return sample < static_cast<int>(positions.size()) ? positions[sample]
                                                       : static_cast<float>(sample);
}

// The window prints in a fixed-width font, so fixed columns keep the lines aligned.
template <typename... Args>
std::string Columns(const char* format, Args... args)
{
    char line[128];
    std::snprintf(line, sizeof line, format, args...);
    return line;
}

}  // namespace

ConissState InitialConissState(int samples)
{
    ConissState s;
    s.samples = std::max(0, samples);
    s.clusterStart.assign(static_cast<std::size_t>(s.samples) + 2, true);
    s.lastCluster.assign(static_cast<std::size_t>(s.samples) + 1, false);
    if (s.samples >= 1) s.lastCluster[s.samples] = true;
    s.merges.resize(1);
    return s;
}

ConissState RunConiss(const Matrix<double>& proportions, int samples, int taxa,
                      const std::vector<float>& positions)
{
    const int n = UsableRows(proportions, samples);
    const int t = UsableCols(proportions, taxa);
    ConissState s = InitialConissState(n);
    if (n < 2) return s;

    Matrix<float> x(n, t);
    for (int i = 1; i <= n; ++i)
        for (int u = 1; u <= t; ++u) x(i, u) = static_cast<float>(proportions(i, u));
    std::vector<float> position(static_cast<std::size_t>(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i) position[i] = StartPosition(positions, i);
    std::vector<int16_t> size(static_cast<std::size_t>(n) + 1, 1);

    s.merges.reserve(static_cast<std::size_t>(n));
    for (int v = 1; v <= n - 1; ++v) {
        // From infinity rather than from a fixed ceiling: raw values can put every distance
        // above any ceiling, and then no pair would be chosen.
        float smallest = std::numeric_limits<float>::infinity();
        int chosen = 0;
        std::fill(s.lastCluster.begin(), s.lastCluster.end(), false);
        for (int k = 1; k <= n;) {
            int next = k + 1;
            while (next <= n && !s.clusterStart[next]) ++next;
            size[k] = static_cast<int16_t>(next - k);
            if (k + size[k] > n) {
                s.lastCluster[k] = true;
                break;
            }
            const float* upper = x.row(k);
            const float* lower = x.row(k + size[k]);
            float d = 0;
            for (int u = 1; u <= t; ++u) {
                const float diff = lower[u] - upper[u];
                d += diff * diff;
            }
            if (d < smallest) {
                smallest = d;
                chosen = k;
            }
            k = next;
        }
        // Only distances that are not numbers (or overflow single precision) remain: nothing
        // can be joined meaningfully, so the run ends with the merges made so far.
        if (chosen == 0) break;

        const int k = chosen;
        const int l = k + size[k];
        int next = l + 1;
        while (next <= n && !s.clusterStart[next]) ++next;
        size[l] = static_cast<int16_t>(next - l);
        s.clusterStart[l] = false;

        ConissMerge m;
        m.cluster = static_cast<int16_t>(k);
        m.size = size[k];
        m.level = smallest;
        m.upperPosition = position[k];
        m.lowerPosition = position[l];
        s.merges.push_back(m);
        position[k] = (position[l] + position[k]) / 2;

        const int members = size[k] + size[l];
        float* rep = x.row(k);
        for (int u = 1; u <= t; ++u) {
            float acc = 0;
            for (int i = k; i <= k + members - 1; ++i) acc += proportions(i, u);
            rep[u] = acc / members;
        }
        size[k] = static_cast<int16_t>(members);
    }

    // The flag names the start of the cluster that now ends at the last sample.
    std::fill(s.lastCluster.begin(), s.lastCluster.end(), false);
    int last = n;
    while (last > 1 && !s.clusterStart[last]) --last;
    s.lastCluster[last] = true;
    return s;
}

std::string ConissMergeLine(const ConissMerge& merge)
{
    const float percent = 100 * merge.level;
    return Columns("%6d %6d %14s", static_cast<int>(merge.cluster), static_cast<int>(merge.size),
                   FormatNumber(RoundTo(percent, 3)).c_str());
}

std::vector<std::string> ClusterStartLines(const ConissState& state)
{
    std::vector<std::string> lines;
    for (int i = state.samples; i >= 1; --i) {
        const bool start = i < static_cast<int>(state.clusterStart.size()) && state.clusterStart[i];
        lines.push_back(Columns("%6d  %s", i, start ? "True" : "False"));
    }
    return lines;
}

std::string SplitLine(const SplitStep& step)
{
    return Columns("%14s %6d", FormatNumber(RoundTo(step.ss, 3)).c_str(),
                   static_cast<int>(step.boundary));
}

std::string IssMergeLine(const IssMerge& merge)
{
    return Columns("%6d %6d %22s %22s", merge.upper, merge.lower,
                   FormatNumber(merge.increment).c_str(), FormatNumber(merge.dispersion).c_str());
}

}  // namespace tarvex
