#include "archive_probe.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "run_program.h"

namespace tarifex::pack {
namespace {

constexpr unsigned char k7zSignature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

bool Has7zSignature(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[sizeof k7zSignature] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, k7zSignature, sizeof head) == 0;
}

// A password is always given: without one 7zz would ask for it.
ProgramRun ListArchive(const std::string& program, const std::filesystem::path& archive,
                       const std::string& password) {
  return RunProgram({program, "l", "-slt", "-p" + (password.empty() ? std::string("-") : password), "--",
                     archive.string()},
                    Captured::kStandardOutput);
}

}  // namespace

SolidityReport ProbeSolidity(const std::filesystem::path& archive, const std::string& password) {
  SolidityReport report;
  if (!Has7zSignature(archive)) {
    report.note = "the payload is not a 7z archive";
    return report;
  }
  const char* configured = std::getenv("TARIFEX_PACK_7ZZ");
  const std::string program = configured && *configured ? configured : "7zz";
  const ProgramRun listing = ListArchive(program, archive, password);
  if (!listing.started) {
    report.note = "solidity not checked: cannot run " + program + ": " +
                  std::strerror(listing.spawnError);
    return report;
  }
  if (listing.exitStatus != 0) {
    report.note = "solidity not checked: " + program +
                  " could not list the payload (encrypted headers need --password)";
    return report;
  }
  std::istringstream lines(listing.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "Solid = +") return {Solidity::kSolid, {}};
    if (line == "Solid = -") return {Solidity::kNotSolid, {}};
  }
  report.note = "solidity not checked: " + program + " did not report it";
  return report;
}

}  // namespace tarifex::pack
