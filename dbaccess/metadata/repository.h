#pragma once
// The layer's optional repository tables in a database (FIB$FIELDS_INFO,
// FIB$DATASETS_INFO, FIB$ERROR_MESSAGES): whether each exists, asked of the
// server once per connection and remembered, and the stored-procedure
// collection that lives beside the other caches.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/base/object.h"
#include "framework/core/component/strings.h"

class TFIBDatabase;

enum TRepositoryTable { rtFieldsInfo = 1, rtDataSetsInfo = 2, rtErrorMessages = 3 };

// The name of a repository table, "" for another number.
const char* RepositoryTableName(int which);

// Whether the repository table exists in the connection's database. Asked
// of the server (in a read-only transaction of its own) only while the
// connection's UseRepositories holds the table's member; without it the
// answer is false and nothing is remembered. Once asked, the answer stands
// for the connection's life.
bool RepositoryTableExists(TFIBDatabase* database, int which);

// What is known per connection: one character per repository table, in
// table order: '1' exists, '0' does not, '2' not asked yet. Process-wide
// (metadata_caches.h); a connection's line goes with the connection.
class TRepositoryExistence {
 public:
  bool TableExists(TFIBDatabase* database, int which);
  void Forget(const TFIBDatabase* database);
  // The connection's line ("222" when none), for tests.
  std::string Line(const TFIBDatabase* database) const;

 private:
  // Held while the server is asked too, so one connection is asked once.
  mutable std::recursive_mutex FLock;
  std::vector<std::pair<const TFIBDatabase*, std::string>> FLines;
};

// Stored procedures' information, kept beside the other caches: two
// lists, the first sorted with duplicates ignored. Nothing fills them yet.
class TpStoredProcCollect : public TObject {
 public:
  TpStoredProcCollect();
  TStringList& ProcedureNames() { return FProcedureNames; }
  TStringList& ProcedureTexts() { return FProcedureTexts; }

 private:
  TStringList FProcedureNames;
  TStringList FProcedureTexts;
};
