#include "platform/file/file_lock.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "common/date.hpp"
#include "common/format.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "platform/file/file_errors.hpp"

namespace korvax::file {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kKorvaxMark = " (Korvax)";

std::string ReadSmallFile(const fs::path& path, size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return {};
  std::string bytes(limit, '\0');
  ssize_t got = 0;
  do {
    got = ::read(fd, bytes.data(), bytes.size());
  } while (got < 0 && errno == EINTR);
  ::close(fd);
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return bytes;
}

std::string LocalHost() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

// The login and the full name of the user this process runs as.
std::pair<std::string, std::string> ThisUser() {
  const passwd* pw = ::getpwuid(::geteuid());
  if (pw == nullptr) return {std::to_string(::geteuid()), {}};
  std::string full = pw->pw_gecos != nullptr ? pw->pw_gecos : "";
  full = full.substr(0, full.find(','));  // the name before room and telephone
  return {pw->pw_name, full};
}

// "14.05.2026 10:23", as LibreOffice writes the time into its lock files.
std::string NowText() {
  const Variant now(Date::Now());
  return Format(now, "dd.mm.yyyy") + " " + Format(now, "hh:mm");
}

std::string Escape(std::string_view field) {
  std::string out;
  for (char c : field) {
    if (c == '\\' || c == ',' || c == ';') out += '\\';
    out += c;
  }
  return out;
}

// "büro-3" and "büro-3.example.org" name the same machine.
bool SameHost(std::string_view a, std::string_view b) {
  auto folded = [](std::string_view s) {
    std::string out(s.substr(0, s.find('.')));
    for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
  };
  return !a.empty() && folded(a) == folded(b);
}

// The process and program of a system lock on the file, from /proc/locks.
void FindSystemHolder(int fd, LockHolder& holder) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return;
  char key[64];
  std::snprintf(key, sizeof key, "%02x:%02x:%llu", ::major(st.st_dev), ::minor(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, advisory, mode, pid, where;
    fields >> number >> kind;
    if (kind == "->") fields >> kind;  // a waiter
    fields >> advisory >> mode >> pid >> where;
    if (where != key) continue;
    holder.pid = std::atoi(pid.c_str());
    if (holder.pid == ::getpid()) {
      holder.pid = 0;  // a lock of this process's own: another open of the file
      continue;
    }
    if (holder.pid > 0) {
      std::string comm = ReadSmallFile("/proc/" + pid + "/comm", 64);
      while (!comm.empty() && comm.back() == '\n') comm.pop_back();
      holder.program = comm;
      return;
    }
  }
}

// True when another process of this machine that we may look at has the file
// open: Writer keeps its documents open while they are edited.
bool OpenElsewhere(const fs::path& file) {
  struct stat target {};
  if (::stat(file.c_str(), &target) != 0) return false;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return false;
  const std::string self = std::to_string(::getpid());
  bool found = false;
  while (!found) {
    const dirent* process = ::readdir(proc);
    if (process == nullptr) break;
    const std::string pid = process->d_name;
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) {
      continue;
    }
    const std::string fds = "/proc/" + pid + "/fd";
    DIR* dir = ::opendir(fds.c_str());
    if (dir == nullptr) continue;  // gone, or another user's
    while (const dirent* entry = ::readdir(dir)) {
      struct stat st {};
      if (entry->d_name[0] == '.' || ::stat((fds + "/" + entry->d_name).c_str(), &st) != 0) {
        continue;
      }
      if (st.st_dev == target.st_dev && st.st_ino == target.st_ino) {
        found = true;
        break;
      }
    }
    ::closedir(dir);
  }
  ::closedir(proc);
  return found;
}

// Recursive: a lock given up while Acquire holds the mutex unregisters itself.
std::recursive_mutex registry_mutex;
std::map<std::string, std::weak_ptr<FileLock>>& Registry() {
  static std::map<std::string, std::weak_ptr<FileLock>> registry;
  return registry;
}

}  // namespace

std::string LockHolder::Describe() const {
  std::string where = program;
  if (!host.empty()) where += (where.empty() ? "auf " : " auf ") + host;
  if (!since.empty()) where += (where.empty() ? "seit " : ", seit ") + since;
  if (pid > 0) where += (where.empty() ? "Prozess " : ", Prozess ") + std::to_string(pid);
  std::string who = user.empty() ? "einem unbekannten Benutzer" : user;
  if (user.empty() && lock_file.empty()) who = "einem anderen Programm";
  if (!where.empty()) who += " (" + where + ")";
  if (!lock_file.empty()) who += ", Sperrdatei \"" + lock_file.filename().string() + "\"";
  return who;
}

fs::path LibreOfficeLockFile(const fs::path& file) {
  return file.parent_path() / (".~lock." + file.filename().string() + "#");
}

fs::path WordOwnerFile(const fs::path& file) {
  // Word replaces the first characters of a long name by "~$".
  const std::string name = file.filename().string();
  const std::string extension = file.extension().string();
  const int stem = text::Len(name) - text::Len(extension);
  const int cut = stem >= 8 ? 2 : stem == 7 ? 1 : 0;
  return file.parent_path() / ("~$" + text::Mid(name, cut + 1));
}

std::optional<LockHolder> ReadLibreOfficeLockFile(const fs::path& lock_file) {
  // Five fields, each ended by ',' or ';'; LibreOffice reads no further.
  const std::string bytes = ReadSmallFile(lock_file, 4096);
  std::vector<std::string> fields(1);
  bool escaped = false;
  bool complete = false;
  for (char c : bytes) {
    if (escaped) {
      fields.back() += c;
      escaped = false;
    } else if (c == '\\') {
      escaped = true;
    } else if (c == ',' || c == ';') {
      complete = fields.size() == 5;
      if (complete) break;
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (!complete) return std::nullopt;
  LockHolder holder;
  holder.lock_file = lock_file;
  holder.program = "LibreOffice";
  holder.user = fields[0].empty() ? fields[1] : fields[0];
  if (holder.user.size() > kKorvaxMark.size() && holder.user.ends_with(kKorvaxMark)) {
    holder.user.resize(holder.user.size() - kKorvaxMark.size());
    holder.program = "Korvax";
  }
  holder.host = fields[2];
  holder.since = fields[3];
  return holder;
}

std::optional<LockHolder> ReadWordOwnerFile(const fs::path& owner_file) {
  std::error_code ec;
  if (!fs::is_regular_file(owner_file, ec)) return std::nullopt;
  const std::string bytes = ReadSmallFile(owner_file, 512);
  LockHolder holder;
  holder.lock_file = owner_file;
  holder.program = "Word";
  const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 162 && at(0) > 0 && at(0) <= 52 && at(54) > 0 && at(54) <= 52) {
    std::u32string name;
    for (size_t i = 0; i < at(54); ++i)
      name += static_cast<char32_t>(at(56 + 2 * i) | at(57 + 2 * i) << 8);
    holder.user = text::ToUtf8(name);
  } else if (!bytes.empty() && at(0) > 0 && at(0) < bytes.size()) {
    std::u32string name;  // the ANSI name alone, read as Latin-1
    for (size_t i = 1; i <= at(0); ++i) name += static_cast<char32_t>(at(i));
    holder.user = text::ToUtf8(name);
  }
  return holder;  // an owner file of unknown layout still tells that Word has the file
}

bool TryLock(int fd) {
  // Another's lock shows as EWOULDBLOCK (EAGAIN, EACCES for fcntl); a file
  // system without locks (ENOLCK, EOPNOTSUPP) leaves the lock files alone to tell.
  int rc = 0;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0 && errno == EWOULDBLOCK) return false;
  const bool flocked = rc == 0;
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  do {
    rc = ::fcntl(fd, F_OFD_SETLK, &whole);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0 && (errno == EAGAIN || errno == EACCES)) {
    if (flocked) ::flock(fd, LOCK_UN);
    return false;
  }
  return true;
}

std::shared_ptr<FileLock> FileLock::Acquire(const fs::path& file) {
  std::lock_guard<std::recursive_mutex> guard(registry_mutex);
  auto& registry = Registry();
  if (auto it = registry.find(file.string()); it != registry.end()) {
    if (auto shared = it->second.lock()) return shared;
  }

  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) throw errors::FileNotFound(file.string());
    throw errors::ReadOnly(file.string(), std::strerror(error));
  }
  auto refuse = [&](LockHolder holder) {
    ::close(fd);
    throw errors::InUse(file.string(), holder.Describe());
  };
  const fs::path libreoffice = LibreOfficeLockFile(file);
  if (!TryLock(fd)) {
    // Who it is: its lock file says, which a holder that has just taken the
    // lock may be about to write.
    LockHolder holder;
    for (int attempt = 0; attempt < 10 && holder.lock_file.empty(); ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (auto from_file = ReadLibreOfficeLockFile(libreoffice))
        holder = *from_file;
      else if (auto owner = ReadWordOwnerFile(WordOwnerFile(file)))
        holder = *owner;
    }
    if (holder.user.empty()) FindSystemHolder(fd, holder);
    refuse(holder);
  }
  if (auto owner = ReadWordOwnerFile(WordOwnerFile(file))) refuse(*owner);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(libreoffice, ec))) {
    // No process holds the file's locks now. A lock file of this machine
    // whose process no longer has the file open is a leftover; another
    // machine's, or one that cannot be read, is taken at its word.
    const auto holder = ReadLibreOfficeLockFile(libreoffice);
    const bool this_machine = holder && SameHost(holder->host, LocalHost());
    if (!this_machine || OpenElsewhere(file)) {
      LockHolder unknown;
      unknown.lock_file = libreoffice;
      refuse(holder ? *holder : unknown);
    }
  }

  std::shared_ptr<FileLock> lock(new FileLock(file, fd));
  lock->WriteLockFile();
  registry[file.string()] = lock;
  return lock;
}

std::shared_ptr<FileLock> FileLock::Hold(const fs::path& file, int fd) {
  std::lock_guard<std::recursive_mutex> guard(registry_mutex);
  std::shared_ptr<FileLock> lock(new FileLock(file, fd));
  lock->WriteLockFile();
  Registry()[file.string()] = lock;
  return lock;
}

void FileLock::WriteLockFile() {
  const auto [login, full_name] = ThisUser();
  const std::string shown = (full_name.empty() ? login : full_name) + std::string(kKorvaxMark);
  const std::string content = Escape(shown) + "," + Escape(login) + "," + Escape(LocalHost()) +
                              "," + Escape(NowText()) + ",;";
  const fs::path path = LibreOfficeLockFile(file_);
  // Never through a link someone placed under the lock file's name.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return;  // the file's own locks still hold
  const bool written =
      ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  ::close(fd);
  if (written) lock_file_text_ = content;
}

FileLock::~FileLock() {
  if (!lock_file_text_.empty()) {
    const fs::path path = LibreOfficeLockFile(file_);
    if (ReadSmallFile(path, 4096) == lock_file_text_) ::unlink(path.c_str());
  }
  if (fd_ >= 0) ::close(fd_);
  std::lock_guard<std::recursive_mutex> guard(registry_mutex);
  auto& registry = Registry();
  if (auto it = registry.find(file_.string()); it != registry.end() && it->second.expired()) {
    registry.erase(it);
  }
}

void FileLock::Adopt(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace korvax::file
