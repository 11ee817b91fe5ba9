#include "app/detection_rules.h"

namespace tarifex {

namespace {

constexpr wchar_t kQuote = L'"';
constexpr wchar_t kProductName[] = L"Тарифэкс";

}  // namespace

std::array<InstallPathProbe, 4> InstallPathProbes(const std::wstring& productKey) {
  return {{
      {kProductKeyParent + productKey, kInstallPathValue, true, L""},
      {L"SOFTWARE\\LUM-TESSARON\\Tarifex", kProgramPathValue, false, L"Tarifex\\"},
      {L"SOFTWARE\\LUM\\ZedOV", kProgramPathValue, false, L"ZedOV\\"},
      {kMakerKey, kInstallPathValue, false, L""},
  }};
}

std::wstring RemoveEvery(std::wstring text, const std::wstring& part) {
  if (part.empty()) return text;
  // Left to right without rescanning what was joined: "TarTarifex\ifex\" keeps
  // one "Tarifex\", as a single replace-all pass does.
  std::wstring out;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(part, from)) != std::wstring::npos; from = at + part.size())
    out.append(text, from, at - from);
  out.append(text, from, std::wstring::npos);
  return out;
}

InstallMode DecideInstallMode(const std::wstring& path, bool mainExePresent,
                              const std::wstring& installedVersion, const std::wstring& installedBuild,
                              const std::wstring& newVersion, const std::wstring& newBuild) {
  if (path.empty() || !mainExePresent || installedVersion != newVersion) return InstallMode::NewInstall;
  return installedBuild == newBuild ? InstallMode::Repair : InstallMode::Replace;
}

ModeTexts TextsForMode(InstallMode mode, const std::wstring& editionSuffix,
                       const std::wstring& installedVersion, const std::wstring& installedBuild,
                       const std::wstring& newVersion, const std::wstring& newBuild) {
  const std::wstring quotedName = kQuote + (kProductName + editionSuffix) + kQuote;
  const std::wstring newRelease = newVersion + L"." + newBuild;
  switch (mode) {
    case InstallMode::Replace:
      return {L"Внимание!!! У Вас уже есть Тарифэкс.",
              L"установка заменит Вашу версию " + installedVersion + L"." + installedBuild,
              L"на " + quotedName + L" версии: " + newRelease, L"Заменить"};
    case InstallMode::Repair:
      return {L"У Вас уже установлено тарифэкс" + editionSuffix, L"установка исправит",
              quotedName + L" версии: " + newRelease, L"Исправить"};
    case InstallMode::NewInstall:
      break;
  }
  return {L"На Ваш компютер будет произведена ", L"новая установка", quotedName + L" версия: " + newRelease,
          L"Установить"};
}

}  // namespace tarifex
