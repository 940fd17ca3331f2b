// The companion's reports as people and scripts read them: text for a terminal (one line per
// finding or value, positions as FILE:LINE:COLUMN where the parser keeps them) and JSON. All
// output is UTF-8.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "admin/document_check.h"
#include "admin/import_preview.h"

namespace regcorvex {

std::string CheckText(const std::string& document, const CheckReport& report);
std::string CheckJson(const std::string& document, const CheckReport& report);
std::string PreviewText(const std::string& document, const PreviewReport& report);
std::string PreviewJson(const std::string& document, const PreviewReport& report);

// The preview's report written as the walk goes, so that no entry need be kept: Add each entry,
// then Finish with how the walk ended. write receives the report in pieces.
class PreviewWriter {
 public:
  PreviewWriter(std::string document, bool json, std::function<void(const std::string&)> write);
  void Add(const PreviewEntry& entry);
  void Finish(const WalkOutcome& outcome);

 private:
  void Flush();

  std::string document_;
  bool json_;
  std::function<void(const std::string&)> write_;
  std::string out_;  // not yet written
  bool any_ = false;
  std::string shown_key_;
  std::map<std::string, int> counts_;
};

// A command that could not run: "regcorvex-admin COMMAND: MESSAGE" on standard error, or with
// json {"command", "error", "exit_code"} on standard output. Returns exit_code.
int ReportError(bool json, const std::string& command, const std::string& message,
                int exit_code = 2);

}  // namespace regcorvex
