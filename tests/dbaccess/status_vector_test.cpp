#include "dbaccess/client/status_vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <thread>

#include "dbaccess/client/errors.h"

namespace {

void ClearVector() { std::fill_n(StatusVector(), StatusVectorLength, TStatusWord{0}); }

class StatusVectorTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearVector(); }
  void TearDown() override { ClearVector(); }
};

TEST_F(StatusVectorTest, EachThreadHasItsOwnVector) {
  StatusVector()[0] = StatusArgGds;
  StatusVector()[1] = 111;
  std::barrier bothWrote(2);
  int seenAtStart[2] = {-1, -1};
  int codeOfError[2] = {-1, -1};
  auto worker = [&](int index, TStatusWord code) {
    seenAtStart[index] = static_cast<int>(StatusVector()[1]);
    StatusVector()[0] = StatusArgGds;
    StatusVector()[1] = code;
    bothWrote.arrive_and_wait();  // both vectors are written before either is read
    try {
      RaiseClientError(0);
    } catch (const EFIBError& e) {
      codeOfError[index] = e.ServerErrorCode();
    }
  };
  std::thread a(worker, 0, 222);
  std::thread b(worker, 1, 333);
  a.join();
  b.join();
  EXPECT_EQ(seenAtStart[0], 0);
  EXPECT_EQ(seenAtStart[1], 0);
  EXPECT_EQ(codeOfError[0], 222);
  EXPECT_EQ(codeOfError[1], 333);
  EXPECT_EQ(StatusVector()[1], 111);
}

TEST_F(StatusVectorTest, FindsCodesInErrorAndNumberClusters) {
  const TStatusWord v[] = {StatusArgGds, 335544569, StatusArgString, 7, StatusArgNumber, 42, StatusArgEnd};
  std::copy(std::begin(v), std::end(v), StatusVector());
  EXPECT_TRUE(StatusVectorHasCode({335544569}));
  EXPECT_TRUE(StatusVectorHasCode({1, 42}));
  // A string cluster's value is an address, never a code.
  EXPECT_FALSE(StatusVectorHasCode({7}));
  EXPECT_FALSE(StatusVectorHasCode({335544570}));
  EXPECT_FALSE(StatusVectorHasCode({}));
}

TEST_F(StatusVectorTest, CountedStringClustersAreThreeWords) {
  static const char text[] = "abc";
  const TStatusWord v[] = {StatusArgCString, 335544569, reinterpret_cast<TStatusWord>(text),
                           StatusArgGds,     335544436, StatusArgEnd};
  std::copy(std::begin(v), std::end(v), StatusVector());
  // The length word of the counted string is not a code...
  EXPECT_FALSE(StatusVectorHasCode({335544569}));
  // ...and the cluster after it is read from the right place.
  EXPECT_TRUE(StatusVectorHasCode({335544436}));
}

TEST_F(StatusVectorTest, SearchStopsAtTheEndMarker) {
  const TStatusWord v[] = {StatusArgGds, 1, StatusArgEnd, StatusArgGds, 99};
  std::copy(std::begin(v), std::end(v), StatusVector());
  EXPECT_FALSE(StatusVectorHasCode({99}));
}

TEST_F(StatusVectorTest, SearchStaysInsideAVectorWithoutEndMarker) {
  TStatusWord* v = StatusVector();
  for (int i = 0; i < StatusVectorLength; i += 2) {
    v[i] = StatusArgNumber;
    v[i + 1] = 5;
  }
  v[StatusVectorLength - 1] = StatusArgCString;  // a cluster that would cross the end
  v[StatusVectorLength - 2] = StatusArgCString;
  EXPECT_FALSE(StatusVectorHasCode({6}));
  EXPECT_TRUE(StatusVectorHasCode({5}));
}

}  // namespace
