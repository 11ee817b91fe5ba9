#include "app/folder_rules.h"

#include <string_view>

#include "util/text_rules.h"

namespace tarifex {

namespace {

// C0 controls, the blank, DEL and the C1 controls.
bool IsBlankOrControl(wchar_t c) { return c <= 0x20 || (c >= 0x7F && c <= 0x9F); }

// The last n characters (the whole text when shorter), with a-z upper-cased.
std::wstring UpperTail(const std::wstring& text, std::size_t n) {
  return AsciiUpperCopy(text.size() > n ? text.substr(text.size() - n) : text);
}

}  // namespace

std::wstring TrimBlanksAndControls(const std::wstring& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlankOrControl(text[first])) ++first;
  while (last > first && IsBlankOrControl(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::wstring NormaliseFolderText(const std::wstring& fieldText) {
  std::wstring text = EnsureTrailingBackslash(TrimBlanksAndControls(fieldText));
  const std::wstring_view ending(kLayoutEnding);
  if (UpperTail(text, ending.size()) != ending) {
    const std::wstring_view maker(kMakerFolder);
    if (UpperTail(text, maker.size()) != maker) text += kMakerFolder;
    text += kProductFolder;
  }
  return text;
}

std::wstring InstallRootOfFolder(const std::wstring& folder) {
  const std::size_t cut = std::wstring_view(kProductFolder).size();
  return folder.size() > cut ? folder.substr(0, folder.size() - cut) : std::wstring();
}

}  // namespace tarifex
