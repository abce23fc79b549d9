// The blob stream on real blob columns of the embedded engine: text and
// binary contents of many sizes written as new blobs, stored in rows and
// read back in another transaction; blobs the server holds in many short or
// one long segment; changes, cancel and write-back; the blob filters of a
// connection; the stream's checks and what it keeps when its connection or
// transaction goes. The list of a dataset's streams needs no database.

#include "dbaccess/blob/blob_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/blob/blob_filters.h"
#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/raised.h"

namespace {

// Every byte value, zero included, in an order that shows a shifted copy.
std::string BinaryContent(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 256 + 7) & 0xFF);
  return bytes;
}

// Russian and Latin text in lines, as the program keeps it (Windows-1251).
std::string TextContent(std::size_t size) {
  const std::string line = RU("Улица Садовая, дом 12, кв. 34; ") + "Tulvo Kelvorsk\r\n";
  std::string text;
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

class BlobStreamTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL(
        "CREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, BODY BLOB SUB_TYPE 1, DATA BLOB SUB_TYPE 0, "
        "PACKED BLOB SUB_TYPE -7)");
    MakeConnection(false);
    FDB->SetConnected(true);
    FTR->StartTransaction();
  }

  TFIBDatabase& DB() { return *FDB; }
  TFIBTransaction& TR() { return *FTR; }

  std::unique_ptr<TFIBBlobStream> NewStream(TBlobStreamMode mode, const TISCQuad& id = {}, int subType = 0,
                                            TFIBDatabase* database = nullptr) {
    auto stream = std::make_unique<TFIBBlobStream>();
    stream->SetDatabase(database != nullptr ? database : FDB);
    stream->SetTransaction(database != nullptr ? database->DefaultTransaction() : FTR);
    stream->SetMode(mode);
    stream->SetBlobId(id);
    stream->SetBlobSubType(subType);
    return stream;
  }

  // A new blob holding the content, written through a write-mode stream.
  TISCQuad WriteBlob(const std::string& content, int subType = 0) {
    auto stream = NewStream(bmWrite, {}, subType);
    stream->WriteString(content);
    stream->Finalize(true);
    return stream->BlobId();
  }

  std::string ReadBlob(const TISCQuad& id, int subType = 0, TFIBDatabase* database = nullptr) {
    return NewStream(bmRead, id, subType, database)->AsString();
  }

  // Runs a statement with one blob parameter.
  void ExecuteWithBlob(std::string_view sql, const TISCQuad& blob) {
    const std::string text(sql);
    const std::unique_ptr<char[]> buffer = std::make_unique<char[]>(DescriptorLength(1));
    auto* input = reinterpret_cast<XSQLDA*>(buffer.get());
    input->version = SQLDA_VERSION1;
    input->sqln = 1;
    input->sqld = 1;
    ISC_QUAD value{blob.High, blob.Low};
    ISC_SHORT null = 0;
    input->sqlvar[0].sqltype = SQL_BLOB + 1;
    input->sqlvar[0].sqllen = sizeof(value);
    input->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&value);
    input->sqlvar[0].sqlind = &null;
    TR().ClientCall(
        ClientAPI().isc_dsql_execute_immediate(StatusVector(), DB().HandleAddress(), TR().HandleAddress(), 0,
                                               text.c_str(), SQL_DIALECT_V6, input),
        true);
  }

  // The blob identifier in the one row of a SELECT of one blob column.
  TISCQuad QueryBlobId(std::string_view select) {
    const std::string text(select);
    const std::unique_ptr<char[]> buffer = std::make_unique<char[]>(DescriptorLength(1));
    auto* output = reinterpret_cast<XSQLDA*>(buffer.get());
    output->version = SQLDA_VERSION1;
    output->sqln = 1;
    output->sqld = 1;
    ISC_QUAD value{};
    ISC_SHORT null = 0;
    output->sqlvar[0].sqltype = SQL_BLOB + 1;
    output->sqlvar[0].sqllen = sizeof(value);
    output->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&value);
    output->sqlvar[0].sqlind = &null;
    TR().ClientCall(
        ClientAPI().isc_dsql_exec_immed2(StatusVector(), DB().HandleAddress(), TR().HandleAddress(), 0,
                                         text.c_str(), SQL_DIALECT_V6, nullptr, output),
        true);
    EXPECT_EQ(null, 0) << text;
    return TISCQuad{value.gds_quad_high, value.gds_quad_low};
  }

  // A blob written with the client API in the given segments.
  TISCQuad WriteSegments(const std::vector<std::string>& segments) {
    const TClientEntryPoints& api = ClientAPI();
    ISC_QUAD id{};
    isc_blob_handle blob = 0;
    TR().ClientCall(api.isc_create_blob2(StatusVector(), DB().HandleAddress(), TR().HandleAddress(), &blob,
                                         &id, 0, nullptr),
                    true);
    for (const std::string& segment : segments)
      TR().ClientCall(api.isc_put_segment(StatusVector(), &blob, static_cast<unsigned short>(segment.size()),
                                          segment.data()),
                      true);
    TR().ClientCall(api.isc_close_blob(StatusVector(), &blob), true);
    return TISCQuad{id.gds_quad_high, id.gds_quad_low};
  }

  // Stores the blob as row id's column, commits, and starts again.
  void StoreAndCommit(int id, const char* column, const TISCQuad& blob) {
    ExecuteWithBlob(
        "INSERT INTO DOCS (ID, " + std::string(column) + ") VALUES (" + std::to_string(id) + ", ?)", blob);
    TR().Commit();
    TR().StartTransaction();
  }
};

// ---- Round trips through rows -------------------------------------------------------

struct TRoundTrip {
  const char* Name;
  const char* Column;
  bool Text;
  std::size_t Size;
};

class BlobRoundTripTest : public BlobStreamTest, public ::testing::WithParamInterface<TRoundTrip> {};

TEST_P(BlobRoundTripTest, ContentWrittenAsNewBlobReadsBackFromTheRow) {
  const TRoundTrip& c = GetParam();
  const std::string content = c.Text ? TextContent(c.Size) : BinaryContent(c.Size);
  StoreAndCommit(1, c.Column, WriteBlob(content, c.Text ? 1 : 0));

  const std::string column(c.Column);
  EXPECT_EQ(Query(DB(), TR(), "SELECT OCTET_LENGTH(" + column + ") FROM DOCS WHERE ID = 1"),
            static_cast<std::int64_t>(c.Size));
  auto stream =
      NewStream(bmRead, QueryBlobId("SELECT " + column + " FROM DOCS WHERE ID = 1"), c.Text ? 1 : 0);
  EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(c.Size));
  EXPECT_TRUE(stream->AsString() == content) << "content differs";
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlobRoundTripTest,
    ::testing::Values(TRoundTrip{"EmptyText", "BODY", true, 0}, TRoundTrip{"EmptyBinary", "DATA", false, 0},
                      TRoundTrip{"OneByte", "DATA", false, 1}, TRoundTrip{"ShortText", "BODY", true, 100},
                      TRoundTrip{"OnePieceExactly", "DATA", false, 16384},
                      TRoundTrip{"JustPastOnePiece", "DATA", false, 16385},
                      TRoundTrip{"SeveralPiecesText", "BODY", true, 40000},
                      TRoundTrip{"ManyPiecesBinary", "DATA", false, 150000}),
    [](const ::testing::TestParamInfo<TRoundTrip>& info) { return std::string(info.param.Name); });

TEST_F(BlobStreamTest, TextStoredBySqlReadsAsItsCharacters) {
  const std::string text = RU("Справочник телефонов: Тулво Кельворск");
  Execute(DB(), TR(), "INSERT INTO DOCS (ID, BODY) VALUES (1, '" + text + "')");
  auto stream = NewStream(bmRead, QueryBlobId("SELECT BODY FROM DOCS WHERE ID = 1"), 1);
  EXPECT_EQ(stream->AsString(), text);
  EXPECT_TRUE(stream->Loaded());
  EXPECT_FALSE(stream->Modified());
}

TEST_F(BlobStreamTest, BlobOfManyShortSegmentsReadsWhole) {
  std::vector<std::string> segments;
  std::string whole;
  for (int i = 0; i < 700; ++i) {
    segments.push_back(BinaryContent(61 + i % 5));
    whole += segments.back();
  }
  const TISCQuad id = WriteSegments(segments);
  EXPECT_TRUE(ReadBlob(id) == whole);
}

TEST_F(BlobStreamTest, SegmentLongerThanOnePieceReadsWhole) {
  const std::string segment = BinaryContent(60000);
  EXPECT_TRUE(ReadBlob(WriteSegments({segment, "tail"})) == segment + "tail");
}

TEST_F(BlobStreamTest, ReadingInPiecesFollowsThePosition) {
  auto stream = NewStream(bmRead, WriteBlob("0123456789"));
  char buffer[4] = {};
  EXPECT_EQ(stream->Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(stream->Seek(-3, soEnd), 7);
  EXPECT_EQ(stream->Read(buffer, 4), 3);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(stream->Read(buffer, 0), 0);
  EXPECT_EQ(stream->Read(buffer, -5), 0);
}

// ---- Past the end -------------------------------------------------------------------

TEST_F(BlobStreamTest, ReadingPastTheEndReadsNothing) {
  auto stream = NewStream(bmRead, WriteBlob("hello"));
  EXPECT_EQ(stream->Seek(100, soBeginning), 100);
  char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(stream->Read(buffer, sizeof(buffer)), 0);
  EXPECT_EQ(std::string(buffer, sizeof(buffer)), "xxxxxxxx");
  EXPECT_EQ(stream->Position(), 100);
  EXPECT_EQ(stream->Size(), 5);
}

TEST_F(BlobStreamTest, WritingPastTheEndZeroFillsTheGap) {
  auto stream = NewStream(bmWrite);
  stream->WriteString("abc");
  stream->Seek(10, soBeginning);
  stream->WriteString("xyz");
  EXPECT_EQ(stream->Size(), 13);
  stream->Finalize();
  const std::string expected = std::string("abc") + std::string(7, '\0') + "xyz";
  EXPECT_TRUE(ReadBlob(stream->BlobId()) == expected);
}

TEST_F(BlobStreamTest, SeekBeforeTheStartIsRefused) {
  auto stream = NewStream(bmRead, WriteBlob("abc"));
  EXPECT_THROW(stream->Seek(-4, soEnd), EStreamError);
  EXPECT_EQ(stream->Position(), 0);
}

// ---- Changes, cancel, write-back -----------------------------------------------------

TEST_F(BlobStreamTest, FirstWriteOverExistingBlobStartsEmptyAndCancelRestores) {
  const TISCQuad original = WriteBlob("original text");
  auto stream = NewStream(bmReadWrite, original);
  EXPECT_EQ(stream->AsString(), "original text");
  stream->SetPosition(0);
  stream->WriteString("new");
  EXPECT_EQ(stream->AsString(), "new");
  EXPECT_TRUE(stream->Modified());
  EXPECT_FALSE(stream->BackupOnWrite());

  stream->Cancel();
  EXPECT_EQ(stream->AsString(), "original text");
  EXPECT_FALSE(stream->Modified());
  EXPECT_TRUE(stream->BackupOnWrite());
  EXPECT_TRUE(stream->BlobId() == original);
}

TEST_F(BlobStreamTest, CancelWithoutChangesKeepsTheLoadedContent) {
  auto stream = NewStream(bmReadWrite, WriteBlob("loaded"));
  EXPECT_EQ(stream->AsString(), "loaded");
  stream->Cancel();
  EXPECT_EQ(stream->AsString(), "loaded");
  // And again after a finalise, which leaves nothing to go back to.
  stream->WriteString("changed");
  stream->Finalize();
  stream->Cancel();
  EXPECT_EQ(stream->AsString(), "changed");
}

TEST_F(BlobStreamTest, FinalizeWritesNewBlobAndLeavesTheOldOne) {
  const TISCQuad original = WriteBlob("first");
  auto stream = NewStream(bmReadWrite, original);
  stream->WriteString("second");
  stream->Finalize();
  const TISCQuad written = stream->BlobId();
  EXPECT_FALSE(written == original);
  EXPECT_FALSE(stream->Modified());
  EXPECT_TRUE(stream->BackupOnWrite());
  EXPECT_TRUE(stream->Loaded());
  EXPECT_EQ(ReadBlob(original), "first");
  EXPECT_EQ(ReadBlob(written), "second");

  // Nothing changed: no new blob; forced: one more.
  stream->Finalize();
  EXPECT_TRUE(stream->BlobId() == written);
  stream->Finalize(true);
  EXPECT_FALSE(stream->BlobId() == written);
  EXPECT_EQ(ReadBlob(stream->BlobId()), "second");
}

TEST_F(BlobStreamTest, WriteModeReplacesTheBlobWithoutReadingIt) {
  auto stream = NewStream(bmWrite, WriteBlob("never read"));
  EXPECT_EQ(stream->Size(), 0);
  EXPECT_TRUE(stream->BlobId().IsZero());
  stream->WriteString("replacement");
  stream->Finalize();
  EXPECT_EQ(ReadBlob(stream->BlobId()), "replacement");
}

// Every change counts, not only Write: a size change, a truncation and a
// whole new content reach the server, and each can be cancelled.
TEST_F(BlobStreamTest, SizeTruncateAndLoadAreChangesWrittenBack) {
  auto stream = NewStream(bmReadWrite, WriteBlob("abcdef"));
  stream->SetSize(3);
  EXPECT_TRUE(stream->Modified());
  stream->Finalize();
  EXPECT_EQ(ReadBlob(stream->BlobId()), "abc");

  stream->SetSize(5);
  stream->Finalize();
  EXPECT_TRUE(ReadBlob(stream->BlobId()) == std::string("abc\0\0", 5));

  stream->Truncate();
  EXPECT_EQ(stream->Size(), 0);
  stream->Cancel();
  EXPECT_EQ(stream->Size(), 5);
  stream->Truncate();
  stream->Finalize();
  EXPECT_EQ(ReadBlob(stream->BlobId()), "");

  TStringStream source("from a stream");
  source.SetPosition(5);
  stream->LoadFromStream(source);
  EXPECT_EQ(stream->Position(), 0);
  stream->Finalize();
  EXPECT_EQ(ReadBlob(stream->BlobId()), "from a stream");
}

TEST_F(BlobStreamTest, SaveToStreamWritesTheWholeContentAtTheTargetsPosition) {
  auto stream = NewStream(bmRead, WriteBlob("content"));
  stream->Seek(3, soBeginning);
  TStringStream target("> ");
  target.Seek(0, soEnd);
  stream->SaveToStream(target);
  EXPECT_EQ(target.DataString(), "> content");
}

TEST_F(BlobStreamTest, NewIdentifierLoadsThatBlob) {
  const TISCQuad first = WriteBlob("first");
  const TISCQuad second = WriteBlob("second");
  auto stream = NewStream(bmReadWrite, first);
  stream->WriteString("unsaved");
  stream->SetBlobId(second);
  EXPECT_FALSE(stream->Loaded());
  EXPECT_EQ(stream->AsString(), "second");
  // The change made to the first blob does not follow to the second.
  EXPECT_FALSE(stream->Modified());
  stream->Cancel();
  EXPECT_EQ(stream->AsString(), "second");
}

// ---- Checks --------------------------------------------------------------------------

TEST_F(BlobStreamTest, ModeDecidesWhatMayBeDone) {
  const TISCQuad id = WriteBlob("abc");
  auto reader = NewStream(bmRead, id);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { reader->WriteString("x"); }).Text(),
            "36 Blob stream cannot be written.");
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { reader->SetSize(1); }).Text(),
            "36 Blob stream cannot be written.");
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { reader->Truncate(); }).Text(),
            "36 Blob stream cannot be written.");
  TStringStream source("x");
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { reader->LoadFromStream(source); }).Text(),
            "36 Blob stream cannot be written.");
  EXPECT_EQ(reader->AsString(), "abc");

  auto writer = NewStream(bmWrite, id);
  char buffer[1];
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { writer->Read(buffer, 1); }).Text(),
            "35 Blob stream cannot be read.");
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { writer->AsString(); }).Text(), "35 Blob stream cannot be read.");
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { writer->SaveToStream(source); }).Text(),
            "35 Blob stream cannot be read.");
}

TEST_F(BlobStreamTest, MissingConnectionOrTransactionIsNamedForTheStream) {
  const TISCQuad id = WriteBlob("abc");
  TFIBBlobStream stream;
  stream.SetBlobId(id);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { stream.AsString(); }).Text(),
            "21 Database not assigned for BlobStream.");

  TFIBTransaction& idle = NewTransaction("Idle", &DB());
  stream.SetDatabase(&DB());
  stream.SetTransaction(&idle);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { stream.AsString(); }).Text(),
            "22 Transaction not assigned for BlobStream.");

  stream.SetTransaction(&TR());
  EXPECT_EQ(stream.AsString(), "abc");
  stream.SetMode(bmReadWrite);
  stream.WriteString("x");
  TR().Commit();
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { stream.Finalize(); }).Text(),
            "22 Transaction not assigned for BlobStream.");
  EXPECT_TRUE(stream.Modified());
  EXPECT_TRUE(stream.BlobId() == id);
}

TEST_F(BlobStreamTest, ZeroIdentifierReadsAsEmptyWithoutAServer) {
  TFIBBlobStream stream;
  EXPECT_EQ(stream.AsString(), "");
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_TRUE(stream.Loaded());
}

TEST_F(BlobStreamTest, ServerErrorIsRaisedForTheTransaction) {
  auto stream = NewStream(bmRead, TISCQuad{0x7FFF, 12345});
  try {
    stream->AsString();
    ADD_FAILURE() << "a blob that does not exist was read";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ErrorSender(), &TR());
    EXPECT_EQ(e.Message().rfind("MainForm.TR:\r\n", 0), 0u) << e.Message();
  }
  EXPECT_FALSE(stream->Loaded());
}

TEST_F(BlobStreamTest, StreamForgetsBothWhenTheTransactionGoes) {
  auto transaction = std::make_unique<TFIBTransaction>(nullptr);
  transaction->SetDefaultDatabase(&DB());
  transaction->StartTransaction();
  auto stream = NewStream(bmReadWrite);
  stream->SetTransaction(transaction.get());
  stream->WriteString("abc");
  transaction.reset();
  EXPECT_EQ(stream->Transaction(), nullptr);
  EXPECT_EQ(stream->Database(), nullptr);
  EXPECT_FALSE(stream->Loaded());
}

TEST_F(BlobStreamTest, StreamForgetsBothWhenTheConnectionGoes) {
  auto database = std::make_unique<TFIBDatabase>(nullptr);
  auto transaction = std::make_unique<TFIBTransaction>(nullptr);
  transaction->SetDefaultDatabase(database.get());
  TFIBBlobStream stream;
  stream.SetDatabase(database.get());
  stream.SetTransaction(transaction.get());
  EXPECT_EQ(stream.Database(), database.get());
  EXPECT_EQ(stream.Transaction(), transaction.get());
  database.reset();
  EXPECT_EQ(stream.Database(), nullptr);
  EXPECT_EQ(stream.Transaction(), nullptr);
}

// ---- Blob filters ----------------------------------------------------------------------

// Marks what goes to the server, and takes the marks off what comes back.
void RegisterMarkingFilter(TFIBDatabase& database, int subType) {
  database.BlobFilters().RegisterFilter(
      subType, [](std::string& content) { content = "<" + content + ">"; },
      [](std::string& content) { content = content.substr(1, content.size() - 2); });
}

TEST_F(BlobStreamTest, FilterConvertsWhatTheServerHoldsAndOnlyThat) {
  RegisterMarkingFilter(DB(), -7);
  auto stream = NewStream(bmReadWrite, {}, -7);
  stream->WriteString("payload");
  stream->Finalize();
  // The stream keeps the content as written.
  EXPECT_EQ(stream->AsString(), "payload");
  StoreAndCommit(1, "PACKED", stream->BlobId());

  const TISCQuad id = QueryBlobId("SELECT PACKED FROM DOCS WHERE ID = 1");
  EXPECT_EQ(Query(DB(), TR(), "SELECT OCTET_LENGTH(PACKED) FROM DOCS WHERE ID = 1"), 9);
  EXPECT_EQ(ReadBlob(id, 0), "<payload>");
  EXPECT_EQ(ReadBlob(id, -7), "payload");
}

TEST_F(BlobStreamTest, FiltersBelongToTheirConnection) {
  RegisterMarkingFilter(DB(), -7);
  StoreAndCommit(1, "PACKED", WriteBlob("payload", -7));
  const TISCQuad id = QueryBlobId("SELECT PACKED FROM DOCS WHERE ID = 1");

  TFIBDatabase& other = NewDatabase("Other");
  TFIBTransaction& otherTR = NewTransaction("OtherTR", &other);
  other.SetDefaultTransaction(&otherTR);
  other.SetConnected(true);
  otherTR.StartTransaction();
  EXPECT_EQ(ReadBlob(id, -7, &other), "<payload>");
}

TEST_F(BlobStreamTest, FilterForServerSubTypeIsNeverApplied) {
  RegisterMarkingFilter(DB(), 1);
  const TISCQuad id = WriteBlob("plain text", 1);
  EXPECT_EQ(ReadBlob(id, 0), "plain text");
  EXPECT_EQ(ReadBlob(id, 1), "plain text");
}

// ---- The list of a dataset's streams -----------------------------------------------------

TEST(BlobStreamListTest, DeletingMovesTheLastStreamIntoTheHole) {
  TFIBBlobStreamList list;
  TFIBBlobStream& a = list.Add(3);
  TFIBBlobStream& b = list.Add(5);
  TFIBBlobStream& c = list.Add(7);
  EXPECT_EQ(a.FieldNumber(), 3);
  EXPECT_EQ(c.IndexInList(), 2);
  EXPECT_TRUE(a.BackupOnWrite());

  list.Delete(&b);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0), &a);
  EXPECT_EQ(list.Items(1), &c);
  EXPECT_EQ(c.IndexInList(), 1);

  list.Delete(&c);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(a.IndexInList(), 0);
  EXPECT_THROW(list.Items(1), EListError);
}

TEST(BlobStreamListTest, StreamOfAnotherListIsRefused) {
  TFIBBlobStreamList one;
  TFIBBlobStreamList other;
  one.Add(1);
  TFIBBlobStream& stream = other.Add(2);
  EXPECT_THROW(one.Delete(&stream), EListError);
  EXPECT_EQ(one.Count(), 1);
  TFIBBlobStream loose;
  EXPECT_EQ(loose.FieldNumber(), -1);
  EXPECT_EQ(loose.IndexInList(), -1);
  EXPECT_THROW(one.Delete(&loose), EListError);
  one.Delete(nullptr);
  one.Clear();
  EXPECT_EQ(one.Count(), 0);
}

}  // namespace
