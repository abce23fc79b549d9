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

// The client API's handle type (FB_API_HANDLE), without its header.
using TClientHandle = std::uint32_t;

class TDatabaseHandle {
 public:
  TDatabaseHandle() = default;
  // Detaches a handle still set; a failure has no one to go to and is dropped.
  ~TDatabaseHandle();
  TDatabaseHandle(TDatabaseHandle&& other) noexcept : FValue(other.FValue) { other.FValue = 0; }
  TDatabaseHandle& operator=(TDatabaseHandle&& other) noexcept;
  TDatabaseHandle(const TDatabaseHandle&) = delete;
  TDatabaseHandle& operator=(const TDatabaseHandle&) = delete;

  TClientHandle Value() const { return FValue; }
  explicit operator bool() const { return FValue != 0; }
  // Where the client API writes a new handle (attach) or clears it (detach).
  TClientHandle* Address() { return &FValue; }
  // Lets the handle go without a server call (a forced close whose detach failed).
  void Forget() noexcept { FValue = 0; }
  // Detaches now, ignoring failure.
  void Release() noexcept;

 private:
  TClientHandle FValue = 0;
};

class TTransactionHandle {
 public:
  TTransactionHandle() = default;
  // Rolls back a handle still set; a failure is dropped.
  ~TTransactionHandle();
  TTransactionHandle(TTransactionHandle&& other) noexcept : FValue(other.FValue) { other.FValue = 0; }
  TTransactionHandle& operator=(TTransactionHandle&& other) noexcept;
  TTransactionHandle(const TTransactionHandle&) = delete;
  TTransactionHandle& operator=(const TTransactionHandle&) = delete;

  TClientHandle Value() const { return FValue; }
  explicit operator bool() const { return FValue != 0; }
  TClientHandle* Address() { return &FValue; }
  // Lets the handle go without a server call (a released or forced end).
  void Forget() noexcept { FValue = 0; }
  // Rolls back now, ignoring failure.
  void Release() noexcept;

 private:
  TClientHandle FValue = 0;
};

class TBlobHandle {
 public:
  TBlobHandle() = default;
  // Closes a handle still set (a blob left open by a failure); the close's
  // own failure is dropped, and the thread's status vector keeps the error
  // that led here.
  ~TBlobHandle();
  TBlobHandle(TBlobHandle&& other) noexcept : FValue(other.FValue) { other.FValue = 0; }
  TBlobHandle& operator=(TBlobHandle&& other) noexcept;
  TBlobHandle(const TBlobHandle&) = delete;
  TBlobHandle& operator=(const TBlobHandle&) = delete;

  TClientHandle Value() const { return FValue; }
  explicit operator bool() const { return FValue != 0; }
  // Where the client API writes a new handle (open, create) or clears it (close).
  TClientHandle* Address() { return &FValue; }
  // Closes now, ignoring failure.
  void Release() noexcept;

 private:
  TClientHandle FValue = 0;
};
