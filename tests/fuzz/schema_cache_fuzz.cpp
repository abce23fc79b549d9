// The metadata caches' files as the application connection reads them at
// connect: the schema cache file and the error-message file beside it.
//
// Input: the bytes of a file, read as each of the two.
// Promises checked:
// - a file refused leaves no schema cache at all (nothing half read);
// - an error-message file refused after its header leaves no messages,
//   refused before it leaves the messages held;
// - a file read, written out, reads back and writes out the same bytes
//   again, with as many entries.

#include <cstdint>
#include <string>
#include <string_view>

#include "dbaccess/metadata/error_messages.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void CheckSchemaCache(std::string_view bytes) {
  TpFIBTableInfoCollect cache;
  if (!cache.LoadFromBytes(bytes)) {
    FUZZ_CHECK(cache.Count() == 0, FuzzShown(bytes));
    return;
  }
  const std::string once = cache.SaveToBytes();
  TpFIBTableInfoCollect again;
  FUZZ_CHECK(again.LoadFromBytes(once), FuzzShown(bytes) + "\nwrote " + FuzzShown(once));
  FUZZ_CHECK(again.Count() == cache.Count(), FuzzShown(bytes));
  const std::string twice = again.SaveToBytes();
  FUZZ_CHECK(twice == once, FuzzShown(bytes) + "\nonce  " + FuzzShown(once) + "\ntwice " + FuzzShown(twice));
  // Without a connection an entry's key is what the file said: nothing
  // reaches for a server.
  for (int i = 0; i < again.Count(); ++i) {
    TpFIBTableInfo& info = again.Items(i);
    FUZZ_CHECK(info.PrimaryKeyFields() == info.StoredPrimaryKeyFields(), FuzzShown(bytes));
  }
}

void CheckErrorMessages(std::string_view bytes) {
  TpErrorMessagesCollect messages;
  messages.AddMessage("held", "KEY", 1, "text");
  if (!messages.LoadFromBytes(bytes)) {
    const bool kept = messages.FindMessage("held", "KEY") != nullptr;
    FUZZ_CHECK(kept || messages.DatabaseCount() == 0, FuzzShown(bytes));
    return;
  }
  const std::string once = messages.SaveToBytes();
  TpErrorMessagesCollect again;
  FUZZ_CHECK(again.LoadFromBytes(once), FuzzShown(bytes) + "\nwrote " + FuzzShown(once));
  const std::string twice = again.SaveToBytes();
  FUZZ_CHECK(twice == once, FuzzShown(bytes) + "\nonce  " + FuzzShown(once) + "\ntwice " + FuzzShown(twice));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = FuzzText(data, size);
  CheckSchemaCache(bytes);
  CheckErrorMessages(bytes);
  return 0;
}
