#include "payload_builder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>


#include "installer_trailer.h"
#include "run_program.h"
#include "steps/manifest_rules.h"
#include "unicode_text.h"
#include "util/codepage.h"
#include "util/text_rules.h"

extern char** environ;

namespace tarifex::pack {
namespace fs = std::filesystem;
namespace {

constexpr char kMemberListFile[] = "resinfo.ini";
constexpr char kVersionFile[] = "verinfo.ini";
// The install command's test extraction looks for the main executable.
constexpr char kMainExeName[] = "TARIFEX.exe";

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError("cannot read " + path.string() + ": " + std::strerror(errno));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> SplitMemberPath(const std::string& name) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : name) {
    if (c == '\\' || c == '/') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

// The file a member name stands for, with ASCII letters matched in any case
// where the exact name is absent. Nothing when no such file lies in the folder.
std::optional<fs::path> FindMember(const fs::path& folder, const std::string& name) {
  fs::path current = folder;
  for (const std::string& part : SplitMemberPath(name)) {
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    std::error_code ec;
    if (fs::exists(current / part, ec)) {
      current /= part;
      continue;
    }
    bool found = false;
    for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string entry = it->path().filename().string();
      if (AsciiEqualsNoCase<char>(entry, part)) {
        current /= entry;
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  std::error_code ec;
  if (!fs::is_regular_file(current, ec)) return std::nullopt;
  return current;
}

struct ArchiverRun {
  int exitStatus = -1;
  int spawnError = 0;
  std::string lastMessage;  // last non-empty line the archiver wrote to stderr
};

ArchiverRun RunArchiver(const std::string& program, const fs::path& workingFolder, std::vector<std::string> args) {
  args.insert(args.begin(), program);
  const ProgramRun programRun = RunProgram(std::move(args), Captured::kStandardError, workingFolder);
  ArchiverRun run;
  run.exitStatus = programRun.exitStatus;
  run.spawnError = programRun.spawnError;
  const std::string& errors = programRun.output;
  std::istringstream lines(errors);
  for (std::string line; std::getline(lines, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) run.lastMessage = line;
  }
  return run;
}

// A folder beside the output for the archive being made; removed with
// whatever it holds unless the archive was moved out of it.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const fs::path& output) {
    const fs::path parent = output.has_parent_path() ? output.parent_path() : fs::path(".");
    std::string name = ".";
    name += output.filename().string();
    name += ".tmp-XXXXXX";
    std::string pattern = (parent / name).string();
    if (!::mkdtemp(pattern.data()))
      throw PackError("cannot create a temporary folder in " + parent.string() + ": " + std::strerror(errno));
    path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

bool IsInside(const fs::path& path, const fs::path& folder) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec);
  const fs::path f = fs::weakly_canonical(folder, ec);
  auto pi = p.begin();
  for (auto fi = f.begin(); fi != f.end(); ++fi, ++pi) {
    if (fi->empty()) continue;  // the trailing "" of a path ending in "/"
    if (pi == p.end() || *pi != *fi) return false;
  }
  return true;
}

}  // namespace

PayloadCheck CheckPayloadFolder(const fs::path& folder, int codePage) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw PackError(folder.string() + " is not a folder");
  for (const char* manifest : {kMemberListFile, kVersionFile}) {
    if (!fs::is_regular_file(folder / manifest, ec))
      throw PackError(std::string(manifest) + " is missing from the root of " + folder.string());
  }
  const auto page = SingleByteCodePage::Get(codePage);
  if (!page) throw PackError("code page " + std::to_string(codePage) + " is not supported");

  PayloadCheck check;
  check.members = ReadMemberList(ReadAll(folder / kMemberListFile),
                                 [&](std::string_view bytes) { return page->Decode(bytes); });
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < check.members.size(); ++i) {
    const std::string line = "resinfo.ini line " + std::to_string(i + 1);
    const std::string name = Utf16ToUtf8(check.members[i]);
    if (name.empty()) throw PackError(line + " is blank: the installer would take it for a member");
    if (name.find_first_of("*?") != std::string::npos)
      throw PackError(line + ": " + Quoted(name) + " is a mask, not a member name");
    if (!FindMember(folder, name)) missing.push_back(Quoted(name));
  }
  if (!missing.empty()) {
    std::string list;
    for (const std::string& m : missing) list += (list.empty() ? "" : ", ") + m;
    throw PackError("resinfo.ini lists " + std::to_string(missing.size()) + " member" +
                    (missing.size() == 1 ? "" : "s") + " missing from " + folder.string() + ": " + list);
  }
  if (!FindMember(folder, kMainExeName))
    check.warnings.push_back(std::string("no ") + kMainExeName +
                             " at the root: the installer's test extraction of it will fail");
  return check;
}

PayloadResult BuildPayload(const PayloadRequest& request) {
  PayloadResult result;
  result.check = CheckPayloadFolder(request.from, request.codePage);
  if (IsInside(request.output, request.from))
    throw PackError("the output " + request.output.string() + " lies inside " + request.from.string());
  std::error_code ec;
  if (fs::is_directory(request.output, ec)) throw PackError("the output " + request.output.string() + " is a folder");

  for (fs::recursive_directory_iterator it(request.from, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file()) ++result.files;
  }

  const char* configured = std::getenv("TARIFEX_PACK_7ZZ");
  const std::string program = configured && *configured ? configured : "7zz";
  TemporaryFolder temporary(request.output);
  const fs::path archive = fs::absolute(temporary.path() / "payload.7z");
  // Non-solid: the installer pulls one member per archiver run. The headers
  // stay readable so that "tarifex-pack verify" can check that.
  const ArchiverRun run = RunArchiver(program, request.from,
                                      {"a", "-t7z", "-ms=off", "-mhe=off", std::string("-p") + kPayloadPassword,
                                       "-bd", "-bso0", "-bsp0", "-y", "--", archive.string(), "*"});
  if (run.spawnError != 0)
    throw PackError("cannot run " + program + ": " + std::strerror(run.spawnError));
  if (run.exitStatus != 0)
    throw PackError(program + " failed with exit code " + std::to_string(run.exitStatus) +
                    (run.lastMessage.empty() ? "" : ": " + run.lastMessage));
  if (!fs::is_regular_file(archive, ec)) throw PackError(program + " wrote no archive");
  fs::rename(archive, request.output, ec);
  if (ec) throw PackError("cannot rename the new payload to " + request.output.string() + ": " + ec.message());
  return result;
}

}  // namespace tarifex::pack
