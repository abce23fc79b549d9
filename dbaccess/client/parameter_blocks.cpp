#include "dbaccess/client/parameter_blocks.h"

#include <ibase.h>

#include <array>
#include <cstdint>
#include <vector>

#include "dbaccess/client/errors.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

namespace {

// Names in code order: a name's code is its position from 1, the client
// API's isc_dpb_ and isc_tpb_ constant of the same name.
// clang-format off
constexpr std::array<std::string_view, 67> DPBNames = {
    /*  1 */ "cdd_pathname", "allocation", "journal", "page_size", "num_buffers",
    /*  6 */ "buffer_length", "debug", "garbage_collect", "verify", "sweep",
    /* 11 */ "enable_journal", "disable_journal", "dbkey_scope", "number_of_users", "trace",
    /* 16 */ "no_garbage_collect", "damaged", "license", "sys_user_name", "encrypt_key",
    /* 21 */ "activate_shadow", "sweep_interval", "delete_shadow", "force_write", "begin_log",
    /* 26 */ "quit_log", "no_reserve", "user_name", "password", "password_enc",
    /* 31 */ "sys_user_name_enc", "interp", "online_dump", "old_file_size", "old_num_files",
    /* 36 */ "old_file", "old_start_page", "old_start_seqno", "old_start_file", "drop_walfile",
    /* 41 */ "old_dump_id", "wal_backup_dir", "wal_chkptlen", "wal_numbufs", "wal_bufsize",
    /* 46 */ "wal_grp_cmt_wait", "lc_messages", "lc_ctype", "cache_manager", "shutdown",
    /* 51 */ "online", "shutdown_delay", "reserved", "overwrite", "sec_attach",
    /* 56 */ "disable_wal", "connect_timeout", "dummy_packet_interval", "gbak_attach", "sql_role_name",
    /* 61 */ "set_page_buffers", "working_directory", "sql_dialect", "set_db_readonly", "set_db_sql_dialect",
    /* 66 */ "gfix_attach", "gstat_attach"};

constexpr std::array<std::string_view, 20> TPBNames = {
    /*  1 */ "consistency", "concurrency", "shared", "protected", "exclusive",
    /*  6 */ "wait", "nowait", "read", "write", "lock_read",
    /* 11 */ "lock_write", "verb_time", "commit_time", "ignore_limbo", "read_committed",
    /* 16 */ "autocommit", "rec_version", "no_rec_version", "restart_requests", "no_auto_undo"};

// clang-format on

static_assert(DPBNames[isc_dpb_user_name - 1] == "user_name");
static_assert(DPBNames[isc_dpb_lc_ctype - 1] == "lc_ctype");
static_assert(DPBNames[isc_dpb_sql_dialect - 1] == "sql_dialect");
static_assert(DPBNames.size() == isc_dpb_gstat_attach);
static_assert(TPBNames[isc_tpb_read_committed - 1] == "read_committed");
static_assert(TPBNames.size() == isc_tpb_no_auto_undo);

// The largest DPB an attach takes: its length travels as a signed 16-bit count.
constexpr std::size_t MaxDPBLength = 32767;
constexpr std::size_t MaxItemLength = 255;

template <std::size_t N>
int CodeOf(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i)
    if (names[i] == name) return static_cast<int>(i) + 1;
  return 0;
}

// One non-empty line, trimmed and split.
struct TParamLine {
  int Code = 0;       // the name's code; 0 for a name not in the table
  std::string Name;   // lowered, prefix removed
  std::string Value;  // as written after the first "="
};

// The lines of a block in order, each trimmed before it is encoded. With a
// list to write to, the trimmed line replaces the written one there (only
// when they differ, so a list already trimmed reports no change), so a build
// that fails at a line leaves it and the lines before it trimmed.
template <std::size_t N, class Encode>
void ForEachLine(std::span<const std::string> lines, TStrings* writeBack, std::string_view prefix,
                 const std::array<std::string_view, N>& names, Encode&& encode) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    if (writeBack != nullptr && line != lines[i]) writeBack->SetStrings(static_cast<int>(i), line);
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    TParamLine param;
    param.Name = LowerCase(std::string_view(line).substr(0, equals));
    if (param.Name.starts_with(prefix)) param.Name.erase(0, prefix.size());
    if (equals != std::string::npos) param.Value = line.substr(equals + 1);
    param.Code = CodeOf(names, param.Name);
    encode(param);
  }
}

void AppendOneByteNumber(std::string& block, int code, std::string_view value) {
  const int number = StrToInt(value);
  if (number < 0 || number > 255)
    throw EFIBClientError(ceInvalidDataConversion, "DPB Constant (isc_dpb_" + std::string(DPBNames[code - 1]) +
                                  ") takes a number from 0 to 255, not " + std::string(value) + ".");
  block += static_cast<char>(code);
  block += '\1';
  block += static_cast<char>(number);
}

void AppendText(std::string& block, int code, std::string_view value, std::string_view kind,
                std::string_view name) {
  if (value.size() > MaxItemLength)
    throw EFIBClientError(ceInvalidDataConversion, std::string(kind) + " Constant (isc_" + LowerCase(kind) + "_" +
                                  std::string(name) + ") takes at most 255 bytes, not " +
                                  std::to_string(value.size()) + ".");
  block += static_cast<char>(code);
  block += static_cast<char>(value.size());
  block += value;
}

std::vector<std::string> LinesOf(const TStrings& strings) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(strings.Count()));
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
  return lines;
}

std::string BuildDPBFrom(std::span<const std::string> lines, TStrings* writeBack) {
  std::string block(1, static_cast<char>(isc_dpb_version1));
  ForEachLine(lines, writeBack, "isc_dpb_", DPBNames, [&](const TParamLine& param) {
    const int code = param.Code;
    switch (code) {
      case isc_dpb_num_buffers:
      case isc_dpb_verify:
      case isc_dpb_dbkey_scope:
      case isc_dpb_damaged:
      case isc_dpb_force_write:
      case isc_dpb_no_reserve:
      case isc_dpb_connect_timeout:
      case isc_dpb_dummy_packet_interval:
      // The dialect is a number like the items above. Taking the value's first
      // character as a digit would turn "" into a byte past the value and
      // "13" into a dialect 1 followed by a stray "3".
      case isc_dpb_sql_dialect:
        AppendOneByteNumber(block, code, param.Value);
        break;
      case isc_dpb_garbage_collect:
      case isc_dpb_no_garbage_collect:
      case isc_dpb_activate_shadow:
      case isc_dpb_delete_shadow:
      case isc_dpb_begin_log:
      case isc_dpb_quit_log:
        block += {static_cast<char>(code), '\1', '\0'};
        break;
      case isc_dpb_sweep:
        block += {static_cast<char>(code), '\1', '\2'};
        break;
      case isc_dpb_sweep_interval: {
        const auto number = static_cast<std::uint32_t>(StrToInt(param.Value));
        block += {static_cast<char>(code), '\4'};
        for (int shift = 0; shift < 32; shift += 8) block += static_cast<char>((number >> shift) & 0xFF);
        break;
      }
      case isc_dpb_license:
      case isc_dpb_sys_user_name:
      case isc_dpb_encrypt_key:
      case isc_dpb_user_name:
      case isc_dpb_password:
      case isc_dpb_password_enc:
      case isc_dpb_lc_messages:
      case isc_dpb_lc_ctype:
      case isc_dpb_sql_role_name:
        AppendText(block, code, param.Value, "DPB", param.Name);
        break;
      case 0:
        RaiseClientError(ceDPBConstantUnknown, param.Name);
      default:
        RaiseClientError(ceDPBConstantUnsupported, DPBNames[code - 1]);
    }
  });
  if (block.size() > MaxDPBLength)
    throw EFIBClientError(ceInvalidDataConversion, "The DPB takes at most " + std::to_string(MaxDPBLength) + " bytes, not " +
                                  std::to_string(block.size()) + ".");
  return block;
}

std::string BuildTPBFrom(std::span<const std::string> lines, TStrings* writeBack) {
  std::string block;
  if (lines.empty()) return block;
  block += static_cast<char>(isc_tpb_version3);
  ForEachLine(lines, writeBack, "isc_tpb_", TPBNames, [&](const TParamLine& param) {
    const int code = param.Code;
    switch (code) {
      case isc_tpb_lock_read:
      case isc_tpb_lock_write:
        AppendText(block, code, param.Value, "TPB", param.Name);
        break;
      case isc_tpb_verb_time:
      case isc_tpb_commit_time:
      case isc_tpb_autocommit:
      case isc_tpb_restart_requests:
      case isc_tpb_no_auto_undo:
        RaiseClientError(ceTPBConstantUnsupported, TPBNames[code - 1]);
      case 0:
        RaiseClientError(ceTPBConstantUnknown, param.Name);
      default:
        block += static_cast<char>(code);
    }
  });
  return block;
}

}  // namespace

std::string BuildDPB(std::span<const std::string> lines) { return BuildDPBFrom(lines, nullptr); }

std::string BuildTPB(std::span<const std::string> lines) { return BuildTPBFrom(lines, nullptr); }

std::string BuildDPB(TStrings& lines) { return BuildDPBFrom(LinesOf(lines), &lines); }

std::string BuildTPB(TStrings& lines) { return BuildTPBFrom(LinesOf(lines), &lines); }

std::string_view DPBName(int code) {
  if (code < 1 || code > static_cast<int>(DPBNames.size())) return {};
  return DPBNames[code - 1];
}
