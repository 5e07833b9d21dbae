// The Word document and application objects of the layer.
//
//   auto doc = word::Document::Open("Rechnung.docx");
//   word::Range end = doc->Content();
//   end.Collapse(word::wdCollapseEnd);
//   auto table = doc->Tables().Add(end, 3, 5);
//   table.Cell(1, 5).Range().InsertAfter("Betrag");
//   doc->Save();
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "common/variant.hpp"
#include "platform/word/bookmarks.hpp"
#include "platform/word/comments.hpp"
#include "platform/word/package.hpp"
#include "platform/word/range.hpp"
#include "platform/word/shapes.hpp"
#include "platform/word/table.hpp"

namespace korvax::file {
class DocumentFile;
}

namespace korvax::word {

namespace detail {
class DocumentData;
}

class Application;

// The selection: a live range of the main story or of a text box story that
// also remembers the formatting typed text gets.
class Selection : public Range {
 public:
  explicit Selection(std::shared_ptr<detail::RangeState> state) : word::Range(std::move(state)) {}
  word::Range Range() const;             // a new range over the selected text
  void TypeText(std::string_view text);  // replaces the selection, collapses after it
  int MoveRight(int unit = wdCharacter, int count = 1, bool extend = false);
};

class Document : public Object, public std::enable_shared_from_this<Document> {
 public:
  // Opens the file behind any links for editing and holds its lock until the
  // document is released (platform/file/document_file.hpp). Fails with 5174
  // when the file is missing, 5792 when it is no .docx or cannot be read and
  // 70 when someone else has it open.
  static std::shared_ptr<Document> Open(const std::filesystem::path& path);
  ~Document() override;
  std::string TypeName() const override { return "Document"; }

  // Saves over the file it was opened from: 75 when it is write-protected,
  // 4199 when it changed meanwhile (the document then goes to a copy beside
  // it), 4198 for any other failure, the file staying as it was.
  void Save();
  void SaveAs(const std::filesystem::path& path);      // later saves go there too
  void SaveCopyAs(const std::filesystem::path& path);  // later saves stay where they were
  std::string FullName() const;
  bool ReadOnly() const;  // a write-protected file, which Save refuses
  // Saves to a new file beside the document's own, named as a Korvax copy,
  // for work that may not go into the file itself; the document stays with
  // its file. Returns the copy's path.
  std::filesystem::path SaveRecoveryCopy();

  word::Range Content() const;  // the whole main story
  word::Range Range(int start, int end) const;
  word::Tables Tables() const;  // top-level tables of the main story
  word::Comments Comments() const;
  word::Bookmarks Bookmarks() const;
  word::Shapes Shapes() const;
  std::shared_ptr<word::Application> Application() const;

  // The package's parts as they stand, for callers that compare or read them.
  word::Package& Parts() const;
  const std::shared_ptr<detail::DocumentData>& Data() const { return data_; }

 private:
  Document() = default;
  std::shared_ptr<detail::DocumentData> data_;
  std::unique_ptr<file::DocumentFile> file_;
  std::shared_ptr<word::Application> application_;
};

class Application : public Object {
 public:
  std::string TypeName() const override { return "Application"; }
  std::shared_ptr<Document> ActiveDocument() const;  // 4248 when none is open
  word::Selection Selection() const;
  static double CentimetersToPoints(double cm) { return cm * 28.3464567; }

 private:
  friend class Document;
  std::weak_ptr<Document> active_;
};

}  // namespace korvax::word
