#pragma once

#include <vector>

#include "app/Matrix.h"

// The hot loops of the EOF analysis. Every kernel here sums each result entry in the same
// order as the plain loop it replaces (ascending over the summed index, starting from zero,
// multiply and add as separate roundings), so the fast paths give the same bits as the
// straightforward arithmetic, on any x86-64 and whatever the number of threads. The kernels
// that share their work among threads do so through ParallelFor (app/ParallelFor.h), each
// output element written by exactly one of its iterations.
namespace tarvex {
namespace eofkernel {

// cross(p, q) = sum over s = 1..rows of d(s, p) * d(s, q) for 1 <= p <= q <= cols, with
// the centred data d(s, t) = data(s, t) - means[t]; the entries below the diagonal are left
// as they are. Up to `threads` threads share the work.
void CrossProductUpper(const Matrix<double>& data, int rows, int cols,
                       const std::vector<double>& means, Matrix<double>& cross, int threads);

// out(r, k) = sum over t = 1..inner of left(r, t) * right(t, k), for r = 1..rows and
// k = firstCol..lastCol. Up to `threads` threads share the work.
void MultiplyRows(const Matrix<double>& left, int rows, int inner, const Matrix<double>& right,
                  int firstCol, int lastCol, Matrix<double>& out, int threads);

// One power step on the symmetric matrix held in the upper triangle of a[1..n, 1..n]
// (the rest of `a` is neither read nor written): w = A v, each w(i) summed over j = 1..n in
// order. With deflate set, every a(i, j), i <= j, first becomes
// a(i, j) - lambda * (u(i) * u(j)) and is stored back. Vectors are indexed 1..n.
//
// This runs on the calling thread. Split over cores the product itself gets faster, but
// the deflation that follows every EOF then has to write rows the other core holds in its
// cache, which costs as much again.
void UpperProduct(Matrix<double>& a, int n, const double* v, bool deflate, double lambda,
                  const double* u, double* w);

// a(i, j) = a(i, j) - lambda * (u(i) * u(j)) over the upper triangle of [1..n, 1..n].
void DeflateUpper(Matrix<double>& a, int n, double lambda, const double* u);

}  // namespace eofkernel
}  // namespace tarvex
