#pragma once
// Runs work in one or several child processes at once, as programs running side by
// side do, and checks that every child finished cleanly. A child that
// raises, or whose work returns false, exits with a failure code; the
// parent's check names nothing more, the child's own state being gone.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

// Starts one child per index 0..count-1 running work(index), then waits for
// all of them and expects each to have exited with 0.
inline void RunInChildProcesses(int count, const std::function<bool(int)>& work) {
  std::vector<pid_t> children;
  for (int index = 0; index < count; ++index) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int code = 1;
      try {
        code = work(index) ? 0 : 1;
      } catch (...) {
        code = 1;
      }
      ::_exit(code);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << pid;
  }
}

// Runs body in one child process and gives its exit code: body's answer, 98
// when it raised, or -1 when the child did not end by itself (a signal).
inline int InChildProcess(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid < 0) return -2;
  if (pid == 0) {
    int code = 98;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -3;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
