#pragma once
// Helpers for the descriptor's tests: an owner with settable connection
// settings, and a statement run through the client API directly over the
// layer's descriptors, so that the descriptor is tested apart from the
// statement component.

#include <functional>
#include <string>
#include <string_view>

#include "dbaccess/client/client_handles.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/statement/sqlda.h"

// The settings a statement would give its descriptors.
class TTestSQLDAOwner : public TSQLDAOwner {
 public:
  int Dialect = 3;
  bool Upper = false;
  bool Trim = false;
  bool Row = true;
  bool Macros = false;
  TBlobPlace Place;

  int SQLDialect() const override { return Dialect; }
  bool UpperOldNames() const override { return Upper; }
  bool TrimCharFields() const override { return Trim; }
  bool RowAvailable() const override { return Row; }
  bool MacrosChanged() const override { return Macros; }
  void SetMacrosChanged() override { Macros = true; }
  // A statement's answer, when a test plays one.
  std::function<TFIBXSQLVAR*(const TFIBXSQLDA&, std::string_view)> FindSent;

  TFIBXSQLVAR* FindSentParam(const TFIBXSQLDA& asking, std::string_view name) override {
    return FindSent ? FindSent(asking, name) : nullptr;
  }
  bool SentParamIsBlob(std::string_view) override { return false; }
  std::string ReadBlob(const TISCQuad& id, int) override { return ReadBlobContent(CheckedPlace(), id); }
  TISCQuad WriteBlob(std::string_view content, int) override {
    return WriteBlobContent(CheckedPlace(), content);
  }
  TBlobPlace ArrayPlace() override { return Place; }

 private:
  const TBlobPlace& CheckedPlace() const {
    if (Place.Database == nullptr) RaiseClientError(ceDatabaseNotAssigned, "BlobStream");
    return Place;
  }
};

// One attachment and one transaction at a time, through the client API.
class TRawDatabase {
 public:
  explicit TRawDatabase(const std::string& path);

  void Start();
  void Commit();
  TClientHandle* Database() { return FDatabase.Address(); }
  TClientHandle* Transaction() { return FTransaction.Address(); }
  TBlobPlace Place() { return TBlobPlace{Database(), Transaction(), nullptr}; }

 private:
  TDatabaseHandle FDatabase;
  TTransactionHandle FTransaction;  // after the database: it ends first
};

// A statement prepared on construction: its input parameters described
// into `params` and its columns into `fields`, both initialised as the
// statement component initialises them.
class TRawStatement {
 public:
  TRawStatement(TRawDatabase& db, std::string_view sql, int dialect, TFIBXSQLDA& params, TFIBXSQLDA& fields);

  // Executes with the parameters; a select opens its cursor.
  void Execute();
  // The next row into the fields; false at the end.
  bool Fetch();

 private:
  TRawDatabase& FDb;
  int FDialect;
  TFIBXSQLDA& FParams;
  TFIBXSQLDA& FFields;
  TStatementHandle FHandle;
  bool FOpen = false;
};
