#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarvex {

// Leaves elements that are created without a value uninitialised (as `new T` does), so a
// matrix about to be overwritten need not be cleared first; every other construction is the
// standard one.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept
    {
    }

    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A dense row-major matrix indexed like the program's arrays: rows 0..rows(), columns
// 0..cols(). Element 0 of each dimension exists (it holds totals or nothing), data start
// at 1. Storage is contiguous so hot loops can walk a row through row().
template <typename T>
class Matrix {
public:
    Matrix() = default;
    Matrix(int rows, int cols) { resize(rows, cols); }

    // Reallocates to (rows+1) x (cols+1), zero-filled; previous contents are dropped.
    void resize(int rows, int cols)
    {
        rows_ = rows < 0 ? -1 : rows;
        cols_ = cols < 0 ? -1 : cols;
        data_.assign(static_cast<std::size_t>(rows_ + 1) * static_cast<std::size_t>(cols_ + 1),
                     T{});
    }

    // Reallocates to (rows+1) x (cols+1) without clearing: the contents are unspecified until
    // written. For a caller that writes every element anyway, so the memory is touched once,
    // by whichever threads fill it, instead of being cleared on one thread first. Storage
    // that is large enough already is kept.
    void resizeForOverwrite(int rows, int cols)
    {
        rows_ = rows < 0 ? -1 : rows;
        cols_ = cols < 0 ? -1 : cols;
        data_.clear();
        data_.resize(static_cast<std::size_t>(rows_ + 1) * static_cast<std::size_t>(cols_ + 1));
    }

    // Keeps the elements that exist in both shapes, as a preserving re-dimension does.
    void resizePreserve(int rows, int cols)
    {
        Matrix<T> next(rows, cols);
        for (int r = 0; r <= rows && r <= rows_; ++r)
            for (int c = 0; c <= cols && c <= cols_; ++c) next(r, c) = (*this)(r, c);
        *this = std::move(next);
    }

    void clear() { resize(-1, -1); }

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    bool empty() const { return data_.empty(); }

    T& operator()(int r, int c)
    {
        assert(r >= 0 && r <= rows_ && c >= 0 && c <= cols_);
        return data_[static_cast<std::size_t>(r) * stride() + static_cast<std::size_t>(c)];
    }
    const T& operator()(int r, int c) const
    {
        assert(r >= 0 && r <= rows_ && c >= 0 && c <= cols_);
        return data_[static_cast<std::size_t>(r) * stride() + static_cast<std::size_t>(c)];
    }

    // Pointer to element (r, 0); elements (r, 0..cols()) follow contiguously.
    T* row(int r) { return data_.data() + static_cast<std::size_t>(r) * stride(); }
    const T* row(int r) const { return data_.data() + static_cast<std::size_t>(r) * stride(); }

    void fill(const T& v) { std::fill(data_.begin(), data_.end(), v); }

    bool operator==(const Matrix& o) const
    {
        return rows_ == o.rows_ && cols_ == o.cols_ && data_ == o.data_;
    }
    bool operator!=(const Matrix& o) const { return !(*this == o); }

private:
    std::size_t stride() const { return static_cast<std::size_t>(cols_ + 1); }

    int rows_ = -1;
    int cols_ = -1;
    std::vector<T, DefaultInitAllocator<T>> data_;
};

// Callers pass the workspace's counts; a matrix smaller than they say must not be read past
// its end, so the counts are cut to what the matrix holds.
template <typename T>
int UsableRows(const Matrix<T>& m, int wanted)
{
    return std::max(0, std::min(wanted, m.rows()));
}
template <typename T>
int UsableCols(const Matrix<T>& m, int wanted)
{
    return std::max(0, std::min(wanted, m.cols()));
}

}  // namespace tarvex
