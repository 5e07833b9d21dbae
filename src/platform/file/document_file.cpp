#include "platform/file/document_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <xxhash.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "common/date.hpp"
#include "common/format.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "platform/file/file_errors.hpp"

namespace korvax::file {

namespace fs = std::filesystem;

namespace {

std::string Why(int error) {
  return std::strerror(error);
}

// Closes a descriptor and removes a file on every way out unless released.
struct Scratch {
  fs::path path;
  int fd = -1;
  ~Scratch() {
    if (fd >= 0) ::close(fd);
    if (!path.empty()) ::unlink(path.c_str());
  }
  int Release() {
    path.clear();
    const int kept = fd;
    fd = -1;
    return kept;
  }
};

FileStamp StampOfOpen(int fd, std::string_view known_content = {}, bool content_known = false) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw std::system_error(errno, std::generic_category());
  FileStamp stamp;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modified = st.st_mtim;
  XXH128_hash_t hash{};
  if (content_known) {
    hash = XXH3_128bits(known_content.data(), known_content.size());
  } else {
    std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> state(XXH3_createState(),
                                                                          &XXH3_freeState);
    XXH3_128bits_reset(state.get());
    std::vector<char> buffer(256 * 1024);
    for (off_t at = 0;;) {
      const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), at);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw std::system_error(errno, std::generic_category());
      if (got == 0) break;
      XXH3_128bits_update(state.get(), buffer.data(), static_cast<size_t>(got));
      at += got;
    }
    hash = XXH3_128bits_digest(state.get());
  }
  stamp.hash_low = hash.low64;
  stamp.hash_high = hash.high64;
  return stamp;
}

// Why a file may not be saved over, empty when it may.
std::string ReadOnlyReason(const fs::path& real, const struct stat& st) {
  // Checked in the mode itself too: root may write anything, but a file
  // nobody may write is meant to stay as it is.
  if ((st.st_mode & 0222) == 0) return "für niemanden beschreibbar";
  if (::access(real.c_str(), W_OK) != 0) {
    return errno == EROFS ? "auf einem nur lesbaren Laufwerk" : "keine Schreibberechtigung";
  }
  const fs::path dir = real.parent_path();
  if (::access(dir.c_str(), W_OK | X_OK) != 0) return "der Ordner ist schreibgeschützt";
  return {};
}

mode_t Umask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 022;
}

std::string WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Why(n < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  if (::fsync(fd) != 0) return Why(errno);
  return {};
}

void SyncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::string TempPrefix(const fs::path& real) {
  std::string prefix = ".";
  prefix += real.filename().string();
  return prefix + ".korvax-";
}

// A new private file beside the real one, under a name no one else uses.
Scratch CreateTemp(const fs::path& real) {
  static std::atomic<int> counter{0};
  Scratch temp;
  for (int attempt = 0; attempt < 100 && temp.fd < 0; ++attempt) {
    temp.path = real.parent_path() /
                (TempPrefix(real) + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    temp.fd = ::open(temp.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (temp.fd < 0 && errno != EEXIST) {
      const int error = errno;
      temp.path.clear();
      throw errors::SaveFailed(real.string(),
                               "die temporäre Datei ist nicht anlegbar (" + Why(error) + ")");
    }
  }
  if (temp.fd < 0) {
    temp.path.clear();
    throw errors::SaveFailed(real.string(), "die temporäre Datei ist nicht anlegbar");
  }
  return temp;
}

// Temporary files of saves that were killed; only the holder of the file's
// lock saves it, so every one found now is a leftover.
void RemoveLeftovers(const fs::path& real) {
  const std::string prefix = TempPrefix(real);
  DIR* dir = ::opendir(real.parent_path().c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind(prefix, 0) != 0) continue;
    const fs::path path = real.parent_path() / name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(dir);
}

// Owner and group where this user may set them. The file stays private
// (0600) meanwhile: its mode and attributes follow once it has its name.
void CopyOwner(const struct stat& st, int to) {
  if (::fchown(to, st.st_uid, st.st_gid) != 0) {
    (void)!::fchown(to, static_cast<uid_t>(-1), st.st_gid);
  }
}

// The extended attributes (ACLs among them) as far as they may be set, then
// the mode.
void CopyAttributesAndMode(int from, const struct stat& st, int to) {
  if (from >= 0) {
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    std::vector<char> names(size > 0 ? static_cast<size_t>(size) : 0);
    const ssize_t got = size > 0 ? ::flistxattr(from, names.data(), names.size()) : 0;
    for (ssize_t i = 0; i < got; i += static_cast<ssize_t>(std::strlen(&names[i])) + 1) {
      const char* name = &names[i];
      const ssize_t length = ::fgetxattr(from, name, nullptr, 0);
      if (length < 0) continue;
      std::vector<char> value(static_cast<size_t>(length));
      if (::fgetxattr(from, name, value.data(), value.size()) == length) {
        ::fsetxattr(to, name, value.data(), value.size(), 0);
      }
    }
  }
  ::fchmod(to, st.st_mode & 07777);
}

// "14.05.2026 10.23": the time for a file name, without the colon that
// Windows shares refuse.
std::string TimeForName() {
  const Variant now(Date::Now());
  return Format(now, "dd.mm.yyyy") + " " + text::Replace(Format(now, "hh:mm"), ":", ".");
}

// Keeps bytes that may not go into the file beside it, readable as the file
// is: "Rechnung (Korvax-Kopie 14.05.2026 10.23).docx", or "... 10.23 2)..".
fs::path WriteRecoveryCopy(const fs::path& real, std::string_view bytes) {
  const std::string stem = real.stem().string() + " (Korvax-Kopie " + TimeForName();
  struct stat st {};
  const bool known = ::stat(real.c_str(), &st) == 0;
  for (int n = 1; n < 100; ++n) {
    std::string suffix = n == 1 ? "" : " ";
    if (n > 1) suffix += std::to_string(n);
    suffix += ")";
    Scratch copy;
    copy.path = real.parent_path() / (stem + suffix + real.extension().string());
    copy.fd = ::open(copy.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (copy.fd < 0 && errno == EEXIST) {
      copy.path.clear();
      continue;
    }
    if (copy.fd < 0) {
      copy.path.clear();
      break;
    }
    if (!WriteAll(copy.fd, bytes).empty()) break;
    if (known) {
      CopyOwner(st, copy.fd);
      CopyAttributesAndMode(-1, st, copy.fd);
    }
    const fs::path kept = copy.path;
    ::close(copy.Release());
    SyncDirectory(real.parent_path());
    return kept;
  }
  throw errors::SaveFailed(real.string(), "eine Kopie ließ sich daneben nicht anlegen");
}

}  // namespace

bool FileStamp::SameMetadata(const FileStamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

bool FileStamp::operator==(const FileStamp& other) const {
  return SameMetadata(other) && hash_low == other.hash_low && hash_high == other.hash_high;
}

FileStamp StampOf(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw std::system_error(errno, std::generic_category());
  try {
    const FileStamp stamp = StampOfOpen(fd);
    ::close(fd);
    return stamp;
  } catch (...) {
    ::close(fd);
    throw;
  }
}

std::unique_ptr<DocumentFile> DocumentFile::Open(const fs::path& path) {
  std::error_code ec;
  const fs::path real = fs::canonical(path, ec);
  struct stat st {};
  if (ec || ::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    throw errors::FileNotFound(path.string());
  }
  std::unique_ptr<DocumentFile> file(new DocumentFile());
  file->path_ = path;
  file->real_ = real;
  file->read_only_reason_ = ReadOnlyReason(real, st);
  if (!file->ReadOnly()) file->lock_ = FileLock::Acquire(real);
  try {
    file->stamp_ = StampOf(real);
  } catch (const std::system_error& e) {
    throw Unreadable(e.what());
  }
  return file;
}

void DocumentFile::Confirm() const {
  struct stat st {};
  FileStamp now;
  if (::stat(real_.c_str(), &st) == 0) {
    now.device = st.st_dev;
    now.inode = st.st_ino;
    now.size = st.st_size;
    now.modified = st.st_mtim;
  }
  if (!now.SameMetadata(stamp_)) {
    throw errors::InUse(path_.string(), "einem anderen Programm, das sie beim Öffnen änderte");
  }
}

void WriteWhole(const fs::path& path, std::string_view bytes) {
  const fs::path dir = path.parent_path().empty() ? "." : path.parent_path();
  Scratch temp = CreateTemp(dir / path.filename());
  if (std::string why = WriteAll(temp.fd, bytes); !why.empty()) {
    throw errors::SaveFailed(path.string(), why);
  }
  ::fchmod(temp.fd, 0666 & ~Umask());
  if (::rename(temp.path.c_str(), path.c_str()) != 0) {
    throw errors::SaveFailed(path.string(), Why(errno));
  }
  temp.path.clear();  // renamed: nothing to remove
  SyncDirectory(dir);
}

std::unique_ptr<DocumentFile> DocumentFile::SaveNew(const fs::path& path, std::string_view bytes) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (fs::is_directory(status)) throw errors::SaveFailed(path.string(), "das ist ein Ordner");
  if (fs::exists(status)) {
    auto file = Open(path);
    file->Save(bytes);
    return file;
  }
  if (fs::exists(fs::symlink_status(path, ec))) {
    throw errors::SaveFailed(path.string(), "die Verknüpfung zeigt auf keine Datei");
  }
  const fs::path dir = fs::canonical(path.parent_path().empty() ? "." : path.parent_path(), ec);
  if (ec || !fs::is_directory(dir, ec)) {
    throw errors::SaveFailed(path.string(), "den Ordner gibt es nicht");
  }
  const fs::path real = dir / path.filename();
  Scratch temp = CreateTemp(real);
  if (std::string why = WriteAll(temp.fd, bytes); !why.empty()) {
    throw errors::SaveFailed(path.string(), why);
  }
  TryLock(temp.fd);
  // Never over a file someone else created meanwhile.
  if (::renameat2(AT_FDCWD, temp.path.c_str(), AT_FDCWD, real.c_str(), RENAME_NOREPLACE) != 0) {
    throw errors::SaveFailed(path.string(), errno == EEXIST ? "die Datei entstand inzwischen "
                                                              "von anderer Seite"
                                                            : Why(errno));
  }
  const int fd = temp.Release();
  ::fchmod(fd, 0666 & ~Umask());
  SyncDirectory(dir);
  std::unique_ptr<DocumentFile> file(new DocumentFile());
  file->path_ = path;
  file->real_ = real;
  file->stamp_ = StampOfOpen(fd, bytes, true);
  file->lock_ = FileLock::Hold(real, fd);
  return file;
}

void DocumentFile::Save(std::string_view bytes) {
  struct stat st {};
  const bool present = ::stat(real_.c_str(), &st) == 0;
  if (ReadOnly()) throw errors::ReadOnly(path_.string(), read_only_reason_);
  if (present) {
    if (std::string reason = ReadOnlyReason(real_, st); !reason.empty()) {
      throw errors::ReadOnly(path_.string(), reason);
    }
  }
  FileStamp now;
  try {
    if (present) now = StampOf(real_);
  } catch (const std::system_error&) {
  }
  if (!present || !(now == stamp_)) {
    throw errors::ChangedMeanwhile(path_.string(), WriteRecoveryCopy(real_, bytes).string());
  }
  RemoveLeftovers(real_);

  Scratch temp = CreateTemp(real_);
  if (std::string why = WriteAll(temp.fd, bytes); !why.empty()) {
    throw errors::SaveFailed(path_.string(), why);
  }
  if (st.st_nlink > 1) {
    ReplaceInPlace(bytes);
    return;
  }
  CopyOwner(st, temp.fd);
  TryLock(temp.fd);  // the new file is locked before anyone can see it
  // A last look: a writer who ignores locks may have come in while we wrote.
  struct stat again {};
  if (::stat(real_.c_str(), &again) != 0 || again.st_ino != st.st_ino ||
      again.st_size != st.st_size || again.st_mtim.tv_sec != st.st_mtim.tv_sec ||
      again.st_mtim.tv_nsec != st.st_mtim.tv_nsec) {
    throw errors::ChangedMeanwhile(path_.string(), WriteRecoveryCopy(real_, bytes).string());
  }
  if (::rename(temp.path.c_str(), real_.c_str()) != 0) {
    throw errors::SaveFailed(path_.string(), Why(errno));
  }
  const int fd = temp.Release();
  // Set once the file has its name, so that it was private until then; the
  // directory's sync below commits these changes of the inode with the
  // rename on journaling file systems. Should they be lost in a crash, the
  // invoice stays whole and private to its owner.
  CopyAttributesAndMode(lock_->Descriptor(), st, fd);
  SyncDirectory(real_.parent_path());
  stamp_ = StampOfOpen(fd, bytes, true);
  lock_->Adopt(fd);
}

fs::path DocumentFile::SaveCopy(std::string_view bytes) const {
  return WriteRecoveryCopy(real_, bytes);
}

void DocumentFile::ReplaceInPlace(std::string_view bytes) {
  // A file with several names keeps them all: its content is replaced in
  // place. Should that fail part-way, the old content is written back and the
  // new one kept beside it.
  const int fd = lock_->Descriptor();
  std::string old(static_cast<size_t>(stamp_.size), '\0');
  if (::pread(fd, old.data(), old.size(), 0) != static_cast<ssize_t>(old.size())) {
    throw errors::SaveFailed(path_.string(), Why(errno));
  }
  auto overwrite = [&](std::string_view content) -> std::string {
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) return Why(errno);
    return WriteAll(fd, content);
  };
  if (std::string why = overwrite(bytes); !why.empty()) {
    overwrite(old);
    const fs::path copy = WriteRecoveryCopy(real_, bytes);
    throw errors::SaveFailed(path_.string(),
                             why + "; der neue Inhalt steht in \"" + copy.string() + "\"");
  }
  stamp_ = StampOfOpen(fd, bytes, true);
}

}  // namespace korvax::file
