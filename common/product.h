// The product's names, shared by the shell, the store's messages and the import.
#pragma once

namespace regcorvex {

inline constexpr char ProductTitle[] = "Corvane 5";
inline constexpr char ApplicationTitle[] = "Register Corvane 5";

}  // namespace regcorvex
