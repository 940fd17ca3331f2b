#include "app/command_line.h"

#include <string_view>

#include "platform/code_page.h"

namespace regcorvex {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// One parameter starting at pos; pos moves past it.
std::string NextParameter(const std::string& line, size_t& pos) {
  for (;;) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (line.compare(pos, 2, "\"\"") != 0) break;
    pos += 2;
  }
  std::string parameter;
  while (pos < line.size() && !IsBlank(line[pos])) {
    if (line[pos] == '"') {
      const size_t close = line.find('"', pos + 1);
      const size_t end = close == std::string::npos ? line.size() : close;
      parameter.append(line, pos + 1, end - pos - 1);
      pos = close == std::string::npos ? end : close + 1;
    } else {
      parameter += line[pos++];
    }
  }
  return parameter;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The text between an opening quote and the next lone quote, with doubled quotes as one. Without
// a closing quote, the rest of the text.
std::string Unquote(const std::string& text) {
  std::string result;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      if (i + 1 >= text.size() || text[i + 1] != '"') break;
      ++i;
    }
    result += text[i];
  }
  return result;
}

// Up to and including the last backslash or colon that is not the second byte of a double-byte
// character.
std::string FolderPart(const std::string& path) {
  size_t end = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (platform::IsDbcsLeadByte(path[i]) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' || path[i] == ':') {
      end = i + 1;
    }
  }
  return path.substr(0, end);
}

std::string FullPathName(const std::string& path, platform::FileSystem& file_system) {
  std::string buffer(260, '\0');
  platform::Dword length = file_system.GetFullPathNameA(
      path.c_str(), static_cast<platform::Dword>(buffer.size()), buffer.data());
  if (length >= buffer.size()) {
    // Longer than the usual buffer: take the whole path rather than a cut one.
    buffer.assign(length, '\0');
    length = file_system.GetFullPathNameA(path.c_str(), length, buffer.data());
    if (length >= buffer.size()) length = 0;
  }
  buffer.resize(length);
  return buffer;
}

}  // namespace

std::vector<std::string> SplitParameters(const std::string& command_line) {
  size_t pos = 0;
  NextParameter(command_line, pos);  // the program's own path
  std::vector<std::string> parameters;
  for (std::string parameter = NextParameter(command_line, pos); !parameter.empty();
       parameter = NextParameter(command_line, pos)) {
    parameters.push_back(std::move(parameter));
  }
  return parameters;
}

std::string ExtractOptionValue(const std::string& command_line, const std::string& option) {
  const size_t found = platform::CharUpperBuffA(command_line).find(option);
  if (found == std::string::npos) return {};
  std::string_view value = std::string_view(command_line).substr(found + option.size());
  value = value.substr(0, value.find('/'));
  return std::string(Trim(value));
}

std::string ResolveDocumentPath(const std::string& import_file, const std::string& import_path,
                                platform::FileSystem& file_system) {
  std::string file =
      !import_file.empty() && import_file[0] == '"' ? Unquote(import_file) : import_file;
  if (!FolderPart(file).empty() || import_path.empty()) return file;
  std::string folder = FolderPart(FullPathName(import_path, file_system));
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + file;
}

bool FileExists(const std::string& path, platform::FileSystem& file_system) {
  const platform::Dword attributes = file_system.GetFileAttributesA(path.c_str());
  if (attributes != platform::kInvalidFileAttributes) {
    return (attributes & platform::kFileAttributeDirectory) == 0;
  }
  const auto error = static_cast<platform::Long>(file_system.GetLastError());
  if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound ||
      error == platform::kErrorInvalidName) {
    return false;
  }
  platform::FindData found;
  return file_system.FindFirstFileA(path.c_str(), &found) &&
         (found.attributes & platform::kFileAttributeDirectory) == 0;
}

}  // namespace regcorvex
