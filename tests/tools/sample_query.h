#pragma once
// Reads a sample database the way the directory program does: attached with
// the program's parameter lines, in a read-only read-committed transaction.
// Rows come back as text, so tests compare them with what the generator made.

#include <memory>
#include <string>
#include <vector>

// One column of a SELECT as the engine describes it.
struct TQueryColumn {
  std::string Name;
  int Type = 0;     // the client API's SQL type, without the nullable bit
  int Length = 0;   // bytes
  int CharSet = 0;  // for text columns
};

class TSampleQuery {
 public:
  explicit TSampleQuery(const std::string& path);
  ~TSampleQuery();
  TSampleQuery(const TSampleQuery&) = delete;
  TSampleQuery& operator=(const TSampleQuery&) = delete;

  std::vector<TQueryColumn> Describe(const std::string& select);
  // Every row; integers in decimal, text as stored (Windows-1251), NULL as
  // "<null>".
  std::vector<std::vector<std::string>> Rows(const std::string& select);
  // The first column of every row.
  std::vector<std::string> Column(const std::string& select);
  // The engine's plan for the statement.
  std::string Plan(const std::string& select);
  // A number the engine reports about the database (an isc_info_ item).
  int DatabaseInfo(char item);

 private:
  struct THandles;  // the client API's handles, kept out of the header
  std::unique_ptr<THandles> F;
};
