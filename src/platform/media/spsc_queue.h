// A fixed-size queue between exactly one producer thread and one consumer thread, without
// locks: neither side ever waits for the other.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace veloria {

template <typename T, size_t N>
class SpscQueue {
  static_assert((N & (N - 1)) == 0, "N must be a power of two");

 public:
  // Producer side. False when the queue is full (nothing is added).
  bool push(const T& v) {
    size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= N) return false;
    items_[head & (N - 1)] = v;
    head_.store(head + 1, std::memory_order_release);
    return true;
  }
  // Consumer side. False when empty.
  bool pop(T& out) {
    size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) return false;
    out = items_[tail & (N - 1)];
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  bool empty() const { return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire); }

 private:
  std::array<T, N> items_{};
  alignas(64) std::atomic<size_t> head_{0};
  alignas(64) std::atomic<size_t> tail_{0};
};

}  // namespace veloria
