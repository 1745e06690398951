#include "toolkit/width_sums.h"

#include <gtest/gtest.h>

namespace tk {
namespace {

// Pieces of 10, 10, 4 pixels; then the second measured as 3.
TEST(WidthSums, PiecesAndTheirXAfterOneIsMeasured) {
    WidthSums sums(3, 10, 4);
    EXPECT_EQ(sums.total(), 24);
    sums.add(1, 3 - sums.width(1));
    struct Case {
        std::int64_t x;
        std::size_t piece;
    };
    const Case cases[] = {{-5, 0}, {0, 0}, {9, 0}, {10, 1}, {12, 1}, {13, 2}, {16, 2}, {17, 2}, {1000, 2}};
    for (const Case& c : cases) EXPECT_EQ(sums.at(c.x), c.piece) << "x " << c.x;
    EXPECT_EQ(sums.before(2), 13);
    EXPECT_EQ(sums.total(), 17);
}

// A line of a hundred thousand pieces, as a 400 MB line has.
TEST(WidthSums, ManyPieces) {
    WidthSums sums(100000, 7, 7);
    sums.add(50000, -7);  // a piece with nothing to show
    EXPECT_EQ(sums.before(99999), 99998 * 7);
    EXPECT_EQ(sums.at(50000 * 7), 50001u);
    EXPECT_EQ(sums.at(50000 * 7 - 1), 49999u);
}

}  // namespace
}  // namespace tk
