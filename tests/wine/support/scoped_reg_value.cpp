#include "support/scoped_reg_value.h"

#include <vector>

#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

bool ReadValue(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view, std::wstring* text,
               DWORD* type) {
  ScopedRegKey handle;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, handle.receive()) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  if (RegQueryValueExW(handle.get(), name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(handle.get(), name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  *text = std::wstring(data.data());
  return true;
}

}  // namespace

ScopedRegValue::ScopedRegValue(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view)
    : root_(root), key_(key), name_(name), view_(view) {
  ScopedRegKey handle;
  keyExisted_ = RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, handle.receive()) == ERROR_SUCCESS;
  std::wstring text;
  if (ReadValue(root, key, name, view, &text, &previousType_)) previous_ = text;
}

ScopedRegValue::~ScopedRegValue() {
  if (previous_) {
    ScopedRegKey handle;
    if (RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view_, nullptr, handle.receive(),
                        nullptr) == ERROR_SUCCESS)
      RegSetValueExW(handle.get(), name_.c_str(), 0, previousType_, reinterpret_cast<const BYTE*>(previous_->c_str()),
                     DWORD((previous_->size() + 1) * sizeof(wchar_t)));
    return;
  }
  Remove();
  // A key the test created goes again, as long as nothing else landed in it.
  if (!keyExisted_) RegDeleteKeyExW(root_, key_.c_str(), view_, 0);
}

void ScopedRegValue::Set(const std::wstring& value) {
  ScopedRegKey handle;
  if (RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view_, nullptr, handle.receive(),
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(handle.get(), name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD((value.size() + 1) * sizeof(wchar_t)));
}

void ScopedRegValue::Remove() {
  ScopedRegKey handle;
  if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE | view_, handle.receive()) == ERROR_SUCCESS)
    RegDeleteValueW(handle.get(), name_.c_str());
}

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view) {
  std::wstring text;
  DWORD type = 0;
  if (!ReadValue(root, key, name, view, &text, &type)) return std::nullopt;
  return text;
}

}  // namespace tarifex::test
