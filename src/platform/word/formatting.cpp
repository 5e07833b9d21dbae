// Character and paragraph formatting of ranges: bold, size, alignment, tab stops.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/word/document_data.hpp"
#include "platform/word/range.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {

using detail::DocumentData;

namespace {

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

pugi::xml_node ParagraphProperties(DocumentData& d, pugi::xml_node p) {
  pugi::xml_node ppr = p.child("w:pPr");
  return ppr ? ppr : p.prepend_copy(d.Protos().paragraph_properties);
}

bool Named(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

bool OnOff(pugi::xml_node element) {
  if (!element) return false;
  std::string_view v = element.attribute("w:val").value();
  return !(v == "0" || v == "false" || v == "off");
}

// The distinct runs holding the text of [start, end), split at both ends.
std::vector<pugi::xml_node> RunsIn(DocumentData& d, detail::Story& story, int start, int end) {
  std::vector<pugi::xml_node> runs;
  if (end <= start) return runs;
  d.PointAt(story, start);
  d.PointAt(story, end);
  d.ForEachParagraph(story, start, end, [&](pugi::xml_node p, int from, int to, int) {
    int pos = 0;
    detail::ForEachAtom(p, pos, [&](pugi::xml_node atom, int s, int len) {
      if (s >= to) return false;
      if (len > 0 && s >= from && s + len <= to) {
        pugi::xml_node run = atom.parent();
        if (runs.empty() || runs.back() != run) runs.push_back(run);
      }
      return true;
    });
  });
  return runs;
}

// Paragraph marks inside [start, end): their formatting follows the text's.
std::vector<pugi::xml_node> MarksIn(DocumentData& d, detail::Story& story, int start, int end) {
  std::vector<pugi::xml_node> marks;
  d.ForEachParagraph(story, start, end, [&](pugi::xml_node p, int, int to, int len) {
    if (to >= len) marks.push_back(p);
  });
  return marks;
}

double DefaultFontSize(DocumentData& d) {
  std::string styles = d.PartByRelType("/styles");
  if (!styles.empty()) {
    auto sz = d.package.Xml(styles).document_element().select_node(
        "w:docDefaults/w:rPrDefault/w:rPr/w:sz");
    if (sz) return sz.node().attribute("w:val").as_double() / 2;
  }
  return 10;
}

// Word formats the mark of an empty paragraph when the insertion point in it
// is formatted; a table added there passes that on to its cells.
void FormatEmptyParagraphMark(detail::RangeState& s, const detail::RunFormat& format) {
  auto spot = s.doc->index.Locate(s.story->root, s.start);
  if (s.doc->index.Length(spot.paragraph) != 1) return;
  pugi::xml_node ppr = ParagraphProperties(*s.doc, spot.paragraph);
  detail::ChildInOrder(ppr, "w:rPr", kParagraphOrder);
  detail::ApplyRunFormat(ppr, format);
}

}  // namespace

int Font::Bold() const {
  Range(range_).Start();
  auto& s = *range_;
  if (s.start == s.end) {
    if (s.pending.bold) return *s.pending.bold ? 1 : 0;
  }
  auto runs = RunsIn(*s.doc, *s.story, s.start, std::max(s.end, s.start));
  if (runs.empty()) {
    auto spot = s.doc->index.Locate(s.story->root, s.start);
    pugi::xml_node rpr = detail::RunPropertiesTemplate(spot.paragraph, spot.offset);
    return OnOff(rpr.child("w:b")) ? 1 : 0;
  }
  int bold = -1;
  for (auto run : runs) {
    int b = OnOff(run.child("w:rPr").child("w:b")) ? 1 : 0;
    if (bold >= 0 && b != bold) return wdUndefined;
    bold = b;
  }
  return bold;
}

// Character formatting on the runs and paragraph marks of a range; on a
// collapsed range the formatting text typed there will get.
void Font::Apply(const detail::RunFormat& format) {
  Range(range_).Start();
  auto& s = *range_;
  if (s.start == s.end) {
    if (format.bold) s.pending.bold = format.bold;
    if (format.size) s.pending.size = format.size;
    FormatEmptyParagraphMark(s, format);
    return;
  }
  for (auto run : RunsIn(*s.doc, *s.story, s.start, s.end)) detail::ApplyRunFormat(run, format);
  for (auto p : MarksIn(*s.doc, *s.story, s.start, s.end)) {
    pugi::xml_node ppr = ParagraphProperties(*s.doc, p);
    detail::ChildInOrder(ppr, "w:rPr", kParagraphOrder);
    detail::ApplyRunFormat(ppr, format);
  }
}

void Font::SetBold(bool bold) {
  detail::RunFormat format;
  format.bold = bold;
  Apply(format);
}

double Font::Size() const {
  Range(range_).Start();
  auto& s = *range_;
  if (s.start == s.end && s.pending.size) return *s.pending.size;
  auto runs = RunsIn(*s.doc, *s.story, s.start, s.end);
  double fallback = DefaultFontSize(*s.doc);
  if (runs.empty()) {
    auto spot = s.doc->index.Locate(s.story->root, s.start);
    pugi::xml_node rpr = detail::RunPropertiesTemplate(spot.paragraph, spot.offset);
    auto sz = rpr.child("w:sz");
    return sz ? sz.attribute("w:val").as_double() / 2 : fallback;
  }
  double size = -1;
  for (auto run : runs) {
    auto sz = run.child("w:rPr").child("w:sz");
    double v = sz ? sz.attribute("w:val").as_double() / 2 : fallback;
    if (size >= 0 && v != size) return wdUndefined;
    size = v;
  }
  return size;
}

void Font::SetSize(double points) {
  detail::RunFormat format;
  format.size = points;
  Apply(format);
}

int ParagraphFormat::Alignment() const {
  Range(range_).Start();
  auto& s = *range_;
  auto spot = s.doc->index.Locate(s.story->root, s.start);
  std::string_view jc = spot.paragraph.child("w:pPr").child("w:jc").attribute("w:val").value();
  if (jc == "center") return wdAlignParagraphCenter;
  if (jc == "right" || jc == "end") return wdAlignParagraphRight;
  if (jc == "both" || jc == "distribute") return wdAlignParagraphJustify;
  return wdAlignParagraphLeft;
}

void Range::ClearParagraphAllFormatting() {
  auto& s = S();
  s.doc->ForEachParagraph(*s.story, s.start, s.end, [](pugi::xml_node p, int, int, int) {
    detail::ClearParagraphFormatting(p);
  });
}

void ParagraphFormat::SetAlignment(int alignment) {
  Range(range_).Start();
  auto& s = *range_;
  if (alignment < 0 || alignment > 3) throw errors::ValueOutOfRange();
  auto& d = *s.doc;
  // w:jc with w:val left, center, right or both.
  const detail::Prototypes& proto = d.Protos();
  pugi::xml_node model = proto.jc[alignment];
  d.ForEachParagraph(*s.story, s.start, s.end, [&](pugi::xml_node p, int, int, int) {
    pugi::xml_node ppr = p.child("w:pPr");
    if (!ppr) {
      p.prepend_copy(proto.aligned[alignment]);
      return;
    }
    if (pugi::xml_node jc = ppr.child("w:jc")) {
      jc.remove_attribute("w:val");
      jc.append_copy(model.first_attribute());
    } else {
      detail::ChildInOrder(ppr, "w:jc", kParagraphOrder, model);
    }
  });
}

void TabStops::Add(double position, int alignment, int leader) {
  Range(range_).Start();
  auto& s = *range_;
  static const char* const kAlign[] = {"left", "center", "right", "decimal", "bar"};
  static const char* const kLeader[] = {"none",       "dot",   "hyphen",
                                        "underscore", "heavy", "middleDot"};
  if (alignment < 0 || alignment > 4 || leader < 0 || leader > 5) {
    throw errors::ValueOutOfRange();
  }
  long twips = std::lround(position * 20);
  auto& d = *s.doc;
  // The stop as it is written, shared by every paragraph that gets it.
  pugi::xml_node model;
  if (twips >= INT32_MIN && twips <= INT32_MAX) {
    unsigned long long key = static_cast<std::uint32_t>(twips) |
                             static_cast<unsigned long long>(alignment) << 32 |
                             static_cast<unsigned long long>(leader) << 40 | 1ULL << 48;
    model = d.KeyedPrototype(key, [&] {
      std::string xml = std::string("<w:tab w:val=\"") + kAlign[alignment] + '"';
      if (leader != 0) xml += std::string(" w:leader=\"") + kLeader[leader] + '"';
      return xml + " w:pos=\"" + std::to_string(twips) + "\"/>";
    });
  }
  const detail::Prototypes& proto = d.Protos();
  d.ForEachParagraph(*s.story, s.start, s.end, [&](pugi::xml_node p, int, int, int) {
    pugi::xml_node ppr = p.child("w:pPr");
    pugi::xml_node tabs = ppr ? detail::ChildInOrder(ppr, "w:tabs", kParagraphOrder, proto.tabs)
                              : p.prepend_copy(proto.paragraph_tabs).first_child();
    // A stop at the same place gives way; the new one goes before the first
    // stop further right.
    pugi::xml_node same, before;
    for (pugi::xml_node tab = tabs.first_child(); tab; tab = tab.next_sibling()) {
      if (!Named(tab.name(), "w:tab")) continue;
      pugi::xml_attribute at = tab.first_attribute();
      while (at && !Named(at.name(), "w:pos")) at = at.next_attribute();
      long pos = at.as_int();
      if (pos == twips && !same) same = tab;
      if (pos > twips && !before) before = tab;
      if (same && before) break;
    }
    if (same) tabs.remove_child(same);
    if (model) {
      before ? tabs.insert_copy_before(model, before) : tabs.append_copy(model);
      return;
    }
    auto tab = before ? tabs.insert_child_before("w:tab", before) : tabs.append_child("w:tab");
    tab.append_attribute("w:val") = kAlign[alignment];
    if (leader != 0) tab.append_attribute("w:leader") = kLeader[leader];
    tab.append_attribute("w:pos") = twips;
  });
}

int TabStops::Count() const {
  Range(range_).Start();
  auto& s = *range_;
  auto spot = s.doc->index.Locate(s.story->root, s.start);
  int n = 0;
  for (auto tab : spot.paragraph.child("w:pPr").child("w:tabs").children("w:tab")) {
    n += std::string_view(tab.attribute("w:val").value()) != "clear";
  }
  return n;
}

namespace detail {

void ClearParagraphFormatting(pugi::xml_node p) {
  pugi::xml_node ppr = p.child("w:pPr");
  if (!ppr) return;
  for (pugi::xml_node c = ppr.first_child(); c;) {
    pugi::xml_node next = c.next_sibling();
    if (Named(c.name(), "w:rPr")) {
      for (pugi::xml_node m = c.first_child(); m;) {
        pugi::xml_node after = m.next_sibling();
        if (IsChangeMark(m.name())) c.remove_child(m);
        m = after;
      }
      if (!c.first_child()) ppr.remove_child(c);
    } else if (!Named(c.name(), "w:sectPr")) {
      ppr.remove_child(c);
    }
    c = next;
  }
  if (!ppr.first_child()) p.remove_child(ppr);
}

}  // namespace detail

}  // namespace korvax::word
