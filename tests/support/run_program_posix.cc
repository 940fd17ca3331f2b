#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/run_program.h"

namespace regcorvex::test {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int AnonymousFile(const char* name) {
  const int fd = memfd_create(name, MFD_CLOEXEC);
  if (fd < 0) throw std::runtime_error("memfd_create failed");
  return fd;
}

std::string ReadFromStart(int fd) {
  std::string text;
  char buffer[65536];
  for (off_t offset = 0;;) {
    const ssize_t got = pread(fd, buffer, sizeof(buffer), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return text;
    text.append(buffer, static_cast<size_t>(got));
    offset += got;
  }
}

// Waits for the child to end, at most until the deadline; false when it has not.
bool WaitForExit(pid_t child, std::chrono::seconds deadline) {
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
  if (pidfd < 0) throw std::runtime_error("pidfd_open failed");
  const Fd owned(pidfd);
  pollfd ended = {pidfd, POLLIN, 0};
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int ready = poll(&ended, 1, static_cast<int>(left.count()));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) throw std::runtime_error("poll failed");
  }
}

std::chrono::microseconds CpuTime(const rusage& usage) {
  const auto time = [](const timeval& value) {
    return std::chrono::seconds(value.tv_sec) + std::chrono::microseconds(value.tv_usec);
  };
  return time(usage.ru_utime) + time(usage.ru_stime);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         const std::string& working_folder, std::chrono::seconds deadline) {
  const Fd out(AnonymousFile("stdout"));
  const Fd err(AnonymousFile("stderr"));
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    // Its own process group, so that a kill at the deadline reaches what it started; and it goes
    // when the test does.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(125);
    const int null = open("/dev/null", O_RDONLY);
    if (null < 0 || dup2(null, 0) < 0 || dup2(out.get(), 1) < 0 || dup2(err.get(), 2) < 0) {
      _exit(126);
    }
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    if (!working_folder.empty() && chdir(working_folder.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  setpgid(child, child);
  ProgramResult result;
  if (!WaitForExit(child, deadline)) {
    result.timed_out = true;
    kill(-child, SIGKILL);
    kill(child, SIGKILL);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.exit_code = WIFEXITED(status) && !result.timed_out ? WEXITSTATUS(status) : -1;
  result.peak_memory_kb = usage.ru_maxrss;
  result.cpu_time = CpuTime(usage);
  result.out = ReadFromStart(out.get());
  result.err = ReadFromStart(err.get());
  return result;
}

}  // namespace regcorvex::test
