// Builders for the files the version tests read: VS_VERSIONINFO trees written node by node, a
// minimal 32-bit PE file whose resource directory holds one version resource, and a minimal ELF
// file with one named section.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace regcorvex::test {

// One node: key, value and children. A text value's length counts UTF-16 units, else bytes.
struct VersionNode {
  std::u16string key;
  bool text = false;
  std::string value;  // the value's bytes as stored (UTF-16LE for text)
  std::uint16_t value_length = 0;
  std::vector<VersionNode> children;
};

// A string value, stored with its terminating NUL as resource compilers store it.
VersionNode StringValue(const std::u16string& key, const std::u16string& value);
// The VS_VERSIONINFO root; without fixed information its value is empty.
struct FixedInfo {
  std::uint32_t file_version_ms;
  std::uint32_t file_version_ls;
  std::uint32_t file_flags;
};
VersionNode VersionRoot(std::optional<FixedInfo> fixed, std::vector<VersionNode> children);
// "StringFileInfo" with one table per (name, values) pair.
VersionNode StringFileInfo(std::vector<VersionNode> tables);
VersionNode StringTable(const std::u16string& name, std::vector<VersionNode> values);
// "VarFileInfo" with a "Translation" value of (language, code page) pairs.
VersionNode VarFileInfo(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations);

// The node and its children as bytes.
std::string Serialize(const VersionNode& node);

// A PE32 DLL whose only section, .rsrc, holds resource type 16, name 1, language 0x0409 with the
// given bytes; with no bytes, a DLL without resources.
std::string PeWithVersionResource(const std::string& resource);
// A 64-bit ELF file with one section of the given name and contents.
std::string ElfWithSection(const std::string& name, const std::string& contents);

// The bytes of a file; empty when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace regcorvex::test
