// The floor: what any .docx writer pays to read, parse, serialise and write
// back the same package, with pugixml, libzip and malloc and no object model.
// Parsed with the Word layer's flags, serialised into a string reserved at the
// part's size as the layer does, and zipped and saved by the layer's own
// function (in memory, then temporary file, fsync, rename), so that only the
// object model's own work separates the two.
#include <zip.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "platform/word/package.hpp"
#include "workloads.hpp"

namespace korvax::bench {

namespace {

struct Entry {
  std::string name;
  std::string bytes;
  std::unique_ptr<pugi::xml_document> xml;
};

bool IsXml(const std::string& name) {
  auto ends = [&](const std::string& tail) {
    return name.size() >= tail.size() &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  return ends(".xml") || ends(".rels");
}

std::vector<Entry> ReadAndParse(const std::filesystem::path& in) {
  int err = 0;
  zip_t* z = zip_open(in.c_str(), ZIP_RDONLY, &err);
  if (z == nullptr) throw std::runtime_error("cannot open " + in.string());
  std::vector<Entry> entries;
  const zip_int64_t count = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    zip_stat_index(z, i, 0, &st);
    Entry e{st.name, std::string(st.size, '\0'), nullptr};
    zip_file_t* f = zip_fopen_index(z, i, 0);
    if (f == nullptr ||
        zip_fread(f, e.bytes.data(), e.bytes.size()) != static_cast<zip_int64_t>(e.bytes.size())) {
      throw std::runtime_error("cannot read " + e.name);
    }
    zip_fclose(f);
    if (IsXml(e.name)) {
      unsigned flags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata |
                       pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype;
      flags &= ~pugi::parse_eol;
      e.xml = std::make_unique<pugi::xml_document>();
      if (!e.xml->load_buffer(e.bytes.data(), e.bytes.size(), flags)) {
        throw std::runtime_error("cannot parse " + e.name);
      }
    }
    entries.push_back(std::move(e));
  }
  zip_discard(z);
  return entries;
}

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

void WriteBack(std::vector<Entry>& entries, const std::filesystem::path& out) {
  for (Entry& e : entries) {
    if (!e.xml) continue;
    StringWriter writer;
    writer.out.reserve(e.bytes.size() + e.bytes.size() / 8);
    for (pugi::xml_node n = e.xml->first_child(); n; n = n.next_sibling()) {
      n.print(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    }
    e.bytes = std::move(writer.out);
  }
  std::vector<word::ZipEntry> zip;
  for (const Entry& e : entries) zip.push_back({e.name, e.bytes});
  word::WriteZip(out, zip);
}

}  // namespace

void FloorRead(const std::filesystem::path& in) {
  ReadAndParse(in);
}

void FloorRoundTrip(const std::filesystem::path& in, const std::filesystem::path& out) {
  std::vector<Entry> entries = ReadAndParse(in);
  WriteBack(entries, out);
}

void FloorWrite(const std::filesystem::path& in, const std::filesystem::path& out,
                Stopwatch& clock) {
  std::vector<Entry> entries = ReadAndParse(in);
  clock.Restart();
  WriteBack(entries, out);
}

}  // namespace korvax::bench
