// rulecore: an embeddable expert-system shell.
// The block pool behind tokens, memory entries and activations: blocks are
// distinct and whole across slabs, a freed block is used again, and blocks
// outlive the thread that made them or freed them.
#include "rete/pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace rulecore {
namespace {

constexpr size_t kBlock = 40;
using Pool = TBlockPool<kBlock>;

TEST(BlockPoolTest, BlocksAreDistinctAndWholeAcrossSlabs) {
  // Enough blocks to need several slabs.
  std::vector<unsigned char*> blocks;
  for (int i = 0; i < 5000; ++i) {
    auto* b = static_cast<unsigned char*>(Pool::Allocate());
    std::memset(b, i & 0xFF, kBlock);
    blocks.push_back(b);
  }
  EXPECT_EQ(std::set<unsigned char*>(blocks.begin(), blocks.end()).size(), blocks.size());
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(blocks[i]) % alignof(void*), 0u);
    for (size_t k = 0; k < kBlock; ++k)
      ASSERT_EQ(blocks[i][k], static_cast<unsigned char>(i & 0xFF)) << "block " << i;
  }
  for (unsigned char* b : blocks)
    Pool::Release(b);
}

#ifndef RULECORE_POOL_DISABLED
TEST(BlockPoolTest, AFreedBlockIsUsedAgain) {
  void* a = Pool::Allocate();
  Pool::Release(a);
  EXPECT_EQ(Pool::Allocate(), a);
  Pool::Release(a);
}
#endif

TEST(BlockPoolTest, BlocksOutliveTheThreadsThatMadeAndFreedThem) {
  std::vector<void*> made;
  std::thread maker([&] {
    for (int i = 0; i < 3000; ++i)
      made.push_back(Pool::Allocate());
  });
  maker.join();
  // The maker has ended; its blocks are still good here and go back to
  // this thread's list.
  for (void* b : made)
    std::memset(b, 0xAB, kBlock);
  std::thread freer([&] {
    for (void* b : made)
      Pool::Release(b);
  });
  freer.join();
  // The freer's list went to the depot when it ended; a new thread takes
  // blocks from it and may write them.
  std::thread user([] {
    std::vector<void*> again;
    for (int i = 0; i < 3000; ++i) {
      void* b = Pool::Allocate();
      std::memset(b, 0xCD, kBlock);
      again.push_back(b);
    }
    for (void* b : again)
      Pool::Release(b);
  });
  user.join();
}

#ifndef RULECORE_POOL_DISABLED
TEST(BlockPoolTest, TheFreeListsOfSeveralEndedThreadsAreAllUsedAgain) {
  std::vector<void*> made;
  for (int i = 0; i < 2000; ++i)
    made.push_back(Pool::Allocate());
  const std::set<void*> freed(made.begin(), made.end());
  auto free_half = [&](size_t from) {
    return std::thread([&made, from] {
      for (size_t i = from; i < made.size(); i += 2)
        Pool::Release(made[i]);
    });
  };
  std::thread first = free_half(0);
  first.join();
  std::thread second = free_half(1);
  second.join();
  std::set<void*> seen;
  std::thread user([&] {
    std::vector<void*> taken;
    for (int i = 0; i < 50000 && seen.size() < freed.size(); ++i) {
      void* b = Pool::Allocate();
      taken.push_back(b);
      if (freed.count(b)) seen.insert(b);
    }
    for (void* b : taken)
      Pool::Release(b);
  });
  user.join();
  EXPECT_EQ(seen.size(), freed.size());
}
#endif

}  // namespace
}  // namespace rulecore
