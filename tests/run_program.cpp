#include "run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace program_test {
namespace {

std::string read_all(int fd) {
  std::string text;
  char chunk[4096];
  ::lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) {
    text.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (std::string& s : strings) {
    out.push_back(s.data());
  }
  out.push_back(nullptr);
  return out;
}

#ifndef MORSEL_SANITIZED
// glibc's checking allocator, where this system has it: it marks the byte after each block and
// aborts the program that wrote it, which an uninstrumented build would not notice.
std::optional<std::string> checking_allocator() {
  for (const char* dir : {"/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu", "/lib64"}) {
    const std::string library = std::string(dir) + "/libc_malloc_debug.so.0";
    if (::access(library.c_str(), R_OK) == 0) {
      return library;
    }
  }
  return std::nullopt;
}
#endif

// The child sees only PATH, plus the sanitizer settings so that an instrumented build reports
// the way the test run asked, and the checking allocator where the invocation asks for it (an
// instrumented build checks its heap itself, and will not run under another allocator).
std::vector<std::string> environment(const Invocation& invocation) {
  std::vector<std::string> env;
  if (invocation.path) {
    env.push_back("PATH=" + *invocation.path);
  }
#ifndef MORSEL_SANITIZED
  if (invocation.check_heap) {
    if (const std::optional<std::string> library = checking_allocator()) {
      env.push_back("LD_PRELOAD=" + *library);
      env.push_back("GLIBC_TUNABLES=glibc.malloc.check=3");
    }
  }
#endif
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) {
      env.push_back(std::string(name) + "=" + value);
    }
  }
  return env;
}

[[noreturn]] void exec_child(const Invocation& invocation, int in_fd, int out_fd, int err_fd,
                             char** argv, char** envp) {
  if (in_fd >= 0) {
    ::dup2(in_fd, STDIN_FILENO);
  }
  if (!invocation.cwd.empty() && ::chdir(invocation.cwd.c_str()) != 0) {
    ::_exit(126);
  }
  switch (invocation.stdout_mode) {
    case Stdout::capture:
      ::dup2(out_fd, STDOUT_FILENO);
      break;
    case Stdout::closed:
      ::close(STDOUT_FILENO);
      break;
    case Stdout::full_device: {
      const int full = ::open("/dev/full", O_WRONLY);
      ::dup2(full, STDOUT_FILENO);
      break;
    }
  }
  ::dup2(err_fd, STDERR_FILENO);
  ::execve(invocation.program.c_str(), argv, envp);
  ::_exit(127);
}

}  // namespace

Outcome run(const Invocation& invocation) {
  std::vector<std::string> args;
  if (!invocation.empty_argv) {
    args.push_back(invocation.program);
    args.insert(args.end(), invocation.args.begin(), invocation.args.end());
  }
  std::vector<std::string> env = environment(invocation);
  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(env);

  int in_fd = -1;
  int in_pipe[2] = {-1, -1};
  if (invocation.input && invocation.input_through_pipe) {
    if (::pipe2(in_pipe, O_CLOEXEC) != 0) {
      throw std::runtime_error("cannot make a pipe");
    }
    in_fd = in_pipe[0];
  } else if (invocation.input) {
    in_fd = ::memfd_create("stdin", MFD_CLOEXEC);
    if (in_fd < 0 || ::write(in_fd, invocation.input->data(), invocation.input->size()) !=
                         static_cast<ssize_t>(invocation.input->size())) {
      throw std::runtime_error("cannot prepare standard input");
    }
    ::lseek(in_fd, 0, SEEK_SET);
  }
  const int out_fd = ::memfd_create("stdout", MFD_CLOEXEC);
  const int err_fd = ::memfd_create("stderr", MFD_CLOEXEC);
  if (out_fd < 0 || err_fd < 0) {
    throw std::runtime_error("memfd_create failed");
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    throw std::runtime_error("fork failed");
  }
  if (pid == 0) {
    exec_child(invocation, in_fd, out_fd, err_fd, argv.data(), envp.data());
  }
  if (in_pipe[1] >= 0) {
    // The program's output goes to files, so it never waits for this side: feed it all (as far
    // as it reads), then close the pipe.
    ::close(in_pipe[0]);
    in_fd = -1;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    ::sigaction(SIGPIPE, &ignore, &before);
    const std::string& input = *invocation.input;
    for (std::size_t done = 0; done < input.size();) {
      const ssize_t n = ::write(in_pipe[1], input.data() + done, input.size() - done);
      if (n <= 0) {
        break;  // the program stopped reading
      }
      done += static_cast<std::size_t>(n);
    }
    ::close(in_pipe[1]);
    ::sigaction(SIGPIPE, &before, nullptr);
  }
  int wait_status = 0;
  if (::waitpid(pid, &wait_status, 0) != pid) {
    throw std::runtime_error("waitpid failed");
  }
  if (in_fd >= 0) {
    ::close(in_fd);
  }
  Outcome outcome;
  outcome.out = read_all(out_fd);
  outcome.err = read_all(err_fd);
  outcome.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  return outcome;
}

}  // namespace program_test
