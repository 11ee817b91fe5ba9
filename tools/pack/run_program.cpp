#include "run_program.h"

#include <cerrno>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarifex::pack {

ProgramRun RunProgram(std::vector<std::string> args, Captured captured, const std::filesystem::path& workingFolder) {
  ProgramRun run;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    run.spawnError = errno;
    return run;
  }
  const int capturedFd = captured == Captured::kStandardOutput ? 1 : 2;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // No terminal input, so that an archive with encrypted headers fails instead of prompting.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 3 - capturedFd, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], capturedFd);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());

  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (rc != 0) {
    ::close(pipeFds[0]);
    run.spawnError = rc;
    return run;
  }
  run.started = true;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    run.output.append(buffer, std::size_t(got));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  // 127 is what a shell-less spawn reports when the program could not be executed.
  if (run.exitStatus == 127) {
    run.started = false;
    run.spawnError = ENOENT;
  }
  return run;
}

}  // namespace tarifex::pack
