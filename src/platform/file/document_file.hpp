// The file behind an open document, from opening to the last save: the real
// file behind any links, its lock, and what it was when it was read, so that
// a save never overwrites what someone else wrote meanwhile. Saves as an
// editor does: into a private temporary file beside the file, with the file's
// mode, owner, group and extended attributes, renamed over it at the end.
// Bytes in, file out: it knows nothing of what the bytes hold.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/file/file_lock.hpp"

namespace korvax::file {

// What a file is: compared before a save to find changes made meanwhile.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  unsigned long long hash_low = 0, hash_high = 0;  // of the content

  // Same file, size and modification time (the hash is not compared).
  bool SameMetadata(const FileStamp& other) const;
  bool operator==(const FileStamp& other) const;
};

// The stamp of the file at path, content hash included; fails with errno.
FileStamp StampOf(const std::filesystem::path& path);

// A file that is there but cannot be read: the caller, which knows what the
// file should hold, reports it. what() is the system's reason.
class Unreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes `bytes` as the whole content of `path`, as a save does: into a new
// file beside it, synced and renamed over it, the folder synced; on failure
// (4198) nothing is left behind and what was at `path` stays. No lock and no
// look at what was there: for copies and for files this process makes.
void WriteWhole(const std::filesystem::path& path, std::string_view bytes);

class DocumentFile {
 public:
  // Opens `path` for editing: follows links to the real file and locks it,
  // unless it is write-protected (no write permission in its mode, none for
  // this user, or a folder that takes no new files): such a file is read but
  // never saved over. Fails with 5174 when the file is missing, 70 when
  // someone else has it and Unreadable when it cannot be read. Stamped
  // before the caller reads it: Confirm after.
  static std::unique_ptr<DocumentFile> Open(const std::filesystem::path& path);

  // Writes `bytes` as a new file at `path` that does not exist yet, or over
  // one that is not open elsewhere (opened first, failing as Open does), and
  // keeps it open for editing.
  static std::unique_ptr<DocumentFile> SaveNew(const std::filesystem::path& path,
                                               std::string_view bytes);

  // Fails with 70 when the file changed between Open and reading it.
  void Confirm() const;

  const std::filesystem::path& Path() const { return path_; }  // as given
  const std::filesystem::path& RealPath() const { return real_; }
  bool ReadOnly() const { return !read_only_reason_.empty(); }

  // Saves `bytes` as the file's new content. Refuses a write-protected file
  // (75) and one that changed since it was opened or last saved (4199; the
  // bytes then go to a recovery copy beside it, named in the message). Other
  // failures are 4198; the file on disk is then as it was.
  void Save(std::string_view bytes);

  // Writes `bytes` to a new file beside this one, named as a Korvax copy
  // ("Rechnung (Korvax-Kopie 14.05.2026 10.23).docx"); returns its path.
  std::filesystem::path SaveCopy(std::string_view bytes) const;

 private:
  DocumentFile() = default;
  void ReplaceInPlace(std::string_view bytes);

  std::filesystem::path path_;
  std::filesystem::path real_;
  std::string read_only_reason_;
  std::shared_ptr<FileLock> lock_;
  FileStamp stamp_;
};

}  // namespace korvax::file
