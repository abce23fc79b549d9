#pragma once
// Owners of the client API's database, transaction, statement and blob
// handles. A handle is a small number the client library hands out; 0 means
// "none". The owner attaches, starts, prepares, opens, detaches, ends, drops
// and closes through the client API itself, with its own error handling;
// these types only make sure that a handle still set when its owner goes is
// given back (detached, rolled back, dropped, or closed) instead of being
// lost, and that it is never copied.
//
// The raw value stays readable and its address is handed to the client API,
// which writes the new value through it.

#include <cstdint>
#include <utility>

// The client API's handle type (FB_API_HANDLE), without its header.
using TClientHandle = std::uint32_t;

// A kind whose handles the client library keeps the address of: it clears
// the variable itself when the attachment goes, so such a handle is made in
// place and never moved.
template <class Kind>
concept TPinnedHandleKind = Kind::Pinned;

// One owner for every kind of handle; `Kind::GiveBack` is the client call
// that returns a handle still set (it ignores failure: nobody is left to
// report to). Move-only, or neither copied nor moved for a pinned kind.
template <class Kind>
class TOwnedClientHandle {
 public:
  TOwnedClientHandle() = default;
  ~TOwnedClientHandle() { Release(); }
  TOwnedClientHandle(TOwnedClientHandle&& other) noexcept requires(!TPinnedHandleKind<Kind>)
      : FValue(std::exchange(other.FValue, 0)) {}
  TOwnedClientHandle& operator=(TOwnedClientHandle&& other) noexcept requires(!TPinnedHandleKind<Kind>) {
    if (this != &other) {
      Release();
      FValue = std::exchange(other.FValue, 0);
    }
    return *this;
  }
  TOwnedClientHandle(const TOwnedClientHandle&) = delete;
  TOwnedClientHandle& operator=(const TOwnedClientHandle&) = delete;

  TClientHandle Value() const { return FValue; }
  explicit operator bool() const { return FValue != 0; }
  // Where the client API writes a new handle (attach, start, open) or clears it.
  TClientHandle* Address() { return &FValue; }
  // Lets the handle go without a server call (a forced close or end whose
  // server call failed, a released transaction).
  void Forget() noexcept { FValue = 0; }
  // Gives the handle back now, ignoring failure.
  void Release() noexcept { Kind::GiveBack(FValue); }

 private:
  TClientHandle FValue = 0;
};

// Detaches a database handle.
struct TDatabaseHandleKind {
  static void GiveBack(TClientHandle& handle) noexcept;
};
// Rolls back a transaction handle.
struct TTransactionHandleKind {
  static void GiveBack(TClientHandle& handle) noexcept;
};
// Drops a statement handle; the thread's status vector keeps the error
// that led here. Pinned: statements are allocated with
// isc_dsql_alloc_statement2, whose handles the client clears on detach.
struct TStatementHandleKind {
  static constexpr bool Pinned = true;
  static void GiveBack(TClientHandle& handle) noexcept;
};
// Closes a blob left open by a failure; the thread's status vector keeps the
// error that led here.
struct TBlobHandleKind {
  static void GiveBack(TClientHandle& handle) noexcept;
};

using TDatabaseHandle = TOwnedClientHandle<TDatabaseHandleKind>;
using TTransactionHandle = TOwnedClientHandle<TTransactionHandleKind>;
using TStatementHandle = TOwnedClientHandle<TStatementHandleKind>;
using TBlobHandle = TOwnedClientHandle<TBlobHandleKind>;
