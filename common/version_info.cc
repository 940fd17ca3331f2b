#include "common/version_info.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <tuple>
#include <utility>

namespace regcorvex {
namespace {

constexpr char kRootPath[] = "\\";
constexpr char kTranslationPath[] = "\\VarFileInfo\\Translation";
// Without a translation table, the strings are looked for in this table (no leading backslash).
constexpr char kFallbackTablePath[] = "StringFileInfo\\040904E4\\";
constexpr std::size_t kTranslationEntrySize = 4;

// VS_FIXEDFILEINFO: its size and the offsets of the fields read here.
constexpr unsigned kFixedInfoSize = 52;
constexpr std::size_t kFileVersionMsOffset = 8;
constexpr std::size_t kFileVersionLsOffset = 12;
constexpr std::size_t kFileFlagsOffset = 28;

struct FlagText {
  std::uint32_t bit;
  const char* text;
};
constexpr FlagText kFlagTexts[] = {
    {0x01, ", Test"},    {0x02, ", Pre-release"},  {0x04, ", Patched"},
    {0x08, ", Private"}, {0x10, ", InfoInferred"}, {0x20, ", Special"},
};

constexpr const char* kStringKeys[] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments",
};

std::string Trim(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// The trimmed part before the first full stop (empty without one) and the trimmed rest.
std::pair<std::string, std::string> HeadAndTail(std::string_view text) {
  const std::size_t stop = text.find('.');
  if (stop == std::string_view::npos) return {std::string(), Trim(text)};
  return {Trim(text.substr(0, stop)), Trim(text.substr(stop + 1))};
}

std::uint32_t ReadDword(const void* record, std::size_t offset) {
  std::uint32_t value;
  std::memcpy(&value, static_cast<const char*>(record) + offset, sizeof value);
  return value;
}

std::string HighWord(std::uint32_t value) { return std::to_string(value >> 16); }
std::string LowWord(std::uint32_t value) { return std::to_string(value & 0xFFFF); }

}  // namespace

VersionNumbers SplitVersionString(std::string_view text) {
  VersionNumbers numbers;
  if (text.empty()) return numbers;
  std::string rest;
  std::tie(numbers.major, rest) = HeadAndTail(text);
  std::tie(numbers.minor, rest) = HeadAndTail(rest);
  std::tie(numbers.release, numbers.build) = HeadAndTail(rest);
  return numbers;
}

TVersionInfo::TVersionInfo(platform::VersionApi& api) : api_(api) {
  SetFileName(api_.ExecutablePath());
}

void TVersionInfo::SetFileName(const std::string& path) {
  if (path == FileName_) return;
  FileName_ = path;
  block_.clear();
  platform::Dword handle = 0;
  const platform::Dword size = api_.GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return;
  block_.resize(size);
  if (!api_.GetFileVersionInfoA(path.c_str(), 0, size, block_.data())) {
    block_.clear();
    return;
  }

  std::string* const fields[] = {
      &CompanyName_,     &FileDescription_,  &FileVersion_, &InternalName_,   &LegalCopyright_,
      &LegalTradeMarks_, &OriginalFilename_, &ProductName_, &ProductVersion_, &Comments_};
  for (std::size_t i = 0; i < std::size(kStringKeys); ++i) *fields[i] = QueryString(kStringKeys[i]);
  FileFlagsText_ = BuildFileFlagsText();

  FixedInfo fixed;
  if (QueryFixedInfo(&fixed)) {
    MajorVersion_ = HighWord(fixed.file_version_ms);
    MinorVersion_ = LowWord(fixed.file_version_ms);
    Release_ = HighWord(fixed.file_version_ls);
    Build_ = LowWord(fixed.file_version_ls);
  } else {
    VersionNumbers numbers = SplitVersionString(FileVersion_);
    MajorVersion_ = std::move(numbers.major);
    MinorVersion_ = std::move(numbers.minor);
    Release_ = std::move(numbers.release);
    Build_ = std::move(numbers.build);
  }
}

std::string TVersionInfo::QueryString(const std::string& key) const {
  void* value = nullptr;
  unsigned length = 0;
  const auto value_text = [&] {
    const std::string_view text(static_cast<const char*>(value), length);
    return std::string(text.substr(0, text.find('\0')));
  };

  void* table = nullptr;
  unsigned table_length = 0;
  if (!api_.VerQueryValueA(block_.data(), kTranslationPath, &table, &table_length)) {
    const std::string path = kFallbackTablePath + key;
    return api_.VerQueryValueA(block_.data(), path.c_str(), &value, &length) ? value_text() : "";
  }
  for (unsigned i = 0; i < table_length / kTranslationEntrySize; ++i) {
    std::uint16_t entry[2];
    std::memcpy(entry, static_cast<const char*>(table) + i * kTranslationEntrySize, sizeof entry);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", entry[0], entry[1]);
    const std::string path = prefix + key;
    if (api_.VerQueryValueA(block_.data(), path.c_str(), &value, &length)) return value_text();
  }
  return "";
}

std::string TVersionInfo::BuildFileFlagsText() const {
  FixedInfo fixed;
  if (!QueryFixedInfo(&fixed)) return "";
  std::string text;
  for (const FlagText& flag : kFlagTexts) {
    if ((fixed.file_flags & flag.bit) != 0) text += flag.text;
  }
  if (text.empty()) return text;
  if (text[0] == ',') text.erase(0, 2);
  return text + " version";
}

bool TVersionInfo::QueryFixedInfo(FixedInfo* fixed) const {
  void* record = nullptr;
  unsigned length = 0;
  if (!api_.VerQueryValueA(block_.data(), kRootPath, &record, &length) || length < kFixedInfoSize) {
    return false;
  }
  *fixed = {ReadDword(record, kFileVersionMsOffset), ReadDword(record, kFileVersionLsOffset),
            ReadDword(record, kFileFlagsOffset)};
  return true;
}

}  // namespace regcorvex
