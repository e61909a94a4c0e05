#include <gtest/gtest.h>

#include "app/Matrix.h"

namespace tarvex {
namespace {

// A matrix shaped for overwriting keeps the indexing of any other; a later ordinary resize
// still clears everything, also in storage that was left uncleared before.
TEST(MatrixTest, ShapedForOverwriteThenResizedClears)
{
    Matrix<double> m(2, 3);
    m(2, 3) = 7;
    m.resizeForOverwrite(4, 5);
    EXPECT_EQ(m.rows(), 4);
    EXPECT_EQ(m.cols(), 5);
    for (int r = 0; r <= 4; ++r)
        for (int c = 0; c <= 5; ++c) m(r, c) = r * 10 + c;
    EXPECT_EQ(m.row(3)[4], 34);
    m.resize(3, 5);
    for (int r = 0; r <= 3; ++r)
        for (int c = 0; c <= 5; ++c) EXPECT_EQ(m(r, c), 0.0) << r << " " << c;
    m.resizePreserve(4, 6);
    EXPECT_EQ(m(4, 6), 0.0);
    m.resizeForOverwrite(-3, 2);
    EXPECT_EQ(m.rows(), -1);
    EXPECT_TRUE(m.empty());
}

}  // namespace
}  // namespace tarvex
