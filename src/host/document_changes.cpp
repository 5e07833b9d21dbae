#include "host/document_changes.hpp"

#include <functional>
#include <string>
#include <string_view>

#include "platform/word/package.hpp"

namespace korvax::host {

namespace {

bool IsXmlPart(const std::string& name) {
  return name.ends_with(".xml") || name.ends_with(".rels");
}

size_t Hash(std::string_view bytes) {
  return std::hash<std::string_view>{}(bytes);
}

}  // namespace

Fingerprint FingerprintOf(word::Document& doc) {
  word::Package& package = doc.Parts();
  Fingerprint fingerprint;
  for (const std::string& name : package.Names()) {
    fingerprint.push_back(Hash(name));
    if (!IsXmlPart(name)) {
      fingerprint.push_back(Hash(package.Bytes(name)));
    } else if (package.IsParsed(name)) {
      fingerprint.push_back(Hash(word::SerializeXml(package.Xml(name))));
    } else {
      // A part the dialog may still parse: as it will be written then.
      pugi::xml_document xml;
      word::ParseXml(xml, package.Bytes(name), name);
      fingerprint.push_back(Hash(word::SerializeXml(xml)));
    }
  }
  return fingerprint;
}

bool SaveIfChanged(word::Document& doc, const Fingerprint& opened) {
  if (FingerprintOf(doc) == opened) return false;
  doc.Save();
  return true;
}

}  // namespace korvax::host
