// The blob stream on the fake client, where the pieces asked for can be
// counted and a blob or a call can be made to misbehave: a blob shorter than
// announced, one whose length is not announced, failing reads, writes and
// closes, a failing filter.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbaccess/blob/blob_filters.h"
#include "dbaccess/blob/blob_stream.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "tests/dbaccess/fake_client.h"

namespace {

constexpr ISC_STATUS BadBlobHandle = isc_bad_segstr_handle;
const TISCQuad StoredId{1, 99};

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

class BlobStreamFailureTest : public FakeClientTest {
 protected:
  void SetUp() override {
    UseLibrary(FakeClientFull);
    FForm = std::make_unique<TComponent>(nullptr);
    FForm->SetName("MainForm");
    FDB = new TFIBDatabase(FForm.get());  // owned by the form
    FDB->SetName("DB");
    FDB->SetDBName("fake.fdb");
    FDB->SetSynchronizeTime(false);
    FTR = new TFIBTransaction(FForm.get());  // owned by the form
    FTR->SetName("TR");
    FTR->SetDefaultDatabase(FDB);
    FDB->SetConnected(true);
    FTR->StartTransaction();
  }

  void TearDown() override {
    for (const char* entryPoint : {"isc_get_segment", "isc_put_segment", "isc_close_blob", "isc_open_blob2"})
      Fake().Fail(entryPoint, 0);
    FForm.reset();
    FakeClientTest::TearDown();
  }

  TFakeClient Fake() const { return TFakeClient(FakeClientFull); }
  TFIBDatabase& DB() { return *FDB; }
  TFIBTransaction& TR() { return *FTR; }

  std::unique_ptr<TFIBBlobStream> NewStream(TBlobStreamMode mode, const TISCQuad& id = StoredId,
                                            int subType = 0) {
    auto stream = std::make_unique<TFIBBlobStream>();
    stream->SetDatabase(FDB);
    stream->SetTransaction(FTR);
    stream->SetMode(mode);
    stream->SetBlobId(id);
    stream->SetBlobSubType(subType);
    return stream;
  }

 private:
  std::unique_ptr<TComponent> FForm;
  TFIBDatabase* FDB = nullptr;
  TFIBTransaction* FTR = nullptr;
};

TEST_F(BlobStreamFailureTest, FortyThousandBytesComeInThreePieces) {
  const std::string content = Bytes(40000);
  Fake().SetBlob(content, 40000);
  EXPECT_TRUE(NewStream(bmRead)->AsString() == content);
  EXPECT_EQ(Fake().SegmentRequests(), (std::vector<int>{16384, 16384, 7232}));
  EXPECT_EQ(Fake().Calls("isc_open_blob2"), 1);
  EXPECT_EQ(Fake().Calls("isc_close_blob"), 1);
}

TEST_F(BlobStreamFailureTest, BlobShorterThanAnnouncedEndsAtTheEndOfItsSegments) {
  const std::string content = Bytes(10000);
  Fake().SetBlob(content, 40000);
  auto stream = NewStream(bmRead);
  EXPECT_TRUE(stream->AsString() == content);
  EXPECT_EQ(stream->Size(), 10000);
  EXPECT_EQ(Fake().SegmentRequests(), (std::vector<int>{16384, 16384}));
}

TEST_F(BlobStreamFailureTest, BlobWithoutAnnouncedLengthIsReadToItsEnd) {
  const std::string content = Bytes(50000);
  Fake().SetBlob(content, -1);
  EXPECT_TRUE(NewStream(bmRead)->AsString() == content);
  EXPECT_EQ(Fake().SegmentRequests().size(), 5u);
}

TEST_F(BlobStreamFailureTest, FailedReadClosesTheBlobAndLoadsNothing) {
  Fake().SetBlob("content", 7);
  Fake().Fail("isc_get_segment", BadBlobHandle);
  auto stream = NewStream(bmReadWrite);
  try {
    stream->AsString();
    ADD_FAILURE() << "a failed segment read passed";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ErrorSender(), &TR());
    EXPECT_EQ(e.ServerErrorCode(), BadBlobHandle);
  }
  EXPECT_EQ(Fake().Calls("isc_close_blob"), 1);
  EXPECT_FALSE(stream->Loaded());

  Fake().Fail("isc_get_segment", 0);
  EXPECT_EQ(stream->AsString(), "content");
}

TEST_F(BlobStreamFailureTest, FailedWriteKeepsTheOldBlobAndTheChanges) {
  Fake().SetBlob("old", 3);
  auto stream = NewStream(bmReadWrite);
  stream->WriteString("new");
  for (const char* entryPoint : {"isc_put_segment", "isc_close_blob"}) {
    const int closes = Fake().Calls("isc_close_blob");
    Fake().Fail(entryPoint, BadBlobHandle);
    EXPECT_THROW(stream->Finalize(), EFIBInterBaseError) << entryPoint;
    Fake().Fail(entryPoint, 0);
    // The blob the failure left open is closed all the same.
    EXPECT_GE(Fake().Calls("isc_close_blob") - closes, 1) << entryPoint;
    EXPECT_TRUE(stream->BlobId() == StoredId) << entryPoint;
    EXPECT_TRUE(stream->Modified()) << entryPoint;
    EXPECT_EQ(stream->AsString(), "new") << entryPoint;
  }

  stream->Cancel();
  EXPECT_EQ(stream->AsString(), "old");
  stream->SetPosition(0);
  stream->WriteString("newer");
  stream->Finalize();
  EXPECT_FALSE(stream->BlobId() == StoredId);
  EXPECT_EQ(Fake().WrittenBlob(), "newer");
}

TEST_F(BlobStreamFailureTest, ContentIsWrittenInPiecesOfOneSegment) {
  const std::string content = Bytes(40000);
  auto stream = NewStream(bmWrite);
  stream->WriteString(content);
  stream->Finalize();
  EXPECT_EQ(Fake().Calls("isc_put_segment"), 3);
  EXPECT_TRUE(Fake().WrittenBlob() == content);
}

TEST_F(BlobStreamFailureTest, FailingReadFilterClosesTheBlobAndLoadsNothing) {
  Fake().SetBlob("content", 7);
  DB().BlobFilters().RegisterFilter(-2, nullptr, [](std::string&) { throw EConvertError("cannot unpack"); });
  auto stream = NewStream(bmRead, StoredId, -2);
  EXPECT_THROW(stream->AsString(), EConvertError);
  EXPECT_EQ(Fake().Calls("isc_close_blob"), 1);
  EXPECT_FALSE(stream->Loaded());
}

TEST_F(BlobStreamFailureTest, FailingWriteFilterLeavesNoBlobBehind) {
  DB().BlobFilters().RegisterFilter(
      -2, [](std::string&) { throw EConvertError("cannot pack"); }, nullptr);
  auto stream = NewStream(bmWrite, StoredId, -2);
  stream->WriteString("content");
  EXPECT_THROW(stream->Finalize(), EConvertError);
  EXPECT_EQ(Fake().Calls("isc_create_blob2"), 0);
  EXPECT_TRUE(stream->Modified());
}

TEST_F(BlobStreamFailureTest, WriteFilterSeesACopyAndTheStreamKeepsItsContent) {
  DB().BlobFilters().RegisterFilter(
      -2, [](std::string& content) { content = "packed:" + content; }, nullptr);
  auto stream = NewStream(bmReadWrite, {}, -2);
  stream->WriteString("content");
  stream->Finalize();
  EXPECT_EQ(Fake().WrittenBlob(), "packed:content");
  EXPECT_EQ(stream->AsString(), "content");
}

}  // namespace
