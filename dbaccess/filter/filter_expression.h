#pragma once
// Filter expressions: the text of a dataset's Filter, compiled once and then
// tested against one record after another.
//
// TFilterExpression is the compiled form. It reads records through a
// TFilterRecordSource (the dataset's adapter, or anything else that can name
// fields and read the current record's values), which must outlive it. It
// is used by one thread at a time; evaluating allocates nothing for plain
// comparisons of fields with constants.
//
// The language, by example: NAME = 'Иванов' AND (AGE >= 18 OR [Home phone]
// IS NULL), CITY IN ('A', 'B'), STREET LIKE 'Лен%', UPPER(NAME) = 'X',
// YEAR(BORN) < 1950.
//
// Lexical rules
// - Field names are identifiers (a letter or "_", then letters, digits,
//   "_", "." and "$"; Windows-1251 letters count as letters) or any text in
//   square brackets, where a doubled "]" stands for one. Words are not case-sensitive: AND, OR, NOT, LIKE, IN,
//   IS, NULL, TRUE, FALSE and the function names.
// - Texts are in single quotes; a doubled quote inside stands for one.
// - Numbers are digits with an optional "." and fraction and an optional
//   exponent ("1.5", "2E3"). The decimal separator is "." whatever the
//   format settings say, so a text written anywhere reads the same
//   everywhere; a "," is always a list separator.
//
// Precedence, loosest first (binary operators group to the left):
//   OR;  AND;  NOT;
//   comparisons = <> < > <= >=, LIKE, IN (list), IS [NOT] NULL (at most one
//   per operand: "A = B = C" is an error);
//   + -;  * /;  unary minus;  constants, fields, functions, ( ).
//
// Values and nulls
// - A field without a value reads as Null. The word NULL is allowed only
//   in "x = NULL" and "x <> NULL", the same as IS NULL and IS NOT NULL.
// - = and <>: Null equals Null and nothing else, so NAME <> 'A' accepts a
//   record whose NAME is Null.
// - < > <= >=: Null orders before every other value, as the framework
//   variant and the grid's criteria order it: AGE < 18 accepts a record
//   whose AGE is Null, AGE > 18 does not (two Nulls are equal).
// - IN is a chain of = tests (never partial); LIKE of a Null and a non-Null
//   is false, of two Nulls true.
// - Arithmetic and functions of a Null give Null.
// - Where a truth value is needed (NOT, AND, OR, the whole expression) a
//   Null counts as false. Comparisons never give Null, so NOT (A = B) is
//   A <> B. AND and OR evaluate their right side only when needed.
// - Between kinds the framework variant's rules hold (filter_value.h): a
//   text against a number, date or Boolean is read as one (with the format
//   settings), and a text from a record that cannot be read raises
//   EVariantTypeCastError for that record.
//
// Types are checked when the text is compiled, from the kinds of the
// fields (TFilterRecordSource::FieldType) and constants:
// - a text constant beside a number, a date or a Boolean is read as one
//   then, once: AGE = 'old' or BORN < '31.02.2000' raise EDatabaseError
//   "Type mismatch in expression" rather than failing on every record;
// - a Boolean compares only with a Boolean, numbers and dates with each
//   other; + - * / take numbers and texts (text + text joins), and dates
//   where a date can be meant (date + number, date - number, date - date);
//   NOT, AND and OR take truth values (Booleans, or texts read as ones);
//   the date and time functions take dates, numbers or texts;
// - anything of a field whose kind the source cannot tell is left to the
//   variant's rules when a record is tested.
//
// Texts and case
// - With CaseInsensitive every comparison of two texts ignores case by the
//   Windows-1251 rules (= <> < > <= >=, IN and LIKE); otherwise texts
//   compare case-sensitively by the code page's collation.
// - With PartialCompare a text constant ending in "*" (after at least one
//   other character) on one side of = or <> compares only that many leading
//   characters: NAME = 'Ив*' holds for every NAME beginning with "Ив". The
//   "*" is never part of the value.
// - LIKE: "%" in the pattern matches any run of characters (the creator's
//   matcher decides); every character of the data is taken literally.
//
// Functions
//   UPPER(s), LOWER(s); TRIM(s), TRIMLEFT(s), TRIMRIGHT(s) (characters up to
//   " " removed); SUBSTRING(s, from, count) or SUBSTRING(s, 'from,count')
//   (1-based; without count, the rest of s); YEAR, MONTH, DAY, HOUR,
//   MINUTE, SECOND of a date-time; DATE(x): the whole day number of x, an
//   integer (a text constant it meets is read as a date, so DATE(BORN) =
//   '15.03.1950' holds for any time of that day);
//   DATE(format, text): text read as a date in that format by the creator's
//   date converter; GETDATE(): the current local date and time. TIME(x) is
//   accepted by the parser but raises "Expression expected but TIME found"
//   when evaluated. Aggregates (SUM, MIN, MAX, AVG, COUNT) are refused.
//
// Depth: brackets, NOT, unary minus, function calls and IN lists nest at
// most FilterExpressionMaxDepth deep, and the compiled tree is at most that
// many levels deep (a chain of AND or of OR is one level however long; a
// chain of + or * is one level per operator). Parsing and evaluating recurse
// once per level, so a deeper text raises EDatabaseError "Filter expression
// nested too deeply" when compiled rather than exhausting the stack.
//
// Errors: mistakes in the text raise EDatabaseError while compiling, with
// the messages listed in filter_parser.cpp; so do unknown fields ("Field
// 'X' not found") and fields that cannot take part ("Field 'X' cannot be
// used in a filter expression"). While a record is evaluated, EDatabaseError
// "Incorrectly formed filter expression" (LIKE or DATE(format, text)
// without the creator's routine) and the variant's conversion and
// arithmetic errors propagate; the next evaluation starts afresh.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/filter/filter_value.h"
#include "framework/core/base/types.h"

inline constexpr int FilterExpressionMaxDepth = 256;

// What a field or a part of an expression holds, as far as can be told
// before any record is read.
enum class TFilterType : std::uint8_t { Unknown, Boolean, Number, Date, Text };

// The record access an expression needs. Field handles are the source's
// own small numbers; the expression asks for them once per name and keeps
// them until ClearFieldCache.
class TFilterRecordSource {
 public:
  virtual ~TFilterRecordSource() = default;
  // The handle of the field of that name, or -1 when there is none.
  virtual int FindField(std::string_view name) = 0;
  // Whether the field's values can be tested (blobs and raw bytes cannot).
  virtual bool IsFilterable(int field) = 0;
  // The kind of the field's values, for the checks made when compiling;
  // Unknown leaves its uses to be checked record by record.
  virtual TFilterType FieldType(int field) = 0;
  // The current record's value of the field (Null when it has none).
  virtual void ReadField(int field, TFilterValue& value) = 0;
};

// "%" matching of a text against a pattern.
using TFilterLikeMatcher = bool (*)(std::string_view text, std::string_view pattern);
// A text read as a date in the given format.
using TFilterDateConverter = TDateTime (*)(std::string_view text, std::string_view format);

struct TFilterExpressionOptions {
  bool CaseInsensitive = false;
  bool PartialCompare = true;
  TFilterLikeMatcher Like = nullptr;
  TFilterDateConverter DateFromText = nullptr;
};

class TFilterNode;

// A field named in an expression and its handle in the source (-1 until
// looked up).
struct TFilterFieldSlot {
  std::string Name;
  int Handle = -1;
};

class TFilterExpression {
 public:
  // Compiles the text and resolves its fields through the source. Raises
  // EDatabaseError for a mistake in the text, a type mismatch, a text
  // nested too deeply or an unknown field.
  TFilterExpression(TFilterRecordSource& source, std::string_view text, TFilterExpressionOptions options);
  ~TFilterExpression();
  TFilterExpression(const TFilterExpression&) = delete;
  TFilterExpression& operator=(const TFilterExpression&) = delete;

  // The text as it was given.
  const std::string& Text() const noexcept { return FText; }
  const TFilterExpressionOptions& Options() const noexcept { return FOptions; }

  // The value of the expression for the source's current record; valid
  // until the next evaluation.
  const TFilterValue& Evaluate();
  // Whether the current record passes: the value as a truth value.
  bool Accepts();

  // Forgets the field handles; they are looked up again, by name, at the
  // next evaluation. For when the source's fields are rebuilt.
  void ClearFieldCache() noexcept;

 private:
  TFilterRecordSource& FSource;
  std::string FText;
  TFilterExpressionOptions FOptions;
  std::vector<TFilterFieldSlot> FFields;
  std::unique_ptr<TFilterNode> FRoot;
};
