// Letter case as the tool compares names: ASCII letters fold, every other
// byte stands for itself. Class names, unit names, file names, rule names and
// form keywords all compare this way.
#pragma once

#include <string>
#include <string_view>

namespace tolvern {

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool SameText(std::string_view a, std::string_view b);
// Ordinal comparison with ASCII letters as upper case; <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);
std::string UpperCase(std::string s);

}  // namespace tolvern
