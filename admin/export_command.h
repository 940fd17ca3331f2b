// regcorvex-admin export: the product's values as a configuration document, from the registry or
// from a registry file, and the report of what the document cannot carry.
#pragma once

#include <string>
#include <vector>

#include "admin/document_export.h"
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

// The keys to export, read from the registry or the registry file; error says why they could
// not be read (the command then exits 2).
struct ExportSource {
  std::vector<ExportKey> keys;
  std::size_t outside = 0;  // keys of a registry file outside the requested product keys
  std::string error;
};
ExportSource ReadExportSource(const ExportRequest& request, platform::Registry& registry);

// The report: one line per omission and a summary, or the same as JSON.
std::string ExportText(const ExportRequest& request, const ExportSource& source,
                       const ExportResult& result);
std::string ExportJson(const ExportRequest& request, const ExportSource& source,
                       const ExportResult& result);

// The whole command: 0 when the document holds every value, 1 when it lists some it cannot
// hold, 2 when it could not run.
int RunExport(const ExportRequest& request, platform::Registry& registry);

}  // namespace regcorvex
