// The writer's and checker's side of the installer trailer: sealing a built
// installer with its payload's checksum, and reading a sealed one back the
// way the installer does at install time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "payload/trailer_cipher.h"
#include "util/codepage.h"

namespace tarifex::pack {

// A failure the user must fix (bad name, unwritable output...): what() is the
// whole one-line explanation. Unreadable inputs throw FileReadError instead.
class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The key bytes for an installer run under the file name `name`: the key text
// converted with the code page (characters it lacks become "?").
std::string TrailerKey(std::u16string_view name, const SingleByteCodePage& codePage);

// Throws PackError when `name` cannot be the file name the installer sees:
// empty, a path, or holding a character Windows forbids in file names.
void CheckDistributionName(std::u16string_view name);

// Characters of `name` that the code page lacks (the installer's own
// conversion may turn them into something other than "?"); empty when none.
std::u16string UnencodableCharacters(std::u16string_view name,
                                     const SingleByteCodePage& codePage);

// The enciphered 100 bytes carrying `checksumText` for an installer named `name`.
TrailerBytes MakeTrailer(std::string_view checksumText, std::u16string_view name,
                         const SingleByteCodePage& codePage, std::uint64_t seed);

// What the installer reads as the expected checksum from `trailer` when run
// under `name`: the braced bytes of the deciphered record, possibly empty.
std::string DecodeTrailer(const TrailerBytes& trailer, std::u16string_view name,
                          const SingleByteCodePage& codePage);

// The last 100 bytes of a file. FileReadError when it cannot be read or is shorter.
TrailerBytes ReadTrailer(const std::filesystem::path& installer);

struct SealRequest {
  std::filesystem::path installer;  // the built installer, left unchanged
  std::filesystem::path payload;
  std::u16string name;              // the distribution file name
  std::filesystem::path output;     // may be the installer itself
  int codePage = 1251;
  std::uint64_t seed = 0;
};

// Writes output = installer + trailer for the payload's checksum under `name`.
// The output appears complete or not at all: it is written beside itself under
// a temporary name and renamed into place; on any failure the temporary file
// is removed and an existing output is left as it was. Returns the checksum text.
std::string SealInstaller(const SealRequest& request);

struct VerifyResult {
  std::string expected;  // decoded from the trailer, bytes in the code page
  std::string actual;    // checksum text of the payload
  bool matches() const { return expected == actual; }
};

// Decodes the trailer under `name` (normally the installer's own file name)
// and checksums the payload. Throws FileReadError for unreadable files.
VerifyResult VerifyInstaller(const std::filesystem::path& installer,
                             const std::filesystem::path& payload, std::u16string_view name,
                             const SingleByteCodePage& codePage);

// The code page by number; PackError for one the tool does not know.
SingleByteCodePage CodePageOrThrow(int number);

}  // namespace tarifex::pack
