#pragma once
// The database and transaction parameter blocks of the client API, built from
// parameter lines such as "user_name=SYSDBA" (a connection's DBParams) and
// "read_committed" (a transaction's TRParams).
//
// A line is trimmed of blanks and control characters at both ends; an empty
// line is skipped. The name is the text before the first "=" (the whole line
// when there is none), with its ASCII capitals lowered and a leading
// "isc_dpb_" or "isc_tpb_" removed; the value is the text after the "=".
//
// The builders are pure: lines in, the block out, or an exception and no
// block. The caller keeps its lines unchanged and may clear its own
// "parameters changed" flag once a build has succeeded.

#include <span>
#include <string>
#include <string_view>

class TStrings;

// The database parameter block: the version byte, then one item per line.
// Raises client error 9 for a name not in the table, 8 for a known but
// unsupported one, the framework's EConvertError for a value that is not a
// decimal integer where one is needed, and EFIBClientError for a value that
// does not fit its item (a one-byte number outside 0..255, a text longer than
// 255 bytes) or a block longer than the 32767 bytes an attach accepts.
std::string BuildDPB(std::span<const std::string> lines);
std::string BuildDPB(const TStrings& lines);

// The transaction parameter block: empty for no lines, else the version byte
// and one item per line. Raises client error 11 for a name not in the table,
// 10 for a known but unsupported one, and EFIBClientError for a table name of
// lock_read or lock_write longer than 255 bytes.
std::string BuildTPB(std::span<const std::string> lines);
std::string BuildTPB(const TStrings& lines);

// The DPB name of a code 1..67 ("user_name" for 28); empty for any other code.
std::string_view DPBName(int code);
