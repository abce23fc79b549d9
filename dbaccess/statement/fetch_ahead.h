#pragma once
// Rows of an open cursor fetched ahead by a thread of their own, so that the
// server's work for the next rows runs while the reader stores and shows
// the rows before them. A statement that reads a large result to the end
// (a listing loaded whole into a grid) then costs about what the server's
// fetching alone costs.
//
// One thread per statement, made when its first cursor is read ahead and
// kept, parked, between cursors (a statement is executed again and again).
// The thread calls only the fetch, into a copy of the statement's output
// descriptor, and hands the rows on in batches (small ones first, so the
// first row is not kept waiting for many). The reader takes each row into
// the statement's own descriptor, byte for byte what the fetch would have
// written there. A fetch's end or error ends the thread's fetching and
// reaches the reader at the row where it happened, with the thread's status
// vector; the thread then waits, untouched, until the cursor is stopped, so
// the texts that vector points to stay valid while the reader reports them.
//
// Stop waits for a fetch under way to return: the statement stops the
// reading ahead before it closes, drops or forgets the cursor, and never
// uses the cursor itself meanwhile.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "dbaccess/client/client_handles.h"
#include "dbaccess/client/status_vector.h"

class TFetchAhead {
 public:
  TFetchAhead() = default;
  ~TFetchAhead();
  TFetchAhead(const TFetchAhead&) = delete;
  TFetchAhead& operator=(const TFetchAhead&) = delete;

  // A cursor just opened: handle is its statement handle (it must stay
  // where it is), layout the output descriptor (the client API's) its rows
  // are fetched for.
  void Start(TClientHandle* handle, const void* layout, unsigned short dialect);
  // Rows not read are dropped; a fetch under way is waited for.
  void Stop() noexcept;
  bool Reading() const { return FReading; }

  // The next row into target (laid out as layout was): 0 for a row, 100 at
  // the end, else the failed fetch's result with its status vector in the
  // calling thread's StatusVector(). The end and an error repeat.
  TStatusWord Next(void* target);

 private:
  struct TBatch {
    std::vector<char> Rows;
    int Count = 0;
    // 0 while rows may follow; else how the fetching ended.
    TStatusWord Result = 0;
    std::array<TStatusWord, StatusVectorLength> Status{};
  };
  static constexpr int BatchCount = 16;
  static constexpr int FirstBatchRows = 16;
  static constexpr int LargestBatchRows = 256;
  static constexpr std::uint64_t ReaderWakeBatches = 4;

  void Run();
  void FetchCursor();
  // Under FMutex: the reader may go on.
  bool BatchesReady() const;
  // Under FMutex: every batch handed on is read.
  bool ReaderWaits() const;
  void CopyRow(const char* row, void* target) const;

  // The cursor, set by Start while the thread is parked.
  TClientHandle* FHandle = nullptr;
  unsigned short FDialect = 0;
  std::vector<char> FLayout;  // the thread's descriptor
  std::vector<char> FRow;     // where its fetch writes
  std::vector<std::size_t> FOffsets;
  std::array<TBatch, BatchCount> FBatches;

  std::mutex FMutex;
  std::condition_variable FWake;  // for the thread: a cursor, room in the batches, stop, quit
  std::condition_variable FDone;  // for the reader: a batch handed on, the thread parked
  std::uint64_t FFilled = 0;      // batches handed on
  std::uint64_t FConsumed = 0;    // batches the reader is done with
  bool FEnded = false;            // the last batch handed on ends the rows
  bool FCursor = false;           // a cursor is to be read (Start until Stop)
  std::uint64_t FGeneration = 0;  // cursors started
  bool FFetching = false;         // the thread works on it
  std::atomic<bool> FStop = false;
  bool FQuit = false;
  // The reader's own: a cursor started, and its place (batch FConsumed, row FPosition).
  bool FReading = false;
  bool FHolding = false;
  int FPosition = 0;

  std::thread FThread;
};
