#pragma once

#include <vector>

#include "app/Matrix.h"
#include "tf/Wa.h"

namespace tarvex {
namespace tf {

// WA estimates of sites from models fitted without them (leave-one-out, h-block).
//
// Without tolerances nothing is refitted: the optima change only on the taxa of the left-out
// sites, and every sum the deshrinking needs over the remaining sites follows from sums over
// all sites (of z = y / R, of x z, of w z and Z'Z) and that change, so a left-out model costs
// about the square of the number of taxa its sites hold.
//
// With tolerances the down-weighted averages of every remaining site change with the mean
// tolerance, so the deshrinking runs again over the remaining sites; the optima and
// tolerances of the taxa the left-out sites hold follow from sums over all sites less theirs
// (summed again from the taxon's column where the difference would have lost its digits).
class WaLeaveOut {
public:
    WaLeaveOut(const SparseRows& y, const Matrix<double>& climate, const std::vector<int>& params,
               bool withTolerance);

    // What out[paramIndex * kEstimates + i] holds after Run.
    enum Estimate { kInverse, kClassical, kInverseTolerance, kClassicalTolerance, kEstimates };

    // The estimates of site for every parameter from the models without the sites of removed
    // (ascending; it should contain site). NaN where there is none.
    void Run(int site, const std::vector<int>& removed, double* out) const;

private:
    struct Parameter {
        double centre = 0;
        std::vector<double> x;         // [0..sites], centred; 0 off the training set
        std::vector<double> weighted;  // [1..taxa] sum y x
        std::vector<double> optimum;   // [1..taxa]
        std::vector<double> w;         // [0..sites] raw estimates of the full model
        std::vector<double> zx, zw;    // [1..taxa] sums of x z and w z
        double sumX = 0, sumXX = 0, sumW = 0, sumWW = 0, sumXW = 0;
        std::vector<double> weightedSquares;  // [1..taxa] sum y x^2
    };

    void RunPlain(const Parameter& p, int site, const std::vector<int>& removed, double* out) const;
    void RunTolerance(const Parameter& p, int site, const std::vector<int>& removed,
                      double* out) const;

    const SparseRows& y_;
    SparseRows byTaxon_;
    bool withTolerance_ = false;
    int m_ = 0;
    int count_ = 0;                 // training sites
    std::vector<double> colSum_;    // [1..taxa]
    std::vector<int> occurrences_;  // [1..taxa]
    std::vector<double> z1_;        // [1..taxa] sum of z
    std::vector<double> squares_;   // [1..taxa] sum of y^2
    std::vector<double> gram_;      // Z'Z, (m + 1) x (m + 1), taxa from 1
    std::vector<Parameter> params_;
};

}  // namespace tf
}  // namespace tarvex
