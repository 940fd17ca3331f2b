#include "tests/differential/run_comparison.h"

#include <algorithm>
#include <string_view>

namespace regcorvex::test {
namespace {

constexpr std::string_view kImportError =
    "| Could not import the program configuration due to the following error:";

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// The lines with each load error's reason replaced by whether there is one, and its line number
// and source line by placeholders where Wine does not give them.
std::vector<std::string> Comparable(const std::vector<std::string>& lines, bool line_known) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lines.size();) {
    out.push_back(lines[i++]);
    if (out.back() != kImportError || i == lines.size()) continue;
    const std::string& reason = lines[i++];
    // A load error: reason, "Line: N", source text; other import errors have no "Line:".
    if (i == lines.size() || !StartsWith(lines[i], "| Line: ")) {
      out.push_back(reason);
      continue;
    }
    out.push_back(reason != "| " ? "| <parser reason>" : "| <no reason>");
    if (line_known) {
      for (std::size_t end = std::min(i + 2, lines.size()); i < end; ++i) out.push_back(lines[i]);
    } else {
      out.insert(out.end(), {"| Line: <not given by Wine>", "| <source not given by Wine>"});
      i = std::min(i + 2, lines.size());
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> RunLines(const DocumentRun& run) {
  std::vector<std::string> lines;
  for (const std::string& value : run.values) lines.push_back("value " + value);
  for (const Box& box : run.boxes) {
    lines.push_back("box " + box.caption);
    std::string_view text = box.text;
    for (;;) {
      const std::size_t end = text.find("\r\n");
      lines.push_back("| " + std::string(text.substr(0, end)));
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 2);
    }
  }
  return lines;
}

bool SameRunLines(const std::vector<std::string>& native, const std::vector<std::string>& windows) {
  const bool line_known = std::find(windows.begin(), windows.end(), "| Line: 0") == windows.end();
  return Comparable(native, line_known) == Comparable(windows, line_known);
}

}  // namespace regcorvex::test
