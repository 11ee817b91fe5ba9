// Helpers for tests that run under Wine against the real system: temporary
// folders, drive letters served by the harness, message capture, files.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/message_box.h"

namespace tarifex::test {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// The build tree as the tests see it (X:\), and files in it.
std::wstring BuildDir();
std::wstring FixturePath(const std::wstring& name);  // X:\fixtures\NAME
std::wstring ProgramPath(const std::wstring& name);  // X:\tools\stubs\NAME

// A fresh folder under C:\tarifex-tests\, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }  // ends with a backslash
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};

// Removes a folder tree, clearing read-only attributes first. Missing is fine.
void RemoveTree(const std::wstring& folder);

// Files.
void WriteFile(const std::wstring& path, const std::string& bytes);
std::string ReadFile(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);

// Captures every message shown while it lives, instead of the modal box.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  const std::vector<MessageRecord>& messages() const { return messages_; }
  std::vector<std::wstring> texts() const;

 private:
  std::vector<MessageRecord> messages_;
  MessageSink previous_;
};

// COM on this thread (single-threaded apartment) while the owner lives, as
// the installer's entry sets it up; shell links need it.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

// Drive letters, served by the harness's drive agent (tools/wine/drive-agent).
// Each throws std::runtime_error when the agent refuses or does not answer.
void MapDrive(wchar_t letter, const std::wstring& folderOnC);
void MapTmpfsDrive(wchar_t letter, std::uint64_t bytes);
void UnmapDrive(wchar_t letter);

// Unmaps the drive when the test ends, also on failure.
class ScopedDrive {
 public:
  ScopedDrive(wchar_t letter, const std::wstring& folderOnC);
  ScopedDrive(wchar_t letter, std::uint64_t tmpfsBytes);
  ~ScopedDrive();
  std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

 private:
  wchar_t letter_;
};

}  // namespace tarifex::test
