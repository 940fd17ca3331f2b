// A Windows process started by the test harness. The command line is passed to CreateProcessA
// exactly as given; the handles are closed when the object goes. Start failures throw
// std::runtime_error. Every wait has a deadline.
#pragma once

#include <string>

#include "platform/windows/win32.h"
#include "platform/windows/win32_handles.h"

namespace regcorvex::test {

using platform::UniqueWin32Handle;

class ChildProcess {
 public:
  // Inherits no handles of the caller; working_folder empty: the caller's.
  static ChildProcess Start(const std::string& command_line,
                            const std::string& working_folder = "");
  // Its standard output and standard error go into one temporary file that ReadAllOutput reads. A
  // file, not a pipe: a process that Wine starts meanwhile (its desktop process) inherits what the
  // child holds and could keep a pipe open long after the child has gone.
  static ChildProcess StartCapturing(const std::string& command_line,
                                     const std::string& working_folder = "");

  HANDLE handle() const { return process_.get(); }
  DWORD id() const { return id_; }
  // Waits up to milliseconds for the process to end and returns everything it wrote; throws
  // std::runtime_error (after terminating it) when it has not ended by then.
  std::string ReadAllOutput(DWORD milliseconds);
  // True when the process ended within the time.
  bool Wait(DWORD milliseconds) const;
  DWORD ExitCode() const;
  void Terminate(UINT exit_code) const;

 private:
  ChildProcess(UniqueWin32Handle process, DWORD id, UniqueWin32Handle output);

  UniqueWin32Handle process_;
  DWORD id_;
  UniqueWin32Handle output_;
};

// The Windows form of a path the build gave: a Unix path (a build under Wine) becomes its DOS
// name through Wine; any other path only gets backslashes.
std::string WindowsPath(const std::string& build_path);

}  // namespace regcorvex::test
