// How the differentials compare what the two builds did with one input: the values and boxes,
// written as lines (RunLines), with what the two XML parsers may word differently taken out. In
// a box that quotes the parser's reason for a load error, each build must give a reason, but its
// wording is each parser's own; the line number and the source line are compared where Wine's
// MSXML gives them (it gives neither: its parse errors carry line 0 and no source text, unlike
// MSXML on Windows).
#pragma once

#include <string>
#include <vector>

#include "tests/differential/document_run.h"

namespace regcorvex::test {

// The run's lines as both builds' runners write them, after a "document NAME" line and before
// "end": "value LINE" for each value, then for each box "box CAPTION" and "| LINE" per text line.
std::vector<std::string> RunLines(const DocumentRun& run);

// Whether the two builds' lines for one input say the same.
bool SameRunLines(const std::vector<std::string>& native, const std::vector<std::string>& windows);

}  // namespace regcorvex::test
