// Building the payload txTopics.lum from a folder: the manifests checked by
// the rules the installer reads them with, then the whole folder packed by
// the Linux archiver the way the installer needs it (7z, non-solid, file data
// under the payload password).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace tarifex::pack {

// The password the installer passes with every extraction from the payload.
inline constexpr char kPayloadPassword[] = "rq%7mUXA?";

struct PayloadCheck {
  std::vector<std::u16string> members;  // resinfo.ini's lines
  std::vector<std::string> warnings;    // one line each
};

// Checks that resinfo.ini and verinfo.ini lie at the folder's root and that
// every line of resinfo.ini (read as the installer reads it; a file without a
// byte-order mark in the code page given) names a file in the folder. Member
// paths use "\" or "/"; ASCII letters match in any case, as the archiver
// matches them on Windows. Throws PackError with a one-line explanation:
// folder or manifest missing, a blank line, a name with wildcards, members
// missing (all of them named).
PayloadCheck CheckPayloadFolder(const std::filesystem::path& folder, int codePage);

struct PayloadRequest {
  std::filesystem::path from;
  std::filesystem::path output;
  int codePage = 1251;
};

struct PayloadResult {
  PayloadCheck check;
  std::size_t files = 0;  // regular files packed
};

// Checks the folder, then packs everything in it with relative paths into
// output. The archive is made under a temporary name beside output and
// renamed into place only when the archiver succeeded, so output is either
// the complete new payload or left as it was. The archiver is "7zz", or the
// program named by the environment variable TARIFEX_PACK_7ZZ. Throws
// PackError for a failed check, an output inside the folder, an archiver that
// cannot run or reports an error (its last message line included).
PayloadResult BuildPayload(const PayloadRequest& request);

}  // namespace tarifex::pack
