#include "framework/core/storage/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"
#include "tests/support/raised.h"
#include "tests/support/child_processes.h"
#include "tests/support/temp_folder.h"

namespace {

using Names = std::vector<std::string>;

Names Lines(const TStrings& list) {
  Names lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

// Runs body in a child process; its answer, or -1 when it did not end by
// itself.
int InChildProcess(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid < 0) return -2;
  if (pid == 0) {
    int code = 98;
    try {
      code = body();
    } catch (...) {
      code = 99;
    }
    ::_exit(code);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -3;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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

Names FilesIn(const std::string& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::string DeepPath(std::size_t depth) {
  std::string path = "\\K";
  for (std::size_t i = 1; i < depth; ++i) path += "\\K";
  return path;
}

// Points the store at a file in the test's own folder.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("TULVO_REGISTRY", StorePath().c_str(), 1); }
  void TearDown() override { ::unsetenv("TULVO_REGISTRY"); }
  std::string StorePath() const { return FFolder.File("config/registry"); }
  void WriteStore(const std::string& text) {
    ASSERT_EQ(MakeFolders(FolderOf(StorePath())), 0);
    WriteFileText(StorePath(), text);
  }

  TTempFolder FFolder;
};

TEST_F(RegistryTest, CyrillicStringsRoundTripThroughTheFile) {
  const std::string text = RU("Кельворск, ул. Ёлочная, д. 5 — «центр»");
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(RU("\\Software\\Tulvo\\Поиск"), true));
    reg.WriteString(RU("Улица"), text);
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(RU("\\software\\TULVO\\поиск"), false));
  EXPECT_EQ(reg.ReadString(RU("УЛИЦА")), text);
  EXPECT_EQ(reg.GetDataType(RU("Улица")), rdString);
  EXPECT_NE(ReadFileText(StorePath()).find("Кельворск"), std::string::npos);
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
  ASSERT_TRUE(reg.OpenKey("\\T", true));
  reg.WriteString("Text", "12");
  reg.WriteInteger("Number", 12);
  reg.WriteBool("Flag", true);
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadString("Number"); }),
            "Invalid data type for 'Number'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadFloat("Number"); }),
            "Invalid data type for 'Number'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Missing"); }),
            "Failed to get data for 'Missing'");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadInteger("Number"), 12);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.GetDataType("Flag"), rdInteger);
}

TEST_F(RegistryTest, BinaryValuesKeepEveryByte) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\ORG", true));
  std::string data;
  for (int i = 0; i < 300; ++i) data += static_cast<char>(i * 7);
  reg.WriteBinaryData("Filter", data.data(), static_cast<int>(data.size()));

  TRegistry other;
  ASSERT_TRUE(other.OpenKey("\\Software\\Tulvo\\ORG", false));
  EXPECT_EQ(other.GetDataSize("Filter"), 300);
  EXPECT_EQ(other.GetDataType("Filter"), rdBinary);
  std::string back(300, '\0');
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
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteString("X", "1"); }), "Failed to set data for 'X'");
  ASSERT_TRUE(reg.OpenKey("\\K", true));
  reg.WriteString("X", "1");
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\K"));
  EXPECT_EQ(reg.ReadString("X"), "1");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteInteger("X", 2); }), "Failed to set data for 'X'");
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
  for (int i = 0; i < 5; ++i) {
    first.WriteInteger("H" + std::to_string(i), i);  // each writer's view is stale by now
    second.WriteInteger("O" + std::to_string(i), i);
  }
  first.CloseKey();
  ASSERT_TRUE(first.OpenKey("\\Software\\Tulvo", false));
  TStringList keys;
  first.GetKeyNames(keys);
  EXPECT_EQ(Lines(keys), (Names{"HOME", "ORG"}));

  TRegistry reader;
  for (const char* key : {"\\Software\\Tulvo\\HOME", "\\Software\\Tulvo\\ORG"}) {
    ASSERT_TRUE(reader.OpenKey(key, false));
    TStringList values;
    reader.GetValueNames(values);
    EXPECT_EQ(values.Count(), 5) << key;
  }
}

TEST_F(RegistryTest, ConcurrentWritersInThreadsLoseNothing) {
  auto writer = [](const std::string& key) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Concurrent\\" + key, true));
    for (int i = 0; i < 40; ++i) reg.WriteInteger("V" + std::to_string(i), i);
  };
  std::thread a(writer, "A"), b(writer, "B");
  a.join();
  b.join();
  TRegistry reg;
  for (const char* key : {"\\Concurrent\\A", "\\Concurrent\\B"}) {
    ASSERT_TRUE(reg.OpenKey(key, false));
    for (int i = 0; i < 40; ++i) EXPECT_EQ(reg.ReadInteger("V" + std::to_string(i)), i) << key << i;
  }
}

TEST_F(RegistryTest, ConcurrentProgramsLoseNothing) {
  const char* const keys[] = {"P1", "P2", "P3"};
  RunInChildProcesses(3, [&](int index) {
    TRegistry reg;
    if (!reg.OpenKey(std::string("\\Programs\\") + keys[index], true)) return false;
    for (int i = 0; i < 25; ++i) reg.WriteString("V" + std::to_string(i), keys[index]);
    return true;
  });
  TRegistry reg;
  for (const char* key : {"P1", "P2", "P3"}) {
    ASSERT_TRUE(reg.OpenKey(std::string("\\Programs\\") + key, false));
    for (int i = 0; i < 25; ++i) EXPECT_EQ(reg.ReadString("V" + std::to_string(i)), key);
  }
}

TEST_F(RegistryTest, AnUnreadableStoreIsKeptAsideAndReadsEmpty) {
  ASSERT_EQ(MakeFolders(FolderOf(StorePath())), 0);
  const std::string garbage = "tulvo-registry 1\n[Software]\n\"half a line";
  WriteFileText(StorePath(), garbage);

  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("\\Software"));
  EXPECT_FALSE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(ReadFileText(StorePath()), garbage);  // reading leaves it alone

  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo", true));
  reg.WriteString("Fresh", "1");
  EXPECT_EQ(ReadFileText(StorePath() + ".unreadable"), garbage);
  EXPECT_EQ(reg.ReadString("Fresh"), "1");

  WriteFileText(StorePath(), "second garbage");
  TRegistry again;
  ASSERT_TRUE(again.OpenKey("\\New", true));
  EXPECT_EQ(ReadFileText(StorePath() + ".unreadable"), garbage);  // never overwritten
  EXPECT_EQ(ReadFileText(StorePath() + ".unreadable.1"), "second garbage");
  EXPECT_FALSE(again.KeyExists("\\Software"));
}

TEST_F(RegistryTest, AStoreThatCannotBeWrittenFailsLoudlyAndOpenKeySaysFalse) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\K", true));
    reg.WriteString("Old", "1");
  }
  // A folder where the lock file belongs: no writer can take the lock, even
  // one whose rights ignore file modes.
  std::filesystem::remove(StorePath() + ".lock");
  std::filesystem::create_directory(StorePath() + ".lock");
  const std::string before = ReadFileText(StorePath());

  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("\\Other", true));
  ASSERT_TRUE(reg.OpenKey("\\K", false));
  EXPECT_EQ(reg.ReadString("Old"), "1");
  EXPECT_THROW(reg.WriteString("V", "1"), ERegistryException);
  EXPECT_THROW(reg.DeleteValue("Old"), ERegistryException);
  EXPECT_FALSE(reg.ValueExists("V"));
  EXPECT_EQ(ReadFileText(StorePath()), before);
}

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
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\Placement", true));
    reg.WriteString("Left", "120");
  }
  const std::string before = ReadFileText(StorePath());

  // The lock takes the last descriptor, so the store cannot be opened.
  EXPECT_EQ(InChildProcess([] {
              TRegistry reg;
              if (!reg.OpenKey("\\Software\\Tulvo\\Placement", false)) return 2;
              TDescriptorsTaken taken;
              try {
                reg.WriteString("Top", "80");
              } catch (const ERegistryException&) {
                taken.Release();
                return 0;
              }
              return 3;
            }),
            0);
  EXPECT_EQ(ReadFileText(StorePath()), before);
  EXPECT_FALSE(std::filesystem::exists(StorePath() + ".unreadable"));

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
  EXPECT_EQ(FilesIn(FolderOf(StorePath())), (Names{"registry", "registry.lock"}));
}

TEST_F(RegistryTest, AnUnreadableStoreStaysInPlaceWhenItsSuccessorCannotBeWritten) {
  const std::string garbage = "not a registry at all";
  WriteStore(garbage);
  EXPECT_EQ(InChildProcess([] {
              TRegistry reg;
              FailEveryWrite();
              try {
                reg.CreateKey("\\Software");
              } catch (const ERegistryException&) {
                return 0;
              }
              return 3;
            }),
            0);
  EXPECT_EQ(ReadFileText(StorePath()), garbage);
  EXPECT_EQ(FilesIn(FolderOf(StorePath())), (Names{"registry", "registry.lock"}));
}

TEST_F(RegistryTest, AStoreWithAKeyTooDeepToFollowIsKeptAsideNotFollowed) {
  // Followed, such a line exhausted the stack at every start.
  const std::string text = "tulvo-registry 1\n[" + DeepPath(40000).substr(1) + "]\n";
  WriteStore(text);
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("\\K"));
  EXPECT_TRUE(reg.StoreUnreadable());
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo", true));
  EXPECT_EQ(ReadFileText(StorePath() + ".unreadable"), text);
  EXPECT_FALSE(reg.KeyExists("\\K"));
}

TEST_F(RegistryTest, AStoreInAnotherEncodingIsKeptAsideNotMerged) {
  const std::string text = "tulvo-registry 1\n[Software\\Tulvo\\" + RU("Поиск") +
                           "]\n\"Item0\" string \"1\"\n" + "[Software\\Tulvo\\" + RU("Адрес") +
                           "]\n\"Item0\" string \"2\"\n";
  WriteStore(text);
  TRegistry reg;
  EXPECT_TRUE(reg.StoreUnreadable());
  EXPECT_FALSE(reg.KeyExists("\\Software\\Tulvo\\?????"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Tulvo"));

  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\" + RU("Поиск"), true));
  reg.WriteString("Item0", "3");
  EXPECT_EQ(ReadFileText(StorePath() + ".unreadable"), text);  // byte for byte
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo", false));
  TStringList keys;
  reg.GetKeyNames(keys);
  EXPECT_EQ(Lines(keys), Names{RU("Поиск")});
}

TEST_F(RegistryTest, KeysAndValuesBeyondTheStoresBoundsAreRefused) {
  const std::string deepest = DeepPath(TRegistryHive::kMaxKeyDepth);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(deepest, true));
  reg.WriteInteger("V", 1);
  EXPECT_THROW(reg.CreateKey("K"), ERegistryException);
  EXPECT_FALSE(reg.OpenKey("K", true));
  EXPECT_EQ(reg.CurrentPath(), deepest.substr(1));

  ASSERT_TRUE(reg.OpenKey("\\Short", true));
  EXPECT_THROW(reg.CreateKey(std::string(TRegistryHive::kMaxKeyNameLength + 1, 'K')), ERegistryException);
  EXPECT_THROW(reg.WriteString("V", std::string(TRegistryHive::kMaxDataSize + 1, 'x')), ERegistryException);
  EXPECT_THROW(reg.WriteInteger(std::string(TRegistryHive::kMaxValueNameLength + 1, 'n'), 1),
               ERegistryException);
  TRegIniFile ini("\\Short");
  EXPECT_THROW(ini.WriteString(DeepPath(TRegistryHive::kMaxKeyDepth).substr(1), "V", "x"),
               ERegistryException);
  EXPECT_FALSE(ini.SectionExists("K"));

  TRegistry fresh;
  ASSERT_TRUE(fresh.OpenKey(deepest, false));
  EXPECT_EQ(fresh.ReadInteger("V"), 1);
  EXPECT_FALSE(fresh.StoreUnreadable());
}

TEST_F(RegistryTest, TemporaryFilesOfKilledWritersAreRemovedUnderTheLock) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\K", true));
  }
  const std::string folder = FolderOf(StorePath());
  for (const char* orphan : {"registry.tmp-Ab3dE9", "registry.tmp-zzzzzz"})
    WriteFileText(folder + "/" + orphan, "tulvo-registry 1\n");
  for (const char* other :
       {"registry.tmp-notes.txt", "registry.backup", "other.tmp-AAAAAA", "registry.tmp-AAAAA"})
    WriteFileText(folder + "/" + other, "keep");

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", false));
  reg.WriteString("V", "1");
  EXPECT_EQ(FilesIn(folder), (Names{"other.tmp-AAAAAA", "registry", "registry.backup", "registry.lock",
                                    "registry.tmp-AAAAA", "registry.tmp-notes.txt"}));
}

TEST_F(RegistryTest, WritersKilledMidWayLeaveAReadableStoreAndNoTemporaryFiles) {
  for (int round = 0; round < 12; ++round) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      TRegistry reg;
      reg.OpenKey("\\Killed", true);
      for (int i = 0;; ++i) reg.WriteInteger("V" + std::to_string(i % 50), i);
    }
    ::usleep(static_cast<useconds_t>(3000 + round * 700));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\After", true));
  reg.WriteInteger("Done", 1);
  EXPECT_FALSE(reg.StoreUnreadable());
  EXPECT_EQ(FilesIn(FolderOf(StorePath())), (Names{"registry", "registry.lock"}));
}

TEST_F(RegistryTest, TheProgramLearnsWhereItsUnreadableStoreWasKeptAside) {
  WriteStore("garbage");
  TRegistry reg;
  EXPECT_TRUE(reg.StoreUnreadable());
  EXPECT_EQ(reg.KeptAsidePath(), "");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo", true));
  EXPECT_FALSE(reg.StoreUnreadable());
  EXPECT_EQ(reg.KeptAsidePath(), StorePath() + ".unreadable");
  TRegIniFile other;  // any object of the program can ask
  EXPECT_EQ(other.KeptAsidePath(), StorePath() + ".unreadable");
  EXPECT_EQ(ReadFileText(other.KeptAsidePath()), "garbage");
}

// --- update scopes ---------------------------------------------------------------

TEST_F(RegistryTest, AnUpdateScopeWritesItsGroupOnceOnCommit) {
  {
    TRegIniFile ini("\\Software\\Tulvo\\HOME");
    ini.WriteInteger("", "ShowGrid", 0);
  }
  const std::string before = ReadFileText(StorePath());
  TRegIniFile ini("\\Software\\Tulvo\\HOME");
  {
    TRegistryUpdateScope scope(ini);
    ini.WriteInteger("", "ShowGrid", 1);
    for (int column = 0; column < 30; ++column)
      for (const char* value : {"BandIndex", "RowIndex", "Visible", "Index", "Width"})
        ini.WriteInteger("Columns\\Column" + std::to_string(column), value, column);
    EXPECT_EQ(ini.ReadInteger("Columns\\Column7", "Width", -1), 7);  // the group reads as written
    TRegistry other;
    EXPECT_TRUE(other.KeyExists("\\Software\\Tulvo\\HOME\\Columns\\Column29"));
    EXPECT_EQ(ReadFileText(StorePath()), before);
    EXPECT_EQ(FilesIn(FolderOf(StorePath())), (Names{"registry", "registry.lock"}));
    scope.Commit();
  }
  EXPECT_EQ(InChildProcess([] {
              TRegIniFile fresh("\\Software\\Tulvo\\HOME");
              return fresh.ReadInteger("", "ShowGrid", 0) == 1 &&
                             fresh.ReadInteger("Columns\\Column29", "Width", 0) == 29
                         ? 0
                         : 1;
            }),
            0);
}

TEST_F(RegistryTest, LeavingAnUpdateScopeWithoutCommitLeavesTheStoreAsItWas) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", true));
  reg.WriteString("Kept", "1");
  reg.WriteString("Doomed", "1");
  const std::string before = ReadFileText(StorePath());
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
  EXPECT_EQ(ReadFileText(StorePath()), before);
  EXPECT_EQ(reg.ReadString("Kept"), "1");
  EXPECT_TRUE(reg.ValueExists("Doomed"));
  EXPECT_FALSE(reg.ValueExists("New"));
  EXPECT_FALSE(reg.KeyExists("Sub"));
  // The lock went with the scope.
  EXPECT_EQ(InChildProcess([] {
              TRegistry child;
              return child.OpenKey("\\K", false) && (child.WriteString("Child", "1"), true) ? 0 : 1;
            }),
            0);
}

TEST_F(RegistryTest, NestedScopesAndOtherObjectsOfTheThreadJoinTheOutermostGroup) {
  TRegistry a, b;
  ASSERT_TRUE(a.OpenKey("\\A", true));
  ASSERT_TRUE(b.OpenKey("\\B", true));
  const std::string before = ReadFileText(StorePath());
  {
    TRegistryUpdateScope outer(a);
    a.WriteString("V", "a");
    {
      TRegistryUpdateScope inner(b);  // the same store: joins, does not wait for itself
      b.WriteString("V", "b");
      inner.Commit();
    }
    TRegistry c;
    ASSERT_TRUE(c.OpenKey("\\C", true));  // a write without a scope joins too
    c.WriteString("V", "c");
    EXPECT_EQ(ReadFileText(StorePath()), before);
    outer.Commit();
  }
  TRegistry reader;
  for (const char* key : {"A", "B", "C"}) {
    ASSERT_TRUE(reader.OpenKey(std::string("\\") + key, false)) << key;
    EXPECT_EQ(reader.ReadString("V"), LowerCase(key));
  }
}

TEST_F(RegistryTest, ACommitThatCannotWriteLeavesTheStoreAsItWas) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\K", true));
  reg.WriteString("Old", "1");
  const std::string before = ReadFileText(StorePath());
  EXPECT_EQ(InChildProcess([] {
              TRegistry child;
              if (!child.OpenKey("\\K", false)) return 2;
              TRegistryUpdateScope scope(child);
              child.WriteString("New", std::string(100, 'x'));
              FailEveryWrite();
              try {
                scope.Commit();
              } catch (const ERegistryException&) {
                return child.ValueExists("New") ? 4 : 0;  // the group is gone
              }
              return 3;
            }),
            0);
  EXPECT_EQ(ReadFileText(StorePath()), before);
  EXPECT_EQ(FilesIn(FolderOf(StorePath())), (Names{"registry", "registry.lock"}));
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
    int code = ::read(go[0], &byte, 1) == 1 ? 0 : 2;
    try {
      TRegistry child;
      if (!child.OpenKey("\\Child", true)) code = 3;
      child.WriteString("V", "child");
    } catch (...) {
      code = 4;
    }
    ::_exit(code);
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
  ASSERT_TRUE(reader.OpenKey("\\Child", false));
  EXPECT_EQ(reader.ReadString("V"), "child");
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

INSTANTIATE_TEST_SUITE_P(
    RegIniFile, RegIniFileIntegers,
    ::testing::Values(TIntegerReadCase{"0", 0, false}, TIntegerReadCase{"7", 7, true},
                      TIntegerReadCase{"-3", -3, true}, TIntegerReadCase{"yes", 42, false},
                      TIntegerReadCase{"", 42, false}, TIntegerReadCase{"12abc", 42, false},
                      TIntegerReadCase{"99999999999", 42, false}, TIntegerReadCase{nullptr, 42, false}));

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

TEST_F(RegistryTest, RegIniFileRefusesToReadAnIntegerValueAsText) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tulvo\\Placement", true));
  reg.WriteInteger("Left", 5);
  TRegIniFile ini("\\Software\\Tulvo");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { ini.ReadInteger("Placement", "Left", 0); }),
            "Invalid data type for 'Left'");
}

}  // namespace
