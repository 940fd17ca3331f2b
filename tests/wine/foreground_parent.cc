// foreground_parent.exe COMMAND...: stands for an installer that starts a program and waits for
// it. It shows a window, brings it to the foreground, starts COMMAND (the rest of its command
// line, as typed, with this process's standard handles) and waits for it without handling any
// message: a box of another process that took this window as owner would wait for it forever.
// The exit code is COMMAND's; 1 when COMMAND could not start.
#include <string>

#include "platform/windows/win32.h"

int main() {
  std::string line = ::GetCommandLineA();
  bool quoted = false;
  std::size_t at = 0;
  for (; at < line.size() && (quoted || (line[at] != ' ' && line[at] != '\t')); ++at) {
    if (line[at] == '"') quoted = !quoted;
  }
  const std::size_t start = line.find_first_not_of(" \t", at);
  std::string command = start == std::string::npos ? std::string() : line.substr(start);
  const HWND window =
      ::CreateWindowExA(0, "STATIC", "Installer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                        nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ::SetForegroundWindow(window);
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
    return 1;
  ::CloseHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 1;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  ::CloseHandle(process.hProcess);
  ::DestroyWindow(window);
  return static_cast<int>(exit_code);
}
