#include "payload/file_crc32.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "payload/crc32.h"

namespace tarifex {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string Describe(const std::filesystem::path& path, const char* what, int error) {
  std::string text = what;
  text += " ";
  // UTF-8 on every platform; path::string() may throw on Windows for names outside the ANSI page.
  const std::u8string name = path.u8string();
  text.append(name.begin(), name.end());
  if (error != 0) {
    text += ": ";
    text += std::strerror(error);
  }
  return text;
}

FilePtr OpenForReading(const std::filesystem::path& path) {
  std::error_code ec;
  // fopen happily opens a folder on Linux and fails only at the first read.
  if (std::filesystem::is_directory(path, ec))
    throw FileReadError(Describe(path, "cannot read", EISDIR));
  errno = 0;
#ifdef _WIN32
  FilePtr file(_wfopen(path.c_str(), L"rb"));
#else
  FilePtr file(std::fopen(path.c_str(), "rb"));
#endif
  if (!file) throw FileReadError(Describe(path, "cannot open", errno));
  // Our blocks are large already; a second buffer in stdio would only copy them again.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  return file;
}

const Crc32TableType& ByteTable() {
  static const Crc32TableType table = [] {
    Crc32TableType t{};
    BuildCrc32Table(t);
    return t;
  }();
  return table;
}

}  // namespace

std::uint32_t FileCrc32(const std::filesystem::path& path, Crc32Method method) {
  static const FastCrc32 fast(ByteTable());
  FilePtr file = OpenForReading(path);
  std::vector<std::uint8_t> block(kFileCrc32BlockSize);
  std::uint32_t crc = kCrc32Preset;
  for (;;) {
    errno = 0;
    const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
    if (got > 0) {
      crc = method == Crc32Method::kSlicingBy8 ? fast.Update(crc, block.data(), got)
                                               : UpdateCrc32(ByteTable(), crc, block.data(), got);
    }
    if (got < block.size()) {
      // A short read is either the end or an error; a checksum of a truncated read
      // would look like a damaged payload, so the error must not pass as the end.
      if (std::ferror(file.get())) throw FileReadError(Describe(path, "cannot read", errno));
      break;
    }
  }
  return crc ^ 0xFFFFFFFFu;
}

std::string FileCrc32Text(const std::filesystem::path& path) {
  return Crc32Text(FileCrc32(path));
}

}  // namespace tarifex
