#include "tests/wine/child_process.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace regcorvex::test {
namespace {

std::runtime_error Win32Failure(const std::string& what) {
  return std::runtime_error(what + " failed with error " + std::to_string(::GetLastError()));
}

// Starts command_line; with output set, its standard output and error go there. Without, it has
// no standard handles, as a program a user starts from the desktop: it does not write into those
// of the test (Wine would hand it the caller's, and Wine's MSXML writes the parser's complaints
// to standard error).
UniqueWin32Handle CreateChild(const std::string& command_line, HANDLE output, DWORD* id,
                              const std::string& working_folder = "") {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION started = {};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                        working_folder.empty() ? nullptr : working_folder.c_str(), &startup,
                        &started)) {
    throw Win32Failure("CreateProcessA(" + command_line + ")");
  }
  ::CloseHandle(started.hThread);
  *id = started.dwProcessId;
  return UniqueWin32Handle(started.hProcess);
}

UniqueWin32Handle OpenOutputFile(const char* name, DWORD access, DWORD disposition,
                                 bool inherited) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  const HANDLE file =
      ::CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    inherited ? &inheritable : nullptr, disposition,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Win32Failure("CreateFileA(" + std::string(name) + ")");
  return UniqueWin32Handle(file);
}

}  // namespace

ChildProcess::ChildProcess(UniqueWin32Handle process, DWORD id, UniqueWin32Handle output)
    : process_(std::move(process)), id_(id), output_(std::move(output)) {}

ChildProcess ChildProcess::Start(const std::string& command_line,
                                 const std::string& working_folder) {
  DWORD id = 0;
  UniqueWin32Handle process = CreateChild(command_line, nullptr, &id, working_folder);
  return ChildProcess(std::move(process), id, UniqueWin32Handle());
}

ChildProcess ChildProcess::StartCapturing(const std::string& command_line,
                                          const std::string& working_folder) {
  char folder[MAX_PATH];
  char name[MAX_PATH];
  if (::GetTempPathA(sizeof(folder), folder) == 0 ||
      ::GetTempFileNameA(folder, "out", 0, name) == 0) {
    throw Win32Failure("GetTempFileNameA");
  }
  // One handle for the child's writes, inherited; one of our own for reading from the start. The
  // file goes when the last handle to it is closed.
  const UniqueWin32Handle writer = OpenOutputFile(name, GENERIC_WRITE, CREATE_ALWAYS, true);
  UniqueWin32Handle reader = OpenOutputFile(name, GENERIC_READ, OPEN_EXISTING, false);
  DWORD id = 0;
  UniqueWin32Handle process = CreateChild(command_line, writer.get(), &id, working_folder);
  return ChildProcess(std::move(process), id, std::move(reader));
}

std::string ChildProcess::ReadAllOutput(DWORD milliseconds) {
  if (!Wait(milliseconds)) {
    Terminate(1);
    Wait(milliseconds);
    throw std::runtime_error("the process did not end within " + std::to_string(milliseconds) +
                             " ms");
  }
  std::string output;
  char buffer[4096];
  DWORD read = 0;
  while (output_ && ::ReadFile(output_.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    output.append(buffer, read);
  }
  return output;
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

}  // namespace regcorvex::test
