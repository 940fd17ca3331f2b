// Wine prefixes set up to harm the program, or left in a state people's prefixes really get into,
// and runs made as people really make them (on a read-only file system, with standard error into a
// pipe nobody reads, without HOME), through the real native program as root and as an
// unprivileged user: each run must end quickly with exit code 0 and the one box that names the
// fault, and the files must afterwards be exactly as the row expects (bytes, owner, mode, link or
// not).
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace regcorvex {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using test::TempDir;

constexpr uid_t kRoot = 0;
constexpr uid_t kNobody = 65534;
// What a run may take: CPU time, which a busy machine does not stretch; a run that hangs is ended
// by timeout(1) after a minute and fails by its exit code.
constexpr auto kCpuTimeLimit = std::chrono::seconds(10);

const std::string kDocument =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences>\n<Corvane_5_Preferences><Corvane_5>"
    "<PerUserRoam><Misc><UserCanary type=\"integer\">1</UserCanary></Misc></PerUserRoam>"
    "<PerMachine><Misc><MachineCanary type=\"integer\">1</MachineCanary></Misc></PerMachine>"
    "</Corvane_5></Corvane_5_Preferences>\n";

std::string Hive(const char* root) {
  return std::string("WINE REGISTRY Version 2\n;; All keys relative to ") + root +
         "\n\n#arch=win64\n\n[Software\\\\Seed] 1700000000\n#time=1da1a2b3c4d5e6f\n"
         "\"seed\"=dword:00000007\n";
}
const std::string kUserHive = Hive("REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000");
const std::string kSystemHive = Hive("REGISTRY\\\\Machine");

// system.reg with the product's machine key a link ("#link"), followed by these lines.
std::string LinkedProductKey(const std::string& lines) {
  return kSystemHive +
         "\n[Software\\\\Pellmoor Software Solutions\\\\Corvane 5] 1700000000\n#link\n" + lines;
}

// The link's target as Wine writes it: REG_LINK, the path in UTF-16LE.
std::string LinkTarget(const std::string& path) {
  std::string line = "\"SymbolicLinkValue\"=hex(6):";
  for (const char c : path) {
    char unit[8];
    std::snprintf(unit, sizeof(unit), "%s%02x,00", line.back() == ':' ? "" : ",",
                  static_cast<unsigned char>(c));
    line += unit;
  }
  return line + "\n";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// What a file is: its kind, owner, mode, and its bytes or where it links to.
struct FileState {
  std::string kind;
  uid_t owner = 0;
  mode_t mode = 0;
  std::string contents;
  bool operator==(const FileState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FileState& state) {
  return out << state.kind << " uid " << state.owner << " mode " << std::oct << state.mode
             << std::dec << " (" << state.contents.size() << " bytes)";
}

// Every entry of the folders, by path; a link is shown as a link, not followed.
std::map<std::string, FileState> Snapshot(const std::vector<fs::path>& folders) {
  std::map<std::string, FileState> files;
  for (const fs::path& folder : folders) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      struct stat info;
      if (lstat(entry.path().c_str(), &info) != 0) continue;
      FileState state{"other", info.st_uid, info.st_mode & 07777, {}};
      if (S_ISREG(info.st_mode)) {
        state = {"file", info.st_uid, info.st_mode & 07777, ReadFile(entry.path())};
      } else if (S_ISLNK(info.st_mode)) {
        state = {"link", info.st_uid, 0, fs::read_symlink(entry.path()).string()};
      } else if (S_ISDIR(info.st_mode)) {
        state.kind = "folder";
      } else if (S_ISFIFO(info.st_mode)) {
        state.kind = "fifo";
      }
      files[entry.path().string()] = state;
    }
  }
  return files;
}

// One hostile prefix: the folder holds "prefix" (owned by the running user, with both hives) and
// "elsewhere" (for link targets); setup turns them into the case.
struct Prefix {
  fs::path folder;
  fs::path prefix;
  fs::path elsewhere;
  uid_t user;
  uid_t other;                // a user who is not the one running
  std::string server_folder;  // a folder of /tmp that the case made, removed afterwards
  // How the run is made: with the prefix on a read-only file system, with standard error a pipe
  // whose reader has gone.
  bool read_only_mount = false;
  bool stderr_unread = false;
};

void Own(const fs::path& path, uid_t user) {
  ASSERT_EQ(lchown(path.c_str(), user, user), 0) << path;
}

void MakeServerFolder(Prefix& p, uid_t owner, mode_t mode) {
  std::random_device random;
  p.server_folder = "/tmp/regcorvex-test-server-" + std::to_string(random());
  fs::create_directory(p.server_folder);
  chmod(p.server_folder.c_str(), mode);
  Own(p.server_folder, owner);
  WriteFile(p.prefix / "wineserver", fs::path(p.server_folder).filename().string());
  Own(p.prefix / "wineserver", p.user);
}

struct Expected {
  std::string box;              // a part of the one box the run shows; empty: no box
  bool user_canary = false;     // the per-user value reached user.reg
  bool machine_canary = false;  // the per-machine value reached system.reg
};

struct Case {
  const char* label;
  std::function<void(Prefix&)> setup;
  Expected as_root;
  Expected as_nobody;
};

const Expected kImported{"", true, true};
// One hive refused: the values of the other still go where they belong, and no further.
Expected kUserHiveRefused(const char* box) { return {box, false, true}; }
Expected kMachineHiveRefused(const char* box) { return {box, true, false}; }

struct Outcome {
  int exit_code;
  std::chrono::microseconds cpu_time;
  std::string boxes;
};

Outcome Run(const Prefix& p) {
  std::vector<std::string> argv = {"/usr/bin/timeout", "60"};
  if (p.read_only_mount) {
    // In a mount namespace of its own, so that nothing outside the run sees the mount.
    argv.insert(argv.end(), {"unshare", "--mount", "--propagation", "private", "sh", "-c",
                             "mount -o bind,ro \"$0\" \"$0\" && exec \"$@\"", p.prefix.string()});
  }
  if (p.stderr_unread) {
    // A FIFO opened for reading and writing, then for writing only, and the reading end closed:
    // the program's first write to standard error meets a pipe without a reader, every time.
    const std::string fifo = (p.folder / "unread").string();
    mkfifo(fifo.c_str(), 0600);
    argv.insert(argv.end(), {"sh", "-c", "exec 3<>\"$0\" 2>\"$0\" 3>&- && exec \"$@\"", fifo});
  }
  if (p.user != kRoot) {
    const std::string id = std::to_string(p.user);
    argv.insert(argv.end(), {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"});
  }
  argv.insert(argv.end(), {REGCORVEX_PROGRAM, "/IC", "doc.xml"});
  const auto result = RunProgram(argv,
                                 {{"WINEPREFIX", p.prefix.string()},
                                  {"HOME", (p.folder / "home").string()},
                                  {"ASAN_OPTIONS", "detect_leaks=0"}},
                                 p.folder.string());
  return {result.exit_code, result.cpu_time, result.err};
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// How many boxes the program wrote: each begins with its caption, the one line without "|".
std::size_t CountBoxes(const std::string& boxes) {
  std::size_t count = 0;
  std::istringstream lines(boxes);
  for (std::string line; std::getline(lines, line);) count += line.starts_with('|') ? 0 : 1;
  return count;
}

// A line of 70,000 nested key names, about 210 KB.
std::string DeepHive() {
  std::string path;
  for (int level = 0; level < 70000; ++level) path += level == 0 ? "k" : "\\\\k";
  return kSystemHive + "\n[" + path + "] 1700000000\n\"v\"=dword:00000001\n";
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"a sound prefix whose hives have their own modes",
       [](Prefix& p) {
         chmod((p.prefix / "user.reg").c_str(), 0600);
         chmod((p.prefix / "system.reg").c_str(), 0640);
       },
       kImported, kImported},
      {"a prefix folder another user owns",
       [](Prefix& p) { Own(p.prefix, p.other); },
       {"is not owned by you"},
       {"is not owned by you"}},
      {"user.reg a link to a file in another folder",
       [](Prefix& p) {
         fs::rename(p.prefix / "user.reg", p.elsewhere / "real-user.reg");
         fs::create_symlink(p.elsewhere / "real-user.reg", p.prefix / "user.reg");
         Own(p.prefix / "user.reg", p.user);
       },
       kImported, kImported},
      {"user.reg a link that leads nowhere",
       [](Prefix& p) {
         fs::remove(p.prefix / "user.reg");
         fs::create_symlink(p.elsewhere / "missing.reg", p.prefix / "user.reg");
         Own(p.prefix / "user.reg", p.user);
       },
       kUserHiveRefused("which does not exist"), kUserHiveRefused("which does not exist")},
      {"user.reg a named pipe",
       [](Prefix& p) {
         fs::remove(p.prefix / "user.reg");
         mkfifo((p.prefix / "user.reg").c_str(), 0666);
         Own(p.prefix / "user.reg", p.user);
       },
       kUserHiveRefused("is a named pipe"), kUserHiveRefused("is a named pipe")},
      {"user.reg a folder",
       [](Prefix& p) {
         fs::remove(p.prefix / "user.reg");
         fs::create_directory(p.prefix / "user.reg");
         Own(p.prefix / "user.reg", p.user);
       },
       kUserHiveRefused("is a folder"), kUserHiveRefused("is a folder")},
      {"system.reg a link to /dev/zero",
       [](Prefix& p) {
         fs::remove(p.prefix / "system.reg");
         fs::create_symlink("/dev/zero", p.prefix / "system.reg");
         Own(p.prefix / "system.reg", p.user);
       },
       kMachineHiveRefused("is a device"), kMachineHiveRefused("is a device")},
      {"user.reg larger than any hive, its space never written",
       [](Prefix& p) { fs::resize_file(p.prefix / "user.reg", (std::uintmax_t{512} << 20) + 1); },
       kUserHiveRefused("is larger than 512 MiB"), kUserHiveRefused("is larger than 512 MiB")},
      {"system.reg a link to a file whose size reads as nothing",
       [](Prefix& p) {
         fs::remove(p.prefix / "system.reg");
         fs::create_symlink("/proc/self/status", p.prefix / "system.reg");
         Own(p.prefix / "system.reg", p.user);
       },
       kMachineHiveRefused("system.reg is damaged"), kMachineHiveRefused("system.reg is damaged")},
      {"a damaged system.reg",
       [](Prefix& p) {
         WriteFile(p.prefix / "system.reg",
                   "WINE REGISTRY Version 2\n[Software\\\\K] 1\n\"a\"=\"x\n");
       },
       kMachineHiveRefused("system.reg is damaged"), kMachineHiveRefused("system.reg is damaged")},
      {"system.reg the machine's own and unreadable",
       [](Prefix& p) {
         Own(p.prefix / "system.reg", kRoot);
         chmod((p.prefix / "system.reg").c_str(), 0600);
       },
       kImported, kMachineHiveRefused("system.reg cannot be read")},
      {"system.reg with keys nested 70,000 levels deep",
       [](Prefix& p) { WriteFile(p.prefix / "system.reg", DeepHive()); },
       kMachineHiveRefused("deeper than 512 levels"),
       kMachineHiveRefused("deeper than 512 levels")},
      {"a wineserver folder another user planted",
       [](Prefix& p) { MakeServerFolder(p, p.other, 0700); },
       {"is not owned by you"},
       {"is not owned by you"}},
      {"a wineserver folder open to everybody",
       [](Prefix& p) { MakeServerFolder(p, p.user, 0777); },
       {"is open to other users"},
       {"is open to other users"}},
      {"a wineserver lock that is a named pipe",
       [](Prefix& p) {
         MakeServerFolder(p, p.user, 0700);
         struct stat info;
         ASSERT_EQ(stat(p.prefix.c_str(), &info), 0);
         char server[64];
         std::snprintf(server, sizeof(server), "/server-%llx-%llx",
                       static_cast<unsigned long long>(info.st_dev),
                       static_cast<unsigned long long>(info.st_ino));
         const std::string folder = p.server_folder + server;
         mkdir(folder.c_str(), 0700);
         Own(folder, p.user);
         mkfifo((folder + "/lock").c_str(), 0600);
         Own(folder + "/lock", p.user);
       },
       Expected{"is a named pipe"}, Expected{"is a named pipe"}},
      {"the product's machine key a link to itself",
       [](Prefix& p) {
         WriteFile(p.prefix / "system.reg",
                   LinkedProductKey(LinkTarget(
                       "\\REGISTRY\\Machine\\Software\\Pellmoor Software Solutions\\Corvane 5")));
       },
       kMachineHiveRefused("leads round in a circle"),
       kMachineHiveRefused("leads round in a circle")},
      {"the product's machine key a link into the user's hive",
       [](Prefix& p) {
         WriteFile(
             p.prefix / "system.reg",
             LinkedProductKey(LinkTarget("\\REGISTRY\\User\\S-1-5-21-0-0-0-1000\\Software\\Seed")));
       },
       kMachineHiveRefused("is outside this hive"), kMachineHiveRefused("is outside this hive")},
      {"the product's machine key a link without a target",
       [](Prefix& p) { WriteFile(p.prefix / "system.reg", LinkedProductKey("")); },
       kMachineHiveRefused("names no target"), kMachineHiveRefused("names no target")},
      {"the prefix on a read-only file system",
       [](Prefix& p) { p.read_only_mount = true; },
       {"Read-only file system"},
       {"Read-only file system"}},
      {"a damaged system.reg, and standard error a pipe that nobody reads",
       [](Prefix& p) {
         WriteFile(p.prefix / "system.reg", "WINE REGISTRY Version 2\n[Software] 1\ngarbage\n");
         p.stderr_unread = true;
       },
       {"", true, false},
       {"", true, false}},
      {"temporary files an interrupted run left",
       [](Prefix& p) {
         for (const char* name : {"user.reg.regcorvex-a1B2c3", "system.reg.regcorvex-ZZZZZZ"}) {
           WriteFile(p.prefix / name, "half a hive");
           Own(p.prefix / name, p.user);
         }
       },
       kImported, kImported},
  };
  return cases;
}

// What the files of the prefix must be after a run: unchanged, or the hives rewritten in place
// (same kind, owner and mode; a link still the same link) with the canaries where they belong.
void ExpectFiles(const std::map<std::string, FileState>& before,
                 const std::map<std::string, FileState>& after, const Expected& expected) {
  for (const auto& [path, state] : before) {
    SCOPED_TRACE(path);
    const bool stale = path.find(".regcorvex-") != std::string::npos;
    const auto found = after.find(path);
    if (stale && (expected.user_canary || expected.machine_canary)) {
      EXPECT_EQ(found, after.end()) << "left behind";
      continue;
    }
    ASSERT_NE(found, after.end()) << "removed";
    const FileState& now = found->second;
    const bool user_hive = path.ends_with("user.reg");
    const bool system_hive = path.ends_with("system.reg");
    const bool changed =
        (user_hive && expected.user_canary) || (system_hive && expected.machine_canary);
    if (!changed || state.kind != "file") {
      EXPECT_EQ(now, state);
      continue;
    }
    EXPECT_EQ(now.kind, state.kind);
    EXPECT_EQ(now.owner, state.owner);
    EXPECT_EQ(now.mode, state.mode);
    EXPECT_NE(now.contents.find(user_hive ? "UserCanary" : "MachineCanary"), std::string::npos);
  }
  for (const auto& [path, state] : after) {
    EXPECT_TRUE(before.contains(path)) << "new file " << path;
    // No value goes to the other hive because one cannot be used.
    if (path.ends_with("user.reg")) {
      EXPECT_EQ(state.contents.find("MachineCanary"), std::string::npos) << path;
    }
  }
}

void RunAs(uid_t user) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(std::string(c.label) + (user == kRoot ? ", as root" : ", as nobody"));
    const Expected& expected = user == kRoot ? c.as_root : c.as_nobody;
    const TempDir temp;
    Prefix p{temp.path(), temp.path() / "prefix",          temp.path() / "elsewhere",
             user,        user == kRoot ? kNobody : kRoot, {}};
    chmod(temp.path().c_str(), 0755);
    for (const fs::path& folder : {p.prefix, p.elsewhere, p.folder / "home"}) {
      fs::create_directory(folder);
      Own(folder, user);
    }
    WriteFile(p.folder / "doc.xml", kDocument);
    chmod((p.folder / "doc.xml").c_str(), 0644);
    WriteFile(p.prefix / "user.reg", kUserHive);
    WriteFile(p.prefix / "system.reg", kSystemHive);
    Own(p.prefix / "user.reg", user);
    Own(p.prefix / "system.reg", user);
    c.setup(p);
    const std::vector<fs::path> folders = {p.prefix, p.elsewhere, p.folder / "home"};
    const auto before = Snapshot(folders);
    const Outcome run = Run(p);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_LT(run.cpu_time, kCpuTimeLimit);
    if (expected.box.empty()) {
      EXPECT_EQ(run.boxes, "");
    } else {
      // One box for the run, not one per key.
      EXPECT_EQ(Count(run.boxes, expected.box), 1u) << run.boxes;
      EXPECT_EQ(CountBoxes(run.boxes), 1u) << run.boxes;
    }
    ExpectFiles(before, Snapshot(folders), expected);
    if (!p.server_folder.empty()) fs::remove_all(p.server_folder);
  }
}

TEST(HostilePrefix, AsRoot) {
  if (geteuid() != kRoot) GTEST_SKIP() << "needs root";
  RunAs(kRoot);
}

TEST(HostilePrefix, AsAnUnprivilegedUser) {
  if (geteuid() != kRoot) GTEST_SKIP() << "needs root to become another user";
  RunAs(kNobody);
}

// The companion only looks: a missing prefix (or ~/.wine, with WINEPREFIX unset) is reported and
// not made, and a damaged hive is named as damaged rather than as a missing key.
TEST(HostilePrefix, TheCompanionWritesNothingAndNamesTheFault) {
  const TempDir temp;
  const fs::path home = temp.path() / "home";
  fs::create_directory(home);
  const fs::path damaged = temp.path() / "damaged";
  fs::create_directory(damaged);
  WriteFile(damaged / "user.reg", "WINE REGISTRY Version 2\n[Software] 1\ngarbage\n");
  WriteFile(damaged / "system.reg", kSystemHive);
  const struct {
    const char* label;
    std::vector<std::string> environment;  // for env(1)
    std::string message;
  } cases[] = {
      {"WINEPREFIX unset", {"-u", "WINEPREFIX"}, "No such file or directory"},
      {"a missing prefix",
       {"WINEPREFIX=" + (temp.path() / "a" / "b").string()},
       "No such file or directory"},
      {"a damaged user.reg", {"WINEPREFIX=" + damaged.string()}, "user.reg is damaged"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.label);
    const auto before = Snapshot({temp.path(), home, damaged});
    std::vector<std::string> argv = {"/usr/bin/timeout", "60", "/usr/bin/env"};
    argv.insert(argv.end(), row.environment.begin(), row.environment.end());
    argv.push_back("HOME=" + home.string());
    argv.insert(argv.end(), {REGCORVEX_ADMIN_PROGRAM, "query", "HKCU\\Software", "/s"});
    const auto result = RunProgram(argv);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
    EXPECT_EQ(Snapshot({temp.path(), home, damaged}), before);
  }
}

// Without WINEPREFIX the prefix is .wine in the home folder, which without HOME is the one the
// password database gives, as Wine takes it: never /.wine, which root would make. A user the
// database does not know has no prefix, said once; the import still ends with exit code 0.
TEST(HostilePrefix, WithoutHomeThePrefixIsInThePasswordDatabasesHomeFolder) {
  if (geteuid() != kRoot) GTEST_SKIP() << "needs root to become another user";
  const passwd* nobody = getpwuid(kNobody);
  ASSERT_NE(nobody, nullptr);
  const std::string nobody_prefix = std::string(nobody->pw_dir) + "/.wine";
  constexpr uid_t kUnknown = 54321;
  ASSERT_EQ(getpwuid(kUnknown), nullptr);
  const bool root_prefix_existed = fs::exists("/.wine");
  const TempDir temp;
  chmod(temp.path().c_str(), 0755);
  WriteFile(temp.path() / "doc.xml", kDocument);
  chmod((temp.path() / "doc.xml").c_str(), 0644);
  const std::vector<std::string> query = {REGCORVEX_ADMIN_PROGRAM, "query", "HKCU\\Software"};
  const std::vector<std::string> import = {REGCORVEX_PROGRAM, "/IC", "doc.xml"};
  const struct {
    const char* label;
    uid_t user;
    std::vector<std::string> environment;  // for env(1), besides WINEPREFIX unset
    const std::vector<std::string>& command;
    int exit_code;
    std::string message;
  } cases[] = {
      {"the companion, HOME unset", kNobody, {"-u", "HOME"}, query, 1, nobody_prefix},
      {"the companion, HOME empty", kNobody, {"HOME="}, query, 1, nobody_prefix},
      {"the import, HOME unset", kNobody, {"-u", "HOME"}, import, 0, nobody_prefix},
      {"the import, by a user the password database does not know",
       kUnknown,
       {"-u", "HOME"},
       import,
       0,
       "gives user 54321 no home folder"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.label);
    const std::string id = std::to_string(row.user);
    std::vector<std::string> argv = {"/usr/bin/timeout", "60", "/usr/bin/env", "-u", "WINEPREFIX"};
    argv.insert(argv.end(), row.environment.begin(), row.environment.end());
    argv.insert(argv.end(), {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"});
    argv.insert(argv.end(), row.command.begin(), row.command.end());
    const auto result = RunProgram(argv, {{"ASAN_OPTIONS", "detect_leaks=0"}}, temp.path());
    EXPECT_EQ(result.exit_code, row.exit_code);
    EXPECT_EQ(Count(result.err, row.message), 1u) << result.err;
    if (row.exit_code == 0) {
      EXPECT_EQ(CountBoxes(result.err), 1u) << result.err;
    }
    EXPECT_EQ(fs::exists("/.wine"), root_prefix_existed);
  }
}

}  // namespace
}  // namespace regcorvex
