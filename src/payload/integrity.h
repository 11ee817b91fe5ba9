// The payload integrity check: the payload's CRC-32 against the record that
// the packaging tool enciphered into the installer's last 100 bytes.
#pragma once

#include <string>

namespace tarifex {

// Checksum text of the file. Opens it for reading only, so a payload on a CD
// or with the read-only attribute can be checked. Throws InstallerError when
// the file cannot be opened or read.
std::string ComputeFileCrc32(const std::wstring& path);

// The checksum text the trailer of the file at path holds for that file's own
// name (empty or garbage when it does not decode). Throws InstallerError when
// the file cannot be opened, is shorter than the trailer, or cannot be read.
std::string ReadInstallerTrailer(const std::wstring& path);

// Compares the payload beside the installer with the installer's trailer,
// read from a copy in the work folder. On a mismatch shows the damaged-installer
// message and returns false. Errors from reading either file propagate.
bool CheckPayloadIntegrity();

// The same for a given installer file and payload (the installer's own path
// and txTopics.lum beside it in the real run).
bool CheckPayloadIntegrityOf(const std::wstring& installer, const std::wstring& payload);

}  // namespace tarifex
