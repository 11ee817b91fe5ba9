#include "installer_trailer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "payload/file_crc32.h"
#include "unicode_text.h"

namespace tarifex::pack {
namespace {

std::string PathText(const std::filesystem::path& path) { return path.string(); }

std::string ErrnoText(int error) { return error ? std::string(": ") + std::strerror(error) : ""; }

// The file written beside the output until it is complete. Removed by the
// destructor unless it was renamed into place.
class TemporaryOutput {
 public:
  explicit TemporaryOutput(const std::filesystem::path& output) {
    const std::filesystem::path folder =
        output.has_parent_path() ? output.parent_path() : std::filesystem::path(".");
    std::random_device random;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
      char suffix[24];
      std::snprintf(suffix, sizeof suffix, ".tmp-%08x", unsigned(random()));
      std::string name = output.filename().string();
      name.insert(name.begin(), '.');
      name += suffix;
      path_ = folder / name;
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
      const int error = errno;
      throw PackError("cannot create a temporary file in " + PathText(folder) + ErrnoText(error));
    }
  }
  ~TemporaryOutput() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(path_.c_str());
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;

  void Write(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
      const ssize_t done = ::write(fd_, bytes, count);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) throw PackError("cannot write " + PathText(path_) + ErrnoText(errno));
      bytes += done;
      count -= std::size_t(done);
    }
  }

  // Makes the content durable before the rename, so a crash cannot leave an
  // output whose name is in place but whose bytes are not.
  void CommitAs(const std::filesystem::path& output, std::filesystem::perms perms) {
    ::fchmod(fd_, static_cast<mode_t>(perms & std::filesystem::perms::mask));
    if (::fsync(fd_) != 0) throw PackError("cannot write " + PathText(path_) + ErrnoText(errno));
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) throw PackError("cannot write " + PathText(path_) + ErrnoText(errno));
    if (std::rename(path_.c_str(), output.c_str()) != 0)
      throw PackError("cannot rename " + PathText(path_) + " to " + PathText(output) +
                      ErrnoText(errno));
    committed_ = true;
  }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  bool committed_ = false;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenInput(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec))
    throw FileReadError("cannot read " + PathText(path) + ErrnoText(EISDIR));
  errno = 0;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) throw FileReadError("cannot open " + PathText(path) + ErrnoText(errno));
  return file;
}

}  // namespace

SingleByteCodePage CodePageOrThrow(int number) {
  auto codePage = SingleByteCodePage::Get(number);
  if (!codePage)
    throw PackError("code page " + std::to_string(number) + " is not supported (use 1251 or 1252)");
  return *codePage;
}

std::string TrailerKey(std::u16string_view name, const SingleByteCodePage& codePage) {
  return codePage.Encode(TrailerKeyText(name, kTrailerSize));
}

void CheckDistributionName(std::u16string_view name) {
  if (name.empty()) throw PackError("the distribution name is empty");
  for (char16_t c : name) {
    // The installer keys on the text after the last "\" or ":"; a name holding
    // either would never be the name it sees.
    if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos)
      throw PackError("the distribution name must be a plain Windows file name, not \"" +
                      Utf16ToUtf8(name) + "\"");
  }
}

std::u16string UnencodableCharacters(std::u16string_view name,
                                     const SingleByteCodePage& codePage) {
  std::u16string missing;
  for (char16_t c : name) {
    if (c != u'?' && codePage.Encode(std::u16string_view(&c, 1)) == "?") missing.push_back(c);
  }
  return missing;
}

TrailerBytes MakeTrailer(std::string_view checksumText, std::u16string_view name,
                         const SingleByteCodePage& codePage, std::uint64_t seed) {
  TrailerBytes trailer = ComposePlainTrailer(checksumText, seed);
  EncipherTrailer(trailer.data(), trailer.size(), TrailerKey(name, codePage));
  return trailer;
}

std::string DecodeTrailer(const TrailerBytes& trailer, std::u16string_view name,
                          const SingleByteCodePage& codePage) {
  // In a single-byte code page bytes -> text -> bytes is the identity, so the
  // installer's round trips through text are left out here.
  TrailerBytes plain = trailer;
  DecipherTrailer(plain.data(), plain.size(), TrailerKey(name, codePage));
  return BracedText(std::string_view(reinterpret_cast<const char*>(plain.data()), plain.size()));
}

TrailerBytes ReadTrailer(const std::filesystem::path& installer) {
  FilePtr file = OpenInput(installer);
  if (std::fseek(file.get(), 0, SEEK_END) != 0)
    throw FileReadError("cannot read " + PathText(installer) + ErrnoText(errno));
  const long size = std::ftell(file.get());
  if (size < 0) throw FileReadError("cannot read " + PathText(installer) + ErrnoText(errno));
  if (std::size_t(size) < kTrailerSize)
    throw FileReadError(PathText(installer) + " is shorter than the " +
                        std::to_string(kTrailerSize) + "-byte trailer");
  TrailerBytes trailer{};
  if (std::fseek(file.get(), size - long(kTrailerSize), SEEK_SET) != 0 ||
      std::fread(trailer.data(), 1, trailer.size(), file.get()) != trailer.size())
    throw FileReadError("cannot read " + PathText(installer) + ErrnoText(errno));
  return trailer;
}

std::string SealInstaller(const SealRequest& request) {
  CheckDistributionName(request.name);
  const SingleByteCodePage codePage = CodePageOrThrow(request.codePage);
  // Every input is read before the output is created, so a missing one leaves nothing behind.
  const std::string checksum = FileCrc32Text(request.payload);
  FilePtr input = OpenInput(request.installer);
  std::error_code ec;
  const auto perms = std::filesystem::status(request.installer, ec).permissions();

  TemporaryOutput output(request.output);
  std::vector<std::uint8_t> block(std::size_t(1) << 20);
  for (;;) {
    errno = 0;
    const std::size_t got = std::fread(block.data(), 1, block.size(), input.get());
    output.Write(block.data(), got);
    if (got < block.size()) {
      if (std::ferror(input.get()))
        throw FileReadError("cannot read " + PathText(request.installer) + ErrnoText(errno));
      break;
    }
  }
  input.reset();
  const TrailerBytes trailer = MakeTrailer(checksum, request.name, codePage, request.seed);
  output.Write(trailer.data(), trailer.size());
  output.CommitAs(request.output, ec ? std::filesystem::perms(0755) : perms);
  return checksum;
}

VerifyResult VerifyInstaller(const std::filesystem::path& installer,
                             const std::filesystem::path& payload, std::u16string_view name,
                             const SingleByteCodePage& codePage) {
  VerifyResult result;
  result.expected = DecodeTrailer(ReadTrailer(installer), name, codePage);
  result.actual = FileCrc32Text(payload);
  return result;
}

}  // namespace tarifex::pack
