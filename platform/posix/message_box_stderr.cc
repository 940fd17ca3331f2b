// Message boxes on standard error: the caption alone on a line, then each line of the text behind
// "| " (a lone "|" for an empty line). A line ends at CR LF, or at a lone LF or CR as in a Windows
// message box. Every box returns at once, as if OK had been pressed, also when nobody reads
// standard error any more.
#include <string_view>

#include "platform/console.h"
#include "platform/message_box.h"

namespace platform {
namespace {

void WriteBox(const std::string& caption, std::string_view text) {
  std::string out = caption + "\n";
  for (;;) {
    const size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    out += line.empty() ? "|\n" : "| " + std::string(line) + "\n";
    if (end == std::string_view::npos) break;
    text.remove_prefix(text.substr(end, 2) == "\r\n" ? end + 2 : end + 1);
  }
  WriteStandard(StandardStream::kError, out);
}

class StderrMessageBoxes final : public MessageBoxes {
 public:
  int MessageBoxA(Hwnd, const std::string& text, const std::string& caption, unsigned) override {
    WriteBox(caption, text);
    return kIdOk;
  }
  Hwnd OwnForegroundWindow() override { return kNoWindow; }
  void ShowMessageDialog(Hwnd, const std::string& text, const std::string& caption) override {
    WriteBox(caption, text);
  }
};

}  // namespace

MessageBoxes& DefaultMessageBoxes() {
  static StderrMessageBoxes boxes;
  return boxes;
}

}  // namespace platform
