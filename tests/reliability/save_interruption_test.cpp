// Saving an invoice is interrupted at many points, in a child process: by a
// file size limit that makes a write fail part-way, and by SIGKILL at spread
// moments. Whatever happens, the invoice on disk is afterwards either the old
// file, byte for byte, or the complete new one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "common/error.hpp"
#include "platform/word/package.hpp"
#include "platform/word/word.hpp"
#include "reliability_fixture.hpp"

namespace korvax::reliability {
namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

constexpr int kLimitPoints = 25;
constexpr int kKillPoints = 25;

// What the child reports through its exit status.
constexpr int kSaved = 0;
constexpr int kRefused = 3;
constexpr int kOtherFailure = 4;

class SaveInterruptionTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    target_ = dir_ / "rechnung.docx";
    testing::WriteDocx(target_,
                       P("Rechnung 2026-0017") + testing::TableXml(10, 4, "Position ") + P(""));
    old_bytes_ = ReadBytes(target_);

    // The new version, saved once without interruption to compare against.
    const auto reference = dir_ / "referenz.docx";
    std::filesystem::copy_file(target_, reference);
    auto doc = word::Document::Open(reference);
    Edit(*doc);
    const auto started = std::chrono::steady_clock::now();
    doc->Save();
    save_time_ = std::chrono::steady_clock::now() - started;
    new_parts_ = PartsOf(reference);
    new_text_ = word::Document::Open(reference)->Content().Text();
    new_size_ = std::filesystem::file_size(reference);
    std::filesystem::remove(reference);
  }

  // The change every save writes: enough text that the save takes a while.
  static void Edit(word::Document& doc) {
    word::Table table = doc.Tables().Item(1);
    table.Cell(2, 4).Range().InsertAfter("1.234,56 €");
    word::Range end = doc.Content();
    end.Collapse(word::wdCollapseEnd);
    std::string lines;
    for (int i = 0; i < 4000; ++i) lines += "Zeile " + std::to_string(i * 7919 % 10007) + "\r";
    end.InsertAfter(lines);
  }

  static Parts PartsOf(const std::filesystem::path& p) {
    word::Package package = word::Package::Read(p);
    Parts parts;
    for (const auto& name : package.Names()) parts.emplace_back(name, package.Bytes(name));
    return parts;
  }

  // Runs Open, Edit and SaveAs(target) in a child. `prepare` runs in the
  // child first; `ready`, when given, gets a byte just before the save.
  pid_t StartSave(const std::function<void()>& prepare, int ready = -1) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    int status = kOtherFailure;
    try {
      prepare();
      auto doc = word::Document::Open(target_);
      Edit(*doc);
      if (ready >= 0) (void)!::write(ready, "s", 1);
      doc->SaveAs(target_);
      status = kSaved;
    } catch (const Error&) {
      status = kRefused;
    } catch (...) {
    }
    ::_exit(status);
  }

  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  // The target is the old file or the new one; returns true when new.
  bool OldOrNew(const std::string& point) {
    const std::string bytes = ReadBytes(target_);
    if (bytes == old_bytes_) return false;
    try {
      EXPECT_EQ(PartsOf(target_), new_parts_) << point;
      EXPECT_EQ(word::Document::Open(target_)->Content().Text(), new_text_) << point;
    } catch (const Error& e) {
      ADD_FAILURE() << point << ": the invoice is neither old nor new: " << e.description();
    }
    return true;
  }

  // Hidden temporary files left beside the invoice; removed when asked to.
  int Leftovers(bool remove = false) const {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      if (entry.path().filename().string().rfind(".rechnung.docx.", 0) != 0) continue;
      ++n;
      if (remove) std::filesystem::remove(entry.path());
    }
    return n;
  }

  std::filesystem::path target_;
  std::string old_bytes_;
  Parts new_parts_;
  std::string new_text_;
  uintmax_t new_size_ = 0;
  std::chrono::steady_clock::duration save_time_{};
};

TEST_F(SaveInterruptionTest, WriteFailingAtAnyFileSizeKeepsTheOldInvoice) {
  int refused = 0;
  for (int i = 0; i < kLimitPoints; ++i) {
    // From nothing at all to a little more than the new file needs.
    const rlim_t limit = static_cast<rlim_t>(new_size_ * i / (kLimitPoints - 2));
    const std::string point = "file size limit " + std::to_string(limit);
    const pid_t pid = StartSave([&] {
      ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
      const rlimit rl{limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &rl);
    });
    const int status = Wait(pid);
    ASSERT_TRUE(status == kSaved || status == kRefused) << point << ": exit " << status;
    const bool is_new = OldOrNew(point);
    EXPECT_EQ(is_new, status == kSaved) << point;
    refused += status == kRefused;
    EXPECT_EQ(Leftovers(), 0) << point << ": a failed save leaves its temporary file";
    if (is_new) std::filesystem::remove(target_), WriteBytes(target_, old_bytes_);
  }
  EXPECT_GE(refused, kLimitPoints - 3);  // the last limits leave room for the file
}

TEST_F(SaveInterruptionTest, KilledAtAnyMomentLeavesTheOldOrTheNewInvoice) {
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(save_time_) * 3 / 2;
  int old_seen = 0;
  int new_seen = 0;
  for (int i = 0; i < kKillPoints; ++i) {
    const auto delay = span * i / (kKillPoints - 1);
    const std::string point = "killed after " + std::to_string(delay.count()) + " us";
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const pid_t pid = StartSave([&] { ::close(pipe_ends[0]); }, pipe_ends[1]);
    ::close(pipe_ends[1]);
    char ready = 0;
    const bool started = ::read(pipe_ends[0], &ready, 1) == 1;
    ::close(pipe_ends[0]);
    if (started) std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    const int status = Wait(pid);
    EXPECT_TRUE(status == kSaved || status == -SIGKILL) << point << ": exit " << status;
    if (OldOrNew(point)) {
      ++new_seen;
      WriteBytes(target_, old_bytes_);
    } else {
      ++old_seen;
    }
    // A killed save may leave its temporary file, private to its user; the
    // next save removes it.
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      if (entry.path().filename().string().rfind(".rechnung.docx.", 0) != 0) continue;
      EXPECT_EQ(entry.status().permissions(),
                std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
          << point;
    }
    Leftovers(/*remove=*/true);
  }
  EXPECT_GT(old_seen, 0);
  RecordProperty("old", old_seen);
  RecordProperty("new", new_seen);
}

// Each save into a place that cannot take the file fails with 4198 (75 when
// the folder is write-protected) and leaves the invoice on disk as it was.
TEST_F(SaveInterruptionTest, SavesThatCannotBeWrittenFailAndKeepTheOldInvoice) {
  auto doc = word::Document::Open(target_);
  auto refused = [&](const std::function<void()>& save, const char* where, int number = 4198) {
    try {
      save();
      ADD_FAILURE() << "saved " << where;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), number) << where << ": " << e.description();
    }
    EXPECT_EQ(ReadBytes(target_), old_bytes_) << where;
  };
  const auto folder = dir_ / "ordner";
  std::filesystem::create_directory(folder);
  WriteBytes(folder / "inhalt.txt", "bleibt");
  refused([&] { doc->SaveAs(folder); }, "onto a folder");
  EXPECT_EQ(ReadBytes(folder / "inhalt.txt"), "bleibt");
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().rfind(".ordner.", 0), 0u) << entry.path();

  refused([&] { doc->SaveAs(dir_ / "fehlt" / "rechnung.docx"); }, "into a missing folder");
  EXPECT_EQ(doc->FullName(), target_.string());  // later saves still go to the old place

  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  refused([&] { doc->Save(); }, "into a read-only folder", 75);
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

}  // namespace
}  // namespace korvax::reliability
