// The command line of a program started and awaited by RunAndWait. Pure text,
// so its exact layout can be pinned down in host tests.
#pragma once

#include <cstddef>

namespace tarifex {

// "EXE" ARGS, with blanks and control characters (every code up to the blank)
// cut from both ends: with empty arguments the line ends with the quote.
template <class S>
S BuildRunCommandLine(const S& executable, const S& arguments) {
  using C = typename S::value_type;
  S line;
  line.push_back(C('"'));
  line += executable;
  line.push_back(C('"'));
  line.push_back(C(' '));
  line += arguments;
  auto blank = [](C c) { return static_cast<unsigned long>(c) <= 0x20; };
  std::size_t end = line.size();
  while (end > 0 && blank(line[end - 1])) --end;
  std::size_t begin = 0;
  while (begin < end && blank(line[begin])) ++begin;
  return line.substr(begin, end - begin);
}

}  // namespace tarifex
