#include "framework/core/storage/streams.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

std::string Content(TStream& stream) {
  std::int64_t position = stream.Position();
  stream.SetPosition(0);
  std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
  stream.ReadBuffer(bytes.data(), stream.Size());
  stream.SetPosition(position);
  return bytes;
}

void Put(TStream& stream, const std::string& bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// Every kind of stream must behave the same way for these.
struct TStreamKind {
  const char* Name;
  std::function<std::unique_ptr<TStream>(const TTempFolder&)> Make;
};

class StreamKinds : public ::testing::TestWithParam<TStreamKind> {
 protected:
  std::unique_ptr<TStream> Make() { return GetParam().Make(FFolder); }
  TTempFolder FFolder;
};

TEST_P(StreamKinds, SeekFromEachOriginAndReadWhatWasWritten) {
  auto stream = Make();
  Put(*stream, "0123456789");
  EXPECT_EQ(stream->Position(), 10);
  EXPECT_EQ(stream->Size(), 10);
  EXPECT_EQ(stream->Seek(2, soBeginning), 2);
  EXPECT_EQ(stream->Seek(3, soCurrent), 5);
  EXPECT_EQ(stream->Seek(-1, soFromCurrent), 4);
  char buffer[4] = {};
  EXPECT_EQ(stream->Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "456");
  EXPECT_EQ(stream->Seek(-2, soFromEnd), 8);
  EXPECT_EQ(stream->Read(buffer, 4), 2);  // a short read is no error
  EXPECT_EQ(std::string(buffer, 2), "89");
  EXPECT_EQ(stream->Read(buffer, 4), 0);
  stream->SetPosition(3);
  Put(*stream, "ab");  // overwrites in place
  EXPECT_EQ(Content(*stream), "012ab56789");
  EXPECT_EQ(stream->Position(), 5);
}

TEST_P(StreamKinds, ReadingPastTheEndGivesNothingAndWritingThereFillsTheGapWithZeros) {
  auto stream = Make();
  Put(*stream, "ab");
  EXPECT_EQ(stream->Seek(5, soFromBeginning), 5);
  char c = 'x';
  EXPECT_EQ(stream->Read(&c, 1), 0);
  EXPECT_EQ(stream->Size(), 2);
  Put(*stream, "z");
  EXPECT_EQ(Content(*stream), std::string("ab\0\0\0z", 6));
}

TEST_P(StreamKinds, SetSizeGrowsWithZerosAndShrinksKeepingThePositionInside) {
  auto stream = Make();
  Put(*stream, "abcdef");
  stream->SetSize(9);
  EXPECT_EQ(Content(*stream), std::string("abcdef\0\0\0", 9));
  EXPECT_EQ(stream->Position(), 6);
  stream->SetSize(3);
  EXPECT_EQ(stream->Size(), 3);
  EXPECT_EQ(stream->Position(), 3);
  EXPECT_EQ(Content(*stream), "abc");
}

TEST_P(StreamKinds, ReadBufferAndWriteBufferDemandTheWholeCount) {
  auto stream = Make();
  Put(*stream, "abc");
  stream->SetPosition(1);
  char buffer[8];
  try {
    stream->ReadBuffer(buffer, 3);
    ADD_FAILURE() << "nothing raised";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  stream->ReadBuffer(buffer, 0);  // nothing asked, nothing missing
}

TEST_P(StreamKinds, SeekingBeforeTheStartRaisesAndKeepsThePosition) {
  auto stream = Make();
  Put(*stream, "abc");
  EXPECT_THROW(stream->Seek(-4, soCurrent), EStreamError);
  EXPECT_THROW(stream->Seek(-1, soBeginning), EStreamError);
  EXPECT_THROW(stream->Seek(-4, soFromEnd), EStreamError);
  EXPECT_EQ(stream->Position(), 3);
  EXPECT_EQ(stream->Seek(-3, soFromCurrent), 0);
}

TEST_P(StreamKinds, CopyFromTakesTheWholeSourceForCountZero) {
  auto stream = Make();
  TMemoryStream source;
  Put(source, "hello, world");
  source.SetPosition(7);
  Put(*stream, ">");
  EXPECT_EQ(stream->CopyFrom(source, 0), 12);
  EXPECT_EQ(Content(*stream), ">hello, world");
  source.SetPosition(7);
  EXPECT_EQ(stream->CopyFrom(source, 5), 5);
  EXPECT_EQ(Content(*stream), ">hello, worldworld");
  source.SetPosition(10);
  EXPECT_THROW(stream->CopyFrom(source, 5), EReadError);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, StreamKinds,
    ::testing::Values(
        TStreamKind{"Memory", [](const TTempFolder&) { return std::make_unique<TMemoryStream>(); }},
        TStreamKind{"String", [](const TTempFolder&) { return std::make_unique<TStringStream>(); }},
        TStreamKind{"File",
                    [](const TTempFolder& folder) {
                      return std::make_unique<TFileStream>(folder.File("stream.bin"), fmCreate);
                    }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(MemoryStream, LoadSaveAndClear) {
  TStringStream text("abcdef");
  text.SetPosition(4);
  TMemoryStream memory;
  Put(memory, "old content");
  memory.LoadFromStream(text);
  EXPECT_EQ(memory.Size(), 6);
  EXPECT_EQ(memory.Position(), 0);
  EXPECT_EQ(std::string(memory.Memory(), 6), "abcdef");

  TStringStream out("<>");
  out.SetPosition(1);
  memory.SaveToStream(out);
  EXPECT_EQ(out.DataString(), "<abcdef");

  memory.Clear();
  EXPECT_EQ(memory.Size(), 0);
  EXPECT_EQ(memory.Position(), 0);
  EXPECT_EQ(memory.Bytes(), "");
}

// A memory stream that notes its writes, as a blob stream does, and a source
// whose size promises more than it can give.
class TNotingStream : public TMemoryStream {
 public:
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    ++Writes;
    return TMemoryStream::Write(buffer, count);
  }
  int Writes = 0;
};

class TShortSource : public TStringStream {
 public:
  using TStringStream::TStringStream;
  std::int64_t Size() override { return TStringStream::Size() + 1; }
};

TEST(MemoryStream, LoadFromStreamWritesThroughTheStreamOrNotAtAll) {
  TNotingStream target;
  target.WriteString("kept");
  TShortSource broken("abc");
  EXPECT_THROW(target.LoadFromStream(broken), EReadError);
  EXPECT_EQ(target.Bytes(), "kept");
  int before = target.Writes;
  TStringStream good("new");
  target.LoadFromStream(good);
  EXPECT_EQ(target.Bytes(), "new");
  EXPECT_GT(target.Writes, before);
}

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
  stream.SetPosition(7);
  stream.WriteString("!");
  EXPECT_EQ(stream.Bytes(), std::string("hello\0\0!", 8));
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadRest(), "he");
  EXPECT_THROW(stream.SetSize(-1), EStreamError);
}

TEST(StringStream, ReadsAndWritesText) {
  TStringStream stream("Tulvo");
  EXPECT_EQ(stream.ReadString(3), "Tul");
  EXPECT_EQ(stream.ReadString(10), "vo");
  stream.WriteString(" Kelvorsk");
  EXPECT_EQ(stream.DataString(), "Tulvo Kelvorsk");
}

TEST(FileStream, ModesControlCreationReadingAndWriting) {
  TTempFolder folder;
  const std::string path = folder.File("data.bin");
  try {
    TFileStream missing(path, fmOpenRead);
    ADD_FAILURE() << "nothing raised";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + path + "\". No such file or directory");
  }
  {
    TFileStream create(path, fmCreate);
    Put(create, "first version");
  }
  {
    TFileStream read(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(Content(read), "first version");
    EXPECT_THROW(Put(read, "x"), EWriteError);
  }
  {
    TFileStream write(path, fmOpenWrite);
    Put(write, "FIRST");
    char c;
    EXPECT_THROW(write.Read(&c, 1), EReadError);  // the system refuses: no silent end of file
  }
  {
    TFileStream both(path, fmOpenReadWrite);
    EXPECT_EQ(Content(both), "FIRST version");
  }
  {
    TFileStream again(path, fmCreate);  // empties an existing file
    EXPECT_EQ(again.Size(), 0);
  }
  EXPECT_EQ(ReadFileText(path), "");
  EXPECT_THROW(TFileStream(folder.File("no/such/folder/x"), fmCreate), EFCreateError);
}

}  // namespace
