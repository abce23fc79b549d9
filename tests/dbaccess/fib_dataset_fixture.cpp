#include "tests/dbaccess/fib_dataset_fixture.h"

#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"

void FillDirectoryListings(const std::function<void(std::string_view)>& execute) {
  execute(RU("execute block as declare i integer = 1; begin"
             " while (i <= 130) do begin"
             "  insert into HOME_PHONES values (:i, 'Жилец ' || :i, mod(:i, 7), mod(:i, 40) + 1,"
             "   iif(mod(:i, 5) = 0, null, 'а'), :i, 200000 + :i, 'Улица ' || mod(:i, 7));"
             "  i = i + 1; end end"));
  execute(RU("execute block as declare i integer = 1; begin"
             " while (i <= 110) do begin"
             "  insert into ORG_PHONES values (:i, :i / 3 + 1, 'Организация ' || (:i / 3), 'ООО',"
             "   'Отдел ' || mod(:i, 3), 300000 + :i, 'Мира', 5, '');"
             "  i = i + 1; end end"));
}

void DataSetTest::SetUp() {
  ConnectionTest::SetUp();
  CreateListingTables();
  FillDirectoryListings([this](std::string_view sql) { ExecuteSQL(sql); });
  MakeConnection(false);
  FTR->TRParams().SetText("read\nread_committed\nrec_version\nnowait");
  FDB->OpenConnection();
}

std::vector<std::string> DataSetTest::HomeSelect(const std::string& condition) {
  return {"SELECT",      "    HOME_ID,",    "    NAME,",  "    STREET_ID,",   "    BUILD,",
          "    CORP,",   "    APARTAMENT,", "    PHONE,", "    STREET_NAME", "FROM",
          "    HOME_PHONES", "where",       "   " + condition};
}

std::vector<std::string> DataSetTest::OrgSelect(const std::string& condition) {
  return {"SELECT",         "     ORG_ID,",    "     DIV_ID,",       "     NAME,",
          "     SHORT,",    "     DIVISION_NAME,", "     PHONE,",    "     STREET_NAME,",
          "     BUILD,",    "     CORP",       "FROM",              "    ORG_PHONES  ",
          "where",          "  " + condition};
}

TFIBDataSet& DataSetTest::NewDataSet(const std::vector<std::string>& lines, const char* name) {
  auto* dataSet = new TFIBDataSet(&Form());  // owned by the form
  dataSet->SetName(name);
  dataSet->SetDatabase(FDB);
  dataSet->SetTransaction(FTR);
  for (const std::string& line : lines) dataSet->SelectSQL().Add(line);
  return *dataSet;
}

void EditDataSetTest::SetUp() {
  DataSetTest::SetUp();
  ExecuteSQL(
      "create table PEOPLE (ID integer not null primary key, NAME varchar(20),"
      " PHONE integer check (PHONE is null or PHONE > 0), NOTE varchar(30),"
      " NAME_UPPER computed by (upper(NAME)), MEMO blob sub_type 1)");
  ExecuteSQL(
      "execute block as declare i integer = 1; begin"
      " while (i <= 5) do begin"
      "  insert into PEOPLE (ID, NAME, PHONE) values (:i, 'Person ' || :i, 100 + :i);"
      "  i = i + 1; end end");
  FWriteTR = &NewTransaction("WriteTR", &DB());
  FWriteTR->TRParams().SetText("write\nread_committed\nrec_version\nnowait");
}

TFIBDataSet& EditDataSetTest::NewPeople(const char* name) {
  TFIBDataSet& data = NewDataSet({"select ID, NAME, PHONE, NOTE, NAME_UPPER, MEMO from PEOPLE order by ID"}, name);
  data.SetTransaction(FWriteTR);
  data.InsertSQL().SetText("insert into PEOPLE (ID, NAME, PHONE, NOTE, MEMO) values (:ID, :NAME, :PHONE, :NOTE, :MEMO)");
  data.UpdateSQL().SetText(
      "update PEOPLE set ID = :ID, NAME = :NAME, PHONE = :PHONE, NOTE = :NOTE, MEMO = :MEMO where ID = :OLD_ID");
  data.DeleteSQL().SetText("delete from PEOPLE where ID = :OLD_ID and NAME = :OLD_NAME");
  data.RefreshSQL().SetText("select ID, NAME, PHONE, NOTE, NAME_UPPER, MEMO from PEOPLE where ID = :ID");
  data.SetAutoCommit(true);
  return data;
}

std::vector<std::string> EditDataSetTest::ServerPeople() {
  std::vector<std::string> people;
  for (const auto& row : QueryRows("select ID, NAME, PHONE from PEOPLE order by ID"))
    people.push_back(row[0] + "|" + row[1] + "|" + row[2]);
  return people;
}

std::vector<std::string> EditDataSetTest::DataSetPeople(TFIBDataSet& data) {
  std::vector<std::string> people;
  TDisableControlsScope quiet(data);
  const TBookmark mark = data.Bookmark();
  for (data.First(); !data.Eof(); data.Next()) {
    TField* phone = data.FieldByName("PHONE");
    people.push_back(data.FieldByName("ID")->AsString() + "|" + data.FieldByName("NAME")->AsString() + "|" +
                     (phone->IsNull() ? std::string("<null>") : phone->AsString()));
  }
  if (!mark.empty() && data.BookmarkValid(mark)) data.GotoBookmark(mark);
  return people;
}
