#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/run_program.h"

namespace regcorvex::testing {
namespace {

// Reads both pipes until both are closed, so that neither side can fill up and block.
void Drain(int out_fd, int err_fd, ProgramResult& result) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t got = read(fds[i].fd, buffer, sizeof(buffer));
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         const std::string& working_folder) {
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    if (!working_folder.empty() && chdir(working_folder.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  ProgramResult result;
  Drain(out_pipe[0], err_pipe[0], result);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.peak_memory_kb = usage.ru_maxrss;
  return result;
}

}  // namespace regcorvex::testing
