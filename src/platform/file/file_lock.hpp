// The lock of one editing session on a file, kept as word processors keep
// it: exclusive flock and fcntl locks on the file's open file description
// (fcntl locks reach the servers of network file systems that support them),
// and a lock file in LibreOffice's format beside the file, so that a user who
// opens it in Writer meanwhile is told who has it. The locks and lock files of
// others (LibreOffice's ".~lock.NAME#", Word's "~$NAME") are recognised.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace korvax::file {

// Who holds a file, as far as its lock file or the system tells.
struct LockHolder {
  std::string program;  // "LibreOffice", "Word", "Korvax"; empty when unknown
  std::string user;
  std::string host;
  std::string since;                // "14.05.2026 10:23", as the lock file has it
  std::filesystem::path lock_file;  // empty when only a system lock tells
  int pid = 0;                      // the process of a system lock, when known

  // "Erika Muster (LibreOffice auf büro-3, seit 14.05.2026 09:12)".
  std::string Describe() const;
};

// Where LibreOffice and Word put the lock file of `file`.
std::filesystem::path LibreOfficeLockFile(const std::filesystem::path& file);
std::filesystem::path WordOwnerFile(const std::filesystem::path& file);

// A lock file as LibreOffice writes it: ",user,login,host,date,profile;",
// fields escaped with a backslash. Nothing when it is unreadable or malformed.
std::optional<LockHolder> ReadLibreOfficeLockFile(const std::filesystem::path& lock_file);
// Word's owner file: the user's name as a length byte and ANSI characters,
// and at byte 54 again as a 16-bit length and UTF-16 characters.
std::optional<LockHolder> ReadWordOwnerFile(const std::filesystem::path& owner_file);

class FileLock {
 public:
  // Locks `file` (the real file, no link) for this process, or fails with
  // error 70 naming who holds it: another process's flock or fcntl lock, a
  // LibreOffice lock file of another host or of a process that still has the
  // file open, a Word owner file. A LibreOffice-format lock file of this host
  // whose process is gone (a killed run) is taken over. Within one process
  // the lock of a file is shared by everyone who asks for it.
  static std::shared_ptr<FileLock> Acquire(const std::filesystem::path& file);
  // The lock of a file this process has just created as `fd`, which TryLock
  // has locked already. Takes ownership of fd.
  static std::shared_ptr<FileLock> Hold(const std::filesystem::path& file, int fd);
  ~FileLock();  // unlocks and removes the lock file it wrote
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  const std::filesystem::path& File() const { return file_; }
  int Descriptor() const { return fd_; }  // open for reading and writing

  // The file was replaced by the one open as `fd` (renamed over it), which
  // TryLock has locked already: the lock holds that one from now on and
  // lets go of the old one. Takes ownership of fd.
  void Adopt(int fd);

 private:
  FileLock(std::filesystem::path file, int fd) : file_(std::move(file)), fd_(fd) {}
  void WriteLockFile();

  std::filesystem::path file_;
  int fd_ = -1;
  std::string lock_file_text_;  // what this process wrote, empty when none
};

// Takes the exclusive flock and fcntl locks of a descriptor open for writing;
// false when another open file description holds either. On a file system
// without such locks it takes none and says true: the lock files still tell.
bool TryLock(int fd);

}  // namespace korvax::file
