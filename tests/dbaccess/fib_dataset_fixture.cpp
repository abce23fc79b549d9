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
  FDB = &NewDatabase("DB");
  FTR = &NewTransaction("TR", FDB);
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
