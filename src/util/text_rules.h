// Path and name rules of the installer that need no Win32. Templates over the
// string type, so the Windows code (std::wstring) and the host tools and tests
// (std::u16string, std::string) share one definition.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarifex {

// The path with one trailing backslash. Only the last character is looked at:
// "C:/A/" gets a backslash too, and the empty path becomes "\".
template <class S>
S EnsureTrailingBackslash(S path) {
  if (path.empty() || path.back() != typename S::value_type('\\')) path.push_back('\\');
  return path;
}

// Index one past the last "\" or ":" of a path, or 0 when it has none.
template <class C>
std::size_t NameStart(std::basic_string_view<C> path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (path[i - 1] == C('\\') || path[i - 1] == C(':')) return i;
  }
  return 0;
}

// Everything up to and including the last "\" or ":" (empty when there is none).
template <class S>
S FolderPart(const S& path) {
  return path.substr(0, NameStart(std::basic_string_view<typename S::value_type>(path)));
}

// Everything after the last "\" or ":".
template <class S>
S NamePart(const S& path) {
  return path.substr(NameStart(std::basic_string_view<typename S::value_type>(path)));
}

template <class C>
constexpr C AsciiUpper(C c) { return (c >= C('a') && c <= C('z')) ? C(c - 'a' + 'A') : c; }
template <class C>
constexpr C AsciiLower(C c) { return (c >= C('A') && c <= C('Z')) ? C(c - 'A' + 'a') : c; }

template <class S>
S AsciiUpperCopy(S s) {
  for (auto& c : s) c = AsciiUpper(c);
  return s;
}
template <class S>
S AsciiLowerCopy(S s) {
  for (auto& c : s) c = AsciiLower(c);
  return s;
}

// Equality with ASCII letters compared without case and every other character
// by its code unit: a Cyrillic letter in another case does not match.
template <class C>
bool AsciiEqualsNoCase(std::basic_string_view<C> a, std::basic_string_view<C> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

template <class S>
bool ContainsChar(const S& s, char c) {
  return s.find(typename S::value_type(c)) != S::npos;
}

}  // namespace tarifex
