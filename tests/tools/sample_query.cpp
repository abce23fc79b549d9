#include "tests/tools/sample_query.h"

#include "tools/sample_database.h"

// The program's own transaction parameters are the read-only ones.
TSampleQuery::TSampleQuery(const std::string& path)
    : TTextQuery(path, SampleConnectionLines(), ReadOnlyTransaction()) {}
