// The console archiver's argument text for one extraction. Pure text, so the
// exact layout can be pinned down in host tests.
#pragma once

#include <string>

namespace tarifex {

// x -pPASSWORD -r -y "ARCHIVE" -o"FOLDER" "MASK"
// The folder goes in exactly as given; its trailing backslash stands right
// before the closing quote, which the archiver reads as part of the path.
template <class S>
S BuildArchiverArguments(const S& archive, const S& mask, const S& folder, const S& password) {
  using C = typename S::value_type;
  auto lit = [](const char* text) {
    S s;
    for (; *text; ++text) s.push_back(C(*text));
    return s;
  };
  S args = lit("x -p");
  args += password;
  args += lit(" -r -y \"");
  args += archive;
  args += lit("\" -o\"");
  args += folder;
  args += lit("\" \"");
  args += mask;
  args += lit("\"");
  return args;
}

}  // namespace tarifex
