// Runs a program to its end with extra environment variables and collects what it printed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace regcorvex::testing {

struct ProgramResult {
  int exit_code = -1;       // -1 when it did not exit normally
  long peak_memory_kb = 0;  // the largest resident set the program reached
  std::string out;
  std::string err;
};

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& environment = {},
                         const std::string& working_folder = "");

}  // namespace regcorvex::testing
