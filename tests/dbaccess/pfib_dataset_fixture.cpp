#include "tests/dbaccess/pfib_dataset_fixture.h"

#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/fib_dataset_fixture.h"

std::vector<std::string> ProgramDataSetTest::HomeSelectLines() {
  return {"SELECT",     "    HOME_ID,",    "    NAME,",      "    STREET_ID,", "    BUILD,",
          "    CORP,",  "    APARTAMENT,", "    PHONE,",     "    STREET_NAME", "FROM",
          "    HOME_PHONES", "where",      "   @@where%0=1@"};
}

std::vector<std::string> ProgramDataSetTest::OrgSelectLines() {
  return {"SELECT",        "     ORG_ID,",   "     DIV_ID,",        "     NAME,",
          "     SHORT,",   "     DIVISION_NAME,", "     PHONE,",     "     STREET_NAME,",
          "     BUILD,",   "     CORP",      "FROM",                "    ORG_PHONES  ",
          "where",         "  @@WHERE%0=1@"};
}

void ProgramDataSetTest::SetUp() {
  ConnectionTest::SetUp();
  // What the metadata caches learn belongs to this test's database alone.
  RestartMetadataCaches();
  CreateListingTables();
  FillDirectoryListings([this](std::string_view sql) { ExecuteSQL(sql); });

  FDB = new TpFIBDatabase(&Form());  // owned by the form
  FDB->SetName("DB");
  FDB->SetDBName(DatabasePath());
  for (const std::string& line : ConnectionLines()) FDB->DBParams().Add(line);
  FDB->SetSQLDialect(3);
  FDB->SetTimeout(0);
  FDB->SetSynchronizeTime(false);
  FTR = new TpFIBTransaction(&Form());  // owned by the form
  FTR->SetName("TR");
  FTR->SetDefaultDatabase(FDB);
  FTR->SetTimeoutAction(TARollback);
  FTR->TRParams().SetText("read\nnowait\nrec_version\nread_committed");
  FTR->SetUserKindTransaction("ReadOnly");
  FDB->SetDefaultTransaction(FTR);
  FDB->SetDefaultUpdateTransaction(FTR);

  const auto makeDataSet = [this](const char* name, const std::vector<std::string>& lines) {
    TpFIBDataSet& dataSet = NewDataSet(lines, name);
    dataSet.SetAllowedUpdateKinds({});
    dataSet.DefaultFormats().SetDateTimeDisplayFormat(RU("d MMMM yyyy 'г.'"));
    dataSet.SetPrepareOptions(dataSet.PrepareOptions() + psSQLINT64ToBCD);
    return &dataSet;
  };
  FHome = makeDataSet("fdsHome", HomeSelectLines());
  AddField(*FHome, "HOME_ID", false, "", 0, false);
  AddField(*FHome, "STREET_ID", false, "", 0, false);
  AddField(*FHome, "PHONE", false, "Телефон", 0, true);
  AddField(*FHome, "NAME", true, "Фио", 40, true);
  AddField(*FHome, "STREET_NAME", true, "Улица", 40, true);
  AddField(*FHome, "BUILD", false, "Дом", 0, true);
  AddField(*FHome, "CORP", true, "Корпус", 3, true);
  AddField(*FHome, "APARTAMENT", false, "Квартира", 0, true);
  FOrg = makeDataSet("fdsOrg", OrgSelectLines());
  AddField(*FOrg, "ORG_ID", false, "", 0, false);
  AddField(*FOrg, "DIV_ID", false, "", 0, false);
  AddField(*FOrg, "PHONE", false, "Телефон", 0, true);
  AddField(*FOrg, "SHORT", true, "Тип", 18, true);
  AddField(*FOrg, "NAME", true, "Название", 40, true);
  AddField(*FOrg, "DIVISION_NAME", true, "Отдел", 40, true);
  AddField(*FOrg, "STREET_NAME", true, "Улица", 40, true);
  AddField(*FOrg, "BUILD", false, "Дом", 0, true);
  AddField(*FOrg, "CORP", true, "Корпус", 3, true);
  FDB->OpenConnection();
}

void ProgramDataSetTest::TearDown() {
  ConnectionTest::TearDown();
  RestartMetadataCaches();
}

void ProgramDataSetTest::AddField(TpFIBDataSet& dataSet, const char* fieldName, bool isString, const char* label,
                                  int size, bool visible) {
  TField* field = nullptr;
  if (isString) {
    auto* text = new TFIBStringField(&Form());  // owned by the form
    text->SetEmptyStrToNull(true);
    text->SetSize(size);
    field = text;
  } else {
    field = new TFIBIntegerField(&Form());  // owned by the form
  }
  field->SetName(dataSet.Name() + fieldName);
  field->SetFieldName(fieldName);
  if (*label != '\0') field->SetDisplayLabel(RU(label));
  field->SetVisible(visible);
  field->SetDataSet(&dataSet);
}

TFIBTransaction& ProgramDataSetTest::WriteTransaction() {
  if (FTRW == nullptr) {
    FTRW = &NewTransaction("TRW", FDB);
    FTRW->TRParams().SetText("write\nread_committed\nrec_version\nnowait");
  }
  return *FTRW;
}

TpFIBDataSet& ProgramDataSetTest::NewDataSet(const std::vector<std::string>& lines, const char* name,
                                             TFIBTransaction* transaction) {
  auto* dataSet = new TpFIBDataSet(&Form());  // owned by the form
  dataSet->SetName(name);
  dataSet->SetDatabase(FDB);
  dataSet->SetTransaction(transaction != nullptr ? transaction : FTR);
  for (const std::string& line : lines) dataSet->SelectSQL().Add(line);
  return *dataSet;
}

TFIBDatabase& ProgramDataSetTest::OtherDB() {
  if (FOtherDB == nullptr) {
    FOtherDB = &NewDatabase("OtherDB");
    FOtherTR = &NewTransaction("OtherTR", FOtherDB);
    FOtherTR->TRParams().SetText("write\nread_committed\nrec_version\nnowait");
    FOtherDB->OpenConnection();
    FOtherTR->StartTransaction();
  }
  return *FOtherDB;
}

TFIBTransaction& ProgramDataSetTest::OtherTR() {
  OtherDB();
  return *FOtherTR;
}

void ProgramDataSetTest::OtherExecute(std::string_view sql) { Execute(OtherDB(), OtherTR(), sql); }

std::int64_t ProgramDataSetTest::OtherQuery(std::string_view select) { return Query(OtherDB(), OtherTR(), select); }
