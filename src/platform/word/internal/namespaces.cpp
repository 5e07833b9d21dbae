#include "namespaces.hpp"

#include <algorithm>
#include <vector>

#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

// A prefix bound to a namespace; in the walk the uri is the attribute's
// value, alive while the walk is.
struct Binding {
  std::string_view prefix;
  std::string_view uri;
};

// The namespaces whose elements and attributes the layer names.
constexpr Binding kUsual[] = {
    {"w", "http://schemas.openxmlformats.org/wordprocessingml/2006/main"},
    {"r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships"},
    {"wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"},
    {"a", "http://schemas.openxmlformats.org/drawingml/2006/main"},
    {"mc", "http://schemas.openxmlformats.org/markup-compatibility/2006"},
    {"wps", "http://schemas.microsoft.com/office/word/2010/wordprocessingShape"},
    {"w14", "http://schemas.microsoft.com/office/word/2010/wordml"},
    {"w15", "http://schemas.microsoft.com/office/word/2012/wordml"},
    {"w16cid", "http://schemas.microsoft.com/office/word/2016/wordml/cid"},
    {"w16cex", "http://schemas.microsoft.com/office/word/2018/wordml/cex"},
    {"v", "urn:schemas-microsoft-com:vml"},
};

const Binding* ByUri(std::string_view uri) {
  for (const Binding& u : kUsual) {
    if (u.uri == uri) return &u;
  }
  return nullptr;
}

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

class Normalizer {
 public:
  explicit Normalizer(const std::string& what) : what_(what) {}

  void Walk(pugi::xml_node element) {
    const size_t outer = scope_.size();
    for (pugi::xml_attribute a : element.attributes()) {
      std::string_view name = a.name();
      if (name == "xmlns") {
        scope_.push_back({"", a.value()});
      } else if (name.starts_with("xmlns:")) {
        scope_.push_back({name.substr(6), a.value()});
      }
    }
    if (std::string name; Renamed(element.name(), true, name)) element.set_name(name.c_str());
    for (pugi::xml_attribute a : element.attributes()) {
      std::string name;
      if (Renamed(a.name(), false, name)) a.set_name(name.c_str());
    }
    for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_element) Walk(c);
    }
    scope_.resize(outer);
  }

  // The usual prefixes used, declared on the document element.
  void Declare(pugi::xml_node root) {
    for (const Binding* u : used_) DeclareUsual(root, u->prefix);
  }

 private:
  std::string_view Resolve(std::string_view prefix) const {
    for (size_t i = scope_.size(); i-- > 0;) {
      if (scope_[i].prefix == prefix) return scope_[i].uri;
    }
    return {};
  }

  // The name under the usual prefix of its namespace, when it has another.
  // Attributes without a prefix belong to no namespace.
  bool Renamed(std::string_view qualified, bool element, std::string& out) {
    const size_t colon = qualified.find(':');
    std::string_view prefix = colon == std::string_view::npos ? "" : qualified.substr(0, colon);
    if (prefix.empty() && !element) return false;
    if (prefix == "xml" || prefix == "xmlns" || (!element && qualified == "xmlns")) return false;
    const Binding* usual = ByUri(Resolve(prefix));
    if (!usual || usual->prefix == prefix) return false;
    std::string_view bound = Resolve(usual->prefix);
    if (!bound.empty() && bound != usual->uri) {
      throw errors::InvalidDocument(what_, "das Präfix \"" + std::string(usual->prefix) +
                                               "\" steht für einen fremden Namensraum");
    }
    if (std::find(used_.begin(), used_.end(), usual) == used_.end()) used_.push_back(usual);
    out.assign(usual->prefix);
    out += ':';
    out += qualified.substr(colon == std::string_view::npos ? 0 : colon + 1);
    return true;
  }

  const std::string& what_;
  std::vector<Binding> scope_;
  std::vector<const Binding*> used_;
};

// True when the bytes bind a usual namespace to another prefix: only then
// is there anything to rename.
bool HasUnusualPrefixes(std::string_view bytes) {
  size_t at = 0;
  while ((at = bytes.find("xmlns", at)) != std::string_view::npos) {
    size_t i = at + 5;
    at = i;
    std::string_view prefix;
    if (i < bytes.size() && bytes[i] == ':') {
      size_t end = i + 1;
      while (end < bytes.size() && !Blank(bytes[end]) && bytes[end] != '=') ++end;
      prefix = bytes.substr(i + 1, end - i - 1);
      i = end;
    }
    while (i < bytes.size() && Blank(bytes[i])) ++i;
    if (i >= bytes.size() || bytes[i] != '=') continue;
    ++i;
    while (i < bytes.size() && Blank(bytes[i])) ++i;
    if (i >= bytes.size() || (bytes[i] != '"' && bytes[i] != '\'')) continue;
    size_t end = bytes.find(bytes[i], i + 1);
    if (end == std::string_view::npos) return false;
    const Binding* usual = ByUri(bytes.substr(i + 1, end - i - 1));
    if (usual && usual->prefix != prefix) return true;
    at = end;
  }
  return false;
}

}  // namespace

void DeclareUsual(pugi::xml_node root, std::string_view prefix) {
  const std::string name = "xmlns:" + std::string(prefix);
  if (root.attribute(name.c_str())) return;
  for (const Binding& u : kUsual) {
    if (u.prefix == prefix) root.append_attribute(name.c_str()) = std::string(u.uri).c_str();
  }
}

void NormalizePrefixes(pugi::xml_document& doc, std::string_view bytes, const std::string& what) {
  pugi::xml_node root = doc.document_element();
  if (!root || !HasUnusualPrefixes(bytes)) return;
  Normalizer normalizer(what);
  normalizer.Walk(root);
  normalizer.Declare(root);
}

}  // namespace korvax::word::detail
