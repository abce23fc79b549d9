// The dataset's blob streams over a table of memos and binary blobs: reading
// through the dataset, writing in the edit and insert states and writing
// back as new blobs, the states a stream needs, and streams that outlive
// their record's blob stream or their dataset.

#include "dbaccess/dataset/fib_dataset_blob.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dbaccess/blob/blob_stream.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/fib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

// Reaches the hooks the post, the cancel and the refresh of the editing
// layer use.
class TProbeDataSet : public TFIBDataSet {
 public:
  using TFIBDataSet::TFIBDataSet;
  void FinalizeActive() { FinalizeBlobStreams(ActiveBuffer()); }
  TFIBBlobStream* ActiveBlobStream(const char* field) {
    return BlobStreamOf(ActiveBuffer(), FieldByName(field));
  }
};

const std::string Binary("\x00\xFF\x10\xE2", 4);

class BlobTest : public DataSetTest {
 protected:
  void SetUp() override {
    DataSetTest::SetUp();
    ExecuteSQL(
        "create table DOCS (ID integer not null, TITLE varchar(20), NOTE blob sub_type 1,"
        " DATA blob sub_type 0)");
    ExecuteSQL(RU("insert into DOCS values (1, 'Письмо', 'Привет, мир! Ёжик в тумане.', x'00FF10E2')"));
    ExecuteSQL(RU("insert into DOCS values (2, 'Пусто', null, null)"));
    ExecuteSQL(RU("insert into DOCS values (3, 'Третий', 'Третья запись', x'01')"));
    FWrite = &NewTransaction("TRW", &DB());
    FWrite->TRParams().SetText("write\nread_committed\nrec_version\nnowait");
    FWrite->StartTransaction();
  }

  // A dataset over the documents in the writable transaction, editable.
  TProbeDataSet& Docs(TComponent* owner = nullptr) {
    auto* data = new TProbeDataSet(owner != nullptr ? owner : &Form());  // owned by its owner
    data->SetName("fdsDocs");
    data->SetDatabase(&DB());
    data->SetTransaction(FWrite);
    data->SelectSQL().SetText("SELECT ID, TITLE, NOTE, DATA FROM DOCS ORDER BY ID");
    data->UpdateSQL().SetText("update DOCS set NOTE = ?NOTE, DATA = ?DATA where ID = ?ID");
    data->InsertSQL().SetText("insert into DOCS (ID, NOTE, DATA) values (?ID, ?NOTE, ?DATA)");
    data->RefreshSQL().SetText("SELECT ID, TITLE, NOTE, DATA FROM DOCS WHERE ID = ?OLD_ID");
    return *data;
  }

  static std::string Read(TDataSet& data, const char* field) {
    return data.CreateBlobStream(data.FieldByName(field), bmRead)->ReadRest();
  }

  static void Write(TDataSet& data, const char* field, const std::string& bytes,
                    TBlobStreamMode mode = bmWrite) {
    data.CreateBlobStream(data.FieldByName(field), mode)->WriteString(bytes);
  }

  // The content of a blob by its id, read apart from the dataset.
  std::string Stored(const TISCQuad& id) {
    TFIBBlobStream stream;
    stream.SetDatabase(&DB());
    stream.SetTransaction(FWrite);
    stream.SetBlobId(id);
    return stream.AsString();
  }

  TFIBTransaction* FWrite = nullptr;
};

TEST_F(BlobTest, MemoAndBinaryBlobsReadThroughTheDataSet) {
  TProbeDataSet& data = Docs();
  data.Open();
  EXPECT_EQ(data.FieldByName("NOTE")->AsString(), RU("Привет, мир! Ёжик в тумане."));
  EXPECT_EQ(Read(data, "DATA"), Binary);
  EXPECT_EQ(data.BlobStreamCount(), 2);
  // Reading again, also after moving away and back, reuses the loaded content.
  EXPECT_EQ(Read(data, "NOTE"), RU("Привет, мир! Ёжик в тумане."));
  data.Next();
  ASSERT_TRUE(data.FieldByName("NOTE")->IsNull());
  const std::unique_ptr<TStream> none = data.CreateBlobStream(data.FieldByName("NOTE"), bmRead);
  EXPECT_EQ(none->ReadRest(), "");
  EXPECT_EQ(none->Size(), 0);
  EXPECT_EQ(dynamic_cast<TFIBDSBlobStream&>(*none).BlobStream(), nullptr);
  data.Next();
  EXPECT_EQ(Read(data, "NOTE"), RU("Третья запись"));
  EXPECT_EQ(Read(data, "DATA"), std::string("\x01"));
  data.First();
  EXPECT_EQ(Read(data, "DATA"), Binary);
  EXPECT_EQ(data.BlobStreamCount(), 4);
  // Seeking past the end reads nothing; the position is the stream's own.
  const std::unique_ptr<TStream> stream = data.CreateBlobStream(data.FieldByName("DATA"), bmRead);
  EXPECT_EQ(stream->Seek(10, soBeginning), 10);
  char byte = 0;
  EXPECT_EQ(stream->Read(&byte, 1), 0);
  EXPECT_EQ(stream->Seek(-1, soEnd), 3);
  EXPECT_EQ(stream->Read(&byte, 1), 1);
  EXPECT_EQ(byte, '\xE2');
  data.Close();
  EXPECT_EQ(data.BlobStreamCount(), 0);
}

// A record buffer keeps 4 bytes per blob field for its stream: a handle,
// not a pointer. ID, two null flags' worth of columns, two blob ids, two
// handles.
TEST_F(BlobTest, RecordBufferKeepsAFourByteHandlePerBlobField) {
  TProbeDataSet& data = Docs();
  data.SelectSQL().SetText("SELECT ID, NOTE, DATA FROM DOCS");
  data.Open();
  EXPECT_EQ(data.RecordBufferSize(), 6 + 3 + 4 + 8 + 8 + 2 * 4);
}

TEST_F(BlobTest, WrittenContentIsSharedByTheRecordAndWrittenBackAsANewBlob) {
  TProbeDataSet& data = Docs();
  int changes = 0;
  data.OnFieldChange = [&](TField* field) {
    if (field == data.FieldByName("NOTE")) ++changes;
  };
  data.Open();
  const std::string text = RU("Новый текст: съешь ещё этих мягких булок");
  data.Edit();
  {
    const std::unique_ptr<TStream> stream = data.CreateBlobStream(data.FieldByName("NOTE"), bmWrite);
    // Opening for writing empties the content.
    EXPECT_EQ(stream->Size(), 0);
    stream->WriteString(text);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(data.Modified());
    EXPECT_EQ(Read(data, "NOTE"), text);
  }
  // The stream going tells the controls once more.
  EXPECT_EQ(changes, 2);
  Write(data, "DATA", std::string("\0\0\x7F", 3));
  TFIBBlobStream* note = data.ActiveBlobStream("NOTE");
  ASSERT_NE(note, nullptr);
  const TISCQuad old = note->BlobId();

  data.FinalizeActive();

  EXPECT_FALSE(note->BlobId() == old);
  EXPECT_FALSE(data.FieldByName("NOTE")->IsNull());
  EXPECT_EQ(Stored(note->BlobId()), text);
  EXPECT_EQ(Stored(data.ActiveBlobStream("DATA")->BlobId()), std::string("\0\0\x7F", 3));
  // An emptied blob is written back as null.
  Write(data, "NOTE", "");
  data.FinalizeActive();
  EXPECT_TRUE(data.FieldByName("NOTE")->IsNull());
  data.Cancel();
  EXPECT_EQ(Read(data, "NOTE"), RU("Привет, мир! Ёжик в тумане."));
}

TEST_F(BlobTest, InsertedRecordGetsStreamsForItsNullBlobs) {
  TProbeDataSet& data = Docs();
  data.Open();
  data.Insert();
  EXPECT_EQ(Read(data, "NOTE"), "");
  const int held = data.BlobStreamCount();
  Write(data, "NOTE", RU("Черновик"), bmReadWrite);
  EXPECT_EQ(Read(data, "NOTE"), RU("Черновик"));
  EXPECT_EQ(data.BlobStreamCount(), held + 1);
  data.FinalizeActive();
  EXPECT_EQ(Stored(data.ActiveBlobStream("NOTE")->BlobId()), RU("Черновик"));
  data.Cancel();
  EXPECT_EQ(data.BlobStreamCount(), held);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 1);
}

TEST_F(BlobTest, WritingNeedsAnEditOrInsertThatTheDataSetAllows) {
  TProbeDataSet& data = Docs();
  data.Open();
  EXPECT_EQ(ClientErrorOf([&] { data.CreateBlobStream(data.FieldByName("NOTE"), bmWrite); }),
            ceNotInEditMode);
  EXPECT_EQ(ClientErrorOf([&] { data.CreateBlobStream(data.FieldByName("NOTE"), bmReadWrite); }),
            ceNotInEditMode);
  const std::unique_ptr<TStream> stream = data.CreateBlobStream(data.FieldByName("NOTE"), bmRead);
  EXPECT_EQ(ClientErrorOf([&] { stream->WriteString("x"); }), ceNotEditing);
  EXPECT_EQ(ClientErrorOf([&] { stream->SetSize(1); }), ceNotEditing);
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(stream->ReadRest(), RU("Привет, мир! Ёжик в тумане."));
  EXPECT_EQ(MessageOf([&] { data.CreateBlobStream(data.FieldByName("TITLE"), bmRead); }),
            "fdsDocs: Field 'TITLE' is not a blob field");
  data.Close();
  data.UpdateSQL().Clear();
  data.Open();
  // Without an update text the edit itself is refused, silently.
  EXPECT_TRUE(RaisedBy<EAbort>([&] { data.Edit(); }).Caught);
  EXPECT_EQ(data.State(), dsBrowse);
}

// Streams of records outside the window (a lookup's, a value read by
// number, the old version) own their blob streams and free them when they
// go: nothing is left behind in the dataset.
TEST_F(BlobTest, StreamsOfTemporaryRecordsLeaveNothingBehind) {
  TProbeDataSet& data = Docs();
  data.Open();
  EXPECT_EQ(data.Lookup("ID", Variant(3), "NOTE").AsString(), RU("Третья запись"));
  EXPECT_EQ(data.RecordFieldValue(data.FieldByName("DATA"), 1).AsString(), Binary);
  EXPECT_EQ(data.RecordFieldValue(data.FieldByName("NOTE"), 2).IsNull(), true);
  EXPECT_EQ(data.BlobStreamCount(), 0);
  data.Edit();
  Write(data, "NOTE", "changed");
  const int held = data.BlobStreamCount();
  EXPECT_EQ(data.GetStateFieldValue(dsOldValue, data.FieldByName("NOTE")).AsString(),
            RU("Привет, мир! Ёжик в тумане."));
  EXPECT_EQ(data.BlobStreamCount(), held);
  data.Cancel();
}

TEST_F(BlobTest, CancelGivesASharedStreamItsContentBack) {
  TProbeDataSet& data = Docs();
  data.Open();
  const std::unique_ptr<TStream> shown = data.CreateBlobStream(data.FieldByName("NOTE"), bmRead);
  EXPECT_EQ(shown->ReadRest(), RU("Привет, мир! Ёжик в тумане."));
  data.Edit();
  Write(data, "NOTE", "draft");
  shown->SetPosition(0);
  EXPECT_EQ(shown->ReadRest(), "draft");
  data.Cancel();
  shown->SetPosition(0);
  EXPECT_EQ(shown->ReadRest(), RU("Привет, мир! Ёжик в тумане."));
  EXPECT_EQ(data.BlobStreamCount(), 1);
}

// A stream handed out stays safe to use when its record's blob stream or
// its whole dataset goes: it reads and writes nothing (the address
// sanitizer watches for freed memory).
enum class Outlived { Close, Refresh, CancelledEdit, CancelledInsert, DataSetFreed };

class StreamOutlives : public BlobTest, public ::testing::WithParamInterface<Outlived> {};

TEST_P(StreamOutlives, FreedBlobStreamReadsAsNone) {
  const Outlived what = GetParam();
  auto owner = std::make_unique<TComponent>(nullptr);
  TProbeDataSet& data = Docs(owner.get());
  data.Open();
  const bool editing = what == Outlived::CancelledEdit || what == Outlived::CancelledInsert;
  if (what == Outlived::CancelledEdit) data.Edit();
  if (what == Outlived::CancelledInsert) data.Insert();
  const std::unique_ptr<TStream> stream =
      data.CreateBlobStream(data.FieldByName("NOTE"), editing ? bmReadWrite : bmRead);
  if (editing) {
    stream->WriteString(RU("правка"));
    stream->SetPosition(0);
  }
  ASSERT_GT(stream->Size(), 0);

  switch (what) {
    case Outlived::Close:
      data.Close();
      break;
    case Outlived::Refresh:
      data.Refresh();
      break;
    case Outlived::CancelledEdit:
    case Outlived::CancelledInsert:
      data.Cancel();
      break;
    case Outlived::DataSetFreed:
      owner.reset();
      break;
  }

  char buffer[8];
  EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);
  EXPECT_EQ(stream->Size(), 0);
  EXPECT_EQ(stream->Seek(0, soEnd), 0);
  EXPECT_EQ(dynamic_cast<TFIBDSBlobStream&>(*stream).BlobStream(), nullptr);
  if (owner && data.Active()) {
    // The record reads its blob afresh, and a new blob stream taking the
    // freed one's place is not the old stream's.
    EXPECT_EQ(Read(data, "NOTE"), RU("Привет, мир! Ёжик в тумане."));
    EXPECT_EQ(data.BlobStreamCount(), 1);
    EXPECT_EQ(dynamic_cast<TFIBDSBlobStream&>(*stream).BlobStream(), nullptr);
    EXPECT_EQ(stream->Seek(0, soBeginning), 0);
    EXPECT_EQ(stream->Size(), 0);
    EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);
  }
}

std::string OutlivedName(const ::testing::TestParamInfo<Outlived>& info) {
  switch (info.param) {
    case Outlived::Close:
      return "Close";
    case Outlived::Refresh:
      return "Refresh";
    case Outlived::CancelledEdit:
      return "CancelledEdit";
    case Outlived::CancelledInsert:
      return "CancelledInsert";
    case Outlived::DataSetFreed:
      return "DataSetFreed";
  }
  return "";
}

INSTANTIATE_TEST_SUITE_P(Ways, StreamOutlives,
                         ::testing::Values(Outlived::Close, Outlived::Refresh, Outlived::CancelledEdit,
                                           Outlived::CancelledInsert, Outlived::DataSetFreed),
                         OutlivedName);

}  // namespace
