#include "archive_probe.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarifex::pack {
namespace {

constexpr unsigned char k7zSignature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

bool Has7zSignature(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[sizeof k7zSignature] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, k7zSignature, sizeof head) == 0;
}

struct Listing {
  bool started = false;
  int spawnError = 0;
  int exitStatus = -1;
  std::string output;
};

Listing ListArchive(const std::string& program, const std::filesystem::path& archive,
                    const std::string& password) {
  Listing listing;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    listing.spawnError = errno;
    return listing;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // No terminal input, so that an archive with encrypted headers fails instead of prompting.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  // A password is always given: without one 7zz would ask for it.
  std::vector<std::string> args = {program, "l", "-slt", "-p" + (password.empty() ? std::string("-") : password),
                                   "--", archive.string()};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (rc != 0) {
    ::close(pipeFds[0]);
    listing.spawnError = rc;
    return listing;
  }
  listing.started = true;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    listing.output.append(buffer, std::size_t(got));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // 127 is what a shell-less spawn reports when the program could not be executed.
  listing.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (listing.exitStatus == 127) {
    listing.started = false;
    listing.spawnError = ENOENT;
  }
  return listing;
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
  const Listing listing = ListArchive(program, archive, password);
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
