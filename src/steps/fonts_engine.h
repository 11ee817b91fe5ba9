// The fonts and the database engine: the fonts are unpacked into the Windows
// fonts folder, then the engine installer of the system's variant is
// extracted, started for the user to go through, and awaited.
#pragma once

namespace tarifex {

// The engine variant that fits the system: which resource to write out and
// which two process names mean that the engine installer is still at work.
struct EngineVariant {
  const wchar_t* resource;      // engine archive among the own resources
  const wchar_t* installer;     // member extracted from it, started and watched
  const wchar_t* otherProcess;  // second process the installer runs
};

// True only when the installer runs as a WOW64 process (a 32-bit program on
// 64-bit Windows). False where IsWow64Process does not exist, where the call
// fails, and for a 64-bit process.
bool IsWow64();

// The 64-bit variant for a WOW64 process, the 32-bit one otherwise.
EngineVariant EngineVariantFor(bool wow64);

// Writes the fonts archive to WorkFolder + "Fonts" and unpacks all of it into
// the fonts folder named by HKCU's Shell Folders "Fonts", replacing files of
// the same names. When that value cannot be read nothing is unpacked. Throws
// InstallerError when the archive cannot be written.
void InstallFontsStep();

// The fonts, then the engine installer of EngineVariantFor(IsWow64()): written
// as WorkFolder + "BDE.rar", extracted into WorkFolder + "BDE\", started
// through the shell, followed by the wait dialog and a wait while either
// watched process runs (the status line asks the user to follow the engine
// setup meanwhile). Afterwards the engine archive is deleted and the BDE
// folder emptied of files. Whether the engine got installed is not examined.
// Throws InstallerError when a resource cannot be written.
void InstallEngineStep();

// The same step with the variant chosen for the given answer.
void InstallEngineStepFor(bool wow64);

}  // namespace tarifex
