#pragma once
// Reads a sample database the way the directory program does: attached with
// the program's parameter lines, in a read-only read-committed transaction.
// Rows come back as text, so tests compare them with what the generator made.

#include <string>

#include "tests/support/text_query.h"

class TSampleQuery : public TTextQuery {
 public:
  explicit TSampleQuery(const std::string& path);
};
