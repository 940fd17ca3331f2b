// The companion's check of a configuration document: the import's own load, identity check and
// walk, with a receiver that writes nothing and notes everything the import would pass by or
// convert without a word (ignored values, texts read as 0, false or nothing, characters lost to
// the code page, unknown and skipped names).
#pragma once

#include <string>
#include <vector>

#include "admin/walk_location.h"
#include "import/import_configuration.h"

namespace regcorvex {

struct Finding {
  Location where;
  std::string kind;     // a short name for scripts, such as "integer-text"
  std::string message;  // UTF-8
};

struct CheckReport {
  WalkOutcome outcome;
  std::vector<Finding> findings;
};

CheckReport CheckDocument(const std::string& path);

// The exit code of the check: 0 for no finding, 1 for findings, 2 for a document not loaded.
int CheckExitCode(const CheckReport& report);

}  // namespace regcorvex
