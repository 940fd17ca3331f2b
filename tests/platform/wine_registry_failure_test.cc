// The native registry when things go wrong: damaged hive files, a running wineserver, runs that
// are killed, run side by side, run out of disk or lack the right to write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <random>
#include <string>

#include "platform/posix/wine_registry/files.h"
#include "platform/posix/wine_registry/prefix_lock.h"
#include "platform/posix/wine_registry/registry.h"
#include "platform/unique_hkey.h"
#include "prefs/config_manager.h"
#include "tests/platform/booted_prefix.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine_program.h"

namespace regcorvex::test {
namespace {

namespace fs = std::filesystem;
using platform::Dword;
using platform::Hkey;
using platform::Long;

constexpr char kKey[] = "Software\\RegCorvexTest\\Failures";

// Opens (creating) kKey under root and writes the DWORD name = number; returns the first failure.
Long WriteNumber(platform::Registry& registry, Hkey root, const std::string& name, Dword number) {
  Hkey raw = platform::kNoKey;
  const Long code = registry.RegCreateKeyExA(root, kKey, 0, platform::kKeyAllAccess, &raw, nullptr);
  if (code != platform::kErrorSuccess) return code;
  const auto key = platform::MakeUniqueHkey(registry, raw);
  return registry.RegSetValueExA(key.get(), name.c_str(), platform::kRegDword,
                                 reinterpret_cast<const std::uint8_t*>(&number), sizeof(number));
}

// The DWORD name below kKey, or nothing.
std::optional<Dword> ReadNumber(platform::Registry& registry, Hkey root, const std::string& name) {
  Hkey raw = platform::kNoKey;
  if (registry.RegOpenKeyExA(root, kKey, 0, platform::kKeyRead, &raw) != platform::kErrorSuccess) {
    return std::nullopt;
  }
  const auto key = platform::MakeUniqueHkey(registry, raw);
  Dword number = 0;
  Dword size = sizeof(number);
  if (registry.RegQueryValueExA(key.get(), name.c_str(), nullptr,
                                reinterpret_cast<std::uint8_t*>(&number),
                                &size) != platform::kErrorSuccess) {
    return std::nullopt;
  }
  return number;
}

// Runs body in a child process and returns its exit code (-signal when a signal ended it).
int InChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Files in folder whose names are not in the list: what a save may have left behind.
std::vector<std::string> StrayFiles(const fs::path& folder, const std::set<std::string>& known) {
  std::vector<std::string> stray;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (known.count(name) == 0) stray.push_back(name);
  }
  return stray;
}

class WineRegistryFailureTest : public ::testing::Test {
 protected:
  // A prefix whose hives hold one user value, "seed" = 7, written and saved by the registry.
  void Seed() {
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    ASSERT_EQ(WriteNumber(*registry, platform::kHkeyCurrentUser, "seed", 7),
              platform::kErrorSuccess);
    ASSERT_EQ(WriteNumber(*registry, platform::kHkeyLocalMachine, "seed", 7),
              platform::kErrorSuccess);
    ASSERT_EQ(registry->Persist(), "");
    user_before_ = ReadWholeFile(prefix_ / "user.reg");
    system_before_ = ReadWholeFile(prefix_ / "system.reg");
  }

  TempDir temp_;
  fs::path prefix_ = temp_.path() / "prefix";
  std::string user_before_;
  std::string system_before_;
};

TEST_F(WineRegistryFailureTest, ADamagedHiveFailsItsOpensAndIsNeverOverwritten) {
  const struct {
    const char* label;
    std::string contents;
  } cases[] = {
      {"empty file", ""},
      {"not a registry file", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n"},
      {"unknown line", "WINE REGISTRY Version 2\n\n[Software] 1\ngarbage here\n"},
      {"unterminated key", "WINE REGISTRY Version 2\n\n[Software 1\n"},
      {"bad dword", "WINE REGISTRY Version 2\n\n[Software] 1\n\"v\"=dword:xyz\n"},
      {"bad hex", "WINE REGISTRY Version 2\n\n[Software] 1\n\"v\"=hex:01,zz\n"},
      {"unterminated string", "WINE REGISTRY Version 2\n\n[Software] 1\n\"v\"=\"abc\n"},
      {"hex continued past the end", "WINE REGISTRY Version 2\n\n[Software] 1\n\"v\"=hex:01,\\\n"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.label);
    const fs::path file = temp_.Write("prefix/user.reg", row.contents);
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    Hkey raw = platform::kNoKey;
    const Long code = registry->RegOpenKeyExA(platform::kHkeyCurrentUser, "Software", 0,
                                              platform::kKeyRead, &raw);
    EXPECT_EQ(code, platform::kErrorBadlyFormedDb);
    EXPECT_NE(registry->UnusableReason(platform::kHkeyCurrentUser).find("user.reg"),
              std::string::npos)
        << registry->UnusableReason(platform::kHkeyCurrentUser);
    EXPECT_EQ(WriteNumber(*registry, platform::kHkeyCurrentUser, "v", 1),
              platform::kErrorBadlyFormedDb);
    // The other hive is unaffected.
    EXPECT_EQ(WriteNumber(*registry, platform::kHkeyLocalMachine, "v", 1), platform::kErrorSuccess);
    EXPECT_EQ(registry->Persist(), "");
    EXPECT_EQ(ReadWholeFile(file), row.contents);
  }
}

// A wineserver for the prefix, started with `wineserver -p` and stopped at the end of the test.
class RunningWineserver {
 public:
  explicit RunningWineserver(const fs::path& prefix) : prefix_(prefix) {
    // The server takes its lock while it starts, after `wineserver -p` has returned.
    started_ =
        RunWineTool(prefix_, {"wineserver", "-p"}, std::chrono::seconds(60)).exit_code == 0 &&
        PollUntil(
            [&] {
              const auto probe = platform::wine_registry::ProbeWineServer(prefix_.string());
              return probe.ok() && *probe;
            },
            std::chrono::seconds(30));
  }
  ~RunningWineserver() {
    RunWineTool(prefix_, {"wineserver", "-k"}, std::chrono::seconds(30));
    WaitForWineserver(prefix_);
  }
  RunningWineserver(const RunningWineserver&) = delete;
  RunningWineserver& operator=(const RunningWineserver&) = delete;
  bool started() const { return started_; }

 private:
  fs::path prefix_;
  bool started_;
};

TEST_F(WineRegistryFailureTest, ARunningWineserverFailsTheOpensWithAReason) {
  const auto booted = BootedTemplatePrefix();
  if (!booted) GTEST_SKIP() << "Wine is not installed";
  CopyBootedPrefix(*booted, prefix_);
  const std::string system_before = ReadWholeFile(prefix_ / "system.reg");
  {
    const RunningWineserver server(prefix_);
    ASSERT_TRUE(server.started());
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    const Long code = WriteNumber(*registry, platform::kHkeyLocalMachine, "v", 1);
    EXPECT_EQ(code, platform::kErrorLockViolation);
    EXPECT_NE(registry->UnusableReason(platform::kHkeyLocalMachine).find("wineserver"),
              std::string::npos)
        << registry->UnusableReason(platform::kHkeyLocalMachine);
    EXPECT_EQ(registry->Persist(), "");
  }
  EXPECT_EQ(ReadWholeFile(prefix_ / "system.reg"), system_before);
  // Once the server has ended, the registry works again.
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  EXPECT_EQ(WriteNumber(*registry, platform::kHkeyLocalMachine, "v", 1), platform::kErrorSuccess);
}

// A server that starts after the hives were read would overwrite them with its own copy: the save
// is refused and says so rather than writing values that would be lost.
TEST_F(WineRegistryFailureTest, AWineserverStartedDuringTheRunStopsTheSave) {
  const auto booted = BootedTemplatePrefix();
  if (!booted) GTEST_SKIP() << "Wine is not installed";
  CopyBootedPrefix(*booted, prefix_);
  const std::string user_before = ReadWholeFile(prefix_ / "user.reg");
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  ASSERT_EQ(WriteNumber(*registry, platform::kHkeyCurrentUser, "v", 1), platform::kErrorSuccess);
  const RunningWineserver server(prefix_);
  ASSERT_TRUE(server.started());
  const std::string error = registry->Persist();
  EXPECT_NE(error.find("wineserver"), std::string::npos) << error;
  EXPECT_NE(error.find("user.reg"), std::string::npos) << error;
  EXPECT_EQ(ReadWholeFile(prefix_ / "user.reg"), user_before);
}

TEST_F(WineRegistryFailureTest, AKilledRunLeavesTheFilesAsTheyWere) {
  Seed();
  const int result = InChild([&] {
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    WriteNumber(*registry, platform::kHkeyCurrentUser, "seed", 8);
    WriteNumber(*registry, platform::kHkeyLocalMachine, "lost", 9);
    raise(SIGKILL);
    return 0;
  });
  EXPECT_EQ(result, -SIGKILL);
  EXPECT_EQ(ReadWholeFile(prefix_ / "user.reg"), user_before_);
  EXPECT_EQ(ReadWholeFile(prefix_ / "system.reg"), system_before_);
  EXPECT_EQ(StrayFiles(prefix_, {"user.reg", "system.reg"}), std::vector<std::string>{});
}

// How many values a hive holds below kKey, or -1 when the hive cannot be read.
long CountValues(platform::Registry& registry, Hkey root) {
  Hkey raw = platform::kNoKey;
  if (registry.RegOpenKeyExA(root, kKey, 0, platform::kKeyRead, &raw) != platform::kErrorSuccess) {
    return -1;
  }
  const auto key = platform::MakeUniqueHkey(registry, raw);
  Dword values = 0;
  registry.RegQueryInfoKeyA(key.get(), nullptr, nullptr, &values, nullptr, nullptr);
  return values;
}

// kill -9 at random points of a large import, saving included: afterwards each hive is its old
// self or holds the whole import, and the next run leaves no file of the killed one behind. The
// points are the places of a run where a test may step in, each step of the saves among them,
// counted in one whole run; a trial kills the run at one of them, or lets it end. The trials
// follow the seed printed, which REGCORVEX_KILL_SEED sets; REGCORVEX_KILL_TRIALS sets their
// number (a few dozen by default).
TEST_F(WineRegistryFailureTest, KilledAtRandomPointsEachHiveIsOldOrNew) {
  Seed();
  const char* asked = std::getenv("REGCORVEX_KILL_TRIALS");
  const int trials = asked != nullptr ? std::atoi(asked) : 24;
  const char* asked_seed = std::getenv("REGCORVEX_KILL_SEED");
  const auto seed = asked_seed != nullptr ? static_cast<std::uint32_t>(std::stoul(asked_seed))
                                          : std::random_device{}();
  std::cout << "kill points chosen with REGCORVEX_KILL_SEED=" << seed << "\n";
  constexpr Dword kValues = 10000;
  // The import, with at_point called at each place of the run where a test may step in.
  const auto import = [&](const std::function<void()>& at_point) {
    const auto registry = platform::OpenWinePrefixRegistry(
        prefix_.string(), {.at_point = [&](platform::WinePrefixOptions::Point) { at_point(); }});
    for (Dword i = 0; i < kValues; ++i) {
      for (const Hkey root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
        if (WriteNumber(*registry, root, "value " + std::to_string(i), i) != 0) return 2;
      }
    }
    return registry->Persist().empty() ? 0 : 3;
  };
  // How many points a whole run passes (as its exit code, which holds up to 255 of them).
  const int points = InChild([&] {
    int passed = 0;
    return import([&] { ++passed; }) == 0 ? std::min(passed, 255) : 255;
  });
  ASSERT_GT(points, 0);
  ASSERT_LT(points, 255);
  std::mt19937 random(seed);
  // Each point, and the end of the run.
  std::uniform_int_distribution<int> point(0, points);
  int old_hives = 0, new_hives = 0, lost = 0, strays = 0;
  for (int trial = 0; trial < trials; ++trial) {
    temp_.Write("prefix/user.reg", user_before_);
    temp_.Write("prefix/system.reg", system_before_);
    const int kill_at = point(random);
    int reached = 0;
    InChild([&] {
      return import([&] {
        if (reached++ == kill_at) raise(SIGKILL);
      });
    });
    strays += static_cast<int>(StrayFiles(prefix_, {"user.reg", "system.reg"}).size());
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    for (const Hkey root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
      const long values = CountValues(*registry, root);
      if (values == 1) {
        ++old_hives;
      } else if (values == kValues + 1) {
        ++new_hives;
      } else {
        ++lost;
        ADD_FAILURE() << "trial " << trial << " (killed at point " << kill_at << "): a hive holds "
                      << values << " values";
      }
    }
    EXPECT_EQ(registry->Persist(), "");
    EXPECT_EQ(StrayFiles(prefix_, {"user.reg", "system.reg"}), std::vector<std::string>{})
        << "trial " << trial;
  }
  std::cout << trials << " kill trials: " << old_hives << " hives old, " << new_hives << " new, "
            << lost << " lost; " << strays
            << " temporary files left by killed runs, removed by the next\n";
  EXPECT_EQ(lost, 0);
}

// Runs side by side wait for each other's lock: this process holds it until every run has found
// it held, and then each run in turn finds the others waiting or done.
TEST_F(WineRegistryFailureTest, RunsSideBySideEachKeepTheirValues) {
  Seed();
  constexpr int kRuns = 4;
  const int held = open(prefix_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  int waiting[2];
  ASSERT_EQ(pipe(waiting), 0);
  std::vector<pid_t> children;
  for (int run = 0; run < kRuns; ++run) {
    const pid_t child = fork();
    if (child == 0) {
      close(held);
      close(waiting[0]);
      bool told = false;
      const auto registry = platform::OpenWinePrefixRegistry(
          prefix_.string(), {.at_point = [&](platform::WinePrefixOptions::Point point) {
            if (point == platform::WinePrefixOptions::Point::kWaitingForLock && !told) {
              told = write(waiting[1], "w", 1) == 1;
            }
          }});
      const std::string name = "run " + std::to_string(run);
      bool ok = WriteNumber(*registry, platform::kHkeyCurrentUser, name, Dword(run)) ==
                    platform::kErrorSuccess &&
                WriteNumber(*registry, platform::kHkeyLocalMachine, name, Dword(run)) ==
                    platform::kErrorSuccess;
      ok = registry->Persist().empty() && ok && told;
      _exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  close(waiting[1]);
  int found_held = 0;
  for (char byte = 0; found_held < kRuns && read(waiting[0], &byte, 1) == 1;) ++found_held;
  close(waiting[0]);
  EXPECT_EQ(found_held, kRuns);
  close(held);
  for (const pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  EXPECT_EQ(ReadNumber(*registry, platform::kHkeyCurrentUser, "seed"), Dword(7));
  for (int run = 0; run < kRuns; ++run) {
    const std::string name = "run " + std::to_string(run);
    EXPECT_EQ(ReadNumber(*registry, platform::kHkeyCurrentUser, name), Dword(run)) << name;
    EXPECT_EQ(ReadNumber(*registry, platform::kHkeyLocalMachine, name), Dword(run)) << name;
  }
}

TEST_F(WineRegistryFailureTest, AFailedSaveKeepsTheOldFileWholeAndSaysSo) {
  Seed();
  const int result = InChild([&] {
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    // Room for nothing but a small file: the save runs out of space as on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    if (WriteNumber(*registry, platform::kHkeyCurrentUser, "seed", 8) != platform::kErrorSuccess) {
      return 2;
    }
    const std::string error = registry->Persist();
    return error.find("user.reg") != std::string::npos ? 0 : 1;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadWholeFile(prefix_ / "user.reg"), user_before_);
  EXPECT_EQ(StrayFiles(prefix_, {"user.reg", "system.reg"}), std::vector<std::string>{});
}

// Windows holds key names of at most 255 characters; Wine takes longer ones, which Windows could
// not read back, so the native registry refuses them as Windows does.
TEST_F(WineRegistryFailureTest, KeyNamesLongerThanWindowsHoldsAreRefused) {
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  Hkey raw = platform::kNoKey;
  const std::string longest(255, 'k');
  ASSERT_EQ(registry->RegCreateKeyExA(platform::kHkeyCurrentUser, longest.c_str(), 0,
                                      platform::kKeyAllAccess, &raw, nullptr),
            platform::kErrorSuccess);
  registry->RegCloseKey(raw);
  EXPECT_EQ(registry->RegCreateKeyExA(platform::kHkeyCurrentUser, (longest + 'k').c_str(), 0,
                                      platform::kKeyAllAccess, &raw, nullptr),
            platform::kErrorInvalidParameter);
  EXPECT_EQ(raw, platform::kNoKey);
}

// A machine hive this process may not write: write opens fail with access denied, read opens
// work, and the user hive takes the values. Run as an unprivileged user, as the permissions would
// not stop root.
TEST_F(WineRegistryFailureTest, AHiveTheProcessCannotWriteDeniesWriteOpensOnly) {
  Seed();
  constexpr uid_t kNobody = 65534;
  const bool as_root = geteuid() == 0;
  // The prefix is the user's own, as Wine requires; the machine hive is not.
  if (as_root) {
    ASSERT_EQ(chown(prefix_.c_str(), kNobody, kNobody), 0);
  }
  fs::permissions(prefix_ / "user.reg", fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::group_read | fs::perms::group_write |
                                            fs::perms::others_read | fs::perms::others_write);
  fs::permissions(prefix_ / "system.reg",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const int result = InChild([&] {
    if (as_root && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return 10;
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    Hkey raw = platform::kNoKey;
    if (registry->RegOpenKeyExA(platform::kHkeyLocalMachine, kKey, 0, platform::kKeyAllAccess,
                                &raw) != platform::kErrorAccessDenied) {
      return 11;
    }
    if (WriteNumber(*registry, platform::kHkeyLocalMachine, "new", 1) !=
        platform::kErrorAccessDenied) {
      return 12;
    }
    if (ReadNumber(*registry, platform::kHkeyLocalMachine, "seed") != Dword(7)) return 13;
    if (WriteNumber(*registry, platform::kHkeyCurrentUser, "new", 1) != platform::kErrorSuccess) {
      return 14;
    }
    return registry->Persist().empty() ? 0 : 15;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadWholeFile(prefix_ / "system.reg"), system_before_);
  if (as_root) {
    ASSERT_EQ(chown(prefix_.c_str(), 0, 0), 0);
  }
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  EXPECT_EQ(ReadNumber(*registry, platform::kHkeyCurrentUser, "new"), Dword(1));
}

// A prefix that another run holds is waited for once in a run: when the wait runs out, both
// hives fail at once with the reason, and nothing waits a second time.
TEST_F(WineRegistryFailureTest, ABusyPrefixIsWaitedForOnceAndReported) {
  Seed();
  const int held = open(prefix_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  int looks = 0;  // at the lock, found held
  const auto registry = platform::OpenWinePrefixRegistry(
      prefix_.string(), {.lock_wait = std::chrono::milliseconds(500), .at_point = [&](auto point) {
                           looks +=
                               point == platform::WinePrefixOptions::Point::kWaitingForLock ? 1 : 0;
                         }});
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  const Long user = WriteNumber(*registry, platform::kHkeyCurrentUser, "v", 1);
  EXPECT_EQ(user, platform::kErrorLockViolation);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_NE(registry->UnusableReason(platform::kHkeyCurrentUser).find("locked for too long"),
            std::string::npos);
  const int looks_of_first_wait = looks;
  EXPECT_GT(looks_of_first_wait, 0);
  const Long machine = WriteNumber(*registry, platform::kHkeyLocalMachine, "v", 1);
  EXPECT_EQ(machine, platform::kErrorLockViolation);
  EXPECT_EQ(looks, looks_of_first_wait);  // not a second wait
  // The wait sleeps between its looks rather than spin.
  EXPECT_LT(double(std::clock() - cpu_start) / CLOCKS_PER_SEC, 0.25);
  EXPECT_EQ(registry->Persist(), "");
  close(held);
  EXPECT_EQ(ReadWholeFile(prefix_ / "user.reg"), user_before_);
  EXPECT_EQ(ReadWholeFile(prefix_ / "system.reg"), system_before_);
}

// An allocation that fails while a hive is read, or while it is saved, comes back as a Win32 code
// and a reason: the hive read is not left half loaded (its later opens fail the same way rather
// than find nothing), and a save that fails leaves the file as it was.
TEST_F(WineRegistryFailureTest, AnAllocationThatFailsIsReportedAndLosesNothing) {
  using Point = platform::WinePrefixOptions::Point;
  for (const Point failing : {Point::kHiveRead, Point::kSaving}) {
    SCOPED_TRACE(failing == Point::kHiveRead ? "reading" : "saving");
    Seed();
    const auto registry =
        platform::OpenWinePrefixRegistry(prefix_.string(), {.at_point = [failing](Point point) {
                                           if (point == failing) throw std::bad_alloc();
                                         }});
    if (failing == Point::kHiveRead) {
      for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(ReadNumber(*registry, platform::kHkeyCurrentUser, "seed"), std::nullopt);
        EXPECT_EQ(WriteNumber(*registry, platform::kHkeyCurrentUser, "seed", 8),
                  platform::kErrorNotEnoughMemory);
      }
      const std::string reason = registry->UnusableReason(platform::kHkeyCurrentUser);
      EXPECT_NE(reason.find("user.reg could not be read: there is not enough memory"),
                std::string::npos)
          << reason;
      EXPECT_EQ(registry->Persist(), "");
    } else {
      ASSERT_EQ(WriteNumber(*registry, platform::kHkeyCurrentUser, "seed", 8),
                platform::kErrorSuccess);
      const std::string error = registry->Persist();
      EXPECT_NE(error.find("user.reg could not be saved: there is not enough memory"),
                std::string::npos)
          << error;
    }
    EXPECT_EQ(ReadWholeFile(prefix_ / "user.reg"), user_before_);
    EXPECT_EQ(StrayFiles(prefix_, {"user.reg", "system.reg"}), std::vector<std::string>{});
  }
}

// A save that reaches one hive and not the other says which file holds the run's values.
TEST_F(WineRegistryFailureTest, AHalfSavedRunSaysWhichFileWasSaved) {
  Seed();
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  ASSERT_EQ(WriteNumber(*registry, platform::kHkeyCurrentUser, "seed", 8), platform::kErrorSuccess);
  ASSERT_EQ(WriteNumber(*registry, platform::kHkeyLocalMachine, "seed", 8),
            platform::kErrorSuccess);
  // Another program rewrites the machine hive meanwhile: that save is refused.
  temp_.Write("prefix/system.reg", system_before_ + "\n");
  const std::string error = registry->Persist();
  EXPECT_NE(error.find("system.reg was not saved"), std::string::npos) << error;
  EXPECT_NE(error.find("user.reg was saved"), std::string::npos) << error;
  const auto reread = platform::OpenWinePrefixRegistry(prefix_.string());
  EXPECT_EQ(ReadNumber(*reread, platform::kHkeyCurrentUser, "seed"), Dword(8));
  EXPECT_EQ(ReadNumber(*reread, platform::kHkeyLocalMachine, "seed"), Dword(7));
}

// A machine hive that cannot be used fails every per-machine open: its values are not written to
// the user hive instead, one box for the run names the file, and the caller's ClosePref after
// each failed open stays quiet. Per-user values still reach the user hive.
TEST_F(WineRegistryFailureTest, AnUnusableMachineHiveIsReportedOnceAndNothingMoves) {
  Seed();
  const std::string damaged = "WINE REGISTRY Version 2\n[Software\\\\K] 1\n\"a\"=\"x\n";
  temp_.Write("prefix/system.reg", damaged);
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  RecordingMessageBoxes boxes;
  {
    TConfigManager store(*registry, boxes, platform::Hwnd{0x1234});
    for (const char* key : {"Software\\RegCorvexTest\\A", "Software\\RegCorvexTest\\B"}) {
      EXPECT_FALSE(store.OpenPref(cfgPerMachine, key, true, false)) << key;
      store.ClosePref();
    }
    ASSERT_TRUE(store.OpenPref(cfgPerUserRoam, kKey, true, false));
    store.SetPrefInteger("", "user", 1);
    store.ClosePref();
  }
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Corvane 5 OpenPref Error");
  EXPECT_NE(boxes.boxes[0].text.find("system.reg is damaged"), std::string::npos)
      << boxes.boxes[0].text;
  EXPECT_EQ(registry->Persist(), "");
  EXPECT_EQ(ReadWholeFile(prefix_ / "system.reg"), damaged);
  const std::string user = ReadWholeFile(prefix_ / "user.reg");
  EXPECT_EQ(user.find("RegCorvexTest\\\\A"), std::string::npos);
  EXPECT_NE(user.find("\"user\"=dword:00000001"), std::string::npos) << user;
}

}  // namespace
}  // namespace regcorvex::test
