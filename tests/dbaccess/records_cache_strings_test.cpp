#include "dbaccess/cache/records_cache_strings.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/util/string_collections.h"
#include "tests/support/raised.h"

namespace {

using TModel = std::vector<std::vector<std::string>>;

void Check(const TCacheStringStore& store) {
  try {
    store.CheckInvariants();
  } catch (const Exception& e) {
    ADD_FAILURE() << e.Message();
  }
}

void ExpectMatches(const TCacheStringStore& store, const TModel& model) {
  ASSERT_EQ(store.RowCount(), static_cast<int>(model.size()));
  std::vector<std::string_view> row(static_cast<std::size_t>(store.ColumnCount()));
  for (int r = 0; r < store.RowCount(); ++r) {
    store.GetRow(r, row.data());
    for (int c = 0; c < store.ColumnCount(); ++c) {
      ASSERT_EQ(row[static_cast<std::size_t>(c)],
                model[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
          << "row " << r << " column " << c;
      ASSERT_EQ(store.Get(r, c), model[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    }
  }
}

class TextLength : public testing::TestWithParam<int> {};

// Lengths around the switch from one to two length bytes, up to the largest.
TEST_P(TextLength, RoundTripsBesideItsNeighbours) {
  TCacheStringStore store(3);
  store.AddRows(2);
  const std::string text(static_cast<std::size_t>(GetParam()), 'q');
  store.Set(0, 0, "before");
  store.Set(0, 2, "after");
  store.Set(0, 1, text);
  store.Set(1, 1, "next row");
  Check(store);
  ExpectMatches(store, {{"before", text, "after"}, {"", "next row", ""}});
  store.Set(0, 1, "x");
  Check(store);
  ExpectMatches(store, {{"before", "x", "after"}, {"", "next row", ""}});
}

INSTANTIATE_TEST_SUITE_P(CacheStringStore, TextLength, testing::Values(0, 1, 127, 128, 129, 255, 256, 32767));

TEST(CacheStringStore, RefusesCellsOutsideItAndTextsTooLong) {
  TCacheStringStore store(2);
  store.AddRows(1);
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { store.Set(0, 2, "x"); }),
            "Can't write value to StrCollection. Bad X-Index (pFIBLists)");
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { store.Set(1, 0, "x"); }),
            "Can't write value to StrCollection. Bad Y-Index (pFIBLists)");
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { store.Get(-1, 0); }),
            "Can't read value to StrCollection. Bad Y-Index (pFIBLists)");
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { store.Get(0, -1); }),
            "Can't read value to StrCollection. Bad X-Index (pFIBLists)");
  EXPECT_EQ(MessageOf<EStringCollectionError>(
                [&] { store.Set(0, 0, std::string(TCacheStringStore::MaxTextLength + 1, 'x')); }),
            "Can't write value to StrCollection. Text too long");
  TCacheStringStore other(3);
  other.AddRows(1);
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { store.CopyRow(0, other, 0); }),
            "Can't write value to StrCollection. Bad X-Index (pFIBLists)");
  EXPECT_EQ(store.Get(0, 0), "");
  store.RemoveLastRow();
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { store.RemoveLastRow(); }),
            "Can't write value to StrCollection. Bad Y-Index (pFIBLists)");
  Check(store);
}

TEST(CacheStringStore, RowsCrossPagesAndComeOffTheEnd) {
  TCacheStringStore store(1);
  TModel model;
  for (int r = 0; r < 3 * TCacheStringStore::RowsPerPage + 1; ++r) {
    store.AddRows(1);
    store.Set(r, 0, "row " + std::to_string(r));
    model.push_back({"row " + std::to_string(r)});
  }
  Check(store);
  ExpectMatches(store, model);
  for (int k = 0; k < TCacheStringStore::RowsPerPage + 2; ++k) {
    store.RemoveLastRow();
    model.pop_back();
    Check(store);
  }
  ExpectMatches(store, model);
  store.AddRows(3);  // rows that come back start empty
  model.insert(model.end(), 3, {""});
  Check(store);
  ExpectMatches(store, model);
  store.Clear();
  EXPECT_EQ(store.RowCount(), 0);
  Check(store);
}

// Random edits, the shape of a cache's life: rows appended and filled in
// order, then cells and rows rewritten anywhere, copied between stores and
// taken off the end; checked against a plain table.
TEST(CacheStringStore, RandomEditsMatchAModel) {
  std::mt19937 rng(2024);
  TCacheStringStore store(3);
  TCacheStringStore other(3);
  TModel model;
  TModel otherModel;
  const auto text = [&] {
    const unsigned kind = rng() % 10;
    std::string s(kind == 0 ? 0 : kind < 8 ? rng() % 40 : 100 + rng() % 300, ' ');
    for (char& ch : s) ch = static_cast<char>(0xC0 + rng() % 64);
    return s;
  };
  for (int step = 0; step < 4000; ++step) {
    const unsigned op = model.empty() ? 0 : rng() % 8;
    const int row = model.empty() ? 0 : static_cast<int>(rng() % model.size());
    const int column = static_cast<int>(rng() % 3);
    if (op <= 1) {
      const int n = 1 + static_cast<int>(rng() % 3);
      store.AddRows(n);
      model.insert(model.end(), static_cast<std::size_t>(n), std::vector<std::string>(3));
      for (int c = 0; c < 3; ++c) {
        const std::string t = text();
        store.Set(store.RowCount() - 1, c, t);
        model.back()[static_cast<std::size_t>(c)] = t;
      }
    } else if (op <= 3) {
      const std::string t = text();
      store.Set(row, column, t);
      model[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = t;
    } else if (op == 4) {
      std::vector<std::string> texts{text(), text(), text()};
      const std::vector<std::string_view> views(texts.begin(), texts.end());
      store.SetRow(row, views.data());
      model[static_cast<std::size_t>(row)] = texts;
    } else if (op == 5) {
      store.ClearRow(row);
      model[static_cast<std::size_t>(row)] = std::vector<std::string>(3);
    } else if (op == 6) {
      other.AddRows(1);
      other.CopyRow(other.RowCount() - 1, store, row);
      otherModel.push_back(model[static_cast<std::size_t>(row)]);
      if (otherModel.size() > 1 && rng() % 2) {
        const int back = static_cast<int>(rng() % otherModel.size());
        store.CopyRow(row, other, back);
        model[static_cast<std::size_t>(row)] = otherModel[static_cast<std::size_t>(back)];
      }
    } else {
      store.RemoveLastRow();
      model.pop_back();
    }
    Check(store);
    Check(other);
    if (testing::Test::HasFailure()) FAIL() << "after step " << step << ", operation " << op;
    if (step % 200 == 0) {
      ExpectMatches(store, model);
      ExpectMatches(other, otherModel);
    }
  }
  ExpectMatches(store, model);
  ExpectMatches(other, otherModel);
}

}  // namespace
