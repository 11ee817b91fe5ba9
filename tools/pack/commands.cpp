#include "commands.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string_view>

#include "archive_probe.h"
#include "installer_trailer.h"
#include "payload/file_crc32.h"
#include "payload_builder.h"
#include "unicode_text.h"
#include "util/text_rules.h"

namespace tarifex::pack {
namespace {

constexpr int kDefaultCodePage = 1251;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ParsedArguments {
  std::map<std::string, std::string, std::less<>> options;
  std::vector<std::string> positional;
  bool help = false;
};

// "--name VALUE" options only (plus --help); each may be given once.
ParsedArguments Parse(const Arguments& args, std::initializer_list<std::string_view> valueOptions,
                      std::size_t maxPositional) {
  ParsedArguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      bool known = false;
      for (auto option : valueOptions) known = known || option == arg;
      if (!known) throw UsageError("unknown option " + arg);
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      if (!parsed.options.emplace(arg, args[++i]).second)
        throw UsageError(arg + " is given twice");
      continue;
    }
    if (parsed.positional.size() == maxPositional) throw UsageError("unexpected argument " + arg);
    parsed.positional.push_back(arg);
  }
  return parsed;
}

const std::string& Required(const ParsedArguments& parsed, std::string_view option) {
  const auto it = parsed.options.find(option);
  if (it == parsed.options.end()) throw UsageError("missing " + std::string(option));
  if (it->second.empty()) throw UsageError(std::string(option) + " is empty");
  return it->second;
}

int CodePageNumber(const ParsedArguments& parsed) {
  const auto it = parsed.options.find("--codepage");
  if (it == parsed.options.end()) return kDefaultCodePage;
  int number = 0;
  const std::string& text = it->second;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec != std::errc() || end != text.data() + text.size() || !SingleByteCodePage::Get(number))
    throw UsageError("--codepage must be 1251 or 1252, not \"" + text + "\"");
  return number;
}

std::u16string FromUtf8(const std::string& text, const char* what) {
  try {
    return Utf8ToUtf16(text);
  } catch (const std::invalid_argument&) {
    throw UsageError(std::string(what) + " is not valid UTF-8");
  }
}

// Runs one command body, turning every failure into one line on `err` and its exit code.
template <class Body>
int Guarded(const char* command, std::ostream& err, Body body) {
  const std::string prefix = std::string("tarifex-pack ") + command + ": ";
  try {
    return body();
  } catch (const UsageError& e) {
    err << prefix << e.what() << " (see tarifex-pack " << command << " --help)\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    // PackError, FileReadError and anything the library lets through: one line each.
    err << prefix << e.what() << "\n";
    return kExitFailure;
  }
}

constexpr char kSealHelp[] =
    "Usage: tarifex-pack seal --installer IN.exe --payload txTopics.lum --name NAME.exe\n"
    "                         --out OUT.exe [--codepage 1251|1252]\n"
    "\n"
    "Writes OUT.exe: IN.exe followed by the 100-byte trailer that holds the payload's\n"
    "checksum, enciphered for the file name NAME.exe under which the installer will be\n"
    "distributed and run (a change of ASCII letter case keeps it valid, any other\n"
    "change of the name does not). --codepage is the ANSI code page of the machines\n"
    "that run the installer (default 1251). OUT.exe may be IN.exe; it is replaced only\n"
    "once it is complete.\n"
    "Exit: 0 sealed, 2 usage error, 3 an input unreadable or the output not written.\n";

constexpr char kVerifyHelp[] =
    "Usage: tarifex-pack verify --installer X.exe --payload txTopics.lum\n"
    "                           [--codepage 1251|1252] [--password PASSWORD]\n"
    "\n"
    "Decodes the trailer of X.exe under X.exe's own file name, as the installer does,\n"
    "checksums the payload and prints both. Warns when the payload is a solid 7z\n"
    "archive (the installer extracts member by member); that check runs 7zz and is\n"
    "skipped with a note when 7zz is missing. --password is only needed for a payload\n"
    "whose headers are encrypted.\n"
    "Exit: 0 the checksums match, 1 they differ, 2 usage error, 3 a file unreadable.\n";

constexpr char kCrcHelp[] =
    "Usage: tarifex-pack crc FILE\n"
    "\n"
    "Prints the file's CRC-32 as the installer writes it: 8 upper-case hex digits.\n"
    "Exit: 0 printed, 2 usage error, 3 the file unreadable.\n";


constexpr char kPayloadHelp[] =
    "Usage: tarifex-pack payload --from DIR --out txTopics.lum [--codepage 1251|1252]\n"
    "\n"
    "Packs everything in DIR, with paths relative to DIR, into the payload the installer\n"
    "reads: a 7z archive, non-solid (the installer extracts member by member), file data\n"
    "encrypted with the installer's payload password, headers readable. First checks that\n"
    "resinfo.ini and verinfo.ini lie at DIR's root and that every line of resinfo.ini names\n"
    "a file in DIR (\"\\\" or \"/\" between folders; ASCII letters in any case, as the\n"
    "archiver matches them on Windows); a blank line is an error. --codepage is the ANSI\n"
    "code page in which the installer reads a resinfo.ini without a byte-order mark\n"
    "(default 1251). The archiver is 7zz, or the program in TARIFEX_PACK_7ZZ. The output\n"
    "must lie outside DIR; it is replaced only once the new payload is complete.\n"
    "Exit: 0 written, 2 usage error, 3 a check failed or the payload could not be made.\n";

}  // namespace

std::string PrintableTrailerText(const std::string& bytes, int codePage) {
  const auto page = SingleByteCodePage::Get(codePage);
  std::string text;
  for (char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    const char16_t c = page ? page->Decode(std::string_view(&b, 1))[0] : char16_t(u);
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD;
    if (control || c == u'"' || c == u'\\') {
      static constexpr char kHex[] = "0123456789ABCDEF";
      text += "\\x";
      text += kHex[u >> 4];
      text += kHex[u & 0xF];
    } else {
      text += Utf16ToUtf8(std::u16string_view(&c, 1));
    }
  }
  return text;
}

int RunSeal(const Arguments& args, std::ostream& out, std::ostream& err) {
  return Guarded("seal", err, [&] {
    const ParsedArguments parsed =
        Parse(args, {"--installer", "--payload", "--name", "--out", "--codepage"}, 0);
    if (parsed.help) {
      out << kSealHelp;
      return kExitOk;
    }
    SealRequest request;
    request.installer = Required(parsed, "--installer");
    request.payload = Required(parsed, "--payload");
    request.name = FromUtf8(Required(parsed, "--name"), "--name");
    request.output = Required(parsed, "--out");
    request.codePage = CodePageNumber(parsed);
    try {
      CheckDistributionName(request.name);
    } catch (const PackError& e) {
      throw UsageError(e.what());
    }
    const SingleByteCodePage page = CodePageOrThrow(request.codePage);
    if (const auto missing = UnencodableCharacters(request.name, page); !missing.empty()) {
      err << "tarifex-pack seal: warning: code page " << request.codePage << " lacks \""
          << Utf16ToUtf8(missing) << "\"; the key uses \"?\" for them, which the installer's "
          << "own conversion may not\n";
    }
    std::random_device random;
    request.seed = (std::uint64_t(random()) << 32) ^ random();
    const std::string checksum = SealInstaller(request);
    out << "sealed " << request.output.string() << ": payload checksum " << checksum
        << ", name \"" << Utf16ToUtf8(request.name) << "\", code page " << request.codePage
        << "\n";
    return kExitOk;
  });
}

int RunVerify(const Arguments& args, std::ostream& out, std::ostream& err) {
  return Guarded("verify", err, [&] {
    const ParsedArguments parsed =
        Parse(args, {"--installer", "--payload", "--codepage", "--password"}, 0);
    if (parsed.help) {
      out << kVerifyHelp;
      return kExitOk;
    }
    const std::filesystem::path installer = Required(parsed, "--installer");
    const std::filesystem::path payload = Required(parsed, "--payload");
    const int codePage = CodePageNumber(parsed);
    const auto password = parsed.options.find("--password");

    // The installer keys on what follows the last "\" or ":" of its own path.
    const std::u16string fileName = FromUtf8(installer.filename().string(), "the installer's file name");
    const std::u16string name = NamePart(fileName);
    const VerifyResult result =
        VerifyInstaller(installer, payload, name, CodePageOrThrow(codePage));
    out << "trailer: \"" << PrintableTrailerText(result.expected, codePage) << "\"\n"
        << "payload: \"" << result.actual << "\"\n";

    const SolidityReport solidity =
        ProbeSolidity(payload, password == parsed.options.end() ? std::string() : password->second);
    if (solidity.solidity == Solidity::kSolid) {
      err << "tarifex-pack verify: warning: the payload is a solid 7z archive; the installer "
             "extracts it member by member, so pack it non-solid (7zz a -ms=off)\n";
    } else if (solidity.solidity == Solidity::kUnknown) {
      err << "tarifex-pack verify: note: " << solidity.note << "\n";
    }

    if (!result.matches()) {
      out << "MISMATCH: the installer, run as \"" << Utf16ToUtf8(name)
          << "\", would report a damaged payload\n";
      return kExitMismatch;
    }
    out << "match\n";
    return kExitOk;
  });
}

int RunCrc(const Arguments& args, std::ostream& out, std::ostream& err) {
  return Guarded("crc", err, [&] {
    const ParsedArguments parsed = Parse(args, {}, 1);
    if (parsed.help) {
      out << kCrcHelp;
      return kExitOk;
    }
    if (parsed.positional.empty()) throw UsageError("missing FILE");
    out << FileCrc32Text(parsed.positional[0]) << "\n";
    return kExitOk;
  });
}

int RunPayload(const Arguments& args, std::ostream& out, std::ostream& err) {
  return Guarded("payload", err, [&] {
    const ParsedArguments parsed = Parse(args, {"--from", "--out", "--codepage"}, 0);
    if (parsed.help) {
      out << kPayloadHelp;
      return kExitOk;
    }
    PayloadRequest request;
    request.from = Required(parsed, "--from");
    request.output = Required(parsed, "--out");
    request.codePage = CodePageNumber(parsed);
    const PayloadResult result = BuildPayload(request);
    for (const std::string& warning : result.check.warnings) err << "tarifex-pack payload: warning: " << warning << "\n";
    out << "payload " << request.output.string() << ": " << result.files << " files, "
        << result.check.members.size() << " members listed in resinfo.ini\n";
    return kExitOk;
  });
}

}  // namespace tarifex::pack
