#include "tests/wine/child_process.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace regcorvex::testing {
namespace {

std::runtime_error Win32Failure(const std::string& what) {
  return std::runtime_error(what + " failed with error " + std::to_string(::GetLastError()));
}

// Starts command_line; with output set, its standard output and error go there.
UniqueWin32Handle CreateChild(const std::string& command_line, HANDLE output, DWORD* id) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION started = {};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                        nullptr, &startup, &started)) {
    throw Win32Failure("CreateProcessA(" + command_line + ")");
  }
  ::CloseHandle(started.hThread);
  *id = started.dwProcessId;
  return UniqueWin32Handle(started.hProcess);
}

}  // namespace

ChildProcess::ChildProcess(UniqueWin32Handle process, DWORD id, UniqueWin32Handle output)
    : process_(std::move(process)), id_(id), output_(std::move(output)) {}

ChildProcess ChildProcess::Start(const std::string& command_line) {
  DWORD id = 0;
  UniqueWin32Handle process = CreateChild(command_line, nullptr, &id);
  return ChildProcess(std::move(process), id, UniqueWin32Handle());
}

ChildProcess ChildProcess::StartCapturing(const std::string& command_line) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, &inheritable, 0)) throw Win32Failure("CreatePipe");
  UniqueWin32Handle reader(read_end);
  const UniqueWin32Handle writer(write_end);
  ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
  DWORD id = 0;
  UniqueWin32Handle process = CreateChild(command_line, writer.get(), &id);
  return ChildProcess(std::move(process), id, std::move(reader));
}

std::string ChildProcess::ReadAllOutput() {
  // Reads until the child has ended and the pipe is drained, without waiting for the pipe to close:
  // a process that Wine starts meanwhile (its desktop window) may inherit the write end and keep
  // the pipe open long after the child has gone.
  std::string output;
  char buffer[4096];
  for (;;) {
    const bool ended = Wait(0);
    DWORD available = 0;
    while (output_ && ::PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &available, nullptr) &&
           available > 0) {
      DWORD read = 0;
      if (!::ReadFile(output_.get(), buffer, std::min<DWORD>(available, sizeof(buffer)), &read,
                      nullptr) ||
          read == 0) {
        break;
      }
      output.append(buffer, read);
    }
    if (ended) return output;
    ::Sleep(10);
  }
}

bool ChildProcess::Wait(DWORD milliseconds) const {
  return ::WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = 0;
  if (!::GetExitCodeProcess(process_.get(), &code)) throw Win32Failure("GetExitCodeProcess");
  return code;
}

void ChildProcess::Terminate(UINT exit_code) const {
  ::TerminateProcess(process_.get(), exit_code);
}

std::string WindowsPath(const std::string& build_path) {
  using DosFileNameFn = WCHAR*(CDECL*)(const char*);
  const auto dos_file_name = reinterpret_cast<DosFileNameFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (build_path.starts_with('/') && dos_file_name != nullptr) {
    WCHAR* const wide = dos_file_name(build_path.c_str());
    if (wide == nullptr) throw std::runtime_error("no DOS name for " + build_path);
    char narrow[MAX_PATH * 4];
    const int length =
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), nullptr, nullptr);
    ::HeapFree(::GetProcessHeap(), 0, wide);
    if (length == 0) throw Win32Failure("WideCharToMultiByte");
    return narrow;
  }
  std::string path = build_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace regcorvex::testing
