#include "platform/word/package.hpp"

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string_view>
#include <system_error>

#include "internal/namespaces.hpp"
#include "platform/file/document_file.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {
namespace {

struct ArchiveCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

// Reads an entry into its declared size and one byte more, so that one whose
// data inflates to more than declared is refused without being held whole.
std::string ReadEntry(zip_t* z, zip_uint64_t index, uint64_t declared, const std::string& name,
                      const std::string& path) {
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(z, index, 0), &zip_fclose);
  if (!file) throw errors::InvalidDocument(path, "der Eintrag \"" + name + "\" ist unlesbar");
  std::string bytes(static_cast<size_t>(declared) + 1, '\0');
  size_t held = 0;
  for (zip_int64_t got = 1; got > 0 && held < bytes.size(); held += static_cast<size_t>(got)) {
    got = zip_fread(file.get(), bytes.data() + held, bytes.size() - held);
    if (got < 0) throw errors::InvalidDocument(path, "der Eintrag \"" + name + "\" ist beschädigt");
  }
  if (held > declared) {
    throw errors::InvalidDocument(path,
                                  "der Eintrag \"" + name + "\" ist entpackt größer als angegeben");
  }
  if (held != declared) {
    throw errors::InvalidDocument(path, "der Eintrag \"" + name + "\" ist beschädigt");
  }
  bytes.resize(held);
  return bytes;
}

// At most what pugixml takes for a tree: its copy of the bytes, a node of 64
// bytes per tag and an attribute of 40 bytes per equals sign.
uint64_t TreeBytes(std::string_view xml) {
  uint64_t tags = 0, attributes = 0;
  const char* p = xml.data();
  const char* const end = p + xml.size();
  while (p < end) {
    // Byte-wide sums over at most 255 bytes, which the compiler counts many
    // bytes at a time.
    const char* const stop = end - p > 255 ? p + 255 : end;
    uint8_t t = 0, a = 0;
    for (; p < stop; ++p) {
      t += *p == '<';
      a += *p == '=';
    }
    tags += t;
    attributes += a;
  }
  return xml.size() + 64 * tags + 40 * attributes;
}

// Why Word would refuse an entry name, or empty when the name is fine. A name
// is a path relative to the package root with forward slashes; a trailing
// slash marks a folder entry as some zip tools write them.
std::string OddName(const std::string& name) {
  if (name.empty()) return "ein Eintrag hat keinen Namen";
  if (name.front() == '/') return "der Eintrag \"" + name + "\" hat einen absoluten Pfad";
  if (name.find('\\') != std::string::npos) {
    return "der Eintrag \"" + name + "\" enthält einen umgekehrten Schrägstrich";
  }
  size_t from = 0;
  while (from < name.size()) {
    size_t slash = name.find('/', from);
    if (slash == std::string::npos) slash = name.size();
    const std::string_view segment(name.data() + from, slash - from);
    if (segment.empty() || segment == "." || segment == "..") {
      return "der Eintrag \"" + name + "\" hat einen ungültigen Pfad";
    }
    from = slash + 1;
  }
  return {};
}

// Names that differ only in the case of ASCII letters name the same part.
std::string FoldCase(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

// Length of the well-formed UTF-8 sequence that starts with the byte >= 0x80
// at p, 0 when it is ill-formed: a stray or missing continuation byte, an
// overlong form, a surrogate, past U+10FFFF. A NUL is no continuation byte,
// so nothing is read past the end of a NUL-terminated string.
int SequenceLength(const unsigned char* p) {
  const unsigned char b = *p;
  // A continuation byte first, an overlong lead or past U+10FFFF.
  if (b < 0xC2 || b > 0xF4) return 0;
  const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
  char32_t c = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = p[k];
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  const char32_t smallest = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
  if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return extra + 1;
}

// True when the bytes from p to end are well-formed UTF-8; a sequence cut
// off at the end is ill-formed as long as *end is NUL (no continuation byte).
bool IsUtf8(const unsigned char* p, const unsigned char* end) {
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  while (p < end) {
    // Most of a part is ASCII: sixteen bytes at a time while it is.
    if (end - p >= 16) {
      uint64_t first, second;
      std::memcpy(&first, p, 8);
      std::memcpy(&second, p + 8, 8);
      if (((first | second) & kHighBits) == 0) {
        p += 16;
        continue;
      }
    }
    if (*p < 0x80) {
      ++p;
      continue;
    }
    const int n = SequenceLength(p);
    if (n == 0) return false;
    p += n;
  }
  return true;
}

// True when every string pugixml makes of bytes is well-formed UTF-8, known
// from the bytes alone: they are well-formed UTF-8 with no NUL (so pugixml
// reads them as UTF-8, or as Latin-1 when so declared, which it turns into
// UTF-8 as well) and no character reference (the only escape that can give
// anything but ASCII). False does not mean bad text: the tree is to be checked.
bool TextSurelyUtf8(std::string_view bytes) {
  if (std::memchr(bytes.data(), 0, bytes.size()) || bytes.find("&#") != std::string_view::npos) {
    return false;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  return IsUtf8(p, p + bytes.size());
}

// True when the node's name, value and attributes are well-formed UTF-8.
bool TextUtf8(pugi::xml_node node) {
  auto utf8 = [](const char* s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    return IsUtf8(p, p + std::strlen(s));
  };
  if (!utf8(node.name()) || !utf8(node.value())) return false;
  for (pugi::xml_attribute a : node.attributes()) {
    if (!utf8(a.name()) || !utf8(a.value())) return false;
  }
  return true;
}

// The archive as libzip builds it in memory, released on every path out.
struct MemoryArchive {
  zip_source_t* source = nullptr;  // held by us as well as by the archive
  zip_t* archive = nullptr;

  ~MemoryArchive() {
    if (archive) zip_discard(archive);
    if (source) zip_source_free(source);
  }
};

// The archive's bytes after zip_close, read back from the memory source.
std::string ArchiveBytes(zip_source_t* source, const std::string& where) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_is_deleted(source)) throw errors::SaveFailed(where, "das Archiv ist leer");
  if (zip_source_stat(source, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
      zip_source_open(source) != 0) {
    throw errors::SaveFailed(where, zip_error_strerror(zip_source_error(source)));
  }
  std::string bytes(static_cast<size_t>(st.size), '\0');
  zip_int64_t got = zip_source_read(source, bytes.data(), bytes.size());
  zip_source_close(source);
  if (got != static_cast<zip_int64_t>(bytes.size())) {
    throw errors::SaveFailed(where, "das Archiv ist im Speicher unvollständig");
  }
  return bytes;
}

// The entries, deflated, as a zip archive's bytes; SaveFailed names `where`.
std::string ZipBytes(const std::vector<ZipEntry>& entries, const std::string& where) {
  // Built in memory and written in one piece: libzip writing a file itself
  // goes through a temporary file of its own, named with random bytes for
  // which it loads the system's crypto library.
  MemoryArchive m;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
  m.archive = source ? zip_open_from_source(source, ZIP_TRUNCATE, &error) : nullptr;
  if (!m.archive) {
    if (source) zip_source_free(source);
    std::string why = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw errors::SaveFailed(where, why);
  }
  zip_error_fini(&error);
  zip_source_keep(source);
  m.source = source;
  for (const auto& e : entries) {
    zip_source_t* src = zip_source_buffer(m.archive, e.bytes.data(), e.bytes.size(), 0);
    zip_int64_t idx = src ? zip_file_add(m.archive, e.name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
    if (idx < 0) {
      if (src) zip_source_free(src);
      throw errors::SaveFailed(where, zip_strerror(m.archive));
    }
    zip_set_file_compression(m.archive, idx, ZIP_CM_DEFLATE, 0);
  }
  if (zip_close(m.archive) != 0) throw errors::SaveFailed(where, zip_strerror(m.archive));
  m.archive = nullptr;
  return ArchiveBytes(m.source, where);
}

}  // namespace

Package Package::Read(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw errors::FileNotFound(path.string());
  int err = 0;
  Archive archive(zip_open(path.c_str(), ZIP_RDONLY, &err));
  zip_t* const z = archive.get();
  const std::string where = path.string();
  if (!z) throw errors::InvalidDocument(where, "die Datei ist kein ZIP-Archiv");
  // First the names and the declared sizes of all entries: a package that
  // would not fit is refused before anything is unpacked.
  struct Listed {
    zip_uint64_t index;
    std::string name;
    uint64_t size;
  };
  std::vector<Listed> listed;
  std::set<std::string> seen;
  uint64_t others = 0;
  const zip_int64_t count = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || !st.name) {
      throw errors::InvalidDocument(where, "ein Eintrag des Archivs ist unlesbar");
    }
    const std::string name = st.name;
    // The entries are written back under their names: one that points outside
    // the package, or two that name the same part, would make that ambiguous.
    if (std::string odd = OddName(name); !odd.empty()) throw errors::InvalidDocument(where, odd);
    if (!seen.insert(FoldCase(name)).second) {
      throw errors::InvalidDocument(where, "der Eintrag \"" + name + "\" ist doppelt");
    }
    if (name == kMainPart) {
      if (st.size > kMaxMainPartBytes) {
        throw errors::InvalidDocument(where, "der Eintrag \"" + name + "\" ist größer als " +
                                                 std::to_string(kMaxMainPartBytes >> 20) + " MiB");
      }
    } else {
      others += st.size;
      if (others > kMaxOtherPartsBytes) {
        throw errors::InvalidDocument(where, "die Einträge außer \"" + std::string(kMainPart) +
                                                 "\" sind entpackt größer als " +
                                                 std::to_string(kMaxOtherPartsBytes >> 20) +
                                                 " MiB (zuletzt \"" + name + "\")");
      }
    }
    listed.push_back({static_cast<zip_uint64_t>(i), name, st.size});
  }
  Package package;
  for (const Listed& entry : listed) {
    package.entries_.push_back(
        {entry.name, ReadEntry(z, entry.index, entry.size, entry.name, where)});
    package.held_bytes_ += entry.size;
  }
  if (!package.Has("[Content_Types].xml")) {
    throw errors::InvalidDocument(where, "[Content_Types].xml fehlt");
  }
  package.source_ = path;
  return package;
}

Package::Entry* Package::Find(const std::string& name) {
  for (auto& e : entries_) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

const Package::Entry* Package::Find(const std::string& name) const {
  return const_cast<Package*>(this)->Find(name);
}

bool Package::Has(const std::string& name) const {
  return Find(name) != nullptr;
}

std::string_view Package::Bytes(const std::string& name) const {
  const Entry* e = Find(name);
  if (!e) throw errors::InvalidDocument(source_.string(), "der Teil \"" + name + "\" fehlt");
  return e->bytes;
}

void Package::SetBytes(const std::string& name, std::string_view bytes) {
  if (Entry* e = Find(name)) {
    e->bytes.assign(bytes);
  } else {
    entries_.push_back({name, std::string(bytes)});
  }
}

pugi::xml_document& Package::Xml(const std::string& name) {
  auto it = xml_.find(name);
  if (it != xml_.end()) return *it->second;
  // A tree takes several times the bytes it is parsed from: what the package
  // holds may not pass three times its main text and a fixed allowance.
  const uint64_t tree = TreeBytes(Bytes(name));
  const Entry* main = Find(kMainPart);
  const uint64_t allowed = 3 * (main ? main->bytes.size() : 0) + kFixedAllowanceBytes;
  if (held_bytes_ + tree > allowed) {
    throw errors::InvalidDocument(source_.string(),
                                  "das Dokument ist zu groß zum Bearbeiten (der Teil \"" + name +
                                      "\" bräuchte etwa " + std::to_string((tree >> 20) + 1) +
                                      " MB Speicher)");
  }
  held_bytes_ += tree;
  auto doc = std::make_unique<pugi::xml_document>();
  ParseXml(*doc, Bytes(name), source_.string() + " (" + name + ")");
  return *xml_.emplace(name, std::move(doc)).first->second;
}

pugi::xml_document& Package::CreateXml(const std::string& name) {
  if (!Has(name)) entries_.push_back({name, std::string()});
  always_written_.insert(name);
  auto& slot = xml_[name];
  slot = std::make_unique<pugi::xml_document>();
  auto decl = slot->append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  decl.append_attribute("standalone") = "yes";
  return *slot;
}

std::vector<std::string> Package::Names() const {
  std::vector<std::string> names;
  for (const auto& e : entries_) names.push_back(e.name);
  return names;
}

std::string Package::Serialize() {
  for (auto& [name, doc] : xml_) {
    // Every parsed or created part has its entry; the part's old size is
    // what its new bytes are expected to take.
    Entry& e = *Find(name);
    if (always_written_.count(name)) {
      SerializeXml(*doc, e.bytes.size(), e.bytes);
      continue;
    }
    // A part parsed to be read, or edited back to what it was, keeps its
    // bytes: serialising drops what the tree does not hold (the line break
    // after the declaration, the quotes and blanks between attributes).
    std::string now = SerializeXml(*doc, e.bytes.size());
    pugi::xml_document read;
    ParseXml(read, e.bytes, source_.string() + " (" + name + ")");
    if (now != SerializeXml(read, e.bytes.size())) e.bytes.assign(now);
  }
  std::vector<ZipEntry> entries;
  entries.reserve(entries_.size());
  for (const auto& e : entries_) entries.push_back({e.name, e.bytes});
  return ZipBytes(entries, source_.string());
}

void Package::Write(const std::filesystem::path& path) {
  file::WriteWhole(path, Serialize());
}

void WriteZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries) {
  file::WriteWhole(path, ZipBytes(entries, path.string()));
}

void ParseXml(pugi::xml_document& doc, std::string_view bytes, const std::string& what) {
  unsigned flags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata |
                   pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype;
  flags &= ~pugi::parse_eol;
  pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), flags);
  if (!result) {
    throw errors::InvalidDocument(what, "fehlerhaftes XML (" + std::string(result.description()) +
                                            " bei Byte " + std::to_string(result.offset) + ")");
  }
  if (doc.find_child([](pugi::xml_node n) { return n.type() == pugi::node_doctype; })) {
    throw errors::InvalidDocument(what, "eine DTD ist in Word-Dokumenten nicht zulässig");
  }
  // One walk checks the nesting depth and, since pugixml passes bytes through
  // unchecked and the character counting of the layer relies on every string
  // being UTF-8, the encoding, unless the bytes settle it. Too deep a tree is
  // reported before bad text.
  struct Check : pugi::xml_tree_walker {
    bool check_text = true;
    bool bad_text = false;
    bool for_each(pugi::xml_node& node) override {
      if (depth() >= kMaxXmlDepth) return false;
      if (check_text && !bad_text) bad_text = !TextUtf8(node);
      return true;
    }
  } check;
  check.check_text = !TextSurelyUtf8(bytes);
  if (!doc.traverse(check)) {
    throw errors::InvalidDocument(
        what, "das XML ist tiefer als " + std::to_string(kMaxXmlDepth) + " Ebenen verschachtelt");
  }
  if (check.bad_text) {
    throw errors::InvalidDocument(what, "das XML enthält ungültige UTF-8-Zeichen");
  }
  detail::NormalizePrefixes(doc, bytes, what);
}

void SerializeXml(const pugi::xml_document& doc, size_t expected_size, std::string& out) {
  // Appends straight to the string: no stream buffer, no copy at the end.
  struct Writer : pugi::xml_writer {
    explicit Writer(std::string& s) : out(s) {}
    std::string& out;
    void write(const void* data, size_t size) override {
      out.append(static_cast<const char*>(data), size);
    }
  } writer(out);
  out.clear();
  out.reserve(expected_size + expected_size / 8);
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (std::strcmp(n.name(), kRemovedElement) == 0) continue;
    n.print(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  }
}

std::string SerializeXml(const pugi::xml_document& doc, size_t expected_size) {
  std::string out;
  SerializeXml(doc, expected_size, out);
  return out;
}

}  // namespace korvax::word
