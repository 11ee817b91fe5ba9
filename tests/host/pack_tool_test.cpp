// Sealing and verifying installers, through the library and through the built
// tarifex-pack executable as a packaging script runs it.
#include <gtest/gtest.h>

#include "pack_tool_runner.h"
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>


#include "installer_trailer.h"
#include "payload/crc32.h"
#include "payload/file_crc32.h"


namespace tarifex::pack {
namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

constexpr char kName[] = "TARIFEX_Installer.exe";
constexpr char16_t kName16[] = u"TARIFEX_Installer.exe";

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

Bytes RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(count, '\0');
  for (auto& b : bytes) b = char(random());
  return bytes;
}

std::string ZlibCrcText(const Bytes& bytes) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X",
                unsigned(crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size()))));
  return text;
}

// The trailer as the written rules define it, without the library: key =
// decimal (name length + 100), the name upper-cased, the name lower-cased
// (ASCII letters only), as code-page bytes; each plain byte plus its key byte.
Bytes IndependentTrailer(const Bytes& plain100, const Bytes& keyBytes) {
  Bytes out = plain100;
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = char((unsigned char)plain100[i] + (unsigned char)keyBytes[i % keyBytes.size()]);
  return out;
}
Bytes IndependentDecipher(const Bytes& trailer, const Bytes& keyBytes) {
  Bytes out = trailer;
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = char((unsigned char)trailer[i] - (unsigned char)keyBytes[i % keyBytes.size()]);
  return out;
}
Bytes AsciiKey(const std::string& name) {
  Bytes key = std::to_string(name.size() + 100);
  for (char c : name) key += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  for (char c : name) key += (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
  return key;
}
Bytes PlainRecord(const std::string& text) {
  Bytes plain = text;
  plain.resize(100, ' ');
  return plain;
}

using test::ToolRun;

class PackToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarifex-pack-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    installer_ = folder_ / "built.exe";
    payload_ = folder_ / "txTopics.lum";
    installerBytes_ = "MZ" + RandomBytes(4000, 1);
    payloadBytes_ = RandomBytes(300000, 2);
    WriteAll(installer_, installerBytes_);
    WriteAll(payload_, payloadBytes_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Runs the built tool; `extraEnv` entries ("NAME=value") are added to the environment.
  ToolRun Run(std::vector<std::string> args, std::vector<std::string> extraEnv = {}) {
    return test::RunPackTool(folder_, std::move(args), extraEnv);
  }

  ToolRun Seal(const fs::path& out, const std::string& name = kName,
               std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"seal", "--installer", installer_, "--payload", payload_,
                                     "--name", name, "--out", out};
    args.insert(args.end(), more.begin(), more.end());
    return Run(args);
  }
  ToolRun Verify(const fs::path& installer, const fs::path& payload,
                 std::vector<std::string> more = {}, std::vector<std::string> env = {}) {
    std::vector<std::string> args = {"verify", "--installer", installer, "--payload", payload};
    args.insert(args.end(), more.begin(), more.end());
    return Run(args, env);
  }

  // Files left in the test folder, so a stray temporary output would show.
  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_, installer_, payload_;
  Bytes installerBytes_, payloadBytes_;
};

TEST_F(PackToolTest, LibrarySealAppendsOneTrailerThatVerifiesOnlyUnderItsName) {
  SealRequest request{installer_, payload_, kName16, folder_ / kName, 1251, 42};
  const std::string checksum = SealInstaller(request);
  EXPECT_EQ(checksum, ZlibCrcText(payloadBytes_));

  const Bytes sealed = ReadAll(folder_ / kName);
  ASSERT_EQ(sealed.size(), installerBytes_.size() + 100);
  EXPECT_EQ(sealed.substr(0, installerBytes_.size()), installerBytes_);
  EXPECT_EQ(ReadAll(installer_), installerBytes_) << "the input must stay as it was";

  const auto page = CodePageOrThrow(1251);
  EXPECT_TRUE(VerifyInstaller(folder_ / kName, payload_, kName16, page).matches());
  EXPECT_TRUE(VerifyInstaller(folder_ / kName, payload_, u"tarifex_INSTALLER.EXE", page).matches());
  EXPECT_FALSE(VerifyInstaller(folder_ / kName, payload_, u"TARIFEX_Installer(1).exe", page).matches());

  Bytes damaged = payloadBytes_;
  damaged[damaged.size() / 2] ^= 0x01;
  WriteAll(payload_, damaged);
  const VerifyResult result = VerifyInstaller(folder_ / kName, payload_, kName16, page);
  EXPECT_EQ(result.expected, checksum);
  EXPECT_FALSE(result.matches());
}

TEST_F(PackToolTest, SealingInPlaceReplacesTheInstallerWhole) {
  SealRequest request{installer_, payload_, kName16, installer_, 1251, 7};
  SealInstaller(request);
  EXPECT_EQ(ReadAll(installer_).size(), installerBytes_.size() + 100);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"built.exe", "txTopics.lum"}));
}

TEST_F(PackToolTest, ExecutableSealThenVerifyRoundTrip) {
  const fs::path sealed = folder_ / kName;
  const ToolRun seal = Seal(sealed);
  ASSERT_EQ(seal.exitCode, 0) << seal.err;
  EXPECT_NE(seal.out.find(ZlibCrcText(payloadBytes_)), std::string::npos) << seal.out;

  const ToolRun verify = Verify(sealed, payload_);
  EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
  const std::string crc = ZlibCrcText(payloadBytes_);
  EXPECT_NE(verify.out.find("trailer: \"" + crc + "\""), std::string::npos) << verify.out;
  EXPECT_NE(verify.out.find("payload: \"" + crc + "\""), std::string::npos) << verify.out;

  // Two seals of the same input differ in their free bytes, not in what they carry.
  const fs::path again = folder_ / "again" / kName;
  fs::create_directory(folder_ / "again");
  ASSERT_EQ(Seal(again).exitCode, 0);
  EXPECT_NE(ReadAll(again), ReadAll(sealed));
  EXPECT_EQ(Verify(again, payload_).exitCode, 0);

  const ToolRun crcRun = Run({"crc", payload_});
  EXPECT_EQ(crcRun.exitCode, 0);
  EXPECT_EQ(crcRun.out, crc + "\n");
}

// Installers sealed by hand from the written rules, checked by the executable.
TEST_F(PackToolTest, VerifyDecodesIndependentlyWrittenTrailers) {
  const std::string crc = ZlibCrcText(payloadBytes_);
  std::string lower = crc;
  for (auto& c : lower) c = char(std::tolower((unsigned char)c));
  const struct {
    const char* label;
    std::string sealedFor;
    std::string runAs;
    Bytes plain;
    bool damagePayload;
    int exitCode;
  } cases[] = {
      {"same name", kName, kName, PlainRecord("{" + crc + "}"), false, 0},
      {"name differing only in ASCII case", kName, "tarifex_installer.EXE",
       PlainRecord("{" + crc + "}"), false, 0},
      {"text before and after the braces", kName, kName,
       PlainRecord("free } text {" + crc + "} and {more}"), false, 0},
      {"another name", kName, "TARIFEX_Installer_2.exe", PlainRecord("{" + crc + "}"), false, 1},
      {"one payload byte changed", kName, kName, PlainRecord("{" + crc + "}"), true, 1},
      {"lower-case digits", kName, kName, PlainRecord("{" + lower + "}"), false, 1},
      {"no closing brace", kName, kName, PlainRecord("{" + crc), false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path caseFolder = folder_ / "case";
    fs::create_directory(caseFolder);
    const fs::path installer = caseFolder / c.runAs;
    WriteAll(installer, installerBytes_ + IndependentTrailer(c.plain, AsciiKey(c.sealedFor)));
    Bytes payload = payloadBytes_;
    if (c.damagePayload) payload[12345] = char(payload[12345] + 1);
    WriteAll(caseFolder / "txTopics.lum", payload);

    const ToolRun run = Verify(installer, caseFolder / "txTopics.lum");
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    fs::remove_all(caseFolder);
  }
}

TEST_F(PackToolTest, CyrillicNameWithCodePage1251) {
  const std::string name = "\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82.exe";  // "Тест.exe" in UTF-8
  const fs::path sealed = folder_ / name;
  ASSERT_EQ(Seal(sealed, name).exitCode, 0);
  EXPECT_EQ(Verify(sealed, payload_).exitCode, 0);

  // The key from the rules: "108" (8 UTF-16 units + 100), then the name with
  // only its ASCII letters upper-cased, then lower-cased, in windows-1251 bytes.
  const Bytes key = "108\xD2\xE5\xF1\xF2.EXE\xD2\xE5\xF1\xF2.exe";
  const Bytes sealedBytes = ReadAll(sealed);
  const Bytes plain = IndependentDecipher(sealedBytes.substr(sealedBytes.size() - 100), key);
  const auto open = plain.find('{');
  ASSERT_NE(open, Bytes::npos);
  EXPECT_EQ(plain.substr(open, 10), "{" + ZlibCrcText(payloadBytes_) + "}");

  // Under code page 1252 the same name gives other key bytes.
  EXPECT_EQ(Verify(sealed, payload_, {"--codepage", "1252"}).exitCode, 1);
}

TEST_F(PackToolTest, FailedSealLeavesNoOutputAndKeepsAnOldOne) {
  const fs::path out = folder_ / kName;
  const struct {
    const char* label;
    std::vector<std::string> args;
    std::string missing;
  } cases[] = {
      {"missing installer", {"seal", "--installer", folder_ / "none.exe", "--payload", payload_,
                             "--name", kName, "--out", out}, "none.exe"},
      {"missing payload", {"seal", "--installer", installer_, "--payload", folder_ / "none.lum",
                           "--name", kName, "--out", out}, "none.lum"},
      {"installer is a folder", {"seal", "--installer", folder_, "--payload", payload_,
                                 "--name", kName, "--out", out}, folder_.string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find(c.missing), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"built.exe", "txTopics.lum"}));
  }

  WriteAll(out, "previous build");
  EXPECT_EQ(Run(cases[1].args).exitCode, 3);
  EXPECT_EQ(ReadAll(out), "previous build");

  const ToolRun noFolder = Seal(folder_ / "absent" / kName);
  EXPECT_EQ(noFolder.exitCode, 3);
  EXPECT_FALSE(fs::exists(folder_ / "absent"));
}

TEST_F(PackToolTest, VerifyOfAnInstallerShorterThanTheTrailerFails) {
  WriteAll(folder_ / "short.exe", Bytes(99, 'x'));
  const ToolRun run = Verify(folder_ / "short.exe", payload_);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("shorter"), std::string::npos) << run.err;
}

TEST_F(PackToolTest, UsageErrorsAndHelp) {
  const std::string in = installer_, pl = payload_, out = (folder_ / "o.exe").string();
  const struct {
    const char* label;
    std::vector<std::string> args;
    int exitCode;
  } cases[] = {
      {"no command", {}, 2},
      {"unknown command", {"pack"}, 2},
      {"seal without --out", {"seal", "--installer", in, "--payload", pl, "--name", kName}, 2},
      {"unknown option", {"seal", "--installer", in, "--payload", pl, "--name", kName, "--out", out, "--fast"}, 2},
      {"option without value", {"verify", "--installer", in, "--payload"}, 2},
      {"option twice", {"verify", "--installer", in, "--installer", in, "--payload", pl}, 2},
      {"unsupported code page", {"seal", "--installer", in, "--payload", pl, "--name", kName, "--out", out, "--codepage", "866"}, 2},
      {"code page not a number", {"verify", "--installer", in, "--payload", pl, "--codepage", "1251x"}, 2},
      {"name with a folder", {"seal", "--installer", in, "--payload", pl, "--name", "dist\\a.exe", "--out", out}, 2},
      {"name not UTF-8", {"seal", "--installer", in, "--payload", pl, "--name", "\xC0\xAF.exe", "--out", out}, 2},
      {"crc without file", {"crc"}, 2},
      {"crc with two files", {"crc", in, pl}, 2},
      {"top-level help", {"--help"}, 0},
      {"seal help", {"seal", "--help"}, 0},
      {"verify help", {"verify", "--help"}, 0},
      {"crc help", {"crc", "--help"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    if (c.exitCode == 0) {
      EXPECT_NE(run.out.find("Usage: tarifex-pack"), std::string::npos);
    } else {
      EXPECT_FALSE(run.err.empty());
    }
  }
  EXPECT_FALSE(fs::exists(out));
}

bool Have7zz() { return std::system("7zz i >/dev/null 2>&1") == 0; }

TEST_F(PackToolTest, VerifyWarnsAboutASolidPayload) {
  if (!Have7zz()) GTEST_SKIP() << "7zz is not installed";
  WriteAll(folder_ / "a.ini", RandomBytes(1000, 3));
  WriteAll(folder_ / "b.ini", RandomBytes(1000, 4));
  const auto make = [&](const char* archive, const char* solid) {
    const std::string command = "cd '" + folder_.string() + "' && 7zz a -pPW " + solid + " " +
                                archive + " a.ini b.ini >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  };
  make("solid.lum", "-ms=on");
  make("plain.lum", "-ms=off");
  for (const char* archive : {"solid.lum", "plain.lum"}) {
    payload_ = folder_ / archive;
    ASSERT_EQ(Seal(folder_ / kName).exitCode, 0);
    const ToolRun run = Verify(folder_ / kName, payload_);
    EXPECT_EQ(run.exitCode, 0) << archive;
    const bool warned = run.err.find("solid 7z archive") != std::string::npos;
    EXPECT_EQ(warned, std::string(archive) == "solid.lum") << archive << ": " << run.err;
    if (std::string(archive) == "plain.lum") {
      EXPECT_EQ(run.err, "");
    }
  }

  // Without the archiver the check still runs, with a note instead of the warning.
  payload_ = folder_ / "solid.lum";
  ASSERT_EQ(Seal(folder_ / kName).exitCode, 0);
  const ToolRun noArchiver =
      Verify(folder_ / kName, payload_, {}, {"TARIFEX_PACK_7ZZ=" + (folder_ / "no-7zz").string()});
  EXPECT_EQ(noArchiver.exitCode, 0);
  EXPECT_NE(noArchiver.err.find("not checked"), std::string::npos) << noArchiver.err;
}

TEST_F(PackToolTest, VerifyNotesAPayloadThatIsNoArchive) {
  ASSERT_EQ(Seal(folder_ / kName).exitCode, 0);
  const ToolRun run = Verify(folder_ / kName, payload_);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.err.find("not a 7z archive"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tarifex::pack
