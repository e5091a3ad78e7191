// Segments as a reader collects them, in blocks: growing never copies what is there (a vector
// that doubles briefly holds its segments three times over), and moving them into a shape's
// vector returns each block to the system as soon as it is copied, so that reading n segments
// takes little more than the n × 64 bytes of the shape itself.
#ifndef SHAPES_SEGMENT_BLOCKS_H
#define SHAPES_SEGMENT_BLOCKS_H

#include <algorithm>
#include <cstddef>
#include <vector>

#include "geometry/cubic.h"

class SegmentBlocks {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  CubicCurve& operator[](std::size_t i) { return blocks_[blockOf(i)][i - startOf(blockOf(i))]; }
  const CubicCurve& operator[](std::size_t i) const {
    return blocks_[blockOf(i)][i - startOf(blockOf(i))];
  }

  void push_back(const CubicCurve& segment) {
    if (blocks_.empty() || blocks_.back().size() == blocks_.back().capacity()) {
      blocks_.emplace_back();
      blocks_.back().reserve(capacityOf(blocks_.size() - 1));
    }
    blocks_.back().push_back(segment);
    ++size_;
  }

  template <typename Iterator>
  void append(Iterator first, Iterator last) {
    for (; first != last; ++first) push_back(*first);
  }

  // Keeps the first `count` segments (count <= size()).
  void truncate(std::size_t count) {
    while (size_ > count) {
      std::vector<CubicCurve>& last = blocks_.back();
      const std::size_t drop = std::min(last.size(), size_ - count);
      last.resize(last.size() - drop);
      size_ -= drop;
      if (last.empty()) blocks_.pop_back();
    }
  }

  // Appends every segment to `to` and leaves this empty, freeing each block once it is copied.
  void moveInto(std::vector<CubicCurve>& to) {
    to.reserve(to.size() + size_);
    for (std::vector<CubicCurve>& block : blocks_) {
      to.insert(to.end(), block.begin(), block.end());
      std::vector<CubicCurve>().swap(block);
    }
    blocks_.clear();
    size_ = 0;
  }

 private:
  // Block k holds kFirst × 2^k segments up to kLargest, then kLargest each. The large blocks are
  // over 32 MiB, which the C library maps on their own and unmaps when freed; the smaller ones
  // together hold less than one of them.
  static constexpr std::size_t kFirst = 64;
  static constexpr std::size_t kDoublings = 13;  // kFirst << 13 = 524,288 segments, 32 MiB
  static constexpr std::size_t kLargest = kFirst << kDoublings;

  static std::size_t capacityOf(std::size_t block) {
    return block < kDoublings ? kFirst << block : kLargest + 8;
  }
  // Where block k starts: kFirst × (2^k - 1) for the doubling ones.
  static std::size_t startOf(std::size_t block) {
    if (block <= kDoublings) return kFirst * ((std::size_t{1} << block) - 1);
    return startOf(kDoublings) + (block - kDoublings) * (kLargest + 8);
  }
  static std::size_t blockOf(std::size_t i) {
    const std::size_t doubling = startOf(kDoublings);
    if (i >= doubling) return kDoublings + (i - doubling) / (kLargest + 8);
    std::size_t block = 0;
    while (startOf(block + 1) <= i) ++block;
    return block;
  }

  std::vector<std::vector<CubicCurve>> blocks_;
  std::size_t size_ = 0;
};

#endif  // SHAPES_SEGMENT_BLOCKS_H
