#include "platform/word/document.hpp"

#include "common/error.hpp"
#include "internal/document_data.hpp"
#include "platform/file/document_file.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {

namespace {

// A file that cannot be read is no document Word could open: 5792.
template <class Work>
auto AsDocument(const std::filesystem::path& path, Work work) {
  try {
    return work();
  } catch (const file::Unreadable& e) {
    throw errors::InvalidDocument(path.string(),
                                  "die Datei ist nicht lesbar (" + std::string(e.what()) + ")");
  }
}

}  // namespace

std::shared_ptr<Document> Document::Open(const std::filesystem::path& path) {
  auto file = AsDocument(path, [&] { return file::DocumentFile::Open(path); });
  auto data = std::make_shared<detail::DocumentData>(Package::Read(file->RealPath()));
  file->Confirm();
  std::shared_ptr<Document> doc(new Document());
  doc->data_ = data;
  doc->file_ = std::move(file);
  data->selection = data->NewRange(data->main, 0, 0);
  doc->application_ = std::make_shared<word::Application>();
  doc->application_->active_ = doc;
  return doc;
}

Document::~Document() {
  // The selection refers back to the document data; let both go.
  if (data_ && data_->selection) data_->selection->doc.reset();
}

void Document::Save() {
  data_->SyncTextBoxFallbacks();
  file_->Save(data_->package.Serialize());
}

void Document::SaveAs(const std::filesystem::path& path) {
  data_->SyncTextBoxFallbacks();
  const auto bytes = data_->package.Serialize();
  std::error_code ec;
  if (std::filesystem::equivalent(path, file_->RealPath(), ec)) {
    file_->Save(bytes);
  } else {
    file_ = AsDocument(path, [&] { return file::DocumentFile::SaveNew(path, bytes); });
  }
}

void Document::SaveCopyAs(const std::filesystem::path& path) {
  data_->SyncTextBoxFallbacks();
  data_->package.Write(path);
}

Package& Document::Parts() const {
  return data_->package;
}

std::string Document::FullName() const {
  return file_->Path().string();
}

std::filesystem::path Document::SaveRecoveryCopy() {
  data_->SyncTextBoxFallbacks();
  return file_->SaveCopy(data_->package.Serialize());
}

bool Document::ReadOnly() const {
  return file_->ReadOnly();
}

Range Document::Content() const {
  return word::Range(
      data_->NewRange(data_->main, detail::First(data_->body), detail::At(data_->body)));
}

Range Document::Range(int start, int end) const {
  return word::Range(data_->NewRange(data_->main, start, end));
}

Tables Document::Tables() const {
  std::vector<detail::Node*> tables;
  for (auto u = detail::FirstUnit(data_->body); u; u = detail::NextUnit(u)) {
    if (detail::IsTable(u)) tables.push_back(detail::NodeOf(u));
  }
  return word::Tables(data_, std::move(tables), detail::NodeOf(data_->body));
}

Comments Document::Comments() const {
  return word::Comments::Of(data_, nullptr);
}
Bookmarks Document::Bookmarks() const {
  return word::Bookmarks(data_);
}
Shapes Document::Shapes() const {
  return word::Shapes(data_);
}
std::shared_ptr<Application> Document::Application() const {
  return application_;
}

std::shared_ptr<Document> Application::ActiveDocument() const {
  auto doc = active_.lock();
  if (!doc) {
    throw Error(4248, "Dieser Befehl ist nicht verfügbar, weil kein Dokument geöffnet ist.");
  }
  return doc;
}

Selection Application::Selection() const {
  return word::Selection(ActiveDocument()->Data()->selection);
}

Range Selection::Range() const {
  return Duplicate();
}

void Selection::TypeText(std::string_view text) {
  SetText(text);
  Collapse(wdCollapseEnd);
}

int Selection::MoveRight(int unit, int count, bool extend) {
  if (extend) return MoveEnd(unit, count);
  auto& s = S();
  int moved = 0;
  if (s.start != s.end) {
    s.start = s.end;
    moved = 1;
    --count;
  }
  moved += MoveEnd(unit, count);
  s.start = s.end;
  return moved;
}

}  // namespace korvax::word
