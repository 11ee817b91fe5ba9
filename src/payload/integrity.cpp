#include "payload/integrity.h"

#include <windows.h>

#include <memory>

#include "app/installer_state.h"
#include "payload/crc32.h"
#include "payload/trailer_cipher.h"
#include "ui/message_box.h"
#include "util/ansi_text.h"
#include "util/file_helpers.h"
#include "util/installer_error.h"
#include "util/scoped_handle.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {

constexpr wchar_t kDamagedInstaller[] =
    L"ВНИМАНИЕ!!!\rУстановочный файл поврежден.\rСкопируйте установочный файл еще раз.\r"
    L"Если используете USB флэшку, то попробуйте записать на флэшку еще раз.\r"
    L"Если используете CD, то попробуйте скопировать на другом компьютере (на другом CD).\r"
    L"Если загружали через интернет, то попробуйте загрузить установочный файл еще раз.";

constexpr DWORD kReadBlock = 1 << 20;

// Reading only, sharing reading and writing: a read-only payload or a CD passes.
ScopedFile OpenForReading(const std::wstring& path) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) ThrowSystemError(L"Cannot open file \"" + path + L"\"", GetLastError());
  return file;
}

}  // namespace

std::string ComputeFileCrc32(const std::wstring& path) {
  ScopedFile file = OpenForReading(path);
  // The byte table is the state's, filled at start-up; the fast tables derive from it.
  const FastCrc32 crc32(State().Crc32Table);
  auto buffer = std::make_unique<std::uint8_t[]>(kReadBlock);
  std::uint32_t crc = kCrc32Preset;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer.get(), kReadBlock, &got, nullptr))
      ThrowSystemError(L"Cannot read file \"" + path + L"\"", GetLastError());
    if (got == 0) break;
    crc = crc32.Update(crc, buffer.get(), got);
  }
  return Crc32Text(crc ^ 0xFFFFFFFFu);
}

std::string ReadInstallerTrailer(const std::wstring& path) {
  ScopedFile file = OpenForReading(path);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) ThrowSystemError(L"Cannot read file \"" + path + L"\"", GetLastError());
  if (size.QuadPart < LONGLONG(kTrailerSize))
    throw InstallerError(L"Cannot read the last 100 bytes of \"" + path + L"\": the file is too short");
  LARGE_INTEGER position;
  position.QuadPart = size.QuadPart - LONGLONG(kTrailerSize);
  if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN))
    ThrowSystemError(L"Cannot position in file \"" + path + L"\"", GetLastError());
  TrailerBytes trailer{};
  DWORD got = 0;
  if (!ReadFile(file.get(), trailer.data(), DWORD(trailer.size()), &got, nullptr))
    ThrowSystemError(L"Cannot read file \"" + path + L"\"", GetLastError());
  if (got != trailer.size()) throw InstallerError(L"Cannot read the last 100 bytes of \"" + path + L"\"");

  // Deciphering works on the bytes; only the key passes through the ANSI code page.
  const std::wstring name = NamePart(path);
  const std::u16string key = TrailerKeyText(std::u16string(name.begin(), name.end()), kTrailerSize);
  const std::string keyBytes = ToAnsi(std::wstring(key.begin(), key.end()));
  DecipherTrailer(trailer.data(), trailer.size(), keyBytes);
  return BracedText(std::string_view(reinterpret_cast<const char*>(trailer.data()), trailer.size()));
}

bool CheckPayloadIntegrity() { return CheckPayloadIntegrityOf(OwnExecutablePath(), PayloadArchivePath()); }

bool CheckPayloadIntegrityOf(const std::wstring& installer, const std::wstring& payload) {
  const std::string actual = ComputeFileCrc32(payload);
  const std::wstring copy = State().WorkFolder + NamePart(installer);
  SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);  // a copy left read-only by an earlier run
  FileOperation(L"copy", installer, copy, true);
  const std::string expected = ReadInstallerTrailer(copy);
  // An installer from a CD keeps its read-only attribute in the copy; clear it
  // so the copy does not stay behind.
  SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(copy.c_str());
  if (actual == expected) return true;
  ShowMessage(kDamagedInstaller);
  return false;
}

}  // namespace tarifex
