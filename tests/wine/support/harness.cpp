#include "support/harness.h"

#include <atomic>
#include <stdexcept>

#include <gtest/gtest.h>

#include "util/scoped_handle.h"

namespace tarifex::test {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(std::size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
  return out;
}

std::wstring BuildDir() { return L"X:\\"; }
std::wstring FixturePath(const std::wstring& name) { return BuildDir() + L"fixtures\\" + name; }
std::wstring ProgramPath(const std::wstring& name) { return BuildDir() + L"tools\\stubs\\" + name; }

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const std::wstring base = L"C:\\tarifex-tests\\";
  CreateDirectoryW(base.c_str(), nullptr);
  for (;;) {
    path_ = base + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
    if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a temporary folder");
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

void RemoveTree(const std::wstring& folder) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base.push_back(L'\\');
  WIN32_FIND_DATAW data;
  ScopedFind find(FindFirstFileW((base + L"*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = base + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(path);
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.get(), &data));
  }
  find.reset();
  SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(base.c_str());
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error("cannot create " + Utf8(path));
  DWORD written = 0;
  if (!bytes.empty() && (!::WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
                         written != bytes.size()))
    throw std::runtime_error("cannot write " + Utf8(path));
}

std::string ReadFile(const std::wstring& path) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  if (!file) throw std::runtime_error("cannot open " + Utf8(path));
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

MessageCapture::MessageCapture()
    : previous_(SetMessageSink([this](const MessageRecord& m) { messages_.push_back(m); })) {}

MessageCapture::~MessageCapture() { SetMessageSink(std::move(previous_)); }

std::vector<std::wstring> MessageCapture::texts() const {
  std::vector<std::wstring> out;
  for (const auto& m : messages_) out.push_back(m.text);
  return out;
}

namespace {

// One request to the drive agent: write N.req atomically, wait for N.done.
void AskDriveAgent(const std::string& line) {
  static std::atomic<int> counter{0};
  const std::wstring dir = L"C:\\harness\\requests\\";
  const std::wstring stem = dir + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
  WriteFile(stem + L".tmp", line + "\n");
  if (!MoveFileW((stem + L".tmp").c_str(), (stem + L".req").c_str()))
    throw std::runtime_error("cannot post a drive request (is the Wine session running?)");
  const std::wstring done = stem + L".done";
  for (int i = 0; i < 500; ++i) {
    if (FileExists(done)) {
      std::string answer = ReadFile(done);
      DeleteFileW(done.c_str());
      while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
      if (answer != "ok") throw std::runtime_error("drive agent: " + answer + " (" + line + ")");
      return;
    }
    Sleep(20);
  }
  DeleteFileW((stem + L".req").c_str());
  throw std::runtime_error("the drive agent did not answer; run the tests through tools/wine/session (" + line + ")");
}

std::string Letter(wchar_t letter) { return std::string(1, char(letter)); }

}  // namespace

void MapDrive(wchar_t letter, const std::wstring& folderOnC) { AskDriveAgent("map " + Letter(letter) + " " + Utf8(folderOnC)); }
void MapTmpfsDrive(wchar_t letter, std::uint64_t bytes) { AskDriveAgent("tmpfs " + Letter(letter) + " " + std::to_string(bytes)); }
void UnmapDrive(wchar_t letter) { AskDriveAgent("unmap " + Letter(letter)); }

ScopedDrive::ScopedDrive(wchar_t letter, const std::wstring& folderOnC) : letter_(letter) { MapDrive(letter, folderOnC); }
ScopedDrive::ScopedDrive(wchar_t letter, std::uint64_t tmpfsBytes) : letter_(letter) { MapTmpfsDrive(letter, tmpfsBytes); }
ScopedDrive::~ScopedDrive() {
  try {
    UnmapDrive(letter_);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
  }
}

}  // namespace tarifex::test
