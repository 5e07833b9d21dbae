// The invoice in ordinary office life, at the Word layer: locks and lock
// files of other programs, links, permissions and changes made meanwhile.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "common/error.hpp"
#include "office_life.hpp"
#include "platform/file/file_lock.hpp"
#include "platform/word/word.hpp"
#include "reliability_fixture.hpp"

namespace korvax::reliability {
namespace {

namespace fs = std::filesystem;

std::string HostName() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

// What `call` fails with: number and description.
std::pair<int, std::string> FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return {e.number(), e.description()};
  }
  return {0, ""};
}

// Another process that holds the file in its own way until the test ends.
class OtherProcess {
 public:
  explicit OtherProcess(const std::function<void()>& hold) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      hold();
      (void)!::write(ready[1], "r", 1);
      ::pause();
      ::_exit(0);
    }
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~OtherProcess() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

class FileLockTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    invoice_ = dir_ / "rechnung.docx";
    testing::WriteDocx(invoice_, P("Rechnung 2026-0017"));
    before_ = ReadBytes(invoice_);
  }

  // An edit and a save through the Word layer.
  static void EditAndSave(word::Document& doc, const std::string& text = "neu") {
    doc.Content().InsertAfter(text);
    doc.Save();
  }

  fs::path invoice_;
  std::string before_;
};

TEST_F(FileLockTest, AnInvoiceHeldElsewhereIsRefusedNamingWhoHasIt) {
  const fs::path libreoffice = dir_ / ".~lock.rechnung.docx#";
  std::string word_owner(162, '\0');
  const std::string name = "Hans Huber";
  word_owner[0] = static_cast<char>(name.size());
  word_owner.replace(1, name.size(), name);
  word_owner[54] = static_cast<char>(name.size());
  for (size_t i = 0; i < name.size(); ++i) word_owner[56 + 2 * i] = name[i];
  struct Case {
    const char* what;
    std::function<std::unique_ptr<OtherProcess>()> hold;
    std::string holder;  // expected in the message
  };
  const Case cases[] = {
      {"LibreOffice on another machine",
       [&] {
         WriteBytes(libreoffice,
                    "Erika Muster,erika,buero-3,14.05.2026 09:12,file:///home/erika/.config/"
                    "libreoffice/4;");
         return nullptr;
       },
       "Erika Muster (LibreOffice auf buero-3, seit 14.05.2026 09:12)"},
      {"LibreOffice on this machine, still open there",
       [&] {
         WriteBytes(libreoffice, ",erika," + HostName() + ",14.05.2026 09:12,;");
         return std::make_unique<OtherProcess>([&] { ::open(invoice_.c_str(), O_RDONLY); });
       },
       "erika (LibreOffice auf " + HostName()},
      {"a lock file that cannot be read",
       [&] {
         WriteBytes(libreoffice, "kaputt");
         return nullptr;
       },
       "einem unbekannten Benutzer, Sperrdatei \".~lock.rechnung.docx#\""},
      {"Word",
       [&] {
         WriteBytes(dir_ / "~$chnung.docx", word_owner);
         return nullptr;
       },
       "Hans Huber (Word)"},
      {"a flock of another program",
       [&] {
         return std::make_unique<OtherProcess>(
             [&] { ::flock(::open(invoice_.c_str(), O_RDONLY), LOCK_SH); });
       },
       "einem anderen Programm"},
      {"an fcntl lock of another program",
       [&] {
         return std::make_unique<OtherProcess>([&] {
           struct flock whole {};
           whole.l_type = F_WRLCK;
           ::fcntl(::open(invoice_.c_str(), O_RDWR), F_SETLK, &whole);
         });
       },
       "Prozess "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto other = c.hold();
    const auto [number, message] = FailureOf([&] { word::Document::Open(invoice_); });
    EXPECT_EQ(number, 70);
    EXPECT_NE(message.find(c.holder), std::string::npos) << message;
    if (other && std::string(c.what).find("fcntl") != std::string::npos) {
      EXPECT_NE(message.find("Prozess " + std::to_string(other->Pid())), std::string::npos);
    }
    EXPECT_EQ(ReadBytes(invoice_), before_);
    fs::remove(libreoffice);
    fs::remove(dir_ / "~$chnung.docx");
  }
}

TEST_F(FileLockTest, WriterIsToldWhoHasItAndALockLeftByAKilledRunIsTakenOver) {
  const fs::path lock_file = dir_ / ".~lock.rechnung.docx#";
  // A run that is killed while it has the invoice open leaves its lock file.
  const pid_t killed = ::fork();
  if (killed == 0) {
    auto doc = word::Document::Open(invoice_);
    ::kill(::getpid(), SIGKILL);
  }
  ::waitpid(killed, nullptr, 0);
  ASSERT_TRUE(fs::exists(lock_file));

  auto doc = word::Document::Open(invoice_);
  const auto holder = file::ReadLibreOfficeLockFile(lock_file);
  ASSERT_TRUE(holder.has_value());
  EXPECT_EQ(holder->program, "Korvax");
  EXPECT_EQ(holder->host, HostName());
  EXPECT_FALSE(holder->user.empty());
  EditAndSave(*doc);
  EXPECT_TRUE(fs::exists(lock_file));  // the lock stays across saves
  doc.reset();
  EXPECT_FALSE(fs::exists(lock_file));
}

TEST_F(FileLockTest, SavesGoThroughLinksAndKeepModeOwnerGroupAttributesAndNames) {
  fs::create_directory(dir_ / "ablage");
  const fs::path real = dir_ / "ablage" / "rechnung.docx";
  fs::rename(invoice_, real);
  fs::create_symlink(real, invoice_);
  fs::create_hard_link(real, dir_ / "ablage" / "kopie.docx");
  ::chmod(real.c_str(), 0640);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(real.c_str(), 1, 100), 0);
  }
  const bool attributes = ::setxattr(real.c_str(), "user.akte", "4711", 4, 0) == 0;
  struct stat before {};
  ::stat(real.c_str(), &before);

  auto doc = word::Document::Open(invoice_);
  EditAndSave(*doc);
  EXPECT_EQ(doc->FullName(), invoice_.string());
  EXPECT_TRUE(fs::is_symlink(invoice_));
  struct stat after {};
  ::stat(real.c_str(), &after);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(after.st_ino, before.st_ino);  // both names still name it
  EXPECT_EQ(after.st_nlink, 2u);
  EXPECT_EQ(ReadBytes(dir_ / "ablage" / "kopie.docx"), ReadBytes(real));
  if (attributes) {
    char value[16] = {};
    EXPECT_EQ(::getxattr(real.c_str(), "user.akte", value, sizeof value), 4);
    EXPECT_STREQ(value, "4711");
  }
  doc.reset();
  EXPECT_NE(word::Document::Open(invoice_)->Content().Text().find("neu"), std::string::npos);

  // Without a second name the file is replaced whole: mode and attributes go along.
  fs::remove(dir_ / "ablage" / "kopie.docx");
  doc = word::Document::Open(invoice_);
  EditAndSave(*doc, "!");
  ::stat(real.c_str(), &after);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_gid, before.st_gid);
  if (attributes) {
    EXPECT_EQ(::getxattr(real.c_str(), "user.akte", nullptr, 0), 4);
  }
}

TEST_F(FileLockTest, AWriteProtectedInvoiceIsRefusedAndStaysAsItIs) {
  ::chmod(invoice_.c_str(), 0444);
  auto doc = word::Document::Open(invoice_);
  EXPECT_TRUE(doc->ReadOnly());
  const auto [number, message] = FailureOf([&] { EditAndSave(*doc); });
  EXPECT_EQ(number, 75);
  EXPECT_NE(message.find("schreibgeschützt"), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(invoice_), before_);
  EXPECT_EQ(fs::status(invoice_).permissions(), fs::perms(0444));

  // As a user who may not write the file or the folder.
  ::chmod(invoice_.c_str(), 0644);
  fs::create_directory(dir_ / "fremd");
  const fs::path foreign = dir_ / "fremd" / "rechnung.docx";
  fs::copy_file(invoice_, foreign);
  const std::string report = AsUnprivilegedUser(dir_, [&]() -> std::string {
    ::chmod(invoice_.c_str(), 0444);
    ::chmod((dir_ / "fremd").c_str(), 0555);
    std::string failures;
    for (const fs::path& path : {invoice_, foreign}) {
      auto doc = word::Document::Open(path);
      if (!doc->ReadOnly()) failures += path.string() + " not read-only; ";
      if (ErrorOf([&] { EditAndSave(*doc); }) != 75) failures += path.string() + " saved; ";
      if (ReadBytes(path) != before_) failures += path.string() + " changed; ";
    }
    ::chmod((dir_ / "fremd").c_str(), 0755);
    return failures;
  });
  EXPECT_EQ(report, "");
}

TEST_F(FileLockTest, AnInvoiceChangedMeanwhileIsNotOverwrittenAndTheWorkGoesToACopy) {
  const std::string theirs_path = (dir_ / "andere.docx").string();
  testing::WriteDocx(theirs_path, P("Fassung eines anderen Programms"));
  const std::string theirs = ReadBytes(theirs_path);
  struct Case {
    const char* what;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"written over in place", [&] { WriteBytes(invoice_, theirs); }},
      {"replaced by another file",
       [&] { fs::copy_file(theirs_path, invoice_, fs::copy_options::overwrite_existing); }},
      {"renamed over",
       [&] {
         fs::copy_file(theirs_path, dir_ / "neu.docx");
         fs::rename(dir_ / "neu.docx", invoice_);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(invoice_, before_);
    auto doc = word::Document::Open(invoice_);
    doc->Content().InsertAfter(" mit Korvax");
    c.change();  // a program that ignores locks
    const auto [number, message] = FailureOf([&] { doc->Save(); });
    EXPECT_EQ(number, 4199);
    EXPECT_EQ(ReadBytes(invoice_), theirs);
    const size_t quote = message.rfind("\"", message.size() - 3);
    const fs::path copy = message.substr(quote + 1, message.size() - quote - 3);
    EXPECT_EQ(copy.parent_path(), dir_) << message;
    EXPECT_NE(copy.filename().string().find("rechnung (Korvax-Kopie "), std::string::npos);
    doc.reset();
    EXPECT_NE(word::Document::Open(copy)->Content().Text().find(" mit Korvax"), std::string::npos);
    fs::remove(copy);
  }
}

TEST_F(FileLockTest, NothingIsWrittenOutsideTheInvoicesFolderAndLeftoversGo) {
  const fs::path leftover = dir_ / ".rechnung.docx.korvax-999999-1";
  WriteBytes(leftover, "von einem abgebrochenen Lauf");
  const fs::path tmp = dir_ / "tmp";
  fs::create_directory(tmp);
  ::setenv("TMPDIR", tmp.c_str(), 1);
  auto doc = word::Document::Open(invoice_);
  EditAndSave(*doc);
  ::unsetenv("TMPDIR");
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_TRUE(fs::is_empty(tmp));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) files += entry.is_regular_file();
  EXPECT_EQ(files, 2);  // the invoice and its lock file
}

}  // namespace
}  // namespace korvax::reliability
