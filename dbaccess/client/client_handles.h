#pragma once
// Owners of the client API's database, transaction and blob handles. A
// handle is a small number the client library hands out; 0 means "none".
// The owner attaches, starts, opens, detaches, ends and closes through the
// client API itself, with its own error handling; these types only make sure
// that a handle still set when its owner goes is given back (detached,
// rolled back, or closed) instead of being lost, and that it is never copied.
//
// The raw value stays readable and its address is handed to the client API,
// which writes the new value through it.

#include <cstdint>
#include <utility>

// The client API's handle type (FB_API_HANDLE), without its header.
using TClientHandle = std::uint32_t;

// One owner for every kind of handle; `Kind::GiveBack` is the client call
// that returns a handle still set (it ignores failure: nobody is left to
// report to).
template <class Kind>
class TOwnedClientHandle {
 public:
  TOwnedClientHandle() = default;
  ~TOwnedClientHandle() { Release(); }
  TOwnedClientHandle(TOwnedClientHandle&& other) noexcept : FValue(std::exchange(other.FValue, 0)) {}
  TOwnedClientHandle& operator=(TOwnedClientHandle&& other) noexcept {
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
// Closes a blob left open by a failure; the thread's status vector keeps the
// error that led here.
struct TBlobHandleKind {
  static void GiveBack(TClientHandle& handle) noexcept;
};

using TDatabaseHandle = TOwnedClientHandle<TDatabaseHandleKind>;
using TTransactionHandle = TOwnedClientHandle<TTransactionHandleKind>;
using TBlobHandle = TOwnedClientHandle<TBlobHandleKind>;
