// Whether a payload is a solid 7z archive. The installer pulls members one at
// a time; from a solid archive every pull decompresses the solid block from
// its start, which makes an installation many times slower.
#pragma once

#include <filesystem>
#include <string>

namespace tarifex::pack {

enum class Solidity { kNotSolid, kSolid, kUnknown };

struct SolidityReport {
  Solidity solidity = Solidity::kUnknown;
  std::string note;  // why it is unknown; empty otherwise
};

// Asks the Linux archiver ("7zz", or the program named by the environment
// variable TARIFEX_PACK_7ZZ) for the archive's properties. Never throws for a
// missing archiver, a file that is not a 7z archive or headers it cannot open
// without the password: the answer is then kUnknown with a note. `password`
// is only needed for archives whose headers are encrypted.
SolidityReport ProbeSolidity(const std::filesystem::path& archive, const std::string& password);

}  // namespace tarifex::pack
