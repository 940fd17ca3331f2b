// Runs a program to its end with extra environment variables and collects what it printed.
// Standard output and error go to anonymous files, never pipes: a process that the program starts
// and that outlives it (Wine's wineserver or desktop process) cannot hold the run open. A program
// still running at its deadline is killed with every process of its group.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace regcorvex::test {

// A loose guard against a program that hangs; limits on the work a run may do are measured in
// CPU time (ProgramResult::cpu_time), which does not grow when the machine is busy.
inline constexpr std::chrono::seconds kDefaultDeadline{300};

struct ProgramResult {
  int exit_code = -1;                     // -1 when it did not exit normally
  bool timed_out = false;                 // killed at its deadline
  long peak_memory_kb = 0;                // the largest resident set the program reached
  std::chrono::microseconds cpu_time{0};  // user and system time of the program
  std::string out;
  std::string err;
};

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& environment = {},
                         const std::string& working_folder = "",
                         std::chrono::seconds deadline = kDefaultDeadline);

}  // namespace regcorvex::test
