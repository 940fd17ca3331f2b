#include "admin/report_output.h"

#include <map>

#include "admin/registry_query.h"
#include "admin/report_text.h"
#include "platform/console.h"

namespace regcorvex {
namespace {

using Outcome = PreviewEntry::Outcome;

// "doc.xml:12:7", "doc.xml:12" or "doc.xml", as far as the position is known.
std::string Place(const std::string& document, const Location& where) {
  std::string place = AnsiToUtf8(document);
  if (where.line > 0) place += ":" + std::to_string(where.line);
  if (where.line > 0 && where.column > 0) place += ":" + std::to_string(where.column);
  return place;
}

std::string LocationJson(const Location& where) {
  return "\"line\": " + std::to_string(where.line) +
         ", \"column\": " + std::to_string(where.column) + ", \"path\": " + JsonString(where.path);
}

const char* OutcomeName(WalkOutcome::Kind kind) {
  switch (kind) {
    case WalkOutcome::Kind::kWalked:
      return "walked";
    case WalkOutcome::Kind::kRefused:
      return "refused";
    case WalkOutcome::Kind::kNotLoaded:
      return "not-loaded";
    case WalkOutcome::Kind::kFailed:
      return "failed";
  }
  return "";
}

// The import's error text on one line: its line breaks become " / ".
std::string OneLine(const std::string& ansi) {
  std::string text = AnsiToUtf8(ansi);
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " / ");
  return text;
}

std::string OutcomeJson(const std::string& document, const WalkOutcome& outcome) {
  return "  \"document\": " + JsonString(AnsiToUtf8(document)) + ",\n  \"outcome\": \"" +
         OutcomeName(outcome.kind) + "\",\n  \"text\": " + JsonString(AnsiToUtf8(outcome.text)) +
         ",\n";
}

std::string NotLoadedLine(const std::string& document, const WalkOutcome& outcome) {
  return Place(document, {outcome.line, 0, {}}) + ": cannot be loaded: " + OneLine(outcome.text) +
         "\n";
}

const char* EntryName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kNew:
      return "new";
    case Outcome::kChanged:
      return "changed";
    case Outcome::kUnchanged:
      return "unchanged";
    case Outcome::kEqualsMachine:
      return "equals-machine";
    case Outcome::kNotWritten:
      return "not-written";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kKeyCreated:
      return "key-created";
    case Outcome::kKeyNotOpened:
      return "key-not-opened";
  }
  return "";
}

std::string ValueText(const std::optional<RegistryValue>& value) {
  if (!value) return "(none)";
  return std::string(RegistryTypeName(value->type)) + " " +
         AnsiToUtf8(FormatRegistryData(value->type, value->data));
}

std::string ValueJson(const std::optional<RegistryValue>& value) {
  if (!value) return "null";
  return "{\"type\": \"" + std::string(RegistryTypeName(value->type)) +
         "\", \"data\": " + JsonString(AnsiToUtf8(FormatRegistryData(value->type, value->data))) +
         "}";
}

std::string KeyText(const PreviewEntry& entry) {
  const std::string root = RegistryRootName(entry.root);
  return AnsiToUtf8((root.empty() ? "" : root + "\\") + entry.key);
}

// What happens to one value, after its name.
std::string EntryText(const PreviewEntry& entry) {
  switch (entry.outcome) {
    case Outcome::kNew:
      return "new        " + ValueText(entry.after);
    case Outcome::kChanged:
      return "changed    " + ValueText(entry.after) + "  (was " + ValueText(entry.before) + ")";
    case Outcome::kUnchanged:
      return "unchanged  " + ValueText(entry.after);
    case Outcome::kEqualsMachine:
      return "skipped    equals the machine's value " + ValueText(entry.before);
    case Outcome::kNotWritten:
      return "ignored    " + AnsiToUtf8(entry.message);
    case Outcome::kFailed:
    case Outcome::kKeyNotOpened:
      return "error      the import reports: " + OneLine(entry.message);
    case Outcome::kKeyCreated:
      return "(key created)";
  }
  return "";
}

}  // namespace

std::string CheckText(const std::string& document, const CheckReport& report) {
  if (report.outcome.kind == WalkOutcome::Kind::kNotLoaded) {
    return NotLoadedLine(document, report.outcome);
  }
  std::string out;
  for (const Finding& finding : report.findings) {
    out += Place(document, finding.where) + ": " + finding.kind + ": " + finding.where.path + ": " +
           finding.message + "\n";
  }
  const std::size_t count = report.findings.size();
  out += AnsiToUtf8(document) + ": " +
         (count == 0 ? "no findings"
                     : std::to_string(count) + (count == 1 ? " finding" : " findings")) +
         "\n";
  return out;
}

std::string CheckJson(const std::string& document, const CheckReport& report) {
  std::string out = "{\n" + OutcomeJson(document, report.outcome) + "  \"findings\": [";
  const char* separator = "\n";
  for (const Finding& finding : report.findings) {
    out += separator + std::string("    {") + LocationJson(finding.where) + ", \"kind\": \"" +
           finding.kind + "\", \"message\": " + JsonString(finding.message) + "}";
    separator = ",\n";
  }
  return out + (report.findings.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

PreviewWriter::PreviewWriter(std::string document, bool json,
                             std::function<void(const std::string&)> write)
    : document_(std::move(document)), json_(json), write_(std::move(write)) {
  if (json_) out_ = "{\n  \"values\": [";
}

void PreviewWriter::Add(const PreviewEntry& entry) {
  if (json_) {
    out_ += std::string(any_ ? ",\n" : "\n") + "    {" + LocationJson(entry.where) +
            ", \"outcome\": \"" + EntryName(entry.outcome) +
            "\", \"hive\": " + JsonString(RegistryRootName(entry.root)) +
            ", \"key\": " + JsonString(AnsiToUtf8(entry.key)) +
            ", \"name\": " + JsonString(AnsiToUtf8(entry.name)) +
            ", \"before\": " + ValueJson(entry.before) + ", \"after\": " + ValueJson(entry.after) +
            ", \"to_user_key\": " + (entry.to_user_key ? "true" : "false") +
            ", \"message\": " + JsonString(AnsiToUtf8(entry.message)) + "}";
  } else {
    const std::string key = KeyText(entry);
    if (key != shown_key_) {
      out_ += "\n" + key + "\n";
      shown_key_ = key;
    }
    if (entry.outcome == Outcome::kKeyCreated) {
      out_ += "  " + EntryText(entry);
    } else {
      const std::string name = entry.name.empty() ? "(Default)" : AnsiToUtf8(entry.name);
      out_ += "  " + name + std::string(name.size() < 24 ? 24 - name.size() : 1, ' ') +
              EntryText(entry);
    }
    if (entry.to_user_key) out_ += "  (per machine, but the machine key cannot be written)";
    if (entry.where.line > 0) out_ += "  [" + Place(document_, entry.where) + "]";
    out_ += "\n";
    ++counts_[EntryName(entry.outcome)];
  }
  any_ = true;
  constexpr std::size_t kFlushSize = std::size_t{1} << 16;
  if (out_.size() >= kFlushSize) Flush();
}

void PreviewWriter::Finish(const WalkOutcome& outcome) {
  if (json_) {
    out_ += std::string(any_ ? "\n  ],\n" : "],\n") + OutcomeJson(document_, outcome);
    out_.resize(out_.size() - 2);  // the comma that closes OutcomeJson's last member
    out_ += "\n}\n";
  } else if (outcome.kind == WalkOutcome::Kind::kNotLoaded) {
    out_ += NotLoadedLine(document_, outcome);
  } else if (outcome.kind == WalkOutcome::Kind::kRefused) {
    out_ += AnsiToUtf8(document_) + ": refused: the document belongs to " +
            Quoted(AnsiToUtf8(outcome.text)) + "; nothing would be written\n";
  } else {
    if (outcome.kind == WalkOutcome::Kind::kFailed) {
      out_ +=
          "\n" + AnsiToUtf8(document_) + ": the import stops here: " + OneLine(outcome.text) + "\n";
    }
    std::string summary;
    for (const auto& [name, count] : counts_) {
      summary += (summary.empty() ? "" : ", ") + std::to_string(count) + " " + name;
    }
    out_ += "\n" + AnsiToUtf8(document_) + ": " + (summary.empty() ? "nothing" : summary) + "\n";
  }
  Flush();
}

void PreviewWriter::Flush() {
  if (!out_.empty()) write_(out_);
  out_.clear();
}

namespace {

std::string PreviewReportText(const std::string& document, const PreviewReport& report, bool json) {
  std::string text;
  PreviewWriter writer(document, json, [&text](const std::string& part) { text += part; });
  for (const PreviewEntry& entry : report.entries) writer.Add(entry);
  writer.Finish(report.outcome);
  return text;
}

}  // namespace

std::string PreviewText(const std::string& document, const PreviewReport& report) {
  return PreviewReportText(document, report, false);
}

std::string PreviewJson(const std::string& document, const PreviewReport& report) {
  return PreviewReportText(document, report, true);
}

int ReportError(bool json, const std::string& command, const std::string& message, int exit_code) {
  if (json) {
    platform::WriteStandard(platform::StandardStream::kOutput,
                            "{\n  \"command\": " + JsonString(command) +
                                ",\n  \"error\": " + JsonString(message) +
                                ",\n  \"exit_code\": " + std::to_string(exit_code) + "\n}\n");
  } else {
    platform::WriteStandard(platform::StandardStream::kError,
                            "regcorvex-admin " + command + ": " + message + "\n");
  }
  return exit_code;
}

}  // namespace regcorvex
