#include "dbaccess/cache/records_cache.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dbaccess/cache/cache_memory.h"
#include "dbaccess/util/string_collections.h"
#include "tests/support/raised.h"

namespace {

// A dataset buffer of four columns, offsets counted from the status byte:
// 0 status, 1-4 null flags, 5 ID, 9 CODE (int32), 13 NAME (12 bytes) and
// 25 CITY (10 bytes) in the string store, 35 one blob reference; the buffer
// ends with three bytes of calculated fields.
constexpr int Header = TRecordsCache::RecordBufferOffset;
constexpr int NameOffset = 13, NameLength = 12;
constexpr int CityOffset = 25, CityLength = 10;
constexpr int BlobOffset = 35;
constexpr int RecordSize = 13 + 4;           // without the string columns
constexpr int BufferSize = Header + 39 + 3;  // with the calculated fields

struct TRow {
  int Id = 0;
  int Code = 0;
  std::string Name;
  std::string City;
  int Blob = 0;
  char Status = 0;
  bool operator==(const TRow&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TRow& r) {
  return os << "{" << int(r.Status) << "," << r.Id << "," << r.Code << ",'" << r.Name << "','" << r.City
            << "'," << r.Blob << "}";
}

std::vector<char> Buffer(const TRow& r) {
  std::vector<char> b(BufferSize, 0);
  char* p = b.data() + Header;
  p[0] = r.Status;
  std::memcpy(p + 5, &r.Id, 4);
  std::memcpy(p + 9, &r.Code, 4);
  std::memcpy(p + NameOffset, r.Name.data(), std::min<std::size_t>(r.Name.size(), NameLength));
  std::memcpy(p + CityOffset, r.City.data(), std::min<std::size_t>(r.City.size(), CityLength));
  std::memcpy(p + BlobOffset, &r.Blob, 4);
  return b;
}

TRow Row(const std::vector<char>& b) {
  const char* p = b.data() + Header;
  TRow r;
  r.Status = p[0];
  std::memcpy(&r.Id, p + 5, 4);
  std::memcpy(&r.Code, p + 9, 4);
  r.Name.assign(p + NameOffset, strnlen(p + NameOffset, NameLength));
  r.City.assign(p + CityOffset, strnlen(p + CityOffset, CityLength));
  std::memcpy(&r.Blob, p + BlobOffset, 4);
  return r;
}

TRow Sample(int i) { return {i, i * 10, "Name" + std::to_string(i), "City" + std::to_string(i), i * 7, 0}; }

void Check(const TRecordsCache& cache) {
  try {
    cache.CheckInvariants();
  } catch (const Exception& e) {
    ADD_FAILURE() << e.Message();
  }
}

std::unique_ptr<TRecordsCache> MakeCache(int chunks = 32) {
  auto cache = std::make_unique<TRecordsCache>(chunks, BufferSize, RecordSize, 2);
  cache->AddBlock();
  cache->SetStringColumn(1, NameOffset, NameLength);
  cache->SetStringColumn(2, CityOffset, CityLength);
  return cache;
}

TRow Read(const TRecordsCache& cache, int n) {
  std::vector<char> b(BufferSize);
  cache.ReadRecord(n, b.data());
  return Row(b);
}

TRow ReadOld(const TRecordsCache& cache, int n) {
  std::vector<char> b(BufferSize);
  cache.ReadOldRecord(n, b.data());
  return Row(b);
}

void Write(TRecordsCache& cache, int n, const TRow& r) { cache.WriteRecord(n, Buffer(r).data(), true); }

// A cache of `count` sample records 1..count.
std::unique_ptr<TRecordsCache> Filled(int count, int chunks = 32) {
  auto cache = MakeCache(chunks);
  for (int i = 1; i <= count; ++i) Write(*cache, i, Sample(i));
  Check(*cache);
  return cache;
}

std::vector<int> PhysicalOrder(const TRecordsCache& cache, int count) {
  std::vector<int> order;
  for (int i = 0; i < count; ++i) order.push_back(cache.PhysicalNumber(i));
  return order;
}

// ---- Creation -----------------------------------------------------------------------

struct TBlockCase {
  int Chunks, Buffer, Record, Expected;
};

class BlockSize : public testing::TestWithParam<TBlockCase> {};

TEST_P(BlockSize, IsChunksTimesRecordOrTheNextBufferMultipleAbove10240) {
  const TBlockCase c = GetParam();
  TRecordsCache cache(c.Chunks, c.Buffer, c.Record, 0);
  EXPECT_EQ(cache.BlockSize(), c.Expected);
  EXPECT_EQ(cache.RecordsPerBlock(), c.Expected / c.Record);
  EXPECT_EQ(cache.BlockCount(), 0);
  Check(cache);
}

INSTANTIATE_TEST_SUITE_P(RecordsCache, BlockSize,
                         testing::Values(TBlockCase{32, 47, 17, 10246},    // 218 buffers
                                         TBlockCase{1000, 47, 17, 17000},  // chunks decide
                                         TBlockCase{32, 40, 30, 10280},    // 10240 is a multiple of 40
                                         TBlockCase{0, 47, 17, 10246},     // no chunks at all
                                         TBlockCase{-5, 47, 17, 10246}));

TEST(RecordsCache, SizesThatCannotHoldARecordAreRefused) {
  const auto error = [](int chunks, int buffer, int record, int strings) {
    return MessageOf<EMemManagerError>([&] { TRecordsCache cache(chunks, buffer, record, strings); });
  };
  EXPECT_EQ(error(32, 47, 0, 0), "Incompatible Sizes");
  EXPECT_EQ(error(32, 20, 17, 0), "Incompatible Sizes");  // record and header exceed the buffer
  EXPECT_EQ(error(32, 47, 17, -1), "Incompatible Sizes");
  EXPECT_EQ(error(INT_MAX, INT_MAX, 1 << 20, 0), "Incompatible Sizes");  // a block past 2 GB
}

TEST(RecordsCache, StringColumnsOutsideTheBufferAreRefusedAndOthersIgnored) {
  auto cache = MakeCache();
  cache->SetStringColumn(0, 0, 100);  // no such column: ignored
  cache->SetStringColumn(3, 0, 100);
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->SetStringColumn(2, CityOffset, 40); }),
            "Incompatible Sizes");
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->SetStringColumn(2, 20, CityLength); }),
            "Incompatible Sizes");
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->SetStringColumn(1, -1, NameLength); }),
            "Incompatible Sizes");
  Check(*cache);
  // The layout before the refused calls still holds.
  Write(*cache, 1, Sample(1));
  EXPECT_EQ(Read(*cache, 1), Sample(1));
}

// ---- Records without strings ------------------------------------------------------

TEST(RecordsCache, WithoutStringColumnsRecordsAreCopiedWholeAndNoStoreIsTouched) {
  TRecordsCache cache(32, 30, 20, 0);
  cache.AddBlock();
  std::vector<char> in(30), out(30, 'x');
  for (int i = 0; i < 30; ++i) in[static_cast<std::size_t>(i)] = static_cast<char>(i + 1);
  cache.WriteRecord(1, in.data(), true);
  cache.ReadRecord(1, out.data());
  EXPECT_EQ(std::string(out.data(), Header), std::string(Header, 'x'));  // the dataset's bytes stay
  EXPECT_EQ(std::string(out.data() + Header, 20), std::string(in.data() + Header, 20));
  EXPECT_EQ(std::string(out.data() + 25, 5), std::string(5, 'x'));
  // Inserting a record, the case that once reached for a store that is not
  // there, makes a zeroed record.
  cache.InsertRecord(0);
  Check(cache);
  cache.ReadRecord(1, out.data());
  EXPECT_EQ(std::string(out.data() + Header, 20), std::string(20, '\0'));
  cache.ReadRecord(2, out.data());
  EXPECT_EQ(std::string(out.data() + Header, 20), std::string(in.data() + Header, 20));
  cache.DeleteRecord(1);
  Check(cache);
  EXPECT_EQ(cache.HighRecord(), 1);
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { cache.SetString(0, 0, "a"); }),
            "Can't write value to StrCollection. Bad X-Index (pFIBLists)");
}

// ---- Reading and writing ------------------------------------------------------------

TEST(RecordsCache, RecordsReadBackAsWrittenAndLeaveTheBufferEdgesAlone) {
  auto cache = Filled(500);
  EXPECT_EQ(cache->HighRecord(), 500);
  EXPECT_EQ(cache->BlockCount(), (500 + cache->RecordsPerBlock() - 1) / cache->RecordsPerBlock());
  for (int i = 1; i <= 500; ++i) ASSERT_EQ(Read(*cache, i), Sample(i)) << i;
  std::vector<char> b(BufferSize, 'x');
  cache->ReadRecord(3, b.data());
  EXPECT_EQ(std::string(b.data(), Header), "xxxxx");
  EXPECT_EQ(std::string(b.data() + Header + 39, 3), "xxx");  // calculated fields
  // Shorter texts are followed by zero bytes, never by an earlier record's.
  EXPECT_EQ(std::string(b.data() + Header + NameOffset, NameLength), "Name3" + std::string(7, '\0'));
}

TEST(RecordsCache, ATextThatFillsItsColumnIsStoredAndReadByItsLength) {
  auto cache = MakeCache();
  TRow full{1, 2, "ABCDEFGHIJKL", "0123456789", -1, 0};  // both columns exactly full
  std::vector<char> in = Buffer(full);
  cache->WriteRecord(1, in.data(), true);
  Check(*cache);
  EXPECT_EQ(Read(*cache, 1), full);
  // Reading writes nothing behind a full column: the next bytes survive.
  std::vector<char> out(BufferSize, 'x');
  cache->ReadRecord(1, out.data());
  EXPECT_EQ(std::string(out.data() + Header + NameOffset, NameLength + CityLength), "ABCDEFGHIJKL0123456789");
  EXPECT_EQ(std::string(out.data() + Header + 39, 3), "xxx");

  // A character buffer exactly as long as the column: nothing is read beyond
  // it (the sanitizer would catch it) and the text keeps all its characters.
  const auto exact = std::make_unique<char[]>(NameLength);
  std::memcpy(exact.get(), "MNOPQRSTUVWX", NameLength);
  cache->SetStringBuffer(0, 0, false, -1, exact.get());
  cache->SetStringBuffer(1, 0, true, -1, exact.get());
  EXPECT_EQ(Read(*cache, 1).Name, "MNOPQRSTUVWX");
  EXPECT_EQ(Read(*cache, 1).City, "MNOPQRSTUV");
  Check(*cache);
}

TEST(RecordsCache, AFailedWriteLeavesNoRecordBehind) {
  TRecordsCache cache(32, BufferSize, RecordSize, 2);  // no block yet
  const auto in = Buffer(Sample(1));
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache.WriteRecord(1, in.data(), false); }),
            "Can't write to Buffer.Incorrect RecordNo");
  EXPECT_EQ(cache.HighRecord(), 0);
  EXPECT_FALSE(cache.IsValidRecord(1));
  std::vector<char> out(BufferSize);
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache.ReadRecord(1, out.data()); }),
            "Can't read Buffer.Incorrect RecordNo");
  EXPECT_EQ(cache.RecordPointer(1), nullptr);
  Check(cache);
}

TEST(RecordsCache, ReadingBeyondTheRecordsIsRefused) {
  auto cache = Filled(3);
  std::vector<char> out(BufferSize);
  for (int n : {-1, 0, 4, cache->RecordsPerBlock()})
    EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->ReadRecord(n, out.data()); }),
              "Can't read Buffer.Incorrect RecordNo")
        << n;
}

TEST(RecordsCache, AWriteInsideAnAllocatedBlockRaisesTheHighRecord) {
  auto cache = Filled(2);
  cache->WriteRecord(6, Buffer(Sample(6)).data(), false);
  Check(*cache);
  EXPECT_EQ(cache->HighRecord(), 6);
  EXPECT_EQ(Read(*cache, 6), Sample(6));
  EXPECT_EQ(Read(*cache, 4), TRow{});  // zero-filled, empty texts
}

// The memory of a closed cache is kept for the next one: what the next one
// finds there must be zeros and empty texts, never the old records.
TEST(RecordsCache, MemoryOfAFreedCacheComesBackAsZeroedRecords) {
  constexpr int count = 150000;  // past the first full-sized allocations
  auto used = Filled(count);
  for (int n : {1, 1100, 17000, count / 2, count}) EXPECT_EQ(Read(*used, n), Sample(n)) << n;
  used.reset();
  EXPECT_GT(KeptCacheMemory(), 0u);
  auto cache = MakeCache();
  cache->PrepareRecord(count);
  for (int n : {1, 2, count / 3, count / 2, count - 1, count}) EXPECT_EQ(Read(*cache, n), TRow{}) << n;
  Write(*cache, count / 2, Sample(7));
  EXPECT_EQ(Read(*cache, count / 2), Sample(7));
  Check(*cache);
  cache.reset();
  ReleaseCacheMemory();
  EXPECT_EQ(KeptCacheMemory(), 0u);
}

TEST(RecordsCache, ANullSourceZeroesTheRecordAndKeepsItsTexts) {
  auto cache = Filled(2);
  cache->WriteRecord(2, nullptr, false);
  Check(*cache);
  EXPECT_EQ(Read(*cache, 2), (TRow{0, 0, "Name2", "City2", 0, 0}));
}

TEST(RecordsCache, PreparedRecordsAreFilledInPlace) {
  auto cache = MakeCache();
  const int count = cache->RecordsPerBlock() * 2 + 5;
  for (int r = 0; r < count; ++r) {
    char* record = cache->PrepareRecord(r + 1);
    std::memcpy(record + 5, &r, 4);
    cache->SetString(0, r, "N" + std::to_string(r));
  }
  Check(*cache);
  EXPECT_EQ(cache->BlockCount(), 3);
  EXPECT_EQ(Read(*cache, count).Id, count - 1);
  EXPECT_EQ(Read(*cache, count).Name, "N" + std::to_string(count - 1));
  EXPECT_EQ(cache->RecordPointer(count), cache->PrepareRecord(count));
  // A record prepared far ahead gets every block up to its own.
  const int far = cache->RecordsPerBlock() * 5 + 1;
  ASSERT_NE(cache->PrepareRecord(far), nullptr);
  Check(*cache);
  EXPECT_EQ(cache->BlockCount(), 6);
  EXPECT_EQ(Read(*cache, far), TRow{});
}

TEST(RecordsCache, AUnidirectionalRingReusesItsSlots) {
  auto cache = MakeCache(4);
  for (int r = 0; r < 50; ++r) {
    const int slot = r % 4;
    cache->PrepareRecord(slot + 1);
    cache->SetString(0, slot, std::string(static_cast<std::size_t>(r % 13), 'a' + static_cast<char>(r % 26)));
    cache->SetString(1, slot, "row" + std::to_string(r));
    Check(*cache);
  }
  EXPECT_EQ(cache->HighRecord(), 4);
  EXPECT_EQ(Read(*cache, 2).City, "row49");
  EXPECT_EQ(Read(*cache, 2).Name, std::string(10, 'x'));
}

// ---- Record number 0 ------------------------------------------------------------------

TEST(RecordsCache, PhysicalNumberZeroIsNeverARecord) {
  auto cache = Filled(5);
  std::vector<char> out(BufferSize);
  for (int round = 0; round < 2; ++round) {  // without and with a record map
    EXPECT_FALSE(cache->IsValidRecord(0));
    EXPECT_FALSE(cache->IsValidRecord(-3));
    EXPECT_FALSE(cache->IsValidRecord(6));
    EXPECT_TRUE(cache->IsValidRecord(1));
    EXPECT_EQ(cache->LogicalIndex(0), -1);
    EXPECT_EQ(cache->PhysicalNumber(-1), 0);
    EXPECT_EQ(cache->PhysicalNumber(5), 0);
    EXPECT_EQ(cache->RecordPointer(0), nullptr);
    EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->PrepareRecord(0); }),
              "Can't write to Buffer.Incorrect RecordNo");
    EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->WriteRecord(0, out.data(), false); }),
              "Can't write to Buffer.Incorrect RecordNo");
    EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->ReadRecord(0, out.data()); }),
              "Can't read Buffer.Incorrect RecordNo");
    cache->SwapRecords(0, 1);
    cache->SwapRecords(0, 1);
    Check(*cache);
  }
  EXPECT_EQ(Read(*cache, 1), Sample(1));
}

// ---- Texts ------------------------------------------------------------------------------

struct TTextCase {
  std::string Text;
  std::string Stored;
};

class SetStringText : public testing::TestWithParam<TTextCase> {};

TEST_P(SetStringText, IsTrimmedAndCutToItsColumn) {
  auto cache = Filled(1);
  cache->SetString(0, 0, GetParam().Text);
  Check(*cache);
  EXPECT_EQ(Read(*cache, 1).Name, GetParam().Stored);
  EXPECT_EQ(Read(*cache, 1).City, "City1");
  // Read in place, as a record read would give it.
  EXPECT_EQ(cache->StringAt(0, 1), GetParam().Stored);
}

TEST(RecordsCache, TextsReadInPlaceFollowTheRecordMap) {
  auto cache = Filled(3);
  cache->SwapRecords(0, 2);
  EXPECT_EQ(cache->StringAt(0, 1), "Name3");
  EXPECT_EQ(cache->StringAt(1, 3), "City1");
  EXPECT_EQ(cache->StringAt(0, 4), "");
  EXPECT_EQ(cache->StringAt(0, 0), "");
  EXPECT_EQ(cache->StringAt(2, 1), "");
}

INSTANTIATE_TEST_SUITE_P(RecordsCache, SetStringText,
                         testing::Values(TTextCase{"", ""}, TTextCase{"Ivanov", "Ivanov"},
                                         TTextCase{"Ivanov   ", "Ivanov"},   // a blank at the end
                                         TTextCase{"Ivanov \t ", "Ivanov"},  // control codes go too
                                         TTextCase{"Ivanov\t", "Ivanov\t"},  // no blank last: as is
                                         TTextCase{"  Ivanov", "  Ivanov"},
                                         TTextCase{"ABCDEFGHIJKL", "ABCDEFGHIJKL"},  // exactly full
                                         TTextCase{"ABCDEFGHIJK ", "ABCDEFGHIJK"},
                                         TTextCase{"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKL"},  // longer: cut
                                         TTextCase{"ABCDEFGH    XYZ", "ABCDEFGH"},       // cut inside blanks
                                         TTextCase{"            XYZ", ""}));

struct TBufferCase {
  const char* Name;
  std::string Chars;  // padded to the column with the given bytes
  bool Trim;
  int Length;
  std::string Stored;
};

class SetStringBufferText : public testing::TestWithParam<TBufferCase> {};

TEST_P(SetStringBufferText, TakesTheAskedCharacters) {
  const TBufferCase c = GetParam();
  auto cache = Filled(1);
  std::string chars = c.Chars;
  chars.resize(NameLength, '\0');
  const std::string before = chars;
  cache->SetStringBuffer(0, 0, c.Trim, c.Length, chars.data());
  Check(*cache);
  EXPECT_EQ(Read(*cache, 1).Name, c.Stored);
  EXPECT_EQ(chars, before);  // the caller's characters are not written to
}

INSTANTIATE_TEST_SUITE_P(
    RecordsCache, SetStringBufferText,
    testing::Values(TBufferCase{"TrimColumn", "abc", true, -1, "abc"},
                    TBufferCase{"TrimBlanks", std::string("ab   xyz", 8), true, 5, "ab"},
                    TBufferCase{"TrimAll", "     ", true, 5, ""},
                    TBufferCase{"TrimLongerThanColumn", "ABCDEFGHIJKL", true, 40, "ABCDEFGHIJKL"},
                    TBufferCase{"UpToZero", std::string("abc\0def", 7), false, -1, "abc"},
                    TBufferCase{"Counted", "ab cd  ", false, 7, "ab cd  "},
                    TBufferCase{"CountedCutToColumn", "ABCDEFGHIJKL", false, 30, "ABCDEFGHIJKL"},
                    TBufferCase{"NothingCounted", "abc", false, 0, ""}),
    [](const testing::TestParamInfo<TBufferCase>& info) { return std::string(info.param.Name); });

TEST(RecordsCache, ANullCharacterBufferStoresAnEmptyText) {
  auto cache = Filled(1);
  cache->SetStringBuffer(1, 0, false, -1, nullptr);
  EXPECT_EQ(Read(*cache, 1).City, "");
}

TEST(RecordsCache, TextsForMissingColumnsOrRecordsAreRefusedByTheStore) {
  auto cache = Filled(2);
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { cache->SetString(2, 0, "x"); }),
            "Can't write value to StrCollection. Bad X-Index (pFIBLists)");
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { cache->SetString(-1, 0, "x"); }),
            "Can't write value to StrCollection. Bad X-Index (pFIBLists)");
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { cache->SetString(0, 2, "x"); }),
            "Can't write value to StrCollection. Bad Y-Index (pFIBLists)");
  const std::string city(CityLength, 'c');
  EXPECT_EQ(MessageOf<EStringCollectionError>([&] { cache->SetStringBuffer(1, -1, true, -1, city.data()); }),
            "Can't write value to StrCollection. Bad Y-Index (pFIBLists)");
  Check(*cache);
}

// ---- Old versions -----------------------------------------------------------------------

TEST(RecordsCache, ARecordNeverLoggedReadsAsItsCurrentVersion) {
  auto cache = Filled(3);
  cache->SetKeepOldVersions(true);
  EXPECT_EQ(ReadOld(*cache, 2), Sample(2));
  EXPECT_EQ(cache->LogCount(), 0);
}

TEST(RecordsCache, LoggedVersionsSurviveChangesUntilRestored) {
  auto cache = Filled(5);
  cache->SetKeepOldVersions(true);
  cache->SaveOldRecord(4);
  cache->SaveOldRecord(2);
  Check(*cache);
  EXPECT_EQ(cache->LogCount(), 1);
  EXPECT_EQ(cache->LogEntryCount(), 2);
  Write(*cache, 4, {40, 41, "changed", "elsewhere", 42, 1});
  cache->SetString(0, 1, "edited");
  Check(*cache);
  EXPECT_EQ(ReadOld(*cache, 4), Sample(4));
  EXPECT_EQ(ReadOld(*cache, 2), Sample(2));
  EXPECT_EQ(Row(std::vector<char>(cache->OldRecordBuffer(4), cache->OldRecordBuffer(4) + BufferSize)),
            Sample(4));
  cache->RestoreRecord(4);
  Check(*cache);
  EXPECT_EQ(Read(*cache, 4), Sample(4));
  EXPECT_EQ(Read(*cache, 2).Name, "edited");
  // Logging again replaces the logged version and keeps the slot.
  cache->LogOldRecord(2);
  EXPECT_EQ(cache->LogEntryCount(), 2);
  EXPECT_EQ(ReadOld(*cache, 2).Name, "edited");
  cache->ClearLog();
  Check(*cache);
  EXPECT_EQ(cache->LogCount(), 0);
  EXPECT_EQ(cache->LogEntryCount(), 0);
  Write(*cache, 2, Sample(20));
  EXPECT_EQ(ReadOld(*cache, 2), Sample(20));
  cache->LogOldRecord(3);  // the log starts again after clearing
  Check(*cache);
  EXPECT_EQ(ReadOld(*cache, 3), Sample(3));
}

TEST(RecordsCache, TheLogGrowsByBlocks) {
  auto cache = MakeCache();
  cache->SetKeepOldVersions(true);
  const int count = cache->RecordsPerBlock() + 3;
  for (int i = count; i >= 1; --i) Write(*cache, i, Sample(i));
  for (int i = count; i >= 1; --i) cache->LogOldRecord(i);  // logged in descending order
  Check(*cache);
  EXPECT_EQ(cache->LogCount(), 2);
  for (int i = 1; i <= count; ++i) Write(*cache, i, Sample(i + 1000));
  for (int i = 1; i <= count; ++i) ASSERT_EQ(ReadOld(*cache, i), Sample(i)) << i;
}

TEST(RecordsCache, WithoutKeptVersionsTheScratchBufferHoldsTheSavedRecord) {
  auto cache = Filled(3);
  cache->SaveOldRecord(3);
  Write(*cache, 3, Sample(30));
  const char* old = cache->OldRecordBuffer(3);
  EXPECT_EQ(Row(std::vector<char>(old, old + BufferSize)), Sample(3));
  EXPECT_EQ(cache->LogCount(), 0);
  cache->RestoreRecord(3);
  EXPECT_EQ(Read(*cache, 3), Sample(3));
  Check(*cache);
}

TEST(RecordsCache, OldVersionsFollowTheirRecordThroughReordering) {
  auto cache = Filled(4);
  cache->SetKeepOldVersions(true);
  cache->LogOldRecord(1);
  Write(*cache, 1, Sample(100));
  cache->MoveRecord(0, 3);
  Check(*cache);
  EXPECT_EQ(Read(*cache, 4), Sample(100));
  EXPECT_EQ(ReadOld(*cache, 4), Sample(1));
  EXPECT_EQ(ReadOld(*cache, 1), Sample(2));
}

// ---- The record map ---------------------------------------------------------------------

TEST(RecordsCache, SwappingCreatesTheMapAndExchangesTwoEntries) {
  auto cache = Filled(5);
  EXPECT_FALSE(cache->HasRecordMap());
  cache->SwapRecords(1, 3);
  Check(*cache);
  EXPECT_TRUE(cache->HasRecordMap());
  EXPECT_EQ(PhysicalOrder(*cache, 5), (std::vector<int>{1, 4, 3, 2, 5}));
  EXPECT_EQ(cache->LogicalIndex(3), 2);  // unmoved: found at its own place
  EXPECT_EQ(cache->LogicalIndex(4), 1);
  EXPECT_EQ(Read(*cache, 2), Sample(4));
  EXPECT_EQ(Read(*cache, 4), Sample(2));
}

struct TMoveCase {
  int From, To;
  std::vector<int> Order;
};

class MoveRecord : public testing::TestWithParam<TMoveCase> {};

TEST_P(MoveRecord, PutsTheEntryAtItsTargetAndShiftsTheOthers) {
  auto cache = Filled(5);
  cache->MoveRecord(GetParam().From, GetParam().To);
  Check(*cache);
  EXPECT_EQ(PhysicalOrder(*cache, 5), GetParam().Order);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(Read(*cache, i + 1), Sample(GetParam().Order[static_cast<std::size_t>(i)]));
}

INSTANTIATE_TEST_SUITE_P(RecordsCache, MoveRecord,
                         testing::Values(TMoveCase{0, 2, {2, 3, 1, 4, 5}}, TMoveCase{4, 0, {5, 1, 2, 3, 4}},
                                         TMoveCase{3, 1, {1, 4, 2, 3, 5}}, TMoveCase{0, 4, {2, 3, 4, 5, 1}},
                                         TMoveCase{2, 2, {1, 2, 3, 4, 5}}));

TEST(RecordsCache, ReorderingOutsideTheRecordsIsRefusedAndChangesNothing) {
  auto cache = Filled(3);
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->SwapRecords(0, 3); }),
            "Can't swap records.Incorrect RecordNo");
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->MoveRecord(-1, 0); }),
            "Can't move record.Incorrect RecordNo");
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->InsertRecord(4); }),
            "Can't insert record.Incorrect RecordNo");
  EXPECT_FALSE(cache->HasRecordMap());
  cache->SwapRecords(0, 2);
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->DeleteRecord(4); }),
            "Can't delete record.Incorrect RecordNo");
  Check(*cache);
  EXPECT_EQ(PhysicalOrder(*cache, 3), (std::vector<int>{3, 2, 1}));
}

TEST(RecordsCache, AnInsertedRecordTakesTheNextPhysicalNumberAndStartsEmpty) {
  auto cache = Filled(4);
  cache->InsertRecord(1);
  Check(*cache);
  EXPECT_EQ(cache->HighRecord(), 5);
  EXPECT_EQ(PhysicalOrder(*cache, 5), (std::vector<int>{1, 5, 2, 3, 4}));
  EXPECT_EQ(Read(*cache, 2), TRow{});
  EXPECT_EQ(Read(*cache, 3), Sample(2));
  Write(*cache, 2, Sample(50));
  EXPECT_EQ(Read(*cache, 2), Sample(50));
  EXPECT_TRUE(cache->IsValidRecord(5));
  EXPECT_EQ(cache->LogicalIndex(5), 1);
  EXPECT_EQ(cache->LogicalIndex(2), 2);  // found by searching
}

TEST(RecordsCache, TakingBackAnInsertedRecordForgetsItsTextsAndOldVersion) {
  auto cache = Filled(4);
  cache->SetKeepOldVersions(true);
  cache->InsertRecord(2);
  Write(*cache, 3, Sample(99));
  cache->LogOldRecord(3);
  cache->DeleteRecord(3);
  Check(*cache);
  EXPECT_EQ(cache->HighRecord(), 4);
  EXPECT_FALSE(cache->IsValidRecord(5));
  EXPECT_EQ(PhysicalOrder(*cache, 4), (std::vector<int>{1, 2, 3, 4}));
  // The physical number comes round again, with nothing of the earlier one.
  cache->InsertRecord(4);
  Check(*cache);
  EXPECT_EQ(cache->PhysicalNumber(4), 5);
  EXPECT_EQ(Read(*cache, 5), TRow{});
  EXPECT_EQ(ReadOld(*cache, 5), TRow{});
}

TEST(RecordsCache, InsertingAtABlockBoundaryAllocatesTheBlock) {
  auto cache = Filled(0);
  const int perBlock = cache->RecordsPerBlock();
  for (int i = 1; i <= perBlock; ++i) Write(*cache, i, Sample(i));
  EXPECT_EQ(cache->BlockCount(), 1);
  cache->InsertRecord(0);
  Check(*cache);
  EXPECT_EQ(cache->BlockCount(), 2);
  EXPECT_EQ(Read(*cache, 1), TRow{});
  EXPECT_EQ(Read(*cache, perBlock + 1), Sample(perBlock));
}

TEST(RecordsCache, PreparingBehindTheMapAppendsFreshPhysicalNumbers) {
  auto cache = Filled(3);
  cache->SwapRecords(0, 2);
  Write(*cache, 4, Sample(4));
  Write(*cache, 5, Sample(5));
  Check(*cache);
  EXPECT_EQ(PhysicalOrder(*cache, 5), (std::vector<int>{3, 2, 1, 4, 5}));
  EXPECT_EQ(Read(*cache, 5), Sample(5));
  EXPECT_EQ(MessageOf<EMemManagerError>([&] { cache->WriteRecord(7, Buffer(Sample(7)).data(), false); }),
            "Can't write to Buffer.Incorrect RecordNo");
  EXPECT_EQ(cache->HighRecord(), 5);
}

TEST(RecordsCache, AnOrphanedSlotIsNoLongerARecord) {
  auto cache = Filled(3);
  cache->SwapRecords(0, 1);  // physical 2 now first
  cache->DeleteRecord(1);    // not the newest: its slot is left behind
  Check(*cache);
  EXPECT_EQ(cache->HighRecord(), 3);
  EXPECT_FALSE(cache->IsValidRecord(2));
  EXPECT_EQ(cache->LogicalIndex(2), -1);
  EXPECT_EQ(PhysicalOrder(*cache, 2), (std::vector<int>{1, 3}));
  EXPECT_EQ(Read(*cache, 2), Sample(3));
  cache->InsertRecord(2);
  Check(*cache);
  EXPECT_EQ(cache->PhysicalNumber(2), 4);
}

// ---- Against a model --------------------------------------------------------------------

// Random operations as a dataset makes them, checked against a plain model
// of logical records and of logged versions (by physical number).
TEST(RecordsCache, RandomOperationsMatchAModel) {
  std::mt19937 rng(12345);
  auto cache = MakeCache(8);
  cache->SetKeepOldVersions(true);
  std::vector<TRow> rows;      // logical order
  std::map<int, TRow> logged;  // physical number -> old version
  const auto text = [&](std::size_t max) {
    std::string s(rng() % (max + 1), ' ');
    for (char& ch : s) ch = static_cast<char>('A' + rng() % 26);
    return s;
  };
  for (int step = 0; step < 3000; ++step) {
    const int count = static_cast<int>(rows.size());
    const unsigned op = count < 3 ? 0 : rng() % 9;
    const int i = count ? static_cast<int>(rng() % static_cast<unsigned>(count)) : 0;
    const int j = count ? static_cast<int>(rng() % static_cast<unsigned>(count)) : 0;
    if (op == 0) {
      TRow r{step, -step, text(NameLength), text(CityLength), step * 3, 0};
      Write(*cache, count + 1, r);
      rows.push_back(r);
    } else if (op == 1) {
      TRow r{step, step, text(NameLength), text(CityLength), 1, 1};
      Write(*cache, i + 1, r);
      rows[static_cast<std::size_t>(i)] = r;
    } else if (op == 2) {
      const std::string t = text(NameLength);
      cache->SetString(0, i, t);
      rows[static_cast<std::size_t>(i)].Name = t;
    } else if (op == 3) {
      cache->SwapRecords(i, j);
      std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
    } else if (op == 4) {
      cache->MoveRecord(i, j);
      TRow r = rows[static_cast<std::size_t>(i)];
      rows.erase(rows.begin() + i);
      rows.insert(rows.begin() + j, r);
    } else if (op == 5) {
      cache->InsertRecord(i);
      rows.insert(rows.begin() + i, TRow{});
      logged.erase(cache->PhysicalNumber(i));  // a number given back earlier starts unlogged
      if (rng() % 2) {
        cache->DeleteRecord(i + 1);
        rows.erase(rows.begin() + i);
      }
    } else if (op == 6) {
      cache->LogOldRecord(i + 1);
      logged[cache->PhysicalNumber(i)] = rows[static_cast<std::size_t>(i)];
    } else if (op == 7) {
      cache->RestoreRecord(i + 1);
      const auto it = logged.find(cache->PhysicalNumber(i));
      if (it != logged.end()) rows[static_cast<std::size_t>(i)] = it->second;
    } else if (rng() % 20 == 0) {
      cache->ClearLog();
      logged.clear();
    }
    Check(*cache);
    if (testing::Test::HasFailure()) FAIL() << "after step " << step << ", operation " << op;
    if (step % 100 == 0 || step > 2990) {
      for (int k = 0; k < static_cast<int>(rows.size()); ++k) {
        ASSERT_EQ(Read(*cache, k + 1), rows[static_cast<std::size_t>(k)])
            << "step " << step << " record " << k;
        const auto it = logged.find(cache->PhysicalNumber(k));
        ASSERT_EQ(ReadOld(*cache, k + 1),
                  it == logged.end() ? rows[static_cast<std::size_t>(k)] : it->second);
      }
    }
  }
}

}  // namespace
