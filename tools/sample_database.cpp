#include "tools/sample_database.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_handles.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/text/sysutils.h"
#include "tools/sample_schema.h"

namespace {

void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

[[noreturn]] void RaiseFileError(std::string_view what, const std::string& path, int error) {
  throw ESampleDatabaseError(Format("Cannot %s '%s': %s", what, path, std::strerror(error)));
}

// ---- Client handles ---------------------------------------------------------------

// An attachment that a failure path detaches; the first error is the one
// reported, so the handle owner gives it back quietly.
class TAttachment {
 public:
  TAttachment(const std::string& path, const std::vector<std::string>& lines) {
    const std::string dpb = BuildDPB(lines);
    Check(ClientAPI().isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.data(),
                                          Handle(), static_cast<short>(dpb.size()), dpb.data()));
  }
  // Takes over the attachment that CREATE DATABASE leaves open.
  explicit TAttachment(TDatabaseHandle&& handle) : FHandle(std::move(handle)) {}

  isc_db_handle* Handle() { return FHandle.Address(); }
  void Detach() { Check(ClientAPI().isc_detach_database(StatusVector(), Handle())); }

 private:
  TDatabaseHandle FHandle;
};

// The parameter-line builder refuses no_auto_undo, which the program's
// transactions have no use for; a bulk load does: without the undo log the
// engine keeps nothing in memory per inserted row.
constexpr char LoadTPB[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait,
                            isc_tpb_no_auto_undo};

// A transaction that a failure path rolls back, as quietly as the attachment.
class TTransaction {
 public:
  explicit TTransaction(TAttachment& attachment) {
    TTransactionVectorEntry entry{attachment.Handle(), sizeof(LoadTPB), LoadTPB};
    Check(ClientAPI().isc_start_multiple(StatusVector(), Handle(), 1, &entry));
  }

  isc_tr_handle* Handle() { return FHandle.Address(); }
  void Commit() { Check(ClientAPI().isc_commit_transaction(StatusVector(), Handle())); }

 private:
  TTransactionHandle FHandle;
};

void ExecuteImmediate(TAttachment& attachment, TTransaction& transaction, std::string_view sql) {
  const std::string text(sql);
  Check(ClientAPI().isc_dsql_execute_immediate(StatusVector(), attachment.Handle(), transaction.Handle(), 0,
                                               text.c_str(), SQL_DIALECT_V6, nullptr));
}

// A prepared INSERT with one input descriptor that every row reuses: the
// builder sets the values in place and executes.
class TInsertStatement {
 public:
  TInsertStatement(TAttachment& attachment, TTransaction& transaction, std::string_view sql)
      : FTransaction(&transaction) {
    const TClientEntryPoints& api = ClientAPI();
    const std::string text(sql);
    Check(api.isc_dsql_alloc_statement2(StatusVector(), attachment.Handle(), FHandle.Address()));
    Check(api.isc_dsql_prepare(StatusVector(), transaction.Handle(), FHandle.Address(), 0, text.c_str(),
                               SQL_DIALECT_V6, nullptr));
    FDescriptor = std::make_unique<char[]>(DescriptorLength(MaxParameters));
    FInput = reinterpret_cast<XSQLDA*>(FDescriptor.get());
    FInput->version = SQLDA_VERSION1;
    FInput->sqln = MaxParameters;
    Check(api.isc_dsql_describe_bind(StatusVector(), FHandle.Address(), SQLDA_VERSION1, FInput));
    if (FInput->sqld > FInput->sqln) throw ESampleDatabaseError(Format("Too many parameters in: %s", text));
    Allocate();
  }

  void SetInteger(int index, int value) {
    XSQLVAR& var = Variable(index, SQL_LONG);
    const ISC_LONG number = value;
    std::memcpy(var.sqldata, &number, sizeof(number));
    *var.sqlind = 0;
  }

  // Text is sent as it is (Windows-1251, the connection's character set).
  void SetText(int index, std::string_view text) {
    XSQLVAR& var = Variable(index, SQL_VARYING);
    if (text.size() > static_cast<std::size_t>(var.sqllen))
      throw ESampleDatabaseError(Format("'%s' is longer than the %d bytes of its column", std::string(text),
                                        static_cast<int>(var.sqllen)));
    const auto length = static_cast<ISC_USHORT>(text.size());
    std::memcpy(var.sqldata, &length, sizeof(length));
    std::memcpy(var.sqldata + sizeof(length), text.data(), text.size());
    *var.sqlind = 0;
  }

  void SetNull(int index) { *FInput->sqlvar[index].sqlind = -1; }

  void Execute() {
    Check(ClientAPI().isc_dsql_execute(StatusVector(), FTransaction->Handle(), FHandle.Address(),
                                       SQLDA_VERSION1, FInput));
  }

 private:
  static constexpr int MaxParameters = 8;

  // Buffers for every parameter, in one block of 8-byte slots; every
  // parameter is sent as nullable so SetNull works on any of them.
  void Allocate() {
    std::size_t slots = 0;
    std::vector<std::size_t> offsets;
    for (int i = 0; i < FInput->sqld; ++i) {
      XSQLVAR& var = FInput->sqlvar[i];
      const int type = var.sqltype & ~1;
      std::size_t bytes = 0;
      if (type == SQL_LONG)
        bytes = sizeof(ISC_LONG);
      else if (type == SQL_VARYING)
        bytes = sizeof(ISC_USHORT) + static_cast<std::size_t>(var.sqllen);
      else
        throw ESampleDatabaseError(Format("Unexpected parameter type %d", type));
      offsets.push_back(slots);
      slots += (bytes + sizeof(ISC_INT64) - 1) / sizeof(ISC_INT64);
      var.sqltype = static_cast<short>(type | 1);
    }
    FData.assign(slots, 0);
    FNulls.assign(static_cast<std::size_t>(FInput->sqld), -1);
    for (int i = 0; i < FInput->sqld; ++i) {
      FInput->sqlvar[i].sqldata = reinterpret_cast<ISC_SCHAR*>(FData.data() + offsets[i]);
      FInput->sqlvar[i].sqlind = &FNulls[i];
    }
  }

  XSQLVAR& Variable(int index, int type) {
    if (index < 0 || index >= FInput->sqld || (FInput->sqlvar[index].sqltype & ~1) != type)
      throw ESampleDatabaseError(Format("Parameter %d is not of type %d", index + 1, type));
    return FInput->sqlvar[index];
  }

  TStatementHandle FHandle;  // dropped quietly: it dies with the attachment anyway
  TTransaction* FTransaction;
  std::unique_ptr<char[]> FDescriptor;
  XSQLDA* FInput = nullptr;
  std::vector<ISC_INT64> FData;
  std::vector<ISC_SHORT> FNulls;
};

// ---- The file being built ---------------------------------------------------------

// A unique name beside the target for the database while it is built,
// removed unless the build is published under the target's name.
class TBuildFile {
 public:
  explicit TBuildFile(const std::filesystem::path& target) : FTarget(target.string()) {
    std::string pattern = FTarget + ".building-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) RaiseFileError("create a file beside", FTarget, errno);
    close(fd);
    // The engine creates the file itself and refuses an existing one; the
    // name stays ours in practice, as nobody else picks such names.
    unlink(pattern.c_str());
    FPath = pattern;
  }
  ~TBuildFile() {
    if (!FPublished) {
      std::error_code ignored;  // a build that failed reports its own error
      std::filesystem::remove(FPath, ignored);
    }
  }
  TBuildFile(const TBuildFile&) = delete;
  TBuildFile& operator=(const TBuildFile&) = delete;

  const std::string& Path() const { return FPath; }

  // Puts the finished file under the target's name: replacing what is there
  // when told to, else only if the name is still free (a hard link fails
  // rather than overwrite).
  void Publish(bool replace) {
    if (replace) {
      if (std::rename(FPath.c_str(), FTarget.c_str()) != 0) RaiseFileError("replace", FTarget, errno);
    } else {
      if (link(FPath.c_str(), FTarget.c_str()) == 0) {
        unlink(FPath.c_str());
      } else {
        const int error = errno;
        if (error == EEXIST) throw ESampleDatabaseExists(Format("The file '%s' exists already", FTarget));
        // A file system without hard links: look, then rename (a file
        // made in between would be replaced, which is all we can do there).
        if (error != EPERM && error != EOPNOTSUPP) RaiseFileError("create", FTarget, error);
        if (std::filesystem::symlink_status(FTarget).type() != std::filesystem::file_type::not_found)
          throw ESampleDatabaseExists(Format("The file '%s' exists already", FTarget));
        if (std::rename(FPath.c_str(), FTarget.c_str()) != 0) RaiseFileError("create", FTarget, errno);
      }
    }
    FPublished = true;
  }

 private:
  std::string FTarget;
  std::string FPath;
  bool FPublished = false;
};

std::string QuotedLiteral(std::string_view text) {
  std::string result = "'";
  for (char c : text) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result + "'";
}

// CREATE DATABASE leaves an attachment in the connection's default
// character set; it is closed at once and the build attaches anew with the
// program's parameters.
void CreateDatabaseFile(const std::string& path) {
  const std::string sql = "CREATE DATABASE " + QuotedLiteral(path) +
                          " USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251";
  TDatabaseHandle handle;
  TTransactionHandle transaction;
  Check(ClientAPI().isc_dsql_execute_immediate(StatusVector(), handle.Address(), transaction.Address(), 0,
                                               sql.c_str(), SQL_DIALECT_V6, nullptr));
  TAttachment(std::move(handle)).Detach();
}

// ---- Rows -----------------------------------------------------------------------------

void SetOptionalText(TInsertStatement& insert, int index, const std::string& text) {
  if (text.empty())
    insert.SetNull(index);
  else
    insert.SetText(index, text);
}

void InsertTown(TAttachment& attachment, TTransaction& transaction, const TTown& town) {
  {
    TInsertStatement insert(attachment, transaction, InsertStreetSQL);
    for (const TStreet& street : town.Streets) {
      insert.SetInteger(0, street.Id);
      insert.SetText(1, street.Name);
      insert.Execute();
    }
  }
  {
    TInsertStatement insert(attachment, transaction, InsertHouseSQL);
    for (const THouse& house : town.Houses) {
      insert.SetInteger(0, house.Id);
      insert.SetInteger(1, house.StreetId);
      insert.SetInteger(2, house.Build);
      SetOptionalText(insert, 3, house.Corp);
      insert.Execute();
    }
  }
  {
    TInsertStatement insert(attachment, transaction, InsertResidentSQL);
    for (const TResident& resident : town.Residents) {
      insert.SetInteger(0, resident.Id);
      insert.SetInteger(1, resident.HouseId);
      insert.SetInteger(2, resident.Apartment);
      insert.SetText(3, resident.Name);
      insert.SetInteger(4, resident.Phone);
      insert.Execute();
    }
  }
  {
    TInsertStatement insert(attachment, transaction, InsertOrganisationTypeSQL);
    for (const TOrganisationType& type : town.OrganisationTypes) {
      insert.SetInteger(0, type.Id);
      insert.SetText(1, type.Short);
      insert.Execute();
    }
  }
  {
    TInsertStatement insert(attachment, transaction, InsertOrganisationSQL);
    for (const TOrganisation& organisation : town.Organisations) {
      insert.SetInteger(0, organisation.Id);
      insert.SetInteger(1, organisation.TypeId);
      insert.SetInteger(2, organisation.HouseId);
      insert.SetText(3, organisation.Name);
      insert.Execute();
    }
  }
  {
    TInsertStatement insert(attachment, transaction, InsertDivisionSQL);
    for (const TDivision& division : town.Divisions) {
      insert.SetInteger(0, division.Id);
      insert.SetInteger(1, division.OrganisationId);
      insert.SetText(2, division.Name);
      insert.Execute();
    }
  }
  {
    TInsertStatement insert(attachment, transaction, InsertDivisionPhoneSQL);
    for (const TDivisionPhone& line : town.DivisionPhones) {
      insert.SetInteger(0, line.Id);
      insert.SetInteger(1, line.DivisionId);
      insert.SetInteger(2, line.Phone);
      insert.Execute();
    }
  }
}

void RunStatements(TAttachment& attachment, std::span<const std::string_view> statements) {
  TTransaction transaction(attachment);
  for (std::string_view sql : statements) ExecuteImmediate(attachment, transaction, sql);
  transaction.Commit();
}

void WriteDatabase(const std::string& path, const TTown& town) {
  CreateDatabaseFile(path);

  // Forced writes are off while loading (one commit at the end makes the
  // file whole) and on again for the finished database. No space is
  // reserved for later versions of rows: the directory is read, not edited.
  std::vector<std::string> loadLines = SampleConnectionLines();
  loadLines.insert(loadLines.end(), {"force_write=0", "no_reserve=1"});
  {
    TAttachment attachment(path, loadLines);
    RunStatements(attachment, SampleTableStatements());
    {
      TTransaction transaction(attachment);
      InsertTown(attachment, transaction, town);
      transaction.Commit();
    }
    RunStatements(attachment, SampleIndexAndViewStatements());
    attachment.Detach();
  }
  std::vector<std::string> finishLines = SampleConnectionLines();
  finishLines.push_back("force_write=1");
  TAttachment(path, finishLines).Detach();
}

}  // namespace

std::vector<std::string> SampleConnectionLines() {
  return {"user_name=SYSDBA", "lc_ctype=WIN1251", "sql_dialect=3"};
}

TSampleDatabaseSummary BuildSampleDatabase(const std::string& path, const TTownSize& size, bool replace) {
  const std::filesystem::path target = std::filesystem::absolute(path);
  if (!replace && std::filesystem::symlink_status(target).type() != std::filesystem::file_type::not_found)
    throw ESampleDatabaseExists(Format("The file '%s' exists already", target.string()));

  const TTown town = GenerateTown(size);
  CheckClientLibrary();
  TBuildFile file(target);
  WriteDatabase(file.Path(), town);
  file.Publish(replace);

  TSampleDatabaseSummary summary;
  summary.Streets = static_cast<int>(town.Streets.size());
  summary.Houses = static_cast<int>(town.Houses.size());
  summary.Residents = static_cast<int>(town.Residents.size());
  summary.Organisations = static_cast<int>(town.Organisations.size());
  summary.Divisions = static_cast<int>(town.Divisions.size());
  summary.OrganisationRows = static_cast<int>(town.DivisionPhones.size());
  return summary;
}
