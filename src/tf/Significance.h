#pragma once

#include <vector>

#include "app/Matrix.h"

namespace tarvex {
namespace tf {

// The fossil table over a set of samples, centred taxon by taxon: what the share of its
// variance explained by a reconstruction is measured against.
class FossilVariance {
public:
    // fossil(sample, taxon) for the samples listed (ascending, 1-based) and taxa 1..taxa.
    FossilVariance(const Matrix<double>& fossil, int taxa, const std::vector<int>& samples);

    // The share of the total sum of squares that the regressions of every taxon on z (one
    // value per listed sample, with an intercept) explain together: a redundancy analysis
    // with z as the one constraint. NaN when z does not vary or the table does not.
    double Explained(const std::vector<double>& z) const;

    // The share of the first principal component: the largest eigenvalue of the centred
    // table's cross-products over their trace. NaN when the table does not vary.
    double FirstComponent() const;

    const std::vector<int>& Samples() const { return samples_; }

private:
    std::vector<int> samples_;
    int taxa_ = 0;
    std::vector<double> centred_;  // sample i (0-based in samples_), taxon k at i * taxa + k
    double totalSquares_ = 0;
};

// The eigenvalues of a symmetric n x n matrix (row-major), by cyclic Jacobi rotations.
std::vector<double> SymmetricEigenvalues(std::vector<double> a, int n);

// The p value of a statistic among the same statistic of random variables: the share of
// {observed, random...} that are at least the observed one, NaN ones left out. NaN when the
// observed value is NaN.
double RandomisationP(double observed, const std::vector<double>& random);

}  // namespace tf
}  // namespace tarvex
