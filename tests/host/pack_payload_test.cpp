// Building the payload from a folder: the manifest checks, the archive 7zz
// makes (what the installer needs of it), and an output that is either the
// complete new payload or untouched. Through the built tool where the command
// line matters, through the library for the table of folder checks.
#include <gtest/gtest.h>

#include "pack_tool_runner.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <stdlib.h>

#include "installer_trailer.h"
#include "payload_builder.h"


namespace tarifex::pack {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// Every regular file below folder, by relative path, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadAll(entry.path());
  }
  return files;
}

using test::ToolRun;

class PayloadBuild : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarifex-payload-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    from_ = folder_ / "product";
    out_ = folder_ / "dist" / "txTopics.lum";
    fs::create_directories(out_.parent_path());
    WriteAll(from_ / "resinfo.ini", "\xEF\xBB\xBFTARIFEX.exe\r\nlib\\core.dll\r\nlib/Справка.txt\r\n");
    WriteAll(from_ / "verinfo.ini", "[VersionData]\r\nVersion=5.12\r\nBuild=0412\r\n");
    WriteAll(from_ / "TARIFEX.exe", "MZ program");
    WriteAll(from_ / "lib" / "core.dll", "MZ library");
    WriteAll(from_ / "lib" / "Справка.txt", "справка");
    WriteAll(from_ / "LOGO.BMP", std::string(5000, 'B'));
    WriteAll(from_ / "Data" / "T.DB", std::string(70000, 'D'));
  }
  void TearDown() override { fs::remove_all(folder_); }

  ToolRun Run(std::vector<std::string> args, std::vector<std::string> extraEnv = {}) {
    return test::RunPackTool(folder_, std::move(args), extraEnv);
  }

  ToolRun Pack() { return Run({"payload", "--from", from_.string(), "--out", out_.string()}); }

  // 7zz's answer for the payload, written to a file and read back.
  std::string Sevenzip(const std::string& arguments) {
    const fs::path log = folder_ / "7zz.log";
    const std::string command = "7zz " + arguments + " >'" + log.string() + "' 2>&1 </dev/null";
    const int status = std::system(command.c_str());
    std::string text = ReadAll(log);
    fs::remove(log);
    return "exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "\n" + text;
  }

  // The files in the folder beside the output, the output excluded (no temporary may remain).
  std::vector<std::string> LeftBesideOutput() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out_.parent_path()))
      if (entry.path() != out_) names.push_back(entry.path().filename().string());
    return names;
  }

  fs::path folder_, from_, out_;
};

TEST_F(PayloadBuild, PacksTheWholeFolderNonSolidUnderThePassword) {
  const ToolRun run = Pack();
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "payload " + out_.string() + ": 7 files, 3 members listed in resinfo.ini\n");
  EXPECT_EQ(run.err, "");

  const std::string listing = Sevenzip("l -slt -p- '" + out_.string() + "'");
  EXPECT_NE(listing.find("Solid = -"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("Solid = +"), std::string::npos) << listing;
  // Every file entry (folders carry no data) is encrypted.
  std::istringstream entries(listing);
  std::string line, path;
  int files = 0;
  for (bool isFile = false; std::getline(entries, line);) {
    if (line.rfind("Path = ", 0) == 0) path = line.substr(7), isFile = true;
    if (line.rfind("Attributes = D", 0) == 0) isFile = false;
    if (line.rfind("Encrypted = ", 0) == 0 && isFile && path != out_.string()) {
      ++files;
      EXPECT_EQ(line, "Encrypted = +") << path;
    }
  }
  EXPECT_EQ(files, 7);

  // Extracted with the installer's password, the tree is the folder's, paths relative.
  const fs::path extracted = folder_ / "extracted";
  const std::string x = Sevenzip("x -y '-prq%7mUXA?' '-o" + extracted.string() + "' '" + out_.string() + "'");
  ASSERT_EQ(x.substr(0, 7), "exit 0\n") << x;
  EXPECT_EQ(Tree(extracted), Tree(from_));

  EXPECT_NE(Sevenzip("t -pwrong '" + out_.string() + "'").substr(0, 7), "exit 0\n");
  EXPECT_TRUE(LeftBesideOutput().empty());
}

TEST_F(PayloadBuild, FailedCheckLeavesAnEarlierPayloadAlone) {
  WriteAll(out_, "earlier payload");
  fs::remove(from_ / "lib" / "core.dll");

  const ToolRun run = Pack();

  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err, "tarifex-pack payload: resinfo.ini lists 1 member missing from " + from_.string() +
                         ": \"lib\\core.dll\"\n");
  EXPECT_EQ(ReadAll(out_), "earlier payload");
  EXPECT_TRUE(LeftBesideOutput().empty());
}

TEST_F(PayloadBuild, FailingArchiverLeavesNoOutputAndNoTemporary) {
  // An archiver that writes half an archive and then reports an error.
  const fs::path fake = folder_ / "fake-7zz";
  WriteAll(fake, "#!/bin/sh\nfor a; do last=$a; prev=$p; p=$a; done\n"
                 "echo partial > \"$prev\"\necho 'ERROR: disk full' >&2\nexit 2\n");
  fs::permissions(fake, fs::perms::owner_all);
  WriteAll(out_, "earlier payload");

  const ToolRun run = Run({"payload", "--from", from_.string(), "--out", out_.string()},
                          {"TARIFEX_PACK_7ZZ=" + fake.string()});

  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err, "tarifex-pack payload: " + fake.string() + " failed with exit code 2: ERROR: disk full\n");
  EXPECT_EQ(ReadAll(out_), "earlier payload");
  EXPECT_TRUE(LeftBesideOutput().empty());

  const ToolRun missing = Run({"payload", "--from", from_.string(), "--out", out_.string()},
                              {"TARIFEX_PACK_7ZZ=" + (folder_ / "no-such-7zz").string()});
  EXPECT_EQ(missing.exitCode, 3);
  EXPECT_NE(missing.err.find("cannot run"), std::string::npos) << missing.err;
  EXPECT_EQ(ReadAll(out_), "earlier payload");
}

TEST_F(PayloadBuild, UsageAndOutputPlacement) {
  const ToolRun help = Run({"payload", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: tarifex-pack payload --from DIR --out txTopics.lum", 0), 0u) << help.out;

  EXPECT_EQ(Run({"payload", "--from", from_.string()}).exitCode, 2);
  EXPECT_EQ(Run({"payload", "--out", out_.string()}).exitCode, 2);

  // Packing into the folder being packed would take the archive into itself.
  const ToolRun inside = Run({"payload", "--from", from_.string(), "--out", (from_ / "lib" / "txTopics.lum").string()});
  EXPECT_EQ(inside.exitCode, 3);
  EXPECT_NE(inside.err.find("lies inside"), std::string::npos) << inside.err;
  EXPECT_FALSE(fs::exists(from_ / "lib" / "txTopics.lum"));
}

struct CheckCase {
  const char* name;
  std::map<std::string, std::string> files;  // besides verinfo.ini, unless "-verinfo.ini" is listed
  std::string error;                          // empty: the check passes
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.name; }

class PayloadFolderCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(PayloadFolderCheck, AcceptsOrExplains) {
  char pattern[] = "/tmp/tarifex-check-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path folder = pattern;
  WriteAll(folder / "verinfo.ini", "[VersionData]\r\n");
  for (const auto& [name, bytes] : GetParam().files) {
    if (name == "-verinfo.ini") {
      fs::remove(folder / "verinfo.ini");
    } else {
      WriteAll(folder / name, bytes);
    }
  }
  std::string error;
  try {
    CheckPayloadFolder(folder, 1251);
  } catch (const PackError& e) {
    error = e.what();
  }
  fs::remove_all(folder);
  const std::string expected = GetParam().error;
  if (expected.empty()) {
    EXPECT_EQ(error, "");
  } else {
    EXPECT_NE(error.find(expected), std::string::npos) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, PayloadFolderCheck,
    testing::Values(
        CheckCase{"Minimal", {{"resinfo.ini", "TARIFEX.exe"}, {"TARIFEX.exe", "MZ"}}, ""},
        CheckCase{"EmptyMemberList", {{"resinfo.ini", ""}}, ""},
        CheckCase{"NoMemberList", {{"TARIFEX.exe", "MZ"}}, "resinfo.ini is missing from the root of"},
        CheckCase{"MemberListOnlyInSubfolder", {{"sub/resinfo.ini", ""}}, "resinfo.ini is missing"},
        CheckCase{"NoVersionFile", {{"-verinfo.ini", ""}, {"resinfo.ini", ""}}, "verinfo.ini is missing"},
        CheckCase{"AllMissingNamed",
                  {{"resinfo.ini", "A.DLL\r\nTARIFEX.exe\r\nB.DLL\r\n"}, {"TARIFEX.exe", "MZ"}},
                  "lists 2 members missing from"},
        CheckCase{"MissingNamesListed", {{"resinfo.ini", "A.DLL\nB.DLL"}}, ": \"A.DLL\", \"B.DLL\""},
        CheckCase{"BlankLine", {{"resinfo.ini", "TARIFEX.exe\r\n\r\n"}, {"TARIFEX.exe", "MZ"}},
                  "resinfo.ini line 2 is blank"},
        CheckCase{"Mask", {{"resinfo.ini", "*.dll"}, {"a.dll", "MZ"}}, "line 1: \"*.dll\" is a mask"},
        CheckCase{"FolderIsNoMember", {{"resinfo.ini", "lib"}, {"lib/a.dll", "MZ"}}, "missing"},
        CheckCase{"NoClimbingOut", {{"resinfo.ini", "..\\verinfo.ini"}}, "missing"},
        CheckCase{"AsciiCaseIgnored", {{"resinfo.ini", "tarifex.EXE\r\nLIB\\A.dll"}, {"TARIFEX.exe", "MZ"},
                                       {"lib/a.dll", "MZ"}}, ""},
        CheckCase{"Utf16ListWithCyrillicName",
                  {{"resinfo.ini", std::string("\xFF\xFE\x21\x04\x2E\x00\x74\x00", 8)}, {"С.t", "x"}}, ""},
        CheckCase{"AnsiListInTheCodePage", {{"resinfo.ini", "\xD1.t"}, {"С.t", "x"}}, ""},
        CheckCase{"AnsiListIsNotUtf8", {{"resinfo.ini", "\xD0\xA1.t"}, {"С.t", "x"}}, "missing"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PayloadFolderWarnings, MissingMainExecutableIsNamed) {
  char pattern[] = "/tmp/tarifex-check-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path folder = pattern;
  WriteAll(folder / "verinfo.ini", "");
  WriteAll(folder / "resinfo.ini", "");
  const PayloadCheck check = CheckPayloadFolder(folder, 1251);
  fs::remove_all(folder);
  ASSERT_EQ(check.warnings.size(), 1u);
  EXPECT_NE(check.warnings[0].find("TARIFEX.exe"), std::string::npos);
}

}  // namespace
}  // namespace tarifex::pack
