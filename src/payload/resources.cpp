#include "payload/resources.h"

#include <windows.h>

#include <algorithm>

#include "util/installer_error.h"
#include "util/scoped_handle.h"

namespace tarifex {
namespace {

// WriteFile takes a 32-bit count; large views go out in pieces.
constexpr std::size_t kWriteChunk = 1u << 20;

}  // namespace

std::optional<ResourceView> FindResourceView(const std::wstring& name) {
  HMODULE own = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(own, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!info) return std::nullopt;
  HGLOBAL loaded = LoadResource(own, info);
  if (!loaded) return std::nullopt;
  const DWORD size = SizeofResource(own, info);
  const void* data = LockResource(loaded);
  if (!data && size != 0) return std::nullopt;
  return ResourceView{data, size};
}

void WriteViewToFile(const ResourceView& view, const std::wstring& file) {
  ScopedFile out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) ThrowSystemError(L"Cannot create file \"" + file + L"\"", GetLastError());

  const auto* bytes = static_cast<const char*>(view.data);
  std::size_t done = 0;
  while (done < view.size) {
    const DWORD want = DWORD(std::min(kWriteChunk, view.size - done));
    DWORD written = 0;
    if (!WriteFile(out.get(), bytes + done, want, &written, nullptr) || written != want) {
      // A short write (a full disk) reports success with fewer bytes; the
      // system then often has no error code of its own.
      DWORD error = GetLastError();
      if (error == ERROR_SUCCESS) error = ERROR_DISK_FULL;
      out.reset();
      // A truncated tool would fail later in ways nobody can explain.
      DeleteFileW(file.c_str());
      ThrowSystemError(L"Cannot write file \"" + file + L"\"", error);
    }
    done += written;
  }
}

void SaveResourceToFile(const std::wstring& name, const std::wstring& file) {
  DeleteFileW(file.c_str());
  const std::optional<ResourceView> view = FindResourceView(name);
  if (!view) throw InstallerError(L"Resource " + name + L" not found");
  WriteViewToFile(*view, file);
}

}  // namespace tarifex
