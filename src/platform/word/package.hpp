// The .docx package: its zip entries held in memory, in their original order.
// XML parts are parsed on demand; every part nobody parsed is written back
// byte for byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace korvax::word {

// The main text, the one part whose size a document's memory may grow with.
inline constexpr const char* kMainPart = "word/document.xml";
// Packages beyond these sizes (uncompressed, as declared and as they unpack)
// are refused before they are held whole: a zip bomb would otherwise exhaust
// memory long before the XML parser could object. The main text may be large;
// everything else (styles, comments, pictures) together stays small, so that
// a document takes at most three times its main text and a fixed amount.
inline constexpr uint64_t kMaxMainPartBytes = 512ull * 1024 * 1024;
inline constexpr uint64_t kMaxOtherPartsBytes = 16ull * 1024 * 1024;
// What a package may hold besides three times its main text: its parts and
// their parsed trees (Package::Xml refuses to parse beyond it), leaving room
// for the program itself.
inline constexpr uint64_t kFixedAllowanceBytes = 24ull * 1024 * 1024;
// XML nested deeper than this is refused: the layer walks trees recursively.
inline constexpr int kMaxXmlDepth = 256;

class Package {
 public:
  // Reads every entry; fails with a German message naming the file. Entry
  // names must be relative paths with forward slashes and no "." or ".."
  // segments, each naming a part once (ASCII case ignored).
  static Package Read(const std::filesystem::path& path);

  bool Has(const std::string& name) const;
  std::string_view Bytes(const std::string& name) const;           // raw entry content
  void SetBytes(const std::string& name, std::string_view bytes);  // adds at the end when new

  // The parsed XML of a part, parsed once and serialised again on Write.
  pugi::xml_document& Xml(const std::string& name);
  pugi::xml_document& CreateXml(const std::string& name);  // a new, empty part
  bool IsParsed(const std::string& name) const { return xml_.count(name) != 0; }
  // A parsed part that Write serialises without asking whether it changed:
  // the main part, which nearly every use edits and which is large.
  void AlwaysWrite(const std::string& name) { always_written_.insert(name); }

  // The package as a .docx file's bytes, parsed parts serialised anew; a parsed part whose tree
  // is still the one its bytes give keeps its bytes.
  std::string Serialize();
  // Writes Serialize() to path (file::WriteWhole): for packages made from scratch;
  // an open document saves through its file::DocumentFile.
  void Write(const std::filesystem::path& path);

  const std::filesystem::path& Source() const { return source_; }
  std::vector<std::string> Names() const;

 private:
  struct Entry {
    std::string name;
    std::string bytes;
  };
  std::vector<Entry> entries_;
  std::map<std::string, std::unique_ptr<pugi::xml_document>> xml_;
  std::set<std::string> always_written_;  // and the parts created here
  std::filesystem::path source_;
  uint64_t held_bytes_ = 0;  // the entries as read and the trees parsed since

  Entry* Find(const std::string& name);
  const Entry* Find(const std::string& name) const;
};

// One entry of an archive to write; both strings outlive the call.
struct ZipEntry {
  const std::string& name;
  std::string_view bytes;
};
// Writes the entries, deflated, as a zip archive (file::WriteWhole).
void WriteZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries);

// Parses without DTD processing; pugixml never expands external entities and
// a document carrying a DOCTYPE is refused outright. So is a part with bytes
// that are no UTF-8, as Word refuses them.
void ParseXml(pugi::xml_document& doc, std::string_view bytes, const std::string& what);
// expected_size, the part's size when read, saves growing the string step by step.
// Elements below the document named kRemovedElement are left out.
std::string SerializeXml(const pugi::xml_document& doc, size_t expected_size = 0);
void SerializeXml(const pugi::xml_document& doc, size_t expected_size, std::string& out);

// Where removed objects (tables, comments, shapes) are kept, below the
// document node, instead of being freed; it is never written.
inline constexpr const char* kRemovedElement = "korvax-removed";

}  // namespace korvax::word
