// tarifex-pack: builds payloads, seals built installers with their payload's
// checksum and checks sealed ones. Each sub-command lives in commands.cpp;
// adding one is one more row in kCommands.
#include <iostream>
#include <string_view>

#include "commands.h"

namespace {

using tarifex::pack::Arguments;

struct Command {
  std::string_view name;
  std::string_view summary;
  int (*run)(const Arguments& args, std::ostream& out, std::ostream& err);
};

constexpr Command kCommands[] = {
    {"seal", "append the checksum trailer to a built installer", tarifex::pack::RunSeal},
    {"verify", "check a sealed installer against its payload", tarifex::pack::RunVerify},
    {"crc", "print the checksum text of a file", tarifex::pack::RunCrc},
    {"payload", "build txTopics.lum from a folder with its manifests", tarifex::pack::RunPayload},
};

void PrintUsage(std::ostream& out) {
  out << "Usage: tarifex-pack COMMAND [OPTIONS]   (tarifex-pack COMMAND --help for details)\n"
         "\nCommands:\n";
  for (const Command& c : kCommands) {
    out << "  " << c.name << std::string(10 - c.name.size(), ' ') << c.summary << "\n";
  }
  out << "\nExit codes: 0 success, 1 verify found a mismatch, 2 usage error, 3 I/O failure.\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(std::cerr);
    return tarifex::pack::kExitUsage;
  }
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    return tarifex::pack::kExitOk;
  }
  for (const Command& c : kCommands) {
    if (c.name == name) return c.run(Arguments(argv + 2, argv + argc), std::cout, std::cerr);
  }
  std::cerr << "tarifex-pack: unknown command \"" << name << "\" (see tarifex-pack --help)\n";
  return tarifex::pack::kExitUsage;
}
