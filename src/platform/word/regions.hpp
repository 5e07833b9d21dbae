// Memory for parsed parts and their position index. pugixml asks for pages
// of 32 KB as a tree grows and for one block per part to parse in place, the
// index for arrays of a few hundred KB; on the virtual machines the offices
// run on, every 4 KB page the kernel hands out the first time costs a fault
// of some 13 µs, more than parsing the page's XML. The layer therefore
// carves this memory from regions of 2 MB that the kernel may back with one
// huge page each, taken in a single fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

namespace korvax::word::detail {

// Makes pugixml take its memory from the regions, for every tree made from
// now on in this process; what it allocated before is given back the way it
// was taken. Called before the first part is parsed; later calls do nothing.
// Builds with AddressSanitizer keep pugixml's own allocation, so that a
// freed tree stays poisoned for the sanitizer.
void UseXmlRegions();

// Blocks aligned to 16 bytes, null when no memory is left; the functions
// pugixml is given. A pointer that did not come from a region goes to the
// deallocation function pugixml had before (std::free when none was). In
// builds with AddressSanitizer they are malloc and free unless switched on
// (UseRegionsUnderSanitizer).
void* RegionAllocate(size_t size);
void* RegionAllocateZeroed(size_t size);  // like calloc: clears only what was used before
void RegionFree(void* block);

// For containers whose memory should come from the regions as well: the
// bytes of a package's parts, read and written in pieces of a megabyte.
template <class T>
struct RegionAllocator {
  using value_type = T;
  RegionAllocator() = default;
  template <class U>
  RegionAllocator(const RegionAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    void* p = RegionAllocate(n * sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t) noexcept { RegionFree(p); }
  template <class U>
  bool operator==(const RegionAllocator<U>&) const noexcept {
    return true;
  }
};
using RegionString = std::basic_string<char, std::char_traits<char>, RegionAllocator<char>>;

// Empty regions kept for the next document, up to 16 MB: about what a
// fifty-page invoice takes while it is edited, so opening the next one
// takes no fault at all. The rest go back to the kernel.
inline constexpr size_t kKeptRegions = 8;

// Gives the empty regions kept for the next document back to the kernel;
// regions that still hold blocks stay. Returns the bytes given back.
size_t ReleaseKeptRegions();

struct RegionCount {
  size_t mapped = 0;  // regions of the process, including the kept ones
  size_t kept = 0;    // empty regions kept for the next tree
};
RegionCount Regions();
bool RegionsUsed();  // false in builds with AddressSanitizer, until switched on

// For tests: in builds with AddressSanitizer, RegionAllocate and RegionFree
// use the regions from now on, with the room outside live blocks and every
// block header poisoned, so that the region code itself runs under the
// sanitizer (pugixml keeps malloc). Elsewhere this does nothing.
void UseRegionsUnderSanitizer();

}  // namespace korvax::word::detail
