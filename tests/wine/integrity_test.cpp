// The payload check on real files: installers sealed here by an independent
// writer that follows the trailer rules byte by byte.
#include <gtest/gtest.h>

#include "app/installer_state.h"
#include "payload/integrity.h"
#include "support/harness.h"
#include "util/installer_error.h"

namespace tarifex::test {
namespace {

const wchar_t kDamaged[] =
    L"ВНИМАНИЕ!!!\rУстановочный файл поврежден.\rСкопируйте установочный файл еще раз.\r"
    L"Если используете USB флэшку, то попробуйте записать на флэшку еще раз.\r"
    L"Если используете CD, то попробуйте скопировать на другом компьютере (на другом CD).\r"
    L"Если загружали через интернет, то попробуйте загрузить установочный файл еще раз.";

// The record's writer, written out from the rules on its own: key = decimal
// (name length + 100), name in ASCII upper case, name in ASCII lower case;
// byte i += key[i mod K].
std::string SealedTrailer(const std::string& plain100, const std::string& asciiName) {
  std::string key = std::to_string(asciiName.size() + 100);
  for (char c : asciiName) key.push_back(c >= 'a' && c <= 'z' ? char(c - 32) : c);
  for (char c : asciiName) key.push_back(c >= 'A' && c <= 'Z' ? char(c + 32) : c);
  std::string out = plain100;
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = char((unsigned char)out[i] + (unsigned char)key[i % key.size()]);
  return out;
}

std::string Plain(const std::string& record) {
  std::string plain = record;
  plain.resize(100, '.');
  return plain;
}

class IntegrityTest : public testing::Test {
 protected:
  void SetUp() override {
    BuildCrc32Table(State().Crc32Table);
    State().WorkFolder = work_.path();
    WriteFile(payload_, "payload bytes");  // zlib.crc32 gives D8B6A5AA
  }
  void TearDown() override {
    SetFileAttributesW(payload_.c_str(), FILE_ATTRIBUTE_NORMAL);
    State().WorkFolder.clear();
  }
  // A program-like body followed by the sealed record, stored as name.
  std::wstring Installer(const std::wstring& name, const std::string& sealedFor, const std::string& record) {
    const std::wstring path = media_ / name;
    WriteFile(path, std::string(4096, 'M') + SealedTrailer(Plain(record), sealedFor));
    return path;
  }
  static std::string PayloadCrc() { return "D8B6A5AA"; }

  TempDir media_, work_;
  std::wstring payload_ = media_ / L"txTopics.lum";
};

TEST_F(IntegrityTest, ChecksumTextOfKnownFiles) {
  EXPECT_EQ(ComputeFileCrc32(payload_), PayloadCrc());
  WriteFile(media_ / L"empty", "");
  EXPECT_EQ(ComputeFileCrc32(media_ / L"empty"), "00000000");
  WriteFile(media_ / L"digits", "123456789");
  EXPECT_EQ(ComputeFileCrc32(media_ / L"digits"), "CBF43926");
  // Larger than one read block, to cross block boundaries.
  std::string big(3 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = char(i * 131 + (i >> 9));
  WriteFile(media_ / L"big", big);
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : big) crc = (crc >> 8) ^ State().Crc32Table[(crc ^ b) & 0xFF];
  EXPECT_EQ(ComputeFileCrc32(media_ / L"big"), Crc32Text(crc ^ 0xFFFFFFFFu));
}

struct Case {
  const char* what;
  const wchar_t* runAs;     // the installer's file name when it runs
  const char* sealedFor;    // the name the record was made for
  std::string record;       // plain record, padded to 100 bytes
  bool passes;
};

TEST_F(IntegrityTest, AcceptsOnlyTheRightRecordForTheRunningName) {
  const std::string crc = PayloadCrc();
  const Case cases[] = {
      {"record for the name", L"TARIFEX_Installer.exe", "TARIFEX_Installer.exe", "{" + crc + "}", true},
      {"name differs in ASCII case only", L"tarifex_INSTALLER.EXE", "TARIFEX_Installer.exe", "{" + crc + "}", true},
      {"other name", L"TARIFEX_Installer(1).exe", "TARIFEX_Installer.exe", "{" + crc + "}", false},
      {"text around the braces", L"setup.exe", "setup.exe", "build 5.12 {" + crc + "} sealed", true},
      {"lower-case digits", L"setup.exe", "setup.exe", "{8e5c5ed8}", false},
      {"no closing brace", L"setup.exe", "setup.exe", "{" + crc, false},
      {"brace inside the digits", L"setup.exe", "setup.exe", "{{" + crc + "}", false},
      {"wrong checksum", L"setup.exe", "setup.exe", "{00000000}", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir media;
    const std::wstring installer = media / c.runAs;
    WriteFile(installer, std::string(4096, 'M') + SealedTrailer(Plain(c.record), c.sealedFor));
    MessageCapture capture;
    EXPECT_EQ(CheckPayloadIntegrityOf(installer, payload_), c.passes);
    EXPECT_EQ(capture.texts(), c.passes ? std::vector<std::wstring>{} : std::vector<std::wstring>{kDamaged});
    EXPECT_FALSE(FileExists(work_ / c.runAs)) << "the copy in the work folder must be gone";
  }
}

TEST_F(IntegrityTest, OneChangedPayloadByteFails) {
  const std::wstring installer = Installer(L"TARIFEX_Installer.exe", "TARIFEX_Installer.exe", "{" + PayloadCrc() + "}");
  WriteFile(payload_, "payload bytez");
  MessageCapture capture;
  EXPECT_FALSE(CheckPayloadIntegrityOf(installer, payload_));
  EXPECT_EQ(capture.texts().size(), 1u);
}

TEST_F(IntegrityTest, ReadOnlyPayloadAndInstallerStillPass) {
  const std::wstring installer = Installer(L"TARIFEX_Installer.exe", "TARIFEX_Installer.exe", "{" + PayloadCrc() + "}");
  ASSERT_TRUE(SetFileAttributesW(payload_.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(installer.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(CheckPayloadIntegrityOf(installer, payload_));
  // A second run finds no read-only copy left behind to trip over.
  EXPECT_FALSE(FileExists(work_ / L"TARIFEX_Installer.exe"));
  EXPECT_TRUE(CheckPayloadIntegrityOf(installer, payload_));
  SetFileAttributesW(installer.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(IntegrityTest, UnreadableInputsRaise) {
  const std::wstring good = Installer(L"TARIFEX_Installer.exe", "TARIFEX_Installer.exe", "{" + PayloadCrc() + "}");
  MessageCapture capture;
  EXPECT_THROW(CheckPayloadIntegrityOf(good, media_ / L"missing.lum"), InstallerError);

  WriteFile(media_ / L"short.exe", std::string(99, 'x'));
  EXPECT_THROW(CheckPayloadIntegrityOf(media_ / L"short.exe", payload_), InstallerError);

  State().WorkFolder = work_ / L"missing\\";  // the copy cannot be made
  EXPECT_THROW(CheckPayloadIntegrityOf(good, payload_), InstallerError);
  EXPECT_TRUE(capture.messages().empty());
}

TEST_F(IntegrityTest, TrailerOfExactly100Bytes) {
  WriteFile(media_ / L"a.exe", SealedTrailer(Plain("{ABCDEF01}"), "a.exe"));
  EXPECT_EQ(ReadInstallerTrailer(media_ / L"a.exe"), "ABCDEF01");
}

}  // namespace
}  // namespace tarifex::test
