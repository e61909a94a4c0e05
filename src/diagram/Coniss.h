#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Matrix.h"

// Zonation of a fossil sequence by stratigraphically constrained clustering: only
// neighbouring groups of samples may be joined. Three tools of the CONISS window live here:
//  * the program's own agglomerative clustering (button "1"), which joins the neighbouring
//    pair of clusters whose mean compositions are closest (squared Euclidean distance,
//    single precision, no weighting by cluster size);
//  * the list of cluster starts left by the last clustering (button "2");
//  * the successive optimal two-way split of the upper part of the sequence (button "3");
// and the classic incremental-sum-of-squares clustering with the broken-stick count of
// significant zones. proportions are the fossil proportions [1..samples, 1..taxa].

namespace tarvex {

// One merge of the clustering.
struct ConissMerge {
    int16_t cluster = 0;      // K, the first sample of the upper of the two joined clusters
    int16_t size = 0;         // number of samples of cluster K before the merge
    float level = 0;          // the distance at which the two clusters were joined
    float upperPosition = 0;  // position of cluster K before the merge
    float lowerPosition = 0;  // position of the cluster below it
};

// What the CONISS window keeps between runs of "1".
struct ConissState {
    int samples = 0;
    std::vector<bool> clusterStart;  // [0..samples + 1]; all true before the first run
    std::vector<bool> lastCluster;   // [0..samples]
    // [1..samples - 1]; [0] unused. Shorter only when the remaining distances were not numbers
    // below infinity (values that overflow single precision), which ends the run early.
    std::vector<ConissMerge> merges;
};

// The state before any clustering: every sample starts a cluster, no merges.
ConissState InitialConissState(int samples);

// The clustering of button "1". positions[1..samples] are the samples' starting cluster
// positions (sample numbers for equal spacing, depths for depth spacing); a merged cluster
// sits at the midpoint of the two it joins. With one sample nothing is merged.
ConissState RunConiss(const Matrix<double>& proportions, int samples, int taxa,
                      const std::vector<float>& positions);

// The printed line of a merge: K, its size before the merge and 100 x level rounded to
// 3 decimals.
std::string ConissMergeLine(const ConissMerge& merge);

// The lines of button "2": for i = samples down to 1, i and "True" or "False".
std::vector<std::string> ClusterStartLines(const ConissState& state);

// One step of the successive splitting: the smallest within-part sum of squares and the
// first sample below the split.
struct SplitStep {
    float ss = 0;
    int16_t boundary = 0;
};

// Button "3": the best two-way split of samples 1..M, then of the part above that split,
// and so on while the upper part has more than one sample. A step in which no sum of squares
// is a number below infinity ends the splitting.
std::vector<SplitStep> SuccessiveSplits(const Matrix<double>& proportions, int samples, int taxa);

// How SuccessiveSplits searches, for the tests and benchmarks that compare its paths. Every
// choice gives the same steps, bit for bit.
struct SplitSearch {
    // Leaves out splits whose sum of squares is proven larger than another's before it is
    // computed in full.
    bool screen = true;
    // Threads to use; 0 lets the machine and the size of the work decide.
    int threads = 0;
    // When given, receives the number of sums of squares computed in full.
    long long* fullSums = nullptr;
};
std::vector<SplitStep> SuccessiveSplits(const Matrix<double>& proportions, int samples, int taxa,
                                        const SplitSearch& search);

// The same splitting one split after another in the plain order, the yardstick of the fast
// search.
std::vector<SplitStep> SuccessiveSplitsReference(const Matrix<double>& proportions, int samples,
                                                 int taxa);

// The printed line of a split step: SS rounded to 3 decimals and the boundary.
std::string SplitLine(const SplitStep& step);

// ---- Classic constrained incremental sum of squares (CONISS) -----------------------------

enum class ZonationTransform { SquareRoot, None };

struct IssMerge {
    int upper = 0;            // first sample of the upper cluster
    int lower = 0;            // first sample of the lower cluster
    double increment = 0;     // rise of the total within-cluster sum of squares
    double dispersion = 0;    // total within-cluster sum of squares after the merge
    float upperPosition = 0;  // cluster positions as in RunConiss, for the dendrogram
    float lowerPosition = 0;
};

struct IssZonation {
    int samples = 0;
    // [1..samples - 1]; [0] unused. Shorter only when increments that are not numbers ended
    // the clustering early (see ZonationDataProblem); the zone count is then 1.
    std::vector<IssMerge> merges;
    int significantZones = 1;  // by the broken-stick model
    // First samples of the zones after the first, ascending: one per significant boundary.
    std::vector<int> zoneStarts;
};

// Joins at every step the neighbouring pair whose merge raises the total within-cluster
// sum of squares least (first of equal increments in sample order), on the proportions
// after the transform; then counts the significant zones by the broken stick.
IssZonation ClassicConiss(const Matrix<double>& proportions, int samples, int taxa,
                          ZonationTransform transform, const std::vector<float>& positions);

// Why the classic clustering cannot run on these values (a value that is not a finite number,
// or a negative one under the square root), or an empty text when it can.
std::string ZonationDataProblem(const Matrix<double>& proportions, int samples, int taxa,
                                ZonationTransform transform);

// Broken stick: split j (j = 1 for two zones) is merge samples - j; its share of the final
// dispersion is compared with (1 / (samples - 1)) * sum over i = j..samples - 1 of 1 / i.
// The number of zones is 1 + the number of leading splits whose share exceeds that.
int BrokenStickZones(const std::vector<IssMerge>& merges, int samples);

// The printed line of a classic merge: the two clusters' first samples, the increment and
// the total dispersion.
std::string IssMergeLine(const IssMerge& merge);

// The zonation files of the batch companion.
std::string ZonationFileText(const ConissState& state);
std::string ZonationIssFileText(const IssZonation& zonation);

}  // namespace tarvex
