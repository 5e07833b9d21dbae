#include "host/document_changes.hpp"

#include <unistd.h>

#include <string>
#include <system_error>

#include "platform/word/package.hpp"

namespace korvax::host {

namespace {

bool IsXmlPart(const std::string& name) {
  auto ends_with = [&](std::string_view suffix) {
    return name.size() >= suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  return ends_with(".xml") || ends_with(".rels");
}

// The part as the Word layer writes it once parsed; parsing alone already
// changes the bytes (quotes, empty elements), so both sides go through it.
std::string Canonical(std::string_view bytes, const std::string& name) {
  pugi::xml_document xml;
  word::ParseXml(xml, bytes, name);
  return word::SerializeXml(xml);
}

}  // namespace

bool SamePackages(const std::filesystem::path& a, const std::filesystem::path& b) {
  const word::Package first = word::Package::Read(a);
  const word::Package second = word::Package::Read(b);
  if (first.Names() != second.Names()) return false;
  for (const std::string& name : first.Names()) {
    const std::string_view x = first.Bytes(name);
    const std::string_view y = second.Bytes(name);
    if (x == y) continue;
    if (!IsXmlPart(name) || Canonical(x, name) != Canonical(y, name)) return false;
  }
  return true;
}

bool SaveIfChanged(word::Document& doc, const std::filesystem::path& path) {
  const std::filesystem::path copy =
      std::filesystem::temp_directory_path() /
      ("korvax-show-" + std::to_string(::getpid()) + "-" + path.filename().string());
  struct RemoveCopy {
    const std::filesystem::path& copy;
    ~RemoveCopy() {
      std::error_code ignored;
      std::filesystem::remove(copy, ignored);
    }
  } remove_copy{copy};

  doc.SaveAs(copy);
  if (SamePackages(path, copy)) return false;
  doc.SaveAs(path);
  return true;
}

}  // namespace korvax::host
