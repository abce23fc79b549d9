#include "framework/core/streams.h"

#include <gtest/gtest.h>

#include "framework/core/exceptions.h"

namespace {

TEST(MemoryStream, ReadsWritesSeeksAndRefusesShortTransfers) {
  TMemoryStream stream;
  stream.WriteString("hello");
  EXPECT_EQ(stream.Size(), 5);
  EXPECT_EQ(stream.Position(), 5);
  stream.Seek(-2, soEnd);
  EXPECT_EQ(stream.ReadRest(), "lo");
  char buffer[8];
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  EXPECT_THROW(stream.ReadBuffer(buffer, 1), EReadError);
  EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);
  stream.SetPosition(7);
  stream.WriteString("!");
  EXPECT_EQ(stream.Bytes(), std::string("hello\0\0!", 8));
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadRest(), "he");
}

}  // namespace
