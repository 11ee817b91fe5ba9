// RCDATA resources of the installer's own executable: the archiver and its
// libraries, the download tool, the fonts and the engine archives.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tarifex {

// Bytes of a resource as they lie in the loaded module; valid while the
// module stays loaded (for the own executable: the whole process).
struct ResourceView {
  const void* data;
  std::size_t size;
};

// The RCDATA resource of that name in the installer's own module. The
// platform matches names without regard to letter case. Nothing when missing.
std::optional<ResourceView> FindResourceView(const std::wstring& name);

// Creates or replaces file with exactly the view's bytes. Throws
// InstallerError naming the file when it cannot be created or not all bytes
// can be written; a partly written file is removed before throwing.
void WriteViewToFile(const ResourceView& view, const std::wstring& file);

// Deletes file (a failure is ignored), then writes the resource into it.
// Throws InstallerError "Resource NAME not found" for a missing resource (the
// old file is gone by then), and as WriteViewToFile for an unwritable file.
void SaveResourceToFile(const std::wstring& name, const std::wstring& file);

}  // namespace tarifex
