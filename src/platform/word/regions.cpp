#include "platform/word/regions.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include <sanitizer/asan_interface.h>  // its macros do nothing without the sanitizer
#include <pugixml.hpp>

namespace korvax::word::detail {
namespace {

constexpr size_t kRegion = size_t{2} << 20;  // a huge page on x86-64 and arm64
constexpr size_t kAlign = 16;                // what malloc guarantees, and pugixml expects

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// In builds with AddressSanitizer, malloc until a test switches the regions
// on; then the room outside live blocks is poisoned, block headers included.
std::atomic<bool> sanitized_regions{false};

bool Bypassed() {
  return kSanitized && !sanitized_regions.load(std::memory_order_acquire);
}

constexpr size_t RoundUp(size_t n, size_t to) {
  return (n + to - 1) / to * to;
}

// At the start of every region. Blocks are handed out one after the other;
// a region is used again once all of its blocks are back. A block given back
// while it is the last one handed out gives its room back at once, so a tree
// made and dropped again and again does not walk through the region.
struct Region {
  size_t size;     // of the mapping, a multiple of kRegion
  size_t used;     // from the start of the region, this header included
  size_t live;     // blocks handed out and not yet back
  size_t touched;  // bytes ever handed out: the rest is still the kernel's zeros
};
constexpr size_t kHeader = RoundUp(sizeof(Region), kAlign);

struct Block {  // before every block: its size, this header included
  size_t size;
  size_t unused;
};
static_assert(sizeof(Block) == kAlign);

struct State {
  std::mutex mutex;
  Region* current = nullptr;  // where small blocks come from
  std::unordered_set<uintptr_t> regions;
  std::vector<Region*> kept;
  pugi::deallocation_function previous = nullptr;
};

State& TheState() {
  static State* state = new State;  // never destroyed: trees may outlive static destruction
  return *state;
}

Region* Map(size_t size) {
  // Twice the size, so that an aligned stretch can be cut out of it: only
  // an aligned region can be backed by huge pages.
  void* raw =
      mmap(nullptr, size + kRegion, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  auto start = reinterpret_cast<uintptr_t>(raw);
  uintptr_t aligned = RoundUp(start, kRegion);
  if (aligned > start) munmap(raw, aligned - start);
  if (uintptr_t tail = aligned + size, end = start + size + kRegion; end > tail) {
    munmap(reinterpret_cast<void*>(tail), end - tail);
  }
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // a hint: may be refused
#endif
  auto* r = reinterpret_cast<Region*>(aligned);
  r->size = size;
  r->used = kHeader;
  r->live = 0;
  r->touched = kHeader;
  ASAN_POISON_MEMORY_REGION(reinterpret_cast<char*>(r) + kHeader, size - kHeader);
  return r;
}

void Unmap(State& s, Region* r) {
  s.regions.erase(reinterpret_cast<uintptr_t>(r));
  ASAN_UNPOISON_MEMORY_REGION(r, r->size);
  munmap(r, r->size);
}

// Enters a new region in the set; null, with the region gone, when the set
// cannot grow (pugixml expects null, not an exception, when memory runs out).
Region* Adopt(State& s, Region* r) {
  if (!r) return nullptr;
  try {
    s.regions.insert(reinterpret_cast<uintptr_t>(r));
  } catch (const std::bad_alloc&) {
    munmap(r, r->size);
    return nullptr;
  }
  return r;
}

// A block's header, read or written where the sanitizer keeps it poisoned.
size_t HeaderSize(Block* b) {
  ASAN_UNPOISON_MEMORY_REGION(b, sizeof(Block));
  const size_t size = b->size;
  ASAN_POISON_MEMORY_REGION(b, sizeof(Block));
  return size;
}

void* Carve(Region* r, size_t need, size_t size, bool zeroed) {
  auto* b = reinterpret_cast<Block*>(reinterpret_cast<char*>(r) + r->used);
  ASAN_UNPOISON_MEMORY_REGION(b, sizeof(Block));
  b->size = need;
  ASAN_POISON_MEMORY_REGION(b, sizeof(Block));
  ASAN_UNPOISON_MEMORY_REGION(b + 1, size);
  // What lies below `touched` may hold old bytes; only the block's own size
  // is cleared, the padding after it is no one's.
  if (zeroed && r->touched > r->used + sizeof(Block)) {
    std::memset(b + 1, 0, std::min(r->touched - r->used - sizeof(Block), size));
  }
  r->used += need;
  r->touched = std::max(r->touched, r->used);
  ++r->live;
  return b + 1;
}

void* Allocate(size_t size, bool zeroed) {
  const size_t need = RoundUp(size == 0 ? 1 : size, kAlign) + sizeof(Block);
  if (need < size) return nullptr;  // overflow: pugixml reports the failure
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  if (need > kRegion - kHeader) {  // a large part's text: a region of its own
    if (need > SIZE_MAX - kHeader - kRegion) return nullptr;
    Region* r = Adopt(s, Map(RoundUp(kHeader + need, kRegion)));
    return r ? Carve(r, need, size, zeroed) : nullptr;
  }
  if (!s.current || s.current->size - s.current->used < need) {
    Region* r = nullptr;
    if (!s.kept.empty()) {
      r = s.kept.back();
      s.kept.pop_back();
    } else {
      r = Adopt(s, Map(kRegion));
      if (!r) return nullptr;
    }
    s.current = r;  // the one left behind goes when its last block is back
  }
  return Carve(s.current, need, size, zeroed);
}

}  // namespace

void* RegionAllocate(size_t size) {
  if (Bypassed()) return std::malloc(size);
  return Allocate(size, false);
}

void* RegionAllocateZeroed(size_t size) {
  if (Bypassed()) return std::calloc(size, 1);
  return Allocate(size, true);
}

void RegionFree(void* block) {
  if (!block) return;
  if (Bypassed()) return std::free(block);  // never a region's: the switch stays on
  State& s = TheState();
  std::unique_lock lock(s.mutex);
  auto* r = reinterpret_cast<Region*>(reinterpret_cast<uintptr_t>(block) & ~(kRegion - 1));
  if (!s.regions.count(reinterpret_cast<uintptr_t>(r))) {
    pugi::deallocation_function previous = s.previous;
    lock.unlock();
    previous ? previous(block) : std::free(block);
    return;
  }
  Block* b = static_cast<Block*>(block) - 1;
  const size_t size = HeaderSize(b);
  ASAN_POISON_MEMORY_REGION(b + 1, size - sizeof(Block));
  if (reinterpret_cast<char*>(b) + size == reinterpret_cast<char*>(r) + r->used) {
    r->used -= size;
  }
  if (--r->live > 0) return;
  r->used = kHeader;
  if (r == s.current) return;
  if (r->size == kRegion && s.kept.size() < kKeptRegions) {
    s.kept.push_back(r);
  } else {
    Unmap(s, r);
  }
}

bool RegionsUsed() {
  return !Bypassed();
}

void UseRegionsUnderSanitizer() {
  sanitized_regions.store(true, std::memory_order_release);
}

size_t ReleaseKeptRegions() {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  size_t bytes = 0;
  for (Region* r : s.kept) {
    bytes += r->size;
    Unmap(s, r);
  }
  s.kept.clear();
  // The region small blocks come from, when nothing lives in it any more.
  if (s.current && s.current->live == 0) {
    bytes += s.current->size;
    Unmap(s, s.current);
    s.current = nullptr;
  }
  return bytes;
}

RegionCount Regions() {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  return {s.regions.size(), s.kept.size()};
}

void UseXmlRegions() {
  if (kSanitized) return;
  static std::once_flag once;
  std::call_once(once, [] {
    State& s = TheState();
    {
      std::lock_guard lock(s.mutex);
      s.previous = pugi::get_memory_deallocation_function();
    }
    pugi::set_memory_management_functions(&RegionAllocate, &RegionFree);
  });
}

}  // namespace korvax::word::detail
