#include "tests/wine/dialog_report.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace regcorvex::test {
namespace {

constexpr std::string_view kTextPrefix = "text| ";
constexpr std::string_view kCr = "<CR>";
constexpr std::string_view kLf = "<LF>";

// A lone CR or LF inside a line would break the line format; they are written as <CR> and <LF>.
std::string EscapeLine(std::string_view line) {
  std::string escaped;
  for (char c : line) {
    if (c == '\r') {
      escaped += kCr;
    } else if (c == '\n') {
      escaped += kLf;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string UnescapeLine(std::string_view line) {
  std::string plain;
  while (!line.empty()) {
    if (line.starts_with(kCr)) {
      plain += '\r';
      line.remove_prefix(kCr.size());
    } else if (line.starts_with(kLf)) {
      plain += '\n';
      line.remove_prefix(kLf.size());
    } else {
      plain += line.front();
      line.remove_prefix(1);
    }
  }
  return plain;
}

std::string FormatAppWindow(const AppWindow& window) {
  if (window.class_name.empty()) return "none";
  char style[16];
  std::snprintf(style, sizeof(style), "0x%08X", static_cast<unsigned>(window.ex_style));
  return "class=" + window.class_name + " exstyle=" + style +
         " visible=" + (window.visible ? "1" : "0") + " title=" + window.title;
}

// Reads "key=value " fields in order; the last field takes the rest of the line.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}
  std::string Next(std::string_view key, bool last) {
    const std::string prefix = std::string(key) + "=";
    if (!text_.starts_with(prefix)) throw std::runtime_error("missing field " + prefix);
    text_.remove_prefix(prefix.size());
    const size_t end = last ? text_.size() : text_.find(' ');
    if (end == std::string_view::npos) throw std::runtime_error("missing field after " + prefix);
    std::string value(text_.substr(0, end));
    text_.remove_prefix(last ? end : end + 1);
    return value;
  }

 private:
  std::string_view text_;
};

AppWindow ParseAppWindow(std::string_view text) {
  AppWindow window;
  if (text == "none") return window;
  FieldReader fields(text);
  window.class_name = fields.Next("class", false);
  window.ex_style =
      static_cast<std::uint32_t>(std::stoul(fields.Next("exstyle", false), nullptr, 16));
  window.visible = fields.Next("visible", false) == "1";
  window.title = fields.Next("title", true);
  return window;
}

bool ParseFlag(std::string_view value, std::string_view yes, std::string_view no) {
  if (value == yes) return true;
  if (value == no) return false;
  throw std::runtime_error("unexpected value " + std::string(value));
}

class ReportParser {
 public:
  explicit ReportParser(const std::string& text) : text_(text) {}

  WatchReport Parse() {
    WatchReport report;
    bool ended = false;
    std::string_view line;
    while (NextLine(line)) {
      if (ended) throw std::runtime_error("text after the exit line");
      if (line == "dialog") {
        report.dialogs.push_back(ParseDialog());
      } else if (line.starts_with("window: ")) {
        report.windows.emplace_back(line.substr(8));
      } else if (line == "exit: timeout") {
        ended = true;
      } else if (line.starts_with("exit: ")) {
        report.exit_code = static_cast<std::uint32_t>(std::stoul(std::string(line.substr(6))));
        ended = true;
      } else {
        throw std::runtime_error("unexpected line");
      }
    }
    if (!ended) throw std::runtime_error("no exit line");
    return report;
  }

  int line_number() const { return line_number_; }

 private:
  bool NextLine(std::string_view& line) {
    if (position_ >= text_.size()) return false;
    const size_t end = text_.find('\n', position_);
    if (end == std::string::npos) throw std::runtime_error("unterminated last line");
    line = std::string_view(text_).substr(position_, end - position_);
    position_ = end + 1;
    ++line_number_;
    return true;
  }

  // Reads "key: value" and returns the value.
  std::string_view Field(std::string_view key) {
    std::string_view line;
    const std::string prefix = std::string(key) + ": ";
    if (!NextLine(line) || !line.starts_with(prefix)) {
      throw std::runtime_error("expected " + prefix);
    }
    return line.substr(prefix.size());
  }

  Dialog ParseDialog() {
    Dialog dialog;
    dialog.caption = Field("caption");
    std::string_view line;
    bool first = true;
    for (;;) {
      const size_t before = position_;
      const int number = line_number_;
      if (!NextLine(line)) throw std::runtime_error("unterminated dialog");
      if (!line.starts_with(kTextPrefix)) {
        position_ = before;
        line_number_ = number;
        break;
      }
      if (!first) dialog.text += "\r\n";
      dialog.text += UnescapeLine(line.substr(kTextPrefix.size()));
      first = false;
    }
    dialog.icon = ParseFlag(Field("icon"), "shown", "none");
    for (;;) {
      if (!NextLine(line)) throw std::runtime_error("unterminated dialog");
      if (!line.starts_with("button: ")) break;
      dialog.buttons.emplace_back(line.substr(8));
    }
    if (!line.starts_with("owner: ")) throw std::runtime_error("expected owner: ");
    dialog.owner = line.substr(7);
    dialog.foreground = ParseFlag(Field("foreground"), "1", "0");
    dialog.centred = ParseFlag(Field("centred"), "1", "0");
    dialog.app_window = ParseAppWindow(Field("appwindow"));
    if (!NextLine(line) || line != "end") throw std::runtime_error("expected end");
    return dialog;
  }

  const std::string& text_;
  size_t position_ = 0;
  int line_number_ = 0;
};

}  // namespace

std::string FormatDialog(const Dialog& dialog) {
  std::string out = "dialog\ncaption: " + EscapeLine(dialog.caption) + "\n";
  const std::string_view text = dialog.text;
  for (size_t start = 0; !text.empty();) {
    const size_t end = text.find("\r\n", start);
    out += std::string(kTextPrefix) + EscapeLine(text.substr(start, end - start)) + "\n";
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  out += std::string("icon: ") + (dialog.icon ? "shown" : "none") + "\n";
  for (const std::string& button : dialog.buttons) out += "button: " + EscapeLine(button) + "\n";
  out += "owner: " + EscapeLine(dialog.owner) + "\n";
  out += std::string("foreground: ") + (dialog.foreground ? "1" : "0") + "\n";
  out += std::string("centred: ") + (dialog.centred ? "1" : "0") + "\n";
  out += "appwindow: " + EscapeLine(FormatAppWindow(dialog.app_window)) + "\nend\n";
  return out;
}

std::string FormatReport(const WatchReport& report) {
  std::string out;
  for (const Dialog& dialog : report.dialogs) out += FormatDialog(dialog);
  for (const std::string& window : report.windows) out += "window: " + EscapeLine(window) + "\n";
  out += report.exit_code ? "exit: " + std::to_string(*report.exit_code) + "\n" : "exit: timeout\n";
  return out;
}

WatchReport ParseReport(const std::string& text) {
  ReportParser parser(text);
  try {
    return parser.Parse();
  } catch (const std::exception& e) {
    throw std::runtime_error("watcher report, line " + std::to_string(parser.line_number()) + ": " +
                             e.what() + "\n" + text);
  }
}

std::ostream& operator<<(std::ostream& out, const Dialog& dialog) {
  return out << FormatDialog(dialog);
}

}  // namespace regcorvex::test
