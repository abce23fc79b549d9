#pragma once
// The private engine root that lets two copies of the program open one
// database file with the embedded engine. The engine's server mode is a
// process-wide setting read when the client library loads: each copy gets
// a root folder of its own user with a configuration that selects the
// shared-file mode ("ServerMode = SuperClassic", after the system's own
// configuration), a real copy of the character-set module (a link is not
// followed), and one lock folder shared by every copy of the user (copies
// with different lock folders would both attach and lose each other's
// changes).
//
// PrepareFirebirdRoot runs before the client library is loaded. When the
// environment names a root already (FIREBIRD), it changes nothing. When
// the root cannot be made, it changes nothing either and says why: the
// engine then runs in its default mode, where a second copy is refused
// with the engine's own message and nothing is lost.

#include <string>

struct TFirebirdRootPlan {
  // Where the root goes.
  std::string Root;
  // The lock folder every copy of the user shares.
  std::string LockFolder;
  // The system's configuration, included first when it exists.
  std::string SystemConfig;
  // The system's character-set module and its configuration.
  std::string SystemIntlModule;
  std::string SystemIntlConfig;
};

struct TFirebirdRootResult {
  enum TOutcome { Prepared, LeftToEnvironment, Failed };
  TOutcome Outcome = LeftToEnvironment;
  // Failed: what went wrong, for the user.
  std::string Problem;
};

// The plan for this user: the root under $XDG_RUNTIME_DIR/tulvo/firebird,
// else ~/.cache/tulvo/firebird; the lock folder FIREBIRD_LOCK when set,
// else "lock" inside the root; the system files of the installed engine.
TFirebirdRootPlan DefaultFirebirdRootPlan();

// Makes the root of plan and sets FIREBIRD and FIREBIRD_LOCK, unless
// FIREBIRD is set already.
TFirebirdRootResult PrepareFirebirdRoot(const TFirebirdRootPlan& plan);
