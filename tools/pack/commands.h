// The sub-commands of tarifex-pack. Each takes the arguments after its name,
// writes results to `out` and diagnostics to `err`, and returns the exit code.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarifex::pack {

inline constexpr int kExitOk = 0;
inline constexpr int kExitMismatch = 1;  // verify: the installer would call the payload damaged
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFailure = 3;   // an input could not be read, the output not written

using Arguments = std::vector<std::string>;

int RunSeal(const Arguments& args, std::ostream& out, std::ostream& err);
int RunVerify(const Arguments& args, std::ostream& out, std::ostream& err);
int RunCrc(const Arguments& args, std::ostream& out, std::ostream& err);
int RunPayload(const Arguments& args, std::ostream& out, std::ostream& err);

// The trailer text as the installer would see it, printable on a UTF-8
// terminal: quotes, backslashes and control bytes escaped as \xNN, other bytes
// shown as their characters in the code page.
std::string PrintableTrailerText(const std::string& bytes, int codePage);

}  // namespace tarifex::pack
