#pragma once
// Runs work in one or several child processes at once, as programs running side by
// side do, and checks that every child finished cleanly; or this test program
// itself anew. A child that
// raises, or whose work returns false, exits with a failure code; the
// parent's check names nothing more, the child's own state being gone.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

extern char** environ;

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

// Starts words[0] (looked up on the path) with words as its arguments, its
// output going to outputFile and its error output to errorFile (the same
// file when that is empty); gives the child's pid, or -1 when it could not
// start. The caller waits for it.
inline pid_t SpawnWithOutput(std::vector<std::string> words, const std::string& outputFile,
                             const std::string& errorFile = {}) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  if (errorFile.empty())
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

// Runs this test program anew as a child with the arguments (such as
// "--gtest_filter=Suite.Test"), its output going to the file, and gives its
// exit code: -1 when it did not end by itself (a signal), -2 when it could
// not start. Unlike a fork, the child starts from nothing, as a program
// does, and goes through the whole of a program's end.
inline int RunThisProgram(const std::vector<std::string>& arguments, const std::string& outputFile) {
  std::vector<std::string> words{"/proc/self/exe"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const pid_t pid = SpawnWithOutput(std::move(words), outputFile);
  if (pid < 0) return -2;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -3;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
