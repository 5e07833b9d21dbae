// Small helpers over WordprocessingML: elements in schema order, run
// formatting, paragraph formatting cleared.
#include <cmath>
#include <cstring>

#include "document_data.hpp"

namespace korvax::word::detail {
namespace {

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

bool Named(pugi::xml_node n, const char* name) {
  return std::strcmp(n.name(), name) == 0;
}

bool IsChangeMark(const char* name) {
  if (name[0] != 'w' || name[1] != ':') return false;
  std::string_view local = name + 2;
  return local == "ins" || local == "del" || local == "moveFrom" || local == "moveTo" ||
         local == "rPrChange";
}

}  // namespace

const std::initializer_list<const char*> kParagraphOrder = {"w:pStyle",
                                                            "w:keepNext",
                                                            "w:keepLines",
                                                            "w:pageBreakBefore",
                                                            "w:framePr",
                                                            "w:widowControl",
                                                            "w:numPr",
                                                            "w:suppressLineNumbers",
                                                            "w:pBdr",
                                                            "w:shd",
                                                            "w:tabs",
                                                            "w:suppressAutoHyphens",
                                                            "w:kinsoku",
                                                            "w:wordWrap",
                                                            "w:overflowPunct",
                                                            "w:topLinePunct",
                                                            "w:autoSpaceDE",
                                                            "w:autoSpaceDN",
                                                            "w:bidi",
                                                            "w:adjustRightInd",
                                                            "w:snapToGrid",
                                                            "w:spacing",
                                                            "w:ind",
                                                            "w:contextualSpacing",
                                                            "w:mirrorIndents",
                                                            "w:suppressOverlap",
                                                            "w:jc",
                                                            "w:textDirection",
                                                            "w:textAlignment",
                                                            "w:textboxTightWrap",
                                                            "w:outlineLvl",
                                                            "w:divId",
                                                            "w:cnfStyle",
                                                            "w:rPr",
                                                            "w:sectPr",
                                                            "w:pPrChange"};

pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name,
                            std::initializer_list<const char*> order) {
  if (auto found = parent.child(name)) return found;
  if (!parent.first_child()) return parent.append_child(name);  // nothing to keep order with
  auto rank = [&](const char* n) {
    int i = 0;
    for (const char* o : order) {
      if (std::strcmp(o, n) == 0) return i;
      ++i;
    }
    return -1;
  };
  const int mine = rank(name);
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

void ClearParagraphFormatting(pugi::xml_node p) {
  pugi::xml_node ppr = p.child("w:pPr");
  if (!ppr) return;
  RemoveChildren(ppr, [](pugi::xml_node c) {
    if (!Named(c, "w:rPr")) return !Named(c, "w:sectPr");
    RemoveChangeMarks(c);
    return !c.first_child();
  });
  if (!ppr.first_child()) p.remove_child(ppr);
}

void RemoveChangeMarks(pugi::xml_node rpr) {
  RemoveChildren(rpr, [](pugi::xml_node m) { return IsChangeMark(m.name()); });
}

void RemoveIfEmptyRun(pugi::xml_node run) {
  if (!Named(run, "w:r")) return;
  for (pugi::xml_node c = run.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && !Named(c, "w:rPr")) return;
  }
  run.parent().remove_child(run);
}

}  // namespace korvax::word::detail
