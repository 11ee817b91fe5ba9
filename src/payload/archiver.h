// Extraction from any archive the installer handles (the payload, the fonts
// archive, the engine archives) through the console archiver sz.exe in the
// work folder, run hidden and awaited.
#pragma once

#include <string>

namespace tarifex {

// Extracts the members matching mask from archive into folder (with their
// paths inside the archive, overwriting without asking). The archiver's exit
// code is not read: a mask with "*" always counts as success; otherwise
// success is folder\mask existing afterwards with a size above 0 (an old file
// of that name is deleted first). False with nothing done when the archive's
// folder cannot be entered or the archive is missing. Throws nothing of its
// own. Leaves the process's current directory changed.
bool ExtractFromPayload(const std::wstring& archive, const std::wstring& mask,
                        const std::wstring& folder, const std::wstring& password);

}  // namespace tarifex
