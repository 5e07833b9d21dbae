#include "platform/word/document_data.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "common/text.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

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

const std::initializer_list<const char*> kRunOrder = {"w:rStyle",
                                                      "w:rFonts",
                                                      "w:b",
                                                      "w:bCs",
                                                      "w:i",
                                                      "w:iCs",
                                                      "w:caps",
                                                      "w:smallCaps",
                                                      "w:strike",
                                                      "w:dstrike",
                                                      "w:outline",
                                                      "w:shadow",
                                                      "w:emboss",
                                                      "w:imprint",
                                                      "w:noProof",
                                                      "w:snapToGrid",
                                                      "w:vanish",
                                                      "w:webHidden",
                                                      "w:color",
                                                      "w:spacing",
                                                      "w:w",
                                                      "w:kern",
                                                      "w:position",
                                                      "w:sz",
                                                      "w:szCs",
                                                      "w:highlight",
                                                      "w:u",
                                                      "w:effect",
                                                      "w:bdr",
                                                      "w:shd",
                                                      "w:fitText",
                                                      "w:vertAlign",
                                                      "w:rtl",
                                                      "w:cs",
                                                      "w:em",
                                                      "w:lang",
                                                      "w:eastAsianLayout",
                                                      "w:specVanish",
                                                      "w:oMath"};

void RemoveAll(pugi::xml_node root, const char* name, const char* attr, const std::string& id) {
  std::vector<pugi::xml_node> hits;
  for (auto x :
       root.select_nodes((std::string(".//") + name + "[@" + attr + "='" + id + "']").c_str())) {
    hits.push_back(x.node());
  }
  for (auto n : hits) n.parent().remove_child(n);
}

}  // namespace

std::string Utf8(std::u32string_view s) {
  return korvax::text::ToUtf8(s);
}
std::u32string U32(std::string_view s) {
  return korvax::text::ToU32(s);
}

pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name,
                            std::initializer_list<const char*> order) {
  if (auto found = parent.child(name)) return found;
  auto rank = [&](const char* n) -> int {
    int i = 0;
    for (const char* o : order) {
      if (std::strcmp(o, n) == 0) return i;
      ++i;
    }
    return -1;
  };
  int mine = rank(name);
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && rank(c.name()) > mine) {
      return parent.insert_child_before(name, c);
    }
  }
  return parent.append_child(name);
}

pugi::xml_node RunPropertiesTemplate(pugi::xml_node p, int offset) {
  pugi::xml_node before, first;
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (!first) first = atom;
    if (start + len <= offset && offset > 0) {
      before = atom;
      return true;
    }
    return false;
  });
  pugi::xml_node atom = before ? before : first;
  if (atom) return atom.parent().child("w:rPr");
  return p.child("w:pPr").child("w:rPr");
}

void ApplyRunFormat(pugi::xml_node run, const RunFormat& format) {
  if (format.Empty()) return;
  pugi::xml_node rpr = run.child("w:rPr");
  if (!rpr) rpr = run.prepend_child("w:rPr");
  if (format.bold) {
    for (const char* name : {"w:b", "w:bCs"}) {
      pugi::xml_node b = ChildInOrder(rpr, name, kRunOrder);
      b.remove_attribute("w:val");
      if (!*format.bold) b.append_attribute("w:val") = "0";
    }
  }
  if (format.size) {
    std::string half = std::to_string(static_cast<int>(std::lround(*format.size * 2)));
    for (const char* name : {"w:sz", "w:szCs"}) {
      pugi::xml_node sz = ChildInOrder(rpr, name, kRunOrder);
      sz.remove_attribute("w:val");
      sz.append_attribute("w:val") = half.c_str();
    }
  }
}

DocumentData::DocumentData(Package pkg) : package(std::move(pkg)) {
  const std::string path = package.Source().string();
  if (!package.Has("_rels/.rels")) throw errors::InvalidDocument(path, "_rels/.rels fehlt");
  for (auto rel : package.Xml("_rels/.rels").document_element().children("Relationship")) {
    if (EndsWith(rel.attribute("Type").value(), "/officeDocument")) {
      main_part = Resolve("", rel.attribute("Target").value());
    }
  }
  if (main_part.empty() || !package.Has(main_part)) {
    throw errors::InvalidDocument(path, "das Hauptdokument (word/document.xml) fehlt");
  }
  body = package.Xml(main_part).document_element().child("w:body");
  if (!body) throw errors::InvalidDocument(path, "das Hauptdokument hat keinen Textkörper");
  if (!body.child("w:p") && !body.child("w:tbl") && !body.child("w:sdt")) {
    // Word never writes a body without a paragraph; give ranges a place to stand.
    body.prepend_child("w:p");
  }
  main = std::make_shared<Story>();
  main->root = body;
  stories_[body.internal_object()] = main;
}

std::shared_ptr<Story> DocumentData::StoryFor(pugi::xml_node root) {
  auto& slot = stories_[root.internal_object()];
  if (!slot || !slot->alive || slot->root != root) {
    slot = std::make_shared<Story>();
    slot->root = root;
  }
  return slot;
}

std::shared_ptr<RangeState> DocumentData::NewRange(const std::shared_ptr<Story>& story, int start,
                                                   int end) {
  auto r = std::make_shared<RangeState>();
  r->doc = shared_from_this();
  r->story = story;
  int limit = StoryEnd(*story);
  r->start = std::clamp(start, 0, limit);
  r->end = std::clamp(end, r->start, limit);
  auto& live = story->ranges;
  if (live.size() > 64 && live.size() == live.capacity()) {
    live.erase(std::remove_if(live.begin(), live.end(), [](auto& w) { return w.expired(); }),
               live.end());
  }
  live.push_back(r);
  return r;
}

int DocumentData::StoryLength(const Story& story) {
  return index.Length(story.root);
}

int DocumentData::StoryEnd(const Story& story) {
  int len = StoryLength(story);
  return story.root == body ? len : std::max(len - 1, 0);
}

void DocumentData::AdjustRanges(Story& story, int pos, int removed, int inserted,
                                bool everything_at_pos) {
  auto move = [&](int& p, bool start, bool collapsed) {
    if (removed > 0) {
      if (p >= pos + removed) {
        p -= removed;
      } else if (p > pos) {
        p = pos;
      }
    }
    if (inserted > 0 && (p > pos || (p == pos && (everything_at_pos || (start && !collapsed))))) {
      p += inserted;
    }
  };
  auto& live = story.ranges;
  size_t kept = 0;
  for (size_t i = 0; i < live.size(); ++i) {
    auto r = live[i].lock();
    if (!r || r->story.get() != &story) continue;
    bool collapsed = r->start == r->end;
    move(r->start, true, collapsed);
    move(r->end, false, collapsed);
    if (r->end < r->start) r->end = r->start;
    live[kept++] = live[i];
  }
  live.resize(kept);
}

void DocumentData::ForEachParagraph(Story& story, int start, int end,
                                    const std::function<void(pugi::xml_node, int, int, int)>& f) {
  std::function<void(pugi::xml_node, int)> walk = [&](pugi::xml_node c, int base) {
    auto& info = index.Info(c);
    if (info.children.empty()) return;
    for (size_t i = index.ChildAt(info, std::max(start - base, 0)); i < info.children.size(); ++i) {
      int cs = base + index.StartIn(info, i);
      int len = info.length[i];
      if (cs > end || (cs == end && end > start)) break;
      if (cs + len <= start) continue;
      pugi::xml_node child = info.children[i];
      if (IsParagraph(child)) {
        f(child, std::max(start - cs, 0), std::min(end - cs, len), len);
        if (start == end) return;
      } else {
        walk(child, cs);
        if (start == end) return;
      }
    }
  };
  walk(story.root, 0);
}

void DocumentData::SetSelection(const std::shared_ptr<Story>& story, int start, int end) {
  if (selection->story != story) {
    selection->story = story;
    story->ranges.push_back(selection);
  }
  int limit = StoryEnd(*story);
  selection->start = std::clamp(start, 0, limit);
  selection->end = std::clamp(end, selection->start, limit);
  selection->pending = RunFormat{};
}

std::string DocumentData::RelsPartOf(const std::string& part) const {
  auto slash = part.rfind('/');
  std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  return dir + "_rels/" + file + ".rels";
}

std::string DocumentData::PartByRelType(std::string_view suffix) {
  std::string rels = RelsPartOf(main_part);
  if (!package.Has(rels)) return {};
  for (auto rel : package.Xml(rels).document_element().children("Relationship")) {
    if (EndsWith(rel.attribute("Type").value(), suffix) &&
        std::string_view(rel.attribute("TargetMode").value()) != "External") {
      std::string part = Resolve(main_part, rel.attribute("Target").value());
      if (package.Has(part)) return part;
    }
  }
  return {};
}

std::string DocumentData::AddPart(const std::string& part, std::string_view rel_type,
                                  std::string_view content_type) {
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
  rel.append_attribute("Type") = std::string(rel_type).c_str();
  std::string target = part.substr(Directory(main_part).size());
  rel.append_attribute("Target") = target.c_str();

  pugi::xml_node types = package.Xml("[Content_Types].xml").document_element();
  auto over = types.append_child("Override");
  over.append_attribute("PartName") = ("/" + part).c_str();
  over.append_attribute("ContentType") = std::string(content_type).c_str();
  package.CreateXml(part);
  return part;
}

pugi::xml_node DocumentData::CommentsRoot(bool create) {
  std::string part = PartByRelType("/comments");
  if (part.empty()) {
    if (!create) return {};
    part = AddPart(Directory(main_part) + "comments.xml",
                   "http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments",
                   "application/vnd.openxmlformats-officedocument.wordprocessingml.comments+xml");
    pugi::xml_node root = package.Xml(part).append_child("w:comments");
    root.append_attribute("xmlns:w") =
        "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
    return root;
  }
  return package.Xml(part).document_element();
}

pugi::xml_node DocumentData::ExtensionRoot(std::string_view suffix) {
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

void DocumentData::DeleteComment(const std::string& id) {
  pugi::xml_node root = CommentsRoot(false);
  std::set<std::string> para_ids;
  if (root) {
    pugi::xml_node comment = root.find_child_by_attribute("w:comment", "w:id", id.c_str());
    if (comment) {
      for (auto p : comment.select_nodes(".//w:p[@w14:paraId]")) {
        para_ids.insert(p.node().attribute("w14:paraId").value());
      }
      auto it = stories_.find(comment.internal_object());
      if (it != stories_.end()) {
        it->second->alive = false;
        stories_.erase(it);
      }
      index.Forget(comment);
      Bury(comment);
    }
  }
  if (!para_ids.empty()) {
    if (auto ext = ExtensionRoot("/commentsExtended")) {
      std::vector<pugi::xml_node> gone;
      for (auto ex : ext.children()) {
        if (para_ids.count(ex.attribute("w15:paraId").value())) gone.push_back(ex);
        if (para_ids.count(ex.attribute("w15:paraIdParent").value())) {
          ex.remove_attribute("w15:paraIdParent");
        }
      }
      for (auto n : gone) ext.remove_child(n);
    }
    std::set<std::string> durable;
    if (auto ids = ExtensionRoot("/commentsIds")) {
      std::vector<pugi::xml_node> gone;
      for (auto c : ids.children()) {
        if (para_ids.count(c.attribute("w16cid:paraId").value())) {
          durable.insert(c.attribute("w16cid:durableId").value());
          gone.push_back(c);
        }
      }
      for (auto n : gone) ids.remove_child(n);
    }
    if (auto ext = ExtensionRoot("/commentsExtensible")) {
      std::vector<pugi::xml_node> gone;
      for (auto c : ext.children()) {
        if (durable.count(c.attribute("w16cex:durableId").value())) gone.push_back(c);
      }
      for (auto n : gone) ext.remove_child(n);
    }
  }
  pugi::xml_node doc = body.parent();
  RemoveAll(doc, "w:commentRangeStart", "w:id", id);
  RemoveAll(doc, "w:commentRangeEnd", "w:id", id);
  std::vector<pugi::xml_node> refs;
  for (auto x : doc.select_nodes((".//w:commentReference[@w:id='" + id + "']").c_str())) {
    refs.push_back(x.node());
  }
  for (auto ref : refs) {
    pugi::xml_node run = ref.parent();
    run.remove_child(ref);
    bool empty = true;
    for (auto c : run.children()) {
      if (c.type() == pugi::node_element && std::strcmp(c.name(), "w:rPr") != 0) empty = false;
    }
    if (empty && std::strcmp(run.name(), "w:r") == 0) {
      index.Forget(run);
      run.parent().remove_child(run);
    }
  }
}

void DocumentData::SyncTextBoxFallbacks() {
  for (auto& [node, story] : stories_) {
    if (!story->alive || !story->edited || std::strcmp(story->root.name(), "w:txbxContent")) {
      continue;
    }
    story->edited = false;
    pugi::xml_node choice = story->root;
    while (choice && std::strcmp(choice.name(), "mc:Choice") != 0) choice = choice.parent();
    if (!choice || IsBuried(choice)) continue;
    pugi::xml_node copy =
        choice.parent().child("mc:Fallback").select_node(".//w:txbxContent").node();
    if (!copy) continue;
    while (copy.first_child()) copy.remove_child(copy.first_child());
    for (auto c : story->root.children()) copy.append_copy(c);
  }
}

void DocumentData::DeleteBookmark(const std::string& id) {
  pugi::xml_node doc = body.parent();
  RemoveAll(doc, "w:bookmarkStart", "w:id", id);
  RemoveAll(doc, "w:bookmarkEnd", "w:id", id);
}

}  // namespace korvax::word::detail
