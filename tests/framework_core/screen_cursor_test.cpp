#include "framework/core/system/screen_cursor.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/core/base/exceptions.h"

namespace {

TEST(ScreenCursor, ScopesShowTheirCursorAndRestoreThePreviousOneOnEveryPath) {
  std::vector<TCursor> shown;
  SetScreenCursorHook([&](TCursor cursor) { shown.push_back(cursor); });
  try {
    TScreenCursorScope wait(crSQLWait);
    EXPECT_EQ(ScreenCursor(), crSQLWait);
    {
      TScreenCursorScope none(crDefault);
      EXPECT_EQ(ScreenCursor(), crSQLWait);
    }
    throw EDatabaseError("failed while waiting");
  } catch (const EDatabaseError&) {
  }
  EXPECT_EQ(ScreenCursor(), crDefault);
  EXPECT_EQ(shown, std::vector<TCursor>({crSQLWait, crDefault}));
  SetScreenCursorHook(nullptr);
  SetScreenCursor(crHourGlass);
  SetScreenCursor(crDefault);
  EXPECT_EQ(shown.size(), 2u);
}

}  // namespace
