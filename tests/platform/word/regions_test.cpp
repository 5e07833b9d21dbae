// The regions the layer's XML trees and position index take their memory
// from: blocks stay intact, memory goes back, foreign pointers are passed on.
// Under AddressSanitizer the tests switch the regions on, with the room
// outside live blocks poisoned, so that the sanitizer watches this code too.
#include "platform/word/regions.hpp"

#include <gtest/gtest.h>

#include "platform/word/package.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <sanitizer/asan_interface.h>
#include <pugixml.hpp>

namespace korvax::word::detail {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The regions in use, in every build.
void SwitchOn() {
  UseRegionsUnderSanitizer();
  ASSERT_TRUE(RegionsUsed());
}

struct Held {
  unsigned char* p;
  size_t size;
  unsigned char fill;
};

TEST(Regions, BlocksStayIntactAndRegionsGoBackWhenEmpty) {
  SwitchOn();
  const size_t before = Regions().mapped;
  std::mt19937 random(7);
  std::vector<Held> held;
  // Pages as pugixml asks for them, odd sizes, and a part's text larger than
  // a region: about 40 MB in all.
  for (int i = 0; i < 1000; ++i) {
    size_t size = i % 50 == 49 ? (size_t{3} << 20) + 5 : 32768 + 40 + random() % 300;
    auto* p = static_cast<unsigned char*>(RegionAllocate(size));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
    auto fill = static_cast<unsigned char>(i);
    std::memset(p, fill, size);
    held.push_back({p, size, fill});
  }
  EXPECT_GE(Regions().mapped, before + kKeptRegions + 4);
  std::shuffle(held.begin(), held.end(), random);
  for (const Held& h : held) {
    ASSERT_TRUE(std::all_of(h.p, h.p + h.size, [&](unsigned char c) { return c == h.fill; }));
    RegionFree(h.p);
  }
  // The region in use and the few kept for the next tree stay; no more.
  EXPECT_LE(Regions().mapped, before + kKeptRegions + 1);
  EXPECT_LE(Regions().kept, kKeptRegions);
}

TEST(Regions, KeptRegionsGoBackOnRequestButNotTheLiveOnes) {
  SwitchOn();
  std::vector<void*> held;
  for (int i = 0; i < 200; ++i) held.push_back(RegionAllocate(100000));  // some 10 regions
  void* live = RegionAllocate(64);
  ASSERT_NE(live, nullptr);
  std::memset(live, 7, 64);
  for (void* p : held) RegionFree(p);
  const size_t kept = Regions().kept;
  EXPECT_GT(kept, 0u);
  EXPECT_GE(ReleaseKeptRegions(), kept * (size_t{2} << 20));
  EXPECT_EQ(Regions().kept, 0u);
  EXPECT_EQ(static_cast<unsigned char*>(live)[63], 7);  // its region stays
  EXPECT_EQ(ReleaseKeptRegions(), 0u);
  RegionFree(live);
  void* again = RegionAllocate(64);  // regions are mapped again as needed
  ASSERT_NE(again, nullptr);
  RegionFree(again);
}

TEST(Regions, TheLastBlockGivesItsRoomBackAtOnce) {
  SwitchOn();
  void* keep = RegionAllocate(100);
  void* last = RegionAllocate(32768);
  RegionFree(last);
  // A tree made and dropped again and again does not walk through regions.
  for (int i = 0; i < 1000; ++i) {
    void* again = RegionAllocate(32768);
    EXPECT_EQ(again, last);
    RegionFree(again);
  }
  RegionFree(keep);
}

TEST(Regions, ZeroedBlocksAreZeroWhereverTheirRoomWasUsedBefore) {
  SwitchOn();
  std::vector<void*> held;
  for (int round = 0; round < 3; ++round) {
    for (size_t size : {size_t{100}, size_t{70001}, size_t{1} << 20, size_t{600003}}) {
      auto* p = static_cast<unsigned char*>(RegionAllocateZeroed(size));
      ASSERT_NE(p, nullptr);
      ASSERT_TRUE(std::all_of(p, p + size, [](unsigned char c) { return c == 0; }));
      std::memset(p, 0xA5, size);  // dirty for the next round
      held.push_back(p);
    }
    // Given back newest first, so that the room is used again next round.
    for (auto it = held.rbegin(); it != held.rend(); ++it) RegionFree(*it);
    held.clear();
  }
}

TEST(Regions, PointersFromElsewhereAreFreedAsBefore) {
  SwitchOn();
  // A tree allocated before the regions were used is freed with them in use.
  RegionFree(std::malloc(64));
  RegionFree(nullptr);
  UseXmlRegions();
  pugi::xml_document doc;
  for (int i = 0; i < 5000; ++i) doc.append_child("w:p").append_child("w:r").text().set(i);
  EXPECT_EQ(std::string(doc.last_child().first_child().text().get()), "4999");
}

TEST(Regions, ThreadsAllocateAtTheSameTime) {
  SwitchOn();
  auto work = [](int seed) {
    std::mt19937 random(seed);
    std::vector<void*> held;
    for (int i = 0; i < 2000; ++i) {
      if (held.empty() || random() % 3) {
        void* p = RegionAllocate(16 + random() % 40000);
        ASSERT_NE(p, nullptr);
        std::memset(p, seed, 16);
        held.push_back(p);
      } else {
        size_t k = random() % held.size();
        EXPECT_EQ(*static_cast<unsigned char*>(held[k]), static_cast<unsigned char>(seed));
        RegionFree(held[k]);
        held.erase(held.begin() + static_cast<std::ptrdiff_t>(k));
      }
    }
    for (void* p : held) RegionFree(p);
  };
  std::thread a(work, 1);
  std::thread b(work, 2);
  a.join();
  b.join();
}

TEST(Regions, APartSerialisedOverItsOldBytesFitsARegion) {
  SwitchOn();
  // A part of 1.2 MB, serialised into the string its bytes were read into:
  // growing that string would ask for twice its room, more than a region,
  // and map a region of its own on every save.
  pugi::xml_document doc;
  pugi::xml_node body = doc.append_child("w:body");
  for (int i = 0; i < 75000; ++i) body.append_child("w:p").text().set("Zeile");
  const size_t size = 1200000;
  RegionString bytes(size, 'x');
  SerializeXml(doc, size, bytes);
  EXPECT_EQ(bytes.size(), size + 17);  // <w:body>...</w:body>
  EXPECT_EQ(bytes.compare(0, 21, "<w:body><w:p>Zeile</w"), 0);
  EXPECT_LT(bytes.capacity(), size_t{2} << 20);
}

TEST(Regions, TheRoomOutsideLiveBlocksIsPoisoned) {
  if (!kSanitized) GTEST_SKIP() << "poisoning needs AddressSanitizer";
  SwitchOn();
  auto* p = static_cast<unsigned char*>(RegionAllocate(20));
  auto* q = static_cast<unsigned char*>(RegionAllocateZeroed(40));
  ASSERT_NE(p, nullptr);
  ASSERT_NE(q, nullptr);
  EXPECT_FALSE(__asan_address_is_poisoned(p + 19));
  EXPECT_TRUE(__asan_address_is_poisoned(p + 20));  // the padding after the block
  EXPECT_TRUE(__asan_address_is_poisoned(p - 1));   // its header
  EXPECT_TRUE(__asan_address_is_poisoned(q - 1));
  EXPECT_FALSE(__asan_address_is_poisoned(q + 39));
  EXPECT_TRUE(__asan_address_is_poisoned(q + 40));  // the room not handed out yet
  std::memset(p, 1, 20);
  EXPECT_DEATH(p[20] = 1, "use-after-poison");
  RegionFree(q);
  EXPECT_TRUE(__asan_address_is_poisoned(q));  // given back
  RegionFree(p);
  EXPECT_TRUE(__asan_address_is_poisoned(p));
}

}  // namespace
}  // namespace korvax::word::detail
