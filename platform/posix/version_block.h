// The version resource of an executable file and the block that GetFileVersionInfoA fills with
// it, walked as Windows walks VS_VERSIONINFO. Pure functions over bytes, so that any caller (the
// native version functions, a fuzz target) can drive them with a buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/posix/elf_section.h"
#include "platform/win_types.h"

namespace platform {

// The ELF section in which the native program carries its version resource.
inline constexpr char kElfVersionSection[] = ".rsrc_version";

// The version resource of a PE file (type 16, name 1) or of an ELF file (kElfVersionSection),
// given the file's size and a reader of its bytes. Of an ELF file only the headers and the section
// are read, of a PE file the whole. nullopt unless the resource holds a VS_VERSIONINFO root node in
// its Unicode form whose length fits.
std::optional<std::span<const std::uint8_t>> FindVersionResource(const ReadBytesAt& read,
                                                                 std::uint64_t size);
// The same over the bytes of a whole file.
std::optional<std::span<const std::uint8_t>> FindVersionResource(
    std::span<const std::uint8_t> file);

// What GetFileVersionInfoSizeA reports for the resource: twice its size and 4 more, the room the
// ANSI functions need for the strings they convert.
Dword VersionBlockSize(std::span<const std::uint8_t> resource);

// Fills a block of VersionBlockSize bytes as GetFileVersionInfoA does: the resource, the marker
// "FE2X" after the root node, zeros for the rest.
void FillVersionBlock(std::span<const std::uint8_t> resource, std::span<std::uint8_t> block);

// VerQueryValueA over a block filled by FillVersionBlock. The path's components are separated by
// backslashes (empty ones are skipped) and matched without regard to case. A string value is
// converted to code page 1252 into the block's second half: *buffer points there and *length
// counts its bytes; other values are returned in place with their length in bytes.
bool QueryVersionBlock(void* block, const char* sub_block, void** buffer, unsigned* length);

}  // namespace platform
