#include "archive/ctmem.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool AllZero(const CtMem& m) {
  for (int i = 0; i < m.size; ++i)
    if (m.data[i] != 0) return false;
  return true;
}

TEST(CtMem, SizeIsTheRequestButAtLeast256) {
  const struct {
    int requested;
    int size;
  } cases[] = {{10, 256}, {1, 256}, {255, 256}, {256, 256}, {257, 257}, {300, 300},
               {-1, 256}, {-100000, 256}, {65536, 65536}, {1 << 20, 1 << 20}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.requested);
    CtMem m(c.requested);
    ASSERT_NE(m.data, nullptr);
    EXPECT_NE(m.handle, nullptr);
    EXPECT_EQ(m.size, c.size);
    EXPECT_TRUE(AllZero(m));
    // Every byte of the block is usable (the sanitizers watch this).
    for (int i = 0; i < m.size; ++i) m.data[i] = (unsigned char)i;
    EXPECT_EQ(m.data[m.size - 1], (unsigned char)(m.size - 1));
  }
}

TEST(CtMem, SizeZeroHoldsNoMemory) {
  CtMem m(0);
  EXPECT_EQ(m.handle, nullptr);
  EXPECT_EQ(m.data, nullptr);
  EXPECT_EQ(m.size, 0);
  m.Release();
  EXPECT_EQ(m.handle, nullptr);
}

std::vector<int> g_asked;
int g_allow = 1;
int Hook(int bytes) {
  g_asked.push_back(bytes);
  return g_allow;
}

TEST(CtMem, RefusedAllocationLeavesNoMemory) {
  g_asked.clear();
  g_allow = 0;
  g_ctMemAllowHook = Hook;
  CtMem small(10), large(5000), none(0);
  g_ctMemAllowHook = nullptr;
  EXPECT_EQ(g_asked, (std::vector<int>{256, 5000}));
  for (const CtMem* m : {&small, &large, &none}) {
    EXPECT_EQ(m->handle, nullptr);
    EXPECT_EQ(m->data, nullptr);
    EXPECT_EQ(m->size, 0);
  }
}

TEST(CtMem, AllocateAndRelease) {
  CtMem m(0);
  EXPECT_EQ(m.Allocate(0), 0);
  EXPECT_EQ(m.Allocate(-5), 0);
  EXPECT_EQ(m.data, nullptr);
  EXPECT_EQ(m.Allocate(100), 1);
  EXPECT_EQ(m.size, 100);
  ASSERT_NE(m.data, nullptr);
  m.data[99] = 7;
  // A second block replaces the first.
  EXPECT_EQ(m.Allocate(50), 1);
  EXPECT_EQ(m.size, 50);
  EXPECT_TRUE(AllZero(m));
  m.Release();
  EXPECT_EQ(m.handle, nullptr);
  EXPECT_EQ(m.data, nullptr);
  EXPECT_EQ(m.size, 0);
  m.Release();
  EXPECT_EQ(m.data, nullptr);
}

TEST(CtMem, HookAllowingPassesThrough) {
  g_asked.clear();
  g_allow = 1;
  g_ctMemAllowHook = Hook;
  CtMem m(1000);
  g_ctMemAllowHook = nullptr;
  EXPECT_EQ(g_asked, std::vector<int>{1000});
  EXPECT_NE(m.data, nullptr);
  EXPECT_EQ(m.size, 1000);
}

TEST(CtDynMemZone, Fields) {
  CtDynMemZone zone;
  EXPECT_EQ(zone.zone1, 0);
  EXPECT_EQ(zone.zone2, 0);
  EXPECT_EQ(zone.zone3, 4);
  EXPECT_EQ(zone.zone4, 0x20000);
  EXPECT_EQ(zone.size, 262144);
  ASSERT_NE(zone.data, nullptr);
  EXPECT_TRUE(AllZero(zone));
}

TEST(CtDynMemZone, DestroysThroughTheBase) {
  CtMem* zone = new CtDynMemZone;
  EXPECT_EQ(zone->size, 262144);
  delete zone;  // the sanitizers report a leak or a double release here
}

}  // namespace
