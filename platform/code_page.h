// The system's ANSI code page: case mapping of 8-bit text and conversion from and to UTF-16.
// The native build is code page 1252, as Wine runs under an English or C.UTF-8 locale.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// CharUpperBuffA / CharLowerBuffA on a whole string; the length never changes.
std::string CharUpperBuffA(std::string_view text);
std::string CharLowerBuffA(std::string_view text);

// WideCharToMultiByte(CP_ACP, 0): a character the code page lacks becomes its best fit in the
// code page, or '?' when it has none.
std::string WideToAnsi(std::u16string_view text);
// MultiByteToWideChar(CP_ACP).
std::u16string AnsiToWide(std::string_view text);

// IsDBCSLeadByte: true for the first byte of a double-byte character (never in code page 1252).
bool IsDbcsLeadByte(char byte);

}  // namespace platform
