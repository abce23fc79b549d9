#include "framework/core/storage/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/text/text.h"
#include "tests/support/child_processes.h"
#include "tests/support/listings.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace {

// Takes every free descriptor but one, as a program at its limit has them.
// The sanitizers need descriptors of their own to check an object, so give
// them back before anything is looked at.
class TDescriptorsTaken {
 public:
  TDescriptorsTaken() {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 256);
    ::setrlimit(RLIMIT_NOFILE, &limit);
    for (int fd; (fd = ::dup(0)) >= 0;) FFds.push_back(fd);
    ::close(FFds.back());
    FFds.pop_back();
  }
  ~TDescriptorsTaken() { Release(); }
  TDescriptorsTaken(const TDescriptorsTaken&) = delete;
  TDescriptorsTaken& operator=(const TDescriptorsTaken&) = delete;

  void Release() {
    for (int fd : FFds) ::close(fd);
    FFds.clear();
  }

 private:
  std::vector<int> FFds;
};

// Lets no file grow beyond a few bytes: every write of a store fails.
void FailEveryWrite() {
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{8, RLIM_INFINITY};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

// 0 when f raised a registry error, 3 when it returned: a child's answer.
template <class F>
int RaisesCode(F&& f) {
  return RaisedBy<ERegistryException>(std::forward<F>(f)).Caught ? 0 : 3;
}

std::string DeepPath(std::size_t depth) {
  std::string path = "\\K";
  for (std::size_t i = 1; i < depth; ++i) path += "\\K";
  return path;
}

std::string V(int i) { return "V" + std::to_string(i); }

bool WriteNumbered(const std::string& key, int count) {
  TRegistry reg;
  if (!reg.OpenKey(key, true)) return false;
  for (int i = 0; i < count; ++i) reg.WriteInteger(V(i), i);
  return true;
}

void ExpectNumbered(const std::string& key, int count) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(key, false)) << key;
  TStringList values;
  reg.GetValueNames(values);
  EXPECT_EQ(values.Count(), count) << key;
  for (int i = 0; i < count; ++i) EXPECT_EQ(reg.ReadInteger(V(i)), i) << key << i;
}

const Names kStoreAndLock{"registry", "registry.lock"};

// Points the store at a file in the test's own folder.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("TULVO_REGISTRY", StorePath().c_str(), 1); }
  void TearDown() override { ::unsetenv("TULVO_REGISTRY"); }
  std::string StorePath() const { return FFolder.File("config/registry"); }
  std::string Aside(const std::string& suffix = "") const { return StorePath() + ".unreadable" + suffix; }
  std::string Store() const { return ReadFileText(StorePath()); }
  Names Files() const { return FilesIn(FolderOf(StorePath())); }
  void WriteStore(const std::string& text) {
    ASSERT_EQ(MakeFolders(FolderOf(StorePath())), 0);
    WriteFileText(StorePath(), text);
  }
  void Seed(const std::string& key, const std::string& name, const std::string& value) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteString(name, value);
  }

  TTempFolder FFolder;
};

TEST_F(RegistryTest, CyrillicStringsRoundTripThroughTheFile) {
  const std::string text = RU("Кельворск, ул. Ёлочная, д. 5 — «центр»");
  Seed(RU("\\Software\\Tulvo\\Поиск"), RU("Улица"), text);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(RU("\\software\\TULVO\\поиск"), false));
  EXPECT_EQ(reg.ReadString(RU("УЛИЦА")), text);
  EXPECT_EQ(reg.GetDataType(RU("Улица")), rdString);
  EXPECT_NE(Store().find("Кельворск"), std::string::npos);
}

TEST_F(RegistryTest, KeyPathsAreAbsoluteWithABackslashAndRelativeOtherwise) {
  TRegistry reg;
  EXPECT_FALSE(reg.HasCurrentKey());
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Tulvo");
  ASSERT_TRUE(reg.OpenKey("HOME\\Band", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Tulvo\\HOME\\Band");
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_TRUE(reg.KeyExists("Tulvo\\HOME"));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Tulvo\\Home\\band"));
  EXPECT_FALSE(reg.KeyExists("HOME"));
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");  // a failed open leaves the current key
  EXPECT_FALSE(reg.KeyExists("Missing"));
  reg.CloseKey();
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_EQ(reg.CurrentPath(), "");
  EXPECT_TRUE(reg.KeyExists("Software\\Tulvo"));  // relative to the root without a key
}

TEST_F(RegistryTest, ReadingAValueOfAnotherTypeRaises) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\Placement", true));
  reg.WriteString("Text", "12");
  reg.WriteInteger("Number", 12);
  reg.WriteBool("Flag", true);
  auto message = [](auto f) { return MessageOf<ERegistryException>(f); };
  EXPECT_EQ(message([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
  EXPECT_EQ(message([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");
  EXPECT_EQ(message([&] { reg.ReadFloat("Number"); }), "Invalid data type for 'Number'");
  EXPECT_EQ(message([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
  TRegIniFile ini("\\Software\\Tulvo");  // nor as text through an ini file
  EXPECT_EQ(message([&] { ini.ReadInteger("Placement", "Number", 0); }), "Invalid data type for 'Number'");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadInteger("Number"), 12);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.GetDataType("Flag"), rdInteger);
}

TEST_F(RegistryTest, BinaryValuesKeepEveryByte) {
  TRegistry reg, other;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\ORG", true));
  std::string data, back(300, '\0');
  for (int i = 0; i < 300; ++i) data += static_cast<char>(i * 7);
  reg.WriteBinaryData("Filter", data.data(), static_cast<int>(data.size()));
  ASSERT_TRUE(other.OpenKey("\\Software\\Tulvo\\ORG", false));
  EXPECT_EQ(other.GetDataSize("Filter"), 300);
  EXPECT_EQ(other.GetDataType("Filter"), rdBinary);
  EXPECT_EQ(other.ReadBinaryData("Filter", back.data(), 300), 300);
  EXPECT_EQ(back, data);
  char head[4] = {};
  EXPECT_EQ(other.ReadBinaryData("Filter", head, 4), 4);  // a short buffer takes what fits
  EXPECT_EQ(std::string(head, 4), data.substr(0, 4));
  EXPECT_EQ(other.ReadBinaryData("Missing", head, 4), 0);
  EXPECT_EQ(other.GetDataSize("Missing"), -1);
  reg.WriteBinaryData("Empty", nullptr, 0);
  EXPECT_EQ(other.GetDataSize("Empty"), 0);
  EXPECT_TRUE(other.ValueExists("Empty"));
}

TEST_F(RegistryTest, FloatsCurrenciesAndDatesAreEightByteBinaryValues) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\T", true));
  reg.WriteFloat("F", -1.25e-300);
  reg.WriteCurrency("C", TCurrency{-123456789});
  reg.WriteDateTime("D", 45000.75);
  EXPECT_EQ(reg.ReadFloat("F"), -1.25e-300);
  EXPECT_EQ(reg.ReadCurrency("C"), TCurrency{-123456789});
  EXPECT_EQ(reg.ReadDateTime("D"), 45000.75);
  EXPECT_EQ(reg.GetDataSize("C"), 8);
  EXPECT_EQ(reg.GetDataType("D"), rdBinary);
}

TEST_F(RegistryTest, KeysAndValuesAreListedDeletedAndCounted) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", true));
  for (const char* key : {"Names", "Placement", "Phones\\Old"}) ASSERT_TRUE(reg.CreateKey(key));
  reg.WriteString("Second", "2");
  reg.WriteString("First", "1");
  TStringList list;
  list.Add("stale");
  reg.GetKeyNames(list);
  EXPECT_EQ(Lines(list), (Names{"Names", "Phones", "Placement"}));
  reg.GetValueNames(list);
  EXPECT_EQ(Lines(list), (Names{"Second", "First"}));
  EXPECT_TRUE(reg.HasSubKeys());
  EXPECT_EQ(reg.GetDataSize("First"), 2);  // the text and its terminating zero
  EXPECT_TRUE(reg.DeleteKey("Phones"));
  EXPECT_FALSE(reg.KeyExists("Phones\\Old"));
  EXPECT_FALSE(reg.DeleteKey("Phones"));
  EXPECT_TRUE(reg.DeleteValue("first"));
  EXPECT_FALSE(reg.DeleteValue("First"));
  EXPECT_FALSE(reg.ValueExists("First"));
  EXPECT_FALSE(reg.DeleteKey("\\"));  // the root stays
  reg.CloseKey();
  reg.GetValueNames(list);
  EXPECT_TRUE(Lines(list).empty());
}

TEST_F(RegistryTest, WritesNeedAnOpenWritableKey) {
  TRegistry reg;
  const std::string refused = "Failed to set data for 'X'";
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteString("X", "1"); }), refused);
  ASSERT_TRUE(reg.OpenKey("\\K", true));
  reg.WriteString("X", "1");
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\K"));
  EXPECT_EQ(reg.ReadString("X"), "1");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteInteger("X", 2); }), refused);
  EXPECT_FALSE(reg.DeleteValue("X"));
  EXPECT_EQ(reg.ReadString("X"), "1");
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Missing"));
}

TEST_F(RegistryTest, OtherRootsHaveNoKeysAndRefuseToCreateThem) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software", true));
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.HasCurrentKey());  // changing the root closes the key
  EXPECT_FALSE(reg.OpenKey("\\Software", true));
  EXPECT_FALSE(reg.KeyExists("Software"));
  EXPECT_FALSE(reg.KeyExists("\\"));
  EXPECT_THROW(reg.CreateKey("Software"), ERegistryException);
  reg.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_TRUE(reg.KeyExists("Software"));
}

TEST_F(RegistryTest, KeyScopeRestoresTheCurrentKey) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\"));
  ASSERT_TRUE(reg.CreateKey("\\A\\B"));
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\A"));
  {
    TRegistryKeyScope scope(reg);
    ASSERT_TRUE(reg.OpenKey("B", false));
    reg.WriteString("V", "in B");
  }
  EXPECT_EQ(reg.CurrentPath(), "A");
  EXPECT_THROW(reg.WriteString("V", "x"), ERegistryException);  // still read-only
  EXPECT_FALSE(reg.ValueExists("V"));
}

TEST_F(RegistryTest, TwoObjectsWritingDifferentKeysLoseNothing) {
  TRegistry first, second;
  ASSERT_TRUE(first.OpenKey("\\Software\\Tulvo\\HOME", true));
  ASSERT_TRUE(second.OpenKey("\\Software\\Tulvo\\ORG", true));
  for (int i = 0; i < 5; ++i) {  // each writer's view is stale by now
    first.WriteInteger(V(i), i);
    second.WriteInteger(V(i), i);
  }
  ASSERT_TRUE(first.OpenKey("\\Software\\Tulvo", false));
  TStringList keys;
  first.GetKeyNames(keys);
  EXPECT_EQ(Lines(keys), (Names{"HOME", "ORG"}));
  for (const char* key : {"\\Software\\Tulvo\\HOME", "\\Software\\Tulvo\\ORG"}) ExpectNumbered(key, 5);
}

TEST_F(RegistryTest, ConcurrentWritersInThreadsLoseNothing) {
  auto writer = [](const char* key) { EXPECT_TRUE(WriteNumbered(key, 40)) << key; };
  std::thread a(writer, "\\Concurrent\\A"), b(writer, "\\Concurrent\\B");
  a.join();
  b.join();
  for (const char* key : {"\\Concurrent\\A", "\\Concurrent\\B"}) ExpectNumbered(key, 40);
}

TEST_F(RegistryTest, ConcurrentProgramsLoseNothing) {
  RunInChildProcesses(3,
                      [](int index) { return WriteNumbered("\\Programs\\P" + std::to_string(index), 25); });
  for (const char* key : {"\\Programs\\P0", "\\Programs\\P1", "\\Programs\\P2"}) ExpectNumbered(key, 25);
}

// Read, an unreadable store is empty and left alone; the first write keeps
// it aside byte for byte and tells the program where.
struct TUnreadableCase {
  const char* Name;
  std::string Text;
  Names Absent;  // keys it must not seem to hold
};

void PrintTo(const TUnreadableCase& c, std::ostream* os) { *os << c.Name; }

class UnreadableStore : public RegistryTest, public ::testing::WithParamInterface<TUnreadableCase> {};

TEST_P(UnreadableStore, IsKeptAsideAndReadsEmpty) {
  const std::string& text = GetParam().Text;
  WriteStore(text);
  TRegistry reg;
  EXPECT_TRUE(reg.StoreUnreadable());
  EXPECT_EQ(reg.KeptAsidePath(), "");
  for (const std::string& key : GetParam().Absent) {
    EXPECT_FALSE(reg.KeyExists(key)) << key;
    EXPECT_FALSE(reg.OpenKey(key, false)) << key;
  }
  EXPECT_EQ(Store(), text);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\" + RU("Поиск"), true));
  reg.WriteString("Item0", "3");
  EXPECT_FALSE(reg.StoreUnreadable());
  EXPECT_EQ(reg.KeptAsidePath(), Aside());
  EXPECT_EQ(TRegIniFile().KeptAsidePath(), Aside());  // any object of the program can ask
  EXPECT_EQ(ReadFileText(Aside()), text);
  EXPECT_EQ(reg.ReadString("Item0"), "3");
  EXPECT_FALSE(reg.KeyExists("\\K"));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo", false));
  TStringList keys;
  reg.GetKeyNames(keys);
  EXPECT_EQ(Lines(keys), Names{RU("Поиск")});
}

INSTANTIATE_TEST_SUITE_P(
    Registry, UnreadableStore,
    ::testing::Values(
        TUnreadableCase{"Garbage", "garbage", {}},
        TUnreadableCase{"HalfALine", "tulvo-registry 1\n[Software]\n\"half a line", {"\\Software"}},
        // Followed, such a line exhausted the stack at every start.
        TUnreadableCase{
            "KeyTooDeepToFollow", "tulvo-registry 1\n[" + DeepPath(40000).substr(1) + "]\n", {"\\K"}},
        // Read with replacement characters, the two keys would merge.
        TUnreadableCase{"AnotherEncoding",
                        "tulvo-registry 1\n[Software\\Tulvo\\" + RU("Поиск") + "]\n\"Item0\" string \"1\"\n" +
                            "[Software\\Tulvo\\" + RU("Адрес") + "]\n\"Item0\" string \"2\"\n",
                        {"\\Software\\Tulvo\\?????", "\\Software\\Tulvo"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RegistryTest, AStoreKeptAsideIsNeverOverwritten) {
  WriteStore("first garbage");
  ASSERT_TRUE(TRegistry().OpenKey("\\Software\\Tulvo", true));
  WriteFileText(StorePath(), "second garbage");
  TRegistry again;
  ASSERT_TRUE(again.OpenKey("\\New", true));
  EXPECT_EQ(ReadFileText(Aside()), "first garbage");
  EXPECT_EQ(ReadFileText(Aside(".1")), "second garbage");
  EXPECT_FALSE(again.KeyExists("\\Software"));
}

TEST_F(RegistryTest, AStoreThatCannotBeWrittenFailsLoudlyAndOpenKeySaysFalse) {
  Seed("\\K", "Old", "1");
  // A folder where the lock file belongs: no writer can take the lock, even
  // one whose rights ignore file modes.
  std::filesystem::remove(StorePath() + ".lock");
  std::filesystem::create_directory(StorePath() + ".lock");
  const std::string before = Store();
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("\\Other", true));
  ASSERT_TRUE(reg.OpenKey("\\K", false));
  EXPECT_EQ(reg.ReadString("Old"), "1");
  EXPECT_THROW(reg.WriteString("V", "1"), ERegistryException);
  EXPECT_THROW(reg.DeleteValue("Old"), ERegistryException);
  EXPECT_FALSE(reg.ValueExists("V"));
  EXPECT_EQ(Store(), before);
}

// The permission bits the user gave the store file: a read-only file is
// never replaced (the rename would not ask), any other keeps its bits.
class StoreFileMode : public RegistryTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(StoreFileMode, IsKeptAndAReadOnlyFileKeepsItsContent) {
  Seed("\\K", "Old", "1");
  ::chmod(StorePath().c_str(), GetParam());
  const std::string before = Store();
  const bool writable = GetParam() & 0200;
  EXPECT_EQ(TRegistryStore::WriteProblem(StorePath()), writable ? 0 : EACCES);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", false));
  if (writable)
    reg.WriteString("New", "2");
  else
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteString("New", "2"); }),
              "Cannot write the registry store \"" + StorePath() + "\": Permission denied");
  EXPECT_EQ(Store() == before, !writable);
  struct stat st {};
  EXPECT_EQ(::stat(StorePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, GetParam());
  ::chmod(StorePath().c_str(), 0600);
}

INSTANTIATE_TEST_SUITE_P(Registry, StoreFileMode, ::testing::Values(0600u, 0640u, 0400u, 0444u));

TEST_F(RegistryTest, RewritingTheSameValueLeavesTheFileAlone) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", true));
  reg.WriteString("V", "1");
  TFileStamp before = FileStampOf(StorePath());
  reg.WriteString("V", "1");
  EXPECT_EQ(FileStampOf(StorePath()), before);
  reg.WriteString("V", "2");
  EXPECT_NE(FileStampOf(StorePath()), before);
}

TEST_F(RegistryTest, APassingReadErrorNeverCostsAGoodStore) {
  Seed("\\Software\\Tulvo\\Placement", "Left", "120");
  const std::string before = Store();
  // The lock takes the last descriptor, so the store cannot be opened.
  EXPECT_EQ(InChildProcess([] {
              TRegistry reg;
              if (!reg.OpenKey("\\Software\\Tulvo\\Placement", false)) return 2;
              TDescriptorsTaken taken;
              // The descriptors go back before the exception is touched or
              // freed: the sanitizers' checks of an object need one.
              try {
                reg.WriteString("Top", "80");
              } catch (const ERegistryException&) {
                taken.Release();
                return 0;
              }
              return 3;
            }),
            0);
  EXPECT_EQ(Store(), before);
  EXPECT_FALSE(std::filesystem::exists(Aside()));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\Placement", false));
  reg.WriteString("Top", "80");
  EXPECT_EQ(reg.ReadString("Left"), "120");
  EXPECT_FALSE(reg.StoreUnreadable());
}

TEST_F(RegistryTest, AStoreThatCannotBeReadRaisesAndStaysInPlace) {
  std::filesystem::create_directories(StorePath());
  WriteFileText(StorePath() + "/inside", "kept");
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("\\Software", true));
  EXPECT_THROW(reg.KeyExists("\\Software"), ERegistryException);
  EXPECT_THROW(reg.CreateKey("\\Software"), ERegistryException);
  EXPECT_THROW(reg.StoreUnreadable(), ERegistryException);
  EXPECT_EQ(ReadFileText(StorePath() + "/inside"), "kept");
  EXPECT_EQ(Files(), kStoreAndLock);
}

TEST_F(RegistryTest, AnUnreadableStoreStaysInPlaceWhenItsSuccessorCannotBeWritten) {
  WriteStore("not a registry at all");
  EXPECT_EQ(InChildProcess([] {
              TRegistry reg;
              FailEveryWrite();
              return RaisesCode([&] { reg.CreateKey("\\Software"); });
            }),
            0);
  EXPECT_EQ(Store(), "not a registry at all");
  EXPECT_EQ(Files(), kStoreAndLock);
}

TEST_F(RegistryTest, KeysAndValuesBeyondTheStoresBoundsAreRefused) {
  using H = TRegistryHive;
  const std::string deepest = DeepPath(H::kMaxKeyDepth);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(deepest, true));
  reg.WriteInteger("V", 1);
  EXPECT_THROW(reg.CreateKey("K"), ERegistryException);
  EXPECT_FALSE(reg.OpenKey("K", true));
  EXPECT_EQ(reg.CurrentPath(), deepest.substr(1));
  ASSERT_TRUE(reg.OpenKey("\\Short", true));
  EXPECT_THROW(reg.CreateKey(std::string(H::kMaxKeyNameLength + 1, 'K')), ERegistryException);
  EXPECT_THROW(reg.WriteString("V", std::string(H::kMaxDataSize + 1, 'x')), ERegistryException);
  EXPECT_THROW(reg.WriteInteger(std::string(H::kMaxValueNameLength + 1, 'n'), 1), ERegistryException);
  TRegIniFile ini("\\Short");
  EXPECT_THROW(ini.WriteString(deepest.substr(1), "V", "x"), ERegistryException);
  EXPECT_FALSE(ini.SectionExists("K"));
  TRegistry fresh;
  ASSERT_TRUE(fresh.OpenKey(deepest, false));
  EXPECT_EQ(fresh.ReadInteger("V"), 1);
  EXPECT_FALSE(fresh.StoreUnreadable());
}

TEST_F(RegistryTest, TemporaryFilesOfKilledWritersAreRemovedUnderTheLock) {
  Seed("\\K", "V", "0");
  const std::string folder = FolderOf(StorePath());
  for (const char* orphan : {"registry.tmp-Ab3dE9", "registry.tmp-zzzzzz"})
    WriteFileText(folder + "/" + orphan, "tulvo-registry 1\n");
  for (const char* other :
       {"registry.tmp-notes.txt", "registry.backup", "other.tmp-AAAAAA", "registry.tmp-AAAAA"})
    WriteFileText(folder + "/" + other, "keep");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", false));
  reg.WriteString("V", "1");
  EXPECT_EQ(Files(), (Names{"other.tmp-AAAAAA", "registry", "registry.backup", "registry.lock",
                            "registry.tmp-AAAAA", "registry.tmp-notes.txt"}));
}

TEST_F(RegistryTest, WritersKilledMidWayLeaveAReadableStoreAndNoTemporaryFiles) {
  for (int round = 0; round < 12; ++round) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      TRegistry reg;
      reg.OpenKey("\\Killed", true);
      for (int i = 0;; ++i) reg.WriteInteger(V(i % 50), i);
    }
    ::usleep(static_cast<useconds_t>(3000 + round * 700));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\After", true));
  reg.WriteInteger("Done", 1);
  EXPECT_FALSE(reg.StoreUnreadable());
  EXPECT_EQ(Files(), kStoreAndLock);
}

// --- update scopes ---------------------------------------------------------------

TEST_F(RegistryTest, AnUpdateScopeWritesItsGroupOnceOnCommit) {
  TRegIniFile("\\Software\\Tulvo\\HOME").WriteInteger("", "ShowGrid", 0);
  const std::string before = Store();
  TRegIniFile ini("\\Software\\Tulvo\\HOME");
  {
    TRegistryUpdateScope scope(ini);
    ini.WriteInteger("", "ShowGrid", 1);
    for (int column = 0; column < 30; ++column)
      for (const char* value : {"BandIndex", "RowIndex", "Visible", "Index", "Width"})
        ini.WriteInteger("Columns\\Column" + std::to_string(column), value, column);
    EXPECT_EQ(ini.ReadInteger("Columns\\Column7", "Width", -1), 7);  // the group reads as written
    EXPECT_TRUE(TRegistry().KeyExists("\\Software\\Tulvo\\HOME\\Columns\\Column29"));
    EXPECT_EQ(Store(), before);
    EXPECT_EQ(Files(), kStoreAndLock);
    scope.Commit();
  }
  EXPECT_EQ(InChildProcess([] {
              TRegIniFile fresh("\\Software\\Tulvo\\HOME");
              return fresh.ReadInteger("", "ShowGrid", 0) == 1 &&
                     fresh.ReadInteger("Columns\\Column29", "Width", 0) == 29;
            }),
            1);
}

TEST_F(RegistryTest, LeavingAnUpdateScopeWithoutCommitLeavesTheStoreAsItWas) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", true));
  reg.WriteString("Kept", "1");
  reg.WriteString("Doomed", "1");
  const std::string before = Store();
  TRegistry other;  // shares the store as parsed with reg: the group must not reach it
  ASSERT_TRUE(other.OpenKey("\\K", false));
  EXPECT_THROW(
      {
        TRegistryUpdateScope scope(reg);
        reg.WriteString("Kept", "2");
        reg.WriteString("New", "x");
        reg.DeleteValue("Doomed");
        reg.CreateKey("Sub");
        throw std::runtime_error("the save failed half-way");
      },
      std::runtime_error);
  EXPECT_EQ(Store(), before);
  EXPECT_EQ(reg.ReadString("Kept"), "1");
  EXPECT_TRUE(reg.ValueExists("Doomed"));
  EXPECT_FALSE(reg.ValueExists("New"));
  EXPECT_FALSE(reg.KeyExists("Sub"));
  TRegistry fresh;
  for (TRegistry* r : {&other, &fresh}) {
    ASSERT_TRUE(r->OpenKey("\\K", false));
    EXPECT_EQ(r->ReadString("Kept"), "1");
    EXPECT_FALSE(r->ValueExists("New"));
    EXPECT_FALSE(r->KeyExists("Sub"));
  }
  // The lock went with the scope.
  EXPECT_EQ(InChildProcess([] { return WriteNumbered("\\K", 1) ? 0 : 1; }), 0);
}

TEST_F(RegistryTest, NestedScopesAndOtherObjectsOfTheThreadJoinTheOutermostGroup) {
  TRegistry a, b, c;
  ASSERT_TRUE(a.OpenKey("\\A", true));
  ASSERT_TRUE(b.OpenKey("\\B", true));
  const std::string before = Store();
  {
    TRegistryUpdateScope outer(a);
    a.WriteString("V", "a");
    {
      TRegistryUpdateScope inner(b);  // the same store: joins, does not wait for itself
      b.WriteString("V", "b");
      inner.Commit();
    }
    ASSERT_TRUE(c.OpenKey("\\C", true));  // a write without a scope joins too
    c.WriteString("V", "c");
    EXPECT_EQ(Store(), before);
    outer.Commit();
  }
  TRegistry reader;
  for (const char* key : {"A", "B", "C"}) {
    ASSERT_TRUE(reader.OpenKey(std::string("\\") + key, false)) << key;
    EXPECT_EQ(reader.ReadString("V"), LowerCase(key));
  }
}

TEST_F(RegistryTest, ACommitThatCannotWriteLeavesTheStoreAsItWas) {
  Seed("\\K", "Old", "1");
  const std::string before = Store();
  EXPECT_EQ(InChildProcess([] {
              TRegistry child;
              if (!child.OpenKey("\\K", false)) return 2;
              TRegistryUpdateScope scope(child);
              child.WriteString("New", std::string(100, 'x'));
              FailEveryWrite();
              if (RaisesCode([&] { scope.Commit(); }) != 0) return 3;
              return child.ValueExists("New") ? 4 : 0;  // the group is gone
            }),
            0);
  EXPECT_EQ(Store(), before);
  EXPECT_EQ(Files(), kStoreAndLock);
}

TEST_F(RegistryTest, AnUpdateScopeKeepsOtherProgramsWaitingAndLosesNothingOfTheirs) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Parent", true));
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    char byte;
    ::_exit(::read(go[0], &byte, 1) == 1 && WriteNumbered("\\Child", 1) ? 0 : 2);
  }
  {
    TRegistryUpdateScope scope(reg);
    reg.WriteString("V", "parent");
    ASSERT_EQ(::write(go[1], "!", 1), 1);
    ::usleep(100000);
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), 0);  // still waiting for the lock
    scope.Commit();
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(go[0]);
  ::close(go[1]);
  TRegistry reader;
  ASSERT_TRUE(reader.OpenKey("\\Parent", false));
  EXPECT_EQ(reader.ReadString("V"), "parent");
  ExpectNumbered("\\Child", 1);
}

TEST(RegistryStorePath, ComesFromTheEnvironment) {
  struct TEnvScope {
    std::string Name;
    std::optional<std::string> Old;
    explicit TEnvScope(std::string name) : Name(std::move(name)) {
      if (const char* v = std::getenv(Name.c_str())) Old = v;
    }
    ~TEnvScope() { Old ? ::setenv(Name.c_str(), Old->c_str(), 1) : ::unsetenv(Name.c_str()); }
  } registry("TULVO_REGISTRY"), xdg("XDG_CONFIG_HOME"), home("HOME");

  ::setenv("TULVO_REGISTRY", "/elsewhere/store", 1);
  EXPECT_EQ(TRegistryStore::DefaultPath(), "/elsewhere/store");
  ::setenv("TULVO_REGISTRY", "", 1);
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(TRegistryStore::DefaultPath(), "/cfg/tulvo/registry");
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(TRegistryStore::DefaultPath(), "/home/someone/.config/tulvo/registry");
}

// --- TRegIniFile ---------------------------------------------------------------

TEST_F(RegistryTest, RegIniFileOpensItsKeyAndKeepsNumbersAsText) {
  {
    TRegIniFile ini("\\Software\\Tulvo");
    EXPECT_EQ(ini.CurrentPath(), "Software\\Tulvo");
    ini.WriteInteger("Placement", "Left", -120);
    ini.WriteBool("Placement", "Maximized", true);
    ini.WriteString("Phones", "Item0", RU("555-12-34 Иванов"));
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\Placement", false));
  EXPECT_EQ(reg.GetDataType("Left"), rdString);
  EXPECT_EQ(reg.ReadString("Left"), "-120");
  EXPECT_EQ(reg.ReadString("Maximized"), "1");
  TRegIniFile ini("\\Software\\Tulvo");
  EXPECT_EQ(ini.ReadInteger("Placement", "Left", 0), -120);
  EXPECT_TRUE(ini.ReadBool("Placement", "Maximized", false));
  EXPECT_EQ(ini.ReadString("Phones", "Item0", ""), RU("555-12-34 Иванов"));
  EXPECT_EQ(ini.ReadString("Phones", "Item9", "none"), "none");
  EXPECT_EQ(ini.ReadString("Missing", "Item0", "none"), "none");
}

struct TIntegerReadCase {
  const char* Stored;  // nullptr: no value
  int Integer;         // ReadInteger with default 42
  bool Bool;           // ReadBool with default false
};

void PrintTo(const TIntegerReadCase& c, std::ostream* os) {
  *os << (c.Stored ? "\"" + std::string(c.Stored) + "\"" : "missing");
}

class RegIniFileIntegers : public RegistryTest, public ::testing::WithParamInterface<TIntegerReadCase> {};

TEST_P(RegIniFileIntegers, ConvertTheStoredTextOrFallBackToTheDefault) {
  TRegIniFile ini("\\Software\\Tulvo");
  if (GetParam().Stored) ini.WriteString("S", "V", GetParam().Stored);
  EXPECT_EQ(ini.ReadInteger("S", "V", 42), GetParam().Integer);
  EXPECT_EQ(ini.ReadBool("S", "V", false), GetParam().Bool);
}

INSTANTIATE_TEST_SUITE_P(RegIniFile, RegIniFileIntegers,
                         ::testing::ValuesIn(std::vector<TIntegerReadCase>{{"0", 0, false},
                                                                           {"7", 7, true},
                                                                           {"-3", -3, true},
                                                                           {"yes", 42, false},
                                                                           {"", 42, false},
                                                                           {"12abc", 42, false},
                                                                           {"99999999999", 42, false},
                                                                           {nullptr, 42, false}}));

TEST_F(RegistryTest, RegIniFileSectionsAreSubkeysOfItsKey) {
  TRegIniFile ini("\\Software\\Tulvo\\HOME");
  ini.WriteInteger("", "ShowGrid", 1);
  ini.WriteInteger("\\Software\\Tulvo\\HOME\\Band\\Band0", "ID", 0);  // absolute
  ini.WriteInteger("Band\\Band1", "ID", 1);
  ini.WriteInteger("Columns\\GridHomePHONE", "Width", 80);
  ini.WriteInteger("Columns\\GridHomePHONE", "Index", 2);
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(Lines(list), (Names{"Band", "Columns"}));
  ini.ReadSection("Columns\\GridHomePHONE", list);
  EXPECT_EQ(Lines(list), (Names{"Width", "Index"}));
  ini.ReadSectionValues("Columns\\GridHomePHONE", list);
  EXPECT_EQ(Lines(list), (Names{"Width=80", "Index=2"}));
  ini.ReadSection("Missing", list);
  EXPECT_TRUE(Lines(list).empty());
  EXPECT_EQ(ini.ReadInteger("", "ShowGrid", 0), 1);
  EXPECT_TRUE(ini.SectionExists("Band\\Band0"));
  EXPECT_TRUE(ini.ValueExists("Band\\Band1", "id"));
  EXPECT_FALSE(ini.ValueExists("Band\\Band1", "Visible"));
  ini.DeleteKey("Columns\\GridHomePHONE", "Index");
  EXPECT_FALSE(ini.ValueExists("Columns\\GridHomePHONE", "Index"));
  EXPECT_TRUE(ini.ValueExists("Columns\\GridHomePHONE", "Width"));
  ini.EraseSection("Band");
  EXPECT_FALSE(ini.SectionExists("Band\\Band1"));
  EXPECT_TRUE(ini.SectionExists("Columns"));
  ini.RemoveSection("Columns");
  ini.ListSectionNames(list);
  EXPECT_TRUE(Lines(list).empty());
}

TEST_F(RegistryTest, RegIniFileWithoutANameWorksFromTheRoot) {
  TRegIniFile ini;
  EXPECT_TRUE(ini.HasCurrentKey());
  EXPECT_EQ(ini.CurrentPath(), "");
  EXPECT_FALSE(ini.KeyExists("\\Software\\Tulvo\\HOME"));
  EXPECT_FALSE(std::filesystem::exists(StorePath()));  // opening the root writes nothing
  ini.WriteTextValue("\\Software\\Tulvo\\HOME", "ShowGrid", "1");
  EXPECT_EQ(ini.ReadTextValue("Software\\Tulvo\\HOME", "ShowGrid", ""), "1");
}

}  // namespace
