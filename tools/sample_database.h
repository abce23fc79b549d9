#pragma once
// Writes the synthetic town (tools/town_generator.h) into a new database
// file with the embedded engine, through the bound client API: the schema of
// tools/sample_schema.h, one prepared INSERT per table run once per row in a
// single transaction, then the keys, indexes and views.
//
// The database is built under a temporary name beside the target and put in
// place only when complete, so a failed build leaves no half-made file and
// an existing file is either kept whole or replaced whole.

#include <string>
#include <vector>

#include "tools/town_generator.h"

// The target exists and was not to be replaced.
TULVO_DECLARE_EXCEPTION(ESampleDatabaseExists, ESampleDatabaseError);

// What BuildSampleDatabase made.
struct TSampleDatabaseSummary {
  int Streets = 0;
  int Houses = 0;
  int Residents = 0;
  int Organisations = 0;
  int Divisions = 0;
  int OrganisationRows = 0;
};

// The parameter lines of the builder's attachment, as the program's own
// (character set WIN1251, SYSDBA, dialect 3).
std::vector<std::string> SampleConnectionLines();

// Builds the sample database at `path` (a local file; a relative path is
// taken from the current folder). Raises ESampleDatabaseExists when the file
// exists and `replace` is false, ESampleDatabaseError when the size is out of
// range or the file cannot be put in place, and the database layer's errors for what the
// engine refuses; the target is unchanged after any failure.
TSampleDatabaseSummary BuildSampleDatabase(const std::string& path, const TTownSize& size, bool replace);
