#pragma once

#include <cstdint>

// Asks the processor to fetch the memory at `address` into its caches while other work goes on:
// a look at many files waits mostly for memory. The empty asm keeps the request: to the
// compiler a prefetch has no effect, so a function that only prefetches counts as pure and a
// call of it would be dropped.
inline void PrefetchAddress(const void* address) {
  __builtin_prefetch(address);
  asm volatile("" : : "r"(address));
}

// The same for the cache line after the one at `address`, which may lie beyond the allocation:
// a prefetch never faults.
inline void PrefetchNextLine(const void* address) {
  PrefetchAddress(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(address) + 64));
}
