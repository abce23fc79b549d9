// Filter expressions as a dataset uses them: the text compiled against the
// fields of a small in-memory dataset and tested against each record, with
// every combination of the filter options.
//
// Input: the filter text.
// Promises checked:
// - compiling fails only with the database error; evaluating fails only
//   with the framework's exceptions (database, variant, conversion and
//   arithmetic errors);
// - nothing is carried from one record to the next: an expression that has
//   tested the earlier records answers for a record exactly as one compiled
//   afresh for it does (same result, or the same error);
// - "NOT (text)" compiles whenever the text does (unless the text's value
//   is no truth value), and answers the opposite for every record (or fails
//   the same way).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/filter/expression_parser.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/base/variant.h"
#include "framework/core/data/fields.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

class TPeople {
 public:
  TPeople() {
    FData.SetName("People");
    FData.FieldDefs().Add("ID", ftInteger, 0, true);
    FData.FieldDefs().Add("NAME", ftString, 20);
    FData.FieldDefs().Add("BORN", ftDateTime);
    FData.FieldDefs().Add("PRICE", ftCurrency);
    FData.FieldDefs().Add("RATE", ftFloat);
    FData.FieldDefs().Add("ACTIVE", ftBoolean);
    FData.FieldDefs().Add("PHONE", ftString, 12);
    FData.FieldDefs().Add("NOTE", ftMemo);
    FData.Open();
    const Variant null = Variant::Null();
    FData.AppendRecord({1, RU("Иванов"), Variant::FromDate(EncodeDate(1950, 3, 15) + 0.5), TCurrency{125000},
                        2.5, true, "12-34-56", "a"});
    FData.AppendRecord(
        {2, RU("иванова"), Variant::FromDate(EncodeDate(2001, 7, 4)), TCurrency{0}, -0.1, false, "2", null});
    FData.AppendRecord({3, null, null, null, null, null, null, null});
    FData.AppendRecord(
        {4, "O'Neil*", Variant::FromDate(EncodeDate(1899, 12, 30)), TCurrency{-72500}, 1e300, true, "", "b"});
  }

  TDataSet& Data() { return FData; }
  int Count() const { return 4; }

  void Goto(int record) {
    FData.First();
    for (int i = 0; i < record; ++i) FData.Next();
  }

 private:
  TMemoryDataSet FData{nullptr};
};

TPeople& People() {
  static TPeople people;
  return people;
}

std::string Outcome(TExpressionParser& parser) {
  try {
    return parser.Accepts() ? "true" : "false";
  } catch (const Exception& e) {
    return "error: " + e.Message();
  }
}

std::string Negated(const std::string& outcome) {
  if (outcome == "true") return "false";
  if (outcome == "false") return "true";
  return outcome;
}

void Check(std::string_view text, TFilterOptions options) {
  TPeople& people = People();
  std::vector<std::string> outcomes;
  try {
    TExpressionParser parser(people.Data(), text, options);
    for (int record = 0; record < people.Count(); ++record) {
      people.Goto(record);
      outcomes.push_back(Outcome(parser));
    }
  } catch (const EDatabaseError&) {
    return;  // a mistake in the text
  }

  // The clock moves between two evaluations.
  if (AnsiUpperCase(text).find("GETDATE") != std::string::npos) return;

  const std::string shown = FuzzShown(text) + " options " +
                            std::to_string(options.Contains(foCaseInsensitive)) +
                            std::to_string(options.Contains(foNoPartialCompare));
  for (int record = 0; record < people.Count(); ++record) {
    TExpressionParser fresh(people.Data(), text, options);
    people.Goto(record);
    const std::string outcome = Outcome(fresh);
    FUZZ_CHECK(outcome == outcomes[static_cast<std::size_t>(record)],
               shown + " record " + std::to_string(record) + ": after the others " +
                   outcomes[static_cast<std::size_t>(record)] + ", afresh " + outcome);
  }

  // NOT takes only truth values, where the whole expression may be any
  // value (a number counts as true when not zero).
  std::unique_ptr<TExpressionParser> compiled;
  try {
    compiled = std::make_unique<TExpressionParser>(people.Data(), "NOT (" + std::string(text) + ")", options);
  } catch (const EDatabaseError& e) {
    FUZZ_CHECK(e.Message() == "Type mismatch in expression", shown + " negated: " + e.Message());
    return;
  }
  TExpressionParser& negated = *compiled;
  for (int record = 0; record < people.Count(); ++record) {
    people.Goto(record);
    const std::string outcome = Outcome(negated);
    FUZZ_CHECK(outcome == Negated(outcomes[static_cast<std::size_t>(record)]),
               shown + " record " + std::to_string(record) + ": " +
                   outcomes[static_cast<std::size_t>(record)] + ", negated " + outcome);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = FuzzText(data, size);
  for (int options = 0; options < 4; ++options) {
    TFilterOptions set;
    if (options & 1) set.Include(foCaseInsensitive);
    if (options & 2) set.Include(foNoPartialCompare);
    Check(text, set);
  }
  return 0;
}
