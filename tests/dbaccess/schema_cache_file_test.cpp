// The files of the metadata caches, byte by byte and without a database:
// the schema cache file and the error-message file in their layouts, read
// back whole, and refused (leaving nothing half read) when foreign, of
// another version, cut short at any byte, or holding lengths and counts the
// file cannot hold.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <ostream>
#include <string>

#include "dbaccess/metadata/error_messages.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "tests/support/listings.h"
#include "tests/support/temp_folder.h"

namespace {

// The layout's pieces, written here by hand: 32-bit little-endian
// integers, strings as their length and bytes.
std::string Int32(std::uint32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
  return bytes;
}
std::string Str(const std::string& text) { return Int32(static_cast<std::uint32_t>(text.size())) + text; }
std::string Flags(std::initializer_list<int> flags) {
  std::string bytes;
  for (int flag : flags) bytes.push_back(static_cast<char>(flag));
  return bytes;
}

// Two entries, in the cache's order, of two databases.
const std::string& SampleCacheFile() {
  static const std::string file =
      "FIB$MCF" + Int32(4) + Int32(2) +
      // An entry without columns whose key was never read.
      Str("CUSTOMERS") + Str("/db/b.fdb") + Str("CUSTOMERS") + Flags({0}) + Int32(1) + Int32(0) +
      Str("@FIB_DEFERRED") + Int32(0) +
      // An entry with two columns.
      Str("ORDERS") + Str("/db/a.fdb") + Str("ORDERS") + Flags({1}) + Int32(3) + Int32(9) + Str("ID") + Int32(2) +
      // computed, usable in WHERE, empty default, repository, visible, triggered
      Str("ID") + Flags({0, 1, 0, 1, 1, 1}) + Int32(8) + Str("") + Str("RDB$1") + Str("Number") + Str("0") +
      Str("#,##0") + Str("HINT=x\r\nGROUP=1\r\n") +
      Str("NOTE") + Flags({1, 0, 1, 0, 0, 0}) + Int32(0) + Str("") + Str("D_NOTE") + Str("") + Str("") + Str("") +
      Int32(0);
  return file;
}

// Offsets into the sample, for the damage below.
constexpr std::size_t VersionAt = 7;
constexpr std::size_t EntryCountAt = 11;
constexpr std::size_t FirstLineLengthAt = 15;

std::string Patched(std::size_t at, const std::string& bytes) {
  std::string file = SampleCacheFile();
  file.replace(at, bytes.size(), bytes);
  return file;
}

TEST(SchemaCacheFile, TheLayoutReadsIntoEntriesAndWritesBackTheSameBytes) {
  TpFIBTableInfoCollect cache;
  ASSERT_TRUE(cache.LoadFromBytes(SampleCacheFile()));
  ASSERT_EQ(cache.Count(), 2);
  const TpFIBTableInfo& customers = cache.Items(0);
  EXPECT_EQ(customers.TableName(), "CUSTOMERS");
  EXPECT_EQ(customers.DBName(), "/db/b.fdb");
  EXPECT_FALSE(customers.WithRepository());
  EXPECT_EQ(customers.FieldCount(), 0);

  TpFIBTableInfo* orders = cache.FindTableInfo("/db/a.fdb", "ORDERS");
  ASSERT_EQ(orders, &cache.Items(1));
  EXPECT_TRUE(orders->WithRepository());
  EXPECT_EQ(orders->FormatVersion(), 3);
  EXPECT_EQ(orders->RepositoryVersion(), 9);
  // Without a connection the key stays as the file gave it.
  EXPECT_EQ(orders->PrimaryKeyFields(), "ID");
  const TpFIBFieldInfo& id = *orders->FieldInfo("ID");
  EXPECT_FALSE(id.IsComputed());
  EXPECT_TRUE(id.CanIncToWhereClause());
  EXPECT_FALSE(id.DefaultValueEmptyString());
  EXPECT_TRUE(id.WithAdditionalInfo());
  EXPECT_TRUE(id.Visible());
  EXPECT_TRUE(id.IsTriggered());
  EXPECT_EQ(id.DisplayWidth(), 8);
  EXPECT_EQ(id.DomainName(), "RDB$1");
  EXPECT_EQ(id.DisplayLabel(), "Number");
  EXPECT_EQ(id.EditFormat(), "0");
  EXPECT_EQ(id.DisplayFormat(), "#,##0");
  EXPECT_EQ(Lines(id.OtherInfo()), (Names{"HINT=x", "GROUP=1"}));
  const TpFIBFieldInfo& note = *orders->FieldInfo("NOTE");
  EXPECT_TRUE(note.IsComputed());
  EXPECT_FALSE(note.CanIncToWhereClause());
  EXPECT_TRUE(note.DefaultValueEmptyString());
  EXPECT_EQ(note.OtherInfo().Count(), 0);

  EXPECT_EQ(cache.SaveToBytes(), SampleCacheFile());
  EXPECT_EQ(cache.FindTableInfo("/db/b.fdb", "ORDERS"), nullptr);
}

// What a reader that opened the file before it was written goes on to read.
std::string ReadThrough(std::ifstream& opened) {
  return std::string(std::istreambuf_iterator<char>(opened), std::istreambuf_iterator<char>());
}

TEST(SchemaCacheFile, IsReplacedWholeByRename) {
  TTempFolder folder("tulvo-schema-");
  const std::string path = folder.Path() + "/schema.mcf";
  const std::string errors = folder.Path() + "/schema.err";
  WriteFileText(path, "an older file");
  WriteFileText(errors, "older messages");
  std::ifstream reading(path, std::ios::binary);
  std::ifstream readingErrors(errors, std::ios::binary);
  TpFIBTableInfoCollect cache;
  ASSERT_TRUE(cache.LoadFromBytes(SampleCacheFile()));
  cache.SaveToFile(path);
  TpErrorMessagesCollect messages;
  messages.AddMessage("/db/a.fdb", "PK", 1, "text");
  messages.SaveToFile(errors);
  EXPECT_EQ(ReadFileText(path), SampleCacheFile());
  EXPECT_EQ(ReadFileText(errors), messages.SaveToBytes());
  // A reader in the middle of the old file never meets a half-written new
  // one: the new file is another file, put in the old one's place.
  EXPECT_EQ(ReadThrough(reading), "an older file");
  EXPECT_EQ(ReadThrough(readingErrors), "older messages");
  EXPECT_EQ(FilesIn(folder.Path()), (Names{"schema.err", "schema.mcf"}));

  TpFIBTableInfoCollect loaded;
  EXPECT_TRUE(loaded.LoadFromFile(path));
  EXPECT_EQ(loaded.Count(), 2);
  EXPECT_FALSE(loaded.LoadFromFile(folder.Path() + "/missing.mcf"));
  EXPECT_EQ(loaded.Count(), 0);
}

struct TDamagedFile {
  const char* Name;
  std::function<std::string()> Bytes;
};

std::ostream& operator<<(std::ostream& os, const TDamagedFile& d) { return os << d.Name; }

class DamagedSchemaCacheFile : public ::testing::TestWithParam<TDamagedFile> {};

TEST_P(DamagedSchemaCacheFile, LoadsNothing) {
  TTempFolder folder("tulvo-schema-");
  const std::string path = folder.Path() + "/schema.mcf";
  WriteFileText(path, GetParam().Bytes());
  TpFIBTableInfoCollect cache;
  ASSERT_TRUE(cache.LoadFromBytes(SampleCacheFile()));
  EXPECT_FALSE(cache.LoadFromFile(path));
  EXPECT_EQ(cache.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedSchemaCacheFile,
    ::testing::Values(TDamagedFile{"Empty", [] { return std::string(); }},
                      TDamagedFile{"Foreign", [] { return Patched(0, "FIB$MCX"); }},
                      TDamagedFile{"TextFile", [] { return std::string("[Settings]\nFIB$MCF=4\n"); }},
                      // Version 3 lacks the repository flag: another layout.
                      TDamagedFile{"Version3", [] { return Patched(VersionAt, Int32(3)); }},
                      TDamagedFile{"Version5", [] { return Patched(VersionAt, Int32(5)); }},
                      TDamagedFile{"HugeEntryCount", [] { return Patched(EntryCountAt, Int32(0x7FFFFFFF)); }},
                      TDamagedFile{"NegativeEntryCount", [] { return Patched(EntryCountAt, Int32(0xFFFFFFFF)); }},
                      TDamagedFile{"HugeLength", [] { return Patched(FirstLineLengthAt, Int32(0x7FFFFFF0)); }},
                      TDamagedFile{"NegativeLength", [] { return Patched(FirstLineLengthAt, Int32(0x80000000)); }},
                      TDamagedFile{"HugeFieldCount",
                                   [] {
                                     // The field count of ORDERS, just before its first column's name.
                                     const std::string& file = SampleCacheFile();
                                     const std::size_t at = file.find(Str("ID") + Flags({0, 1})) - 4;
                                     return Patched(at, Int32(0x10000000));
                                   }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SchemaCacheFile, CutShortAtAnyByteLoadsNothing) {
  const std::string& file = SampleCacheFile();
  TpFIBTableInfoCollect cache;
  for (std::size_t size = 0; size < file.size(); ++size) {
    ASSERT_TRUE(cache.LoadFromBytes(file));
    EXPECT_FALSE(cache.LoadFromBytes(file.substr(0, size))) << size;
    EXPECT_EQ(cache.Count(), 0) << size;
  }
}

// ---- The error-message file ---------------------------------------------------------------------

TEST(ErrorMessages, AKeyTakesANewTextOnlyFromAHigherVersion) {
  TpErrorMessagesCollect messages;
  messages.AddMessage("/db/a.fdb", "PK_ORDERS", 2, "two");
  messages.AddMessage("/db/a.fdb", "pk_orders", 1, "one");
  EXPECT_EQ(messages.FindMessage("/db/a.fdb", "PK_ORDERS")->Text(), "two");
  messages.AddMessage("/db/a.fdb", "PK_ORDERS", 3, "three");
  EXPECT_EQ(messages.FindMessage("/db/a.fdb", "pk_orders")->Text(), "three");
  EXPECT_EQ(messages.FindMessage("/db/a.fdb", "PK_ORDERS")->Version(), 3);
  EXPECT_EQ(messages.MessageCount("/db/a.fdb"), 1);
  EXPECT_EQ(messages.FindMessage("/db/b.fdb", "PK_ORDERS"), nullptr);
  // Database names are paths, which differ by case.
  EXPECT_EQ(messages.FindMessage("/DB/A.FDB", "PK_ORDERS"), nullptr);
  EXPECT_EQ(messages.MaxVersion(), 3);
  messages.Clear();
  EXPECT_EQ(messages.DatabaseCount(), 0);
  EXPECT_EQ(messages.FindMessage("/db/a.fdb", "PK_ORDERS"), nullptr);
}

const std::string& SampleErrorFile() {
  static const std::string file = Int32(1) + Str("FIB$Error_messages") + Int32(7) + Int32(2) +
                                  Str("/db/a.fdb") + Int32(2) + Int32(7) + Str("FK_CITY") + Str("No such city") +
                                  Int32(2) + Str("PK_ORDERS") + Str("The order is there") +
                                  Str("/db/b.fdb") + Int32(1) + Int32(1) + Str("CHK_AGE") + Str("Too old");
  return file;
}

TEST(ErrorMessages, TheFileReadsAndWritesInItsLayout) {
  TTempFolder folder("tulvo-errors-");
  const std::string path = folder.Path() + "/schema.err";
  TpErrorMessagesCollect messages;
  ASSERT_TRUE(messages.LoadFromBytes(SampleErrorFile()));
  EXPECT_EQ(messages.MaxVersion(), 7);
  EXPECT_EQ(messages.FindMessage("/db/a.fdb", "FK_CITY")->Text(), "No such city");
  EXPECT_EQ(messages.FindMessage("/db/b.fdb", "CHK_AGE")->Version(), 1);
  messages.SaveToFile(path);
  EXPECT_EQ(ReadFileText(path), SampleErrorFile());
  EXPECT_EQ(FilesIn(folder.Path()), (Names{"schema.err"}));

  TpErrorMessagesCollect again;
  again.AddMessage("/db/c.fdb", "OLD", 1, "replaced by the file");
  ASSERT_TRUE(again.LoadFromFile(path));
  EXPECT_EQ(again.SaveToBytes(), SampleErrorFile());
  EXPECT_EQ(again.FindMessage("/db/c.fdb", "OLD"), nullptr);

  // Nothing to keep: no file.
  again.Clear();
  again.SaveToFile(path);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ErrorMessages, AForeignFileLeavesTheMessagesAndACutOneLeavesNone) {
  const std::string& file = SampleErrorFile();
  const std::size_t header = 4 + 4 + 18;
  for (std::size_t size = 0; size < file.size(); ++size) {
    TpErrorMessagesCollect messages;
    messages.AddMessage("/db/c.fdb", "OLD", 1, "kept");
    EXPECT_FALSE(messages.LoadFromBytes(file.substr(0, size))) << size;
    EXPECT_EQ(messages.FindMessage("/db/c.fdb", "OLD") != nullptr, size < header) << size;
    if (size >= header) {
      EXPECT_EQ(messages.DatabaseCount(), 0) << size;
    }
  }
  TpErrorMessagesCollect messages;
  messages.AddMessage("/db/c.fdb", "OLD", 1, "kept");
  EXPECT_FALSE(messages.LoadFromBytes(Int32(2) + file.substr(4)));
  EXPECT_FALSE(messages.LoadFromBytes(Int32(1) + Str("FIB$Error_massages") + file.substr(26)));
  EXPECT_NE(messages.FindMessage("/db/c.fdb", "OLD"), nullptr);
  // A database count the file cannot hold.
  EXPECT_FALSE(messages.LoadFromBytes(file.substr(0, 30) + Int32(0x7FFFFFFF) + file.substr(34)));
  EXPECT_EQ(messages.FindMessage("/db/c.fdb", "OLD"), nullptr);
}

}  // namespace
