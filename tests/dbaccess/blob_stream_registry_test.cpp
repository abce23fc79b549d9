// The registry of a dataset's blob streams: handles name one stream for
// its life and nothing after it.

#include "dbaccess/blob/blob_stream_registry.h"

#include <gtest/gtest.h>

#include <set>

#include "dbaccess/blob/blob_stream.h"

namespace {

TEST(BlobStreamRegistry, FreedStreamsHandleFindsNothingAfterItsSlotIsReused) {
  TBlobStreamRegistry registry;
  TBlobStreamHandle first = 0;
  TBlobStreamHandle second = 0;
  TFIBBlobStream& a = registry.Add(3, first);
  TFIBBlobStream& b = registry.Add(4, second);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  EXPECT_EQ(registry.Find(first), &a);
  EXPECT_EQ(registry.Find(second), &b);
  EXPECT_EQ(registry.FieldNumberOf(second), 4);
  EXPECT_EQ(registry.Find(0), nullptr);
  EXPECT_EQ(registry.Find(0xFFFFFF01u), nullptr);

  registry.Free(first);
  EXPECT_EQ(registry.Find(first), nullptr);
  EXPECT_EQ(registry.FieldNumberOf(first), -1);
  registry.Free(first);  // a stale handle frees nothing
  EXPECT_EQ(registry.Count(), 1);
  TBlobStreamHandle third = 0;
  TFIBBlobStream& c = registry.Add(5, third);
  EXPECT_EQ(third >> TBlobStreamRegistry::GenerationBits, first >> TBlobStreamRegistry::GenerationBits);
  EXPECT_EQ(registry.Find(third), &c);
  EXPECT_EQ(registry.Find(first), nullptr);

  registry.Clear();
  EXPECT_EQ(registry.Count(), 0);
  EXPECT_EQ(registry.Find(second), nullptr);
  EXPECT_EQ(registry.Find(third), nullptr);
}

// However often one slot is reused, no handle comes round again: a slot
// out of generations is retired.
TEST(BlobStreamRegistry, HandlesNeverRepeat) {
  TBlobStreamRegistry registry;
  std::set<TBlobStreamHandle> seen;
  for (int i = 0; i < 1000; ++i) {
    TBlobStreamHandle handle = 0;
    registry.Add(1, handle);
    EXPECT_TRUE(seen.insert(handle).second) << i;
    registry.Free(handle);
  }
  for (TBlobStreamHandle handle : seen) EXPECT_EQ(registry.Find(handle), nullptr);
  EXPECT_EQ(registry.Count(), 0);
}

}  // namespace
