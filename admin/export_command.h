// regcorvex-admin export: the product's values as a configuration document, from the registry or
// from a registry file, and the report of what the document cannot carry.
#pragma once

#include <string>
#include <vector>

#include "admin/document_export.h"
#include "admin/reg_file.h"
#include "platform/registry.h"

namespace regcorvex {

struct ExportRequest {
  std::string output;             // the document's file; empty: standard output
  std::string from_reg;           // a registry file to read instead of the registry
  std::vector<std::string> keys;  // registry keys below the product's keys, in the ANSI code page;
                                  // empty: both of them
  bool json = false;
};

// Sorts the command's arguments (after "export") into a request; false for a malformed line.
bool ParseExportArguments(const std::vector<std::string>& args, ExportRequest& request);

// A key of a registry file that lies outside the keys exported, named as the file names it.
struct OutsideKey {
  std::string name;  // ANSI
  std::size_t values = 0;
  bool deleted = false;  // the file deletes it
};

// The keys to export, read from the registry or the registry file; error says why they could
// not be read (the command then exits 2).
struct ExportSource {
  std::vector<ExportKey> keys;
  std::vector<OutsideKey> outside;  // of a registry file, in file order, each name once
  std::vector<RegFileLine> unread;  // lines of a registry file that could not be read
  std::string encoding;             // how the registry file was read
  std::string error;
};
ExportSource ReadExportSource(const ExportRequest& request, platform::Registry& registry);

// The report: one line per omission and a summary, or the same as JSON.
std::string ExportText(const ExportRequest& request, const ExportSource& source,
                       const ExportResult& result);
std::string ExportJson(const ExportRequest& request, const ExportSource& source,
                       const ExportResult& result);

// The whole command: 0 when the document holds every value, 1 when it lists some it cannot hold
// (or a line of the registry file it could not read) or holds no value at all, 2 when it could
// not run. Keys of a registry file outside the keys exported are listed but change nothing. With
// no value exported no document is written, so that a file named by -o keeps what it holds.
int RunExport(const ExportRequest& request, platform::Registry& registry);

}  // namespace regcorvex
