// Runs a program (the Linux archiver) with no terminal input and collects one
// of its output streams, for the packaging tool's archive steps.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarifex::pack {

struct ProgramRun {
  bool started = false;
  int spawnError = 0;   // errno of a failed start (ENOENT also when the program is missing)
  int exitStatus = -1;  // -1 when it did not end normally
  std::string output;   // the captured stream
};

enum class Captured { kStandardOutput, kStandardError };

// args[0] is the program, looked up on PATH. The other stream goes to
// /dev/null; an empty workingFolder keeps the current one.
ProgramRun RunProgram(std::vector<std::string> args, Captured captured,
                      const std::filesystem::path& workingFolder = {});

}  // namespace tarifex::pack
