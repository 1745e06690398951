// The widths of the pieces of a line and the sums of those before each piece, so
// that a piece's x, and the piece at an x, are found in a few steps however long
// the line (a Fenwick tree).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tk {

class WidthSums {
public:
    // count pieces, each as wide as each, the last as wide as last.
    WidthSums(std::size_t count, std::int64_t each, std::int64_t last) : tree_(count + 1, 0) {
        for (std::size_t i = 1; i <= count; ++i) tree_[i] = each * static_cast<std::int64_t>(i & (~i + 1));
        if (count > 0) add(count - 1, last - each);
    }

    std::size_t size() const { return tree_.size() - 1; }
    void add(std::size_t piece, std::int64_t delta) {
        for (std::size_t i = piece + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
    }
    // The width of the pieces before this one.
    std::int64_t before(std::size_t piece) const {
        std::int64_t sum = 0;
        for (std::size_t i = piece; i > 0; i -= i & (~i + 1)) sum += tree_[i];
        return sum;
    }
    std::int64_t width(std::size_t piece) const { return before(piece + 1) - before(piece); }
    std::int64_t total() const { return before(size()); }
    // The piece that x falls in: the last one that begins at or before x.
    std::size_t at(std::int64_t x) const {
        std::size_t piece = 0, step = 1;
        while (step * 2 < tree_.size()) step *= 2;
        for (; step > 0; step /= 2) {
            if (piece + step < tree_.size() && tree_[piece + step] <= x) {
                piece += step;
                x -= tree_[piece];
            }
        }
        return piece < size() ? piece : size() - 1;
    }

private:
    std::vector<std::int64_t> tree_;
};

}  // namespace tk
