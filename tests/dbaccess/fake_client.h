#pragma once
// The test side of the fake client libraries (fake_client_library.cpp): their
// paths as the build placed them, and the control of the copy the binding
// has loaded. A test that uses one runs in its own process (each test case is
// its own CTest test), points the process-wide binding at it and unloads it
// at the end, so no case sees another's library.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <ibase.h>

#include <string>
#include <vector>

#include "dbaccess/client/client_library.h"

// Every entry point.
inline constexpr const char* FakeClientFull = TULVO_FAKE_CLIENT_FULL;
// Without isc_rollback_retaining and isc_get_client_version, the two probes.
inline constexpr const char* FakeClientVersion5 = TULVO_FAKE_CLIENT_VERSION5;
// Without isc_transaction_info, the last mandatory entry point.
inline constexpr const char* FakeClientBroken = TULVO_FAKE_CLIENT_BROKEN;

// True while the file is mapped into the process.
inline bool IsLibraryMapped(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

// The control of the fake library in use; raises a test failure when the
// library is not loaded.
class TFakeClient {
 public:
  explicit TFakeClient(const char* path) : FPath(path) {}

  // Calls of the entry point since the library was loaded.
  int Calls(const char* entryPoint) const {
    const auto calls = Control<int (*)(const char*)>("fake_client_calls");
    return calls != nullptr ? calls(entryPoint) : -1;
  }

  // Every later call of the entry point fails with the server error code.
  void Fail(const char* entryPoint, ISC_STATUS code) const {
    if (const auto fail = Control<void (*)(const char*, ISC_STATUS)>("fake_client_fail"))
      fail(entryPoint, code);
  }

  // Every blob opened from now on holds the bytes; its information announces
  // the total length given (none when negative).
  void SetBlob(const std::string& bytes, int announcedLength) const {
    if (const auto set = Control<void (*)(const char*, int, int)>("fake_client_set_blob"))
      set(bytes.data(), static_cast<int>(bytes.size()), announcedLength);
  }

  // The buffer lengths of the isc_get_segment calls so far, in order.
  std::vector<int> SegmentRequests() const {
    std::vector<int> lengths;
    if (const auto request = Control<int (*)(int)>("fake_client_segment_request"))
      for (int n = 0, length; (length = request(n)) >= 0; ++n) lengths.push_back(length);
    return lengths;
  }

  // The content of the last blob created.
  std::string WrittenBlob() const {
    std::string bytes;
    if (const auto written = Control<int (*)(char*, int)>("fake_client_written_blob")) {
      bytes.resize(static_cast<std::size_t>(written(nullptr, 0)));
      written(bytes.data(), static_cast<int>(bytes.size()));
    }
    return bytes;
  }

 private:
  template <class F>
  F Control(const char* name) const {
    void* handle = dlopen(FPath, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
      ADD_FAILURE() << FPath << " is not loaded";
      return nullptr;
    }
    auto function = reinterpret_cast<F>(dlsym(handle, name));
    dlclose(handle);  // the binding still holds it
    return function;
  }

  const char* FPath;
};

// Points the process-wide binding at a fake library for the test's duration.
class FakeClientTest : public ::testing::Test {
 protected:
  void UseLibrary(const char* path) {
    ShutdownClientLibrary();
    ClientLibrary().SetFileName(path);
  }

  void TearDown() override {
    ShutdownClientLibrary();
    ClientLibrary().SetFileName(DefaultClientLibraryName);
  }
};
