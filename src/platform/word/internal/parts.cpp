// The package side of a document: finding the main part, related parts and
// their relationships, and removing comments and bookmarks with their markers.
#include <algorithm>
#include <cstring>
#include <set>

#include "document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

std::string Directory(const std::string& part) {
  auto slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship target resolved against the folder of its source part.
std::string Resolve(const std::string& source, std::string target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  std::string dir = Directory(source);
  while (target.rfind("../", 0) == 0) {
    target = target.substr(3);
    if (!dir.empty()) dir = Directory(dir.substr(0, dir.size() - 1));
  }
  return dir + target;
}

std::string RelsPartOf(const std::string& part) {
  return Directory(part) + "_rels/" + part.substr(Directory(part).size()) + ".rels";
}

}  // namespace

DocumentData::DocumentData(Package pkg) : package(std::move(pkg)) {
  const std::string path = package.Source().string();
  if (!package.Has("_rels/.rels")) throw errors::InvalidDocument(path, "_rels/.rels fehlt");
  for (auto rel : package.Xml("_rels/.rels").document_element().children("Relationship")) {
    if (std::string_view(rel.attribute("Type").value()).ends_with("/officeDocument")) {
      main_part = Resolve("", rel.attribute("Target").value());
    }
  }
  if (main_part.empty() || !package.Has(main_part)) {
    throw errors::InvalidDocument(path, "das Hauptdokument (word/document.xml) fehlt");
  }
  body = package.Xml(main_part).document_element().child("w:body");
  package.AlwaysWrite(main_part);
  if (!body) throw errors::InvalidDocument(path, "das Hauptdokument hat keinen Textkörper");
  if (!body.child("w:p") && !body.child("w:tbl") && !body.child("w:sdt")) {
    // Word never writes a body without a paragraph; give ranges a place to stand.
    body.prepend_child("w:p");
  }
  main = StoryFor(body);
}

std::string DocumentData::PartByRelType(std::string_view suffix) {
  std::string rels = RelsPartOf(main_part);
  if (!package.Has(rels)) return {};
  for (auto rel : package.Xml(rels).document_element().children("Relationship")) {
    if (std::string_view(rel.attribute("Type").value()).ends_with(suffix) &&
        std::string_view(rel.attribute("TargetMode").value()) != "External") {
      std::string part = Resolve(main_part, rel.attribute("Target").value());
      if (package.Has(part)) return part;
    }
  }
  return {};
}

pugi::xml_node DocumentData::CommentsRoot(bool create) {
  if (pugi::xml_node root = PartRoot("/comments"); root || !create) return root;
  // A new part beside the main part, with its relationship and content type.
  const std::string part = Directory(main_part) + "comments.xml";
  std::string rels = RelsPartOf(main_part);
  pugi::xml_document& doc = package.Has(rels) ? package.Xml(rels) : package.CreateXml(rels);
  pugi::xml_node root = doc.document_element();
  if (!root) {
    root = doc.append_child("Relationships");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/relationships";
  }
  std::set<std::string> ids;
  for (auto rel : root.children("Relationship")) ids.insert(rel.attribute("Id").value());
  int n = 1;
  while (ids.count("rId" + std::to_string(n))) ++n;
  auto rel = root.append_child("Relationship");
  rel.append_attribute("Id") = ("rId" + std::to_string(n)).c_str();
  rel.append_attribute("Type") =
      "http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments";
  rel.append_attribute("Target") = part.substr(Directory(main_part).size()).c_str();

  pugi::xml_node types = package.Xml("[Content_Types].xml").document_element();
  auto over = types.append_child("Override");
  over.append_attribute("PartName") = ("/" + part).c_str();
  over.append_attribute("ContentType") =
      "application/vnd.openxmlformats-officedocument.wordprocessingml.comments+xml";
  pugi::xml_node comments = package.CreateXml(part).append_child("w:comments");
  comments.append_attribute("xmlns:w") =
      "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  return comments;
}

pugi::xml_node DocumentData::PartRoot(std::string_view suffix) {
  std::string part = PartByRelType(suffix);
  if (part.empty()) return {};
  return package.Xml(part).document_element();
}

std::string DocumentData::NewId(const char* element, pugi::xml_node in) {
  long max = -1;
  for (auto x : in.select_nodes((std::string(".//") + element).c_str())) {
    max = std::max(max, std::strtol(x.node().attribute("w:id").value(), nullptr, 10));
  }
  return std::to_string(max + 1);
}

void DocumentData::DeleteComments(const std::set<std::string>& ids) {
  if (ids.empty()) return;
  Changed(true);
  // Parts that are not there (null nodes) have no children.
  std::set<std::string> para_ids;
  for (pugi::xml_node c = CommentsRoot(false).child("w:comment"), next; c; c = next) {
    next = c.next_sibling("w:comment");
    if (!ids.count(c.attribute("w:id").value())) continue;
    for (auto p : c.select_nodes(".//w:p[@w14:paraId]")) {
      para_ids.insert(p.node().attribute("w14:paraId").value());
    }
    Bury(c);
  }
  // Word 2013 and later keep reply state and durable ids beside comments.xml.
  if (!para_ids.empty()) {
    pugi::xml_node extended = PartRoot("/commentsExtended");
    for (auto ex : extended.children()) {
      if (para_ids.count(ex.attribute("w15:paraIdParent").value())) {
        ex.remove_attribute("w15:paraIdParent");
      }
    }
    RemoveChildren(extended, [&](pugi::xml_node ex) {
      return para_ids.count(ex.attribute("w15:paraId").value()) != 0;
    });
    std::set<std::string> durable;
    RemoveChildren(PartRoot("/commentsIds"), [&](pugi::xml_node c) {
      if (!para_ids.count(c.attribute("w16cid:paraId").value())) return false;
      durable.insert(c.attribute("w16cid:durableId").value());
      return true;
    });
    RemoveChildren(PartRoot("/commentsExtensible"), [&](pugi::xml_node c) {
      return durable.count(c.attribute("w16cex:durableId").value()) != 0;
    });
  }
  // The comments' markers in the main part, found in one walk.
  std::vector<pugi::xml_node> ranges, refs;
  ForEachElement(body.parent(), [&](pugi::xml_node n) {
    std::string_view name = n.name();
    if (!name.starts_with("w:comment") || !ids.count(n.attribute("w:id").value())) return;
    if (name == "w:commentRangeStart" || name == "w:commentRangeEnd") ranges.push_back(n);
    if (name == "w:commentReference") refs.push_back(n);
  });
  for (auto n : ranges) n.parent().remove_child(n);
  for (auto ref : refs) {
    pugi::xml_node run = ref.parent();
    run.remove_child(ref);
    RemoveIfEmptyRun(run);
  }
}

void DocumentData::DeleteBookmark(const std::string& id) {
  std::vector<pugi::xml_node> hits;
  ForEachElement(body.parent(), [&](pugi::xml_node n) {
    std::string_view name = n.name();
    if ((name == "w:bookmarkStart" || name == "w:bookmarkEnd") &&
        id == n.attribute("w:id").value()) {
      hits.push_back(n);
    }
  });
  for (auto n : hits) n.parent().remove_child(n);
  Changed(true);
}

void DocumentData::SyncTextBoxFallbacks() {
  for (auto& [node, story] : stories_) {
    unsigned long long seen = 0;
    if (!story->edited || std::strcmp(story->root.name(), "w:txbxContent") != 0 ||
        !Alive(story->root, seen)) {
      continue;
    }
    story->edited = false;
    pugi::xml_node copy =
        story->root.select_node("ancestor::mc:Choice[1]/../mc:Fallback[1]//w:txbxContent").node();
    if (!copy) continue;
    copy.remove_children();
    for (auto c : story->root.children()) copy.append_copy(c);
  }
}

}  // namespace korvax::word::detail
