// Text for the companion's reports: UTF-8 from the program's ANSI text (platform/utf8.h has it
// from wide text), quoting for messages and JSON string literals.
#pragma once

#include <string>
#include <string_view>

namespace regcorvex {

// Text in the ANSI code page, as the import holds it.
std::string AnsiToUtf8(std::string_view text);
// text in double quotes for people: a double quote inside and control characters escaped (\", \r,
// \n, \t, \xNN), backslashes as they are.
std::string Quoted(std::string_view utf8);
// A JSON string literal.
std::string JsonString(std::string_view utf8);

}  // namespace regcorvex
