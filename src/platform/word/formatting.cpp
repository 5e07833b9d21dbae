// Character and paragraph formatting of ranges: bold, size, alignment, tab stops.
#include <algorithm>
#include <cmath>
#include <string>

#include "internal/document_data.hpp"
#include "platform/word/range.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {

using detail::DocumentData;
using detail::RangeState;

namespace {

pugi::xml_node ParagraphProperties(pugi::xml_node p) {
  pugi::xml_node ppr = p.child("w:pPr");
  return ppr ? ppr : p.prepend_child("w:pPr");
}

bool OnOff(pugi::xml_node element) {
  if (!element) return false;
  std::string_view v = element.attribute("w:val").value();
  return !(v == "0" || v == "false" || v == "off");
}

// The distinct runs holding the text of the range, split at both ends.
std::vector<pugi::xml_node> RunsIn(RangeState& s) {
  std::vector<pugi::xml_node> runs;
  if (s.start == s.end) return runs;
  s.doc->PointAt(*s.story, s.start);
  s.doc->PointAt(*s.story, s.end);
  detail::ForEachParagraph(s.start, s.end, [&](pugi::xml_node p, int from, int to) {
    int pos = 0;
    detail::ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
      if (start >= to) return false;
      if (len > 0 && start >= from && start + len <= to) {
        pugi::xml_node run = atom.parent();
        if (runs.empty() || runs.back() != run) runs.push_back(run);
      }
      return true;
    });
  });
  return runs;
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

void FormatMark(pugi::xml_node p, const detail::RunFormat& format) {
  pugi::xml_node ppr = ParagraphProperties(p);
  detail::ChildInOrder(ppr, "w:rPr", detail::kParagraphOrder);
  detail::ApplyRunFormat(ppr, format);
}

// The value of every run of the range, read from its properties (those typed
// text takes when the range holds no text); wdUndefined when they differ.
template <class F>
double Uniform(RangeState& s, F value_of) {
  auto runs = RunsIn(s);
  if (runs.empty()) {
    detail::Point spot = detail::Locate(s.start);
    return value_of(detail::RunPropertiesTemplate(spot.Owner(), spot.offset));
  }
  const double first = value_of(runs.front().child("w:rPr"));
  for (auto run : runs) {
    if (value_of(run.child("w:rPr")) != first) return wdUndefined;
  }
  return first;
}

// Character formatting on the runs and paragraph marks of a range; on a
// collapsed range the formatting text typed there will get, and, as Word
// does, the mark of an empty paragraph there (a table added at it passes
// that on to its cells).
void ApplyFont(RangeState& s, const detail::RunFormat& format) {
  if (s.start == s.end) {
    if (format.bold) s.pending.bold = format.bold;
    if (format.size) s.pending.size = format.size;
    detail::Point spot = detail::Locate(s.start);
    if (detail::TextLength(spot.Owner()) == 0) FormatMark(spot.Owner(), format);
    return;
  }
  for (auto run : RunsIn(s)) detail::ApplyRunFormat(run, format);
  detail::ForEachParagraph(s.start, s.end, [&](pugi::xml_node p, int, int to) {
    if (to == detail::kThroughMark || to > detail::TextLength(p)) FormatMark(p, format);
  });
}

}  // namespace

int Font::Bold() const {
  auto& s = detail::Live(range_);
  if (s.start == s.end && s.pending.bold) return *s.pending.bold ? 1 : 0;
  return static_cast<int>(
      Uniform(s, [](pugi::xml_node rpr) { return OnOff(rpr.child("w:b")) ? 1 : 0; }));
}

void Font::SetBold(bool bold) {
  ApplyFont(detail::Live(range_), {.bold = bold, .size = {}});
}

double Font::Size() const {
  auto& s = detail::Live(range_);
  if (s.start == s.end && s.pending.size) return *s.pending.size;
  const double fallback = DefaultFontSize(*s.doc);
  return Uniform(s, [&](pugi::xml_node rpr) {
    auto sz = rpr.child("w:sz");
    return sz ? sz.attribute("w:val").as_double() / 2 : fallback;
  });
}

void Font::SetSize(double points) {
  ApplyFont(detail::Live(range_), {.bold = {}, .size = points});
}

int ParagraphFormat::Alignment() const {
  auto& s = detail::Live(range_);
  std::string_view jc =
      detail::Locate(s.start).Owner().child("w:pPr").child("w:jc").attribute("w:val").value();
  if (jc == "center") return wdAlignParagraphCenter;
  if (jc == "right" || jc == "end") return wdAlignParagraphRight;
  if (jc == "both" || jc == "distribute") return wdAlignParagraphJustify;
  return wdAlignParagraphLeft;
}

void Range::ClearParagraphAllFormatting() {
  auto& s = S();
  detail::ForEachParagraph(s.start, s.end,
                           [](pugi::xml_node p, int, int) { detail::ClearParagraphFormatting(p); });
}

void ParagraphFormat::SetAlignment(int alignment) {
  auto& s = detail::Live(range_);
  if (alignment < 0 || alignment > 3) throw errors::ValueOutOfRange();
  static const char* const kValues[] = {"left", "center", "right", "both"};
  detail::ForEachParagraph(s.start, s.end, [&](pugi::xml_node p, int, int) {
    pugi::xml_node ppr = ParagraphProperties(p);
    pugi::xml_node jc = detail::ChildInOrder(ppr, "w:jc", detail::kParagraphOrder);
    jc.remove_attribute("w:val");
    jc.append_attribute("w:val") = kValues[alignment];
  });
}

void TabStops::Add(double position, int alignment, int leader) {
  auto& s = detail::Live(range_);
  static const char* const kAlign[] = {"left", "center", "right", "decimal", "bar"};
  static const char* const kLeader[] = {"none",       "dot",   "hyphen",
                                        "underscore", "heavy", "middleDot"};
  if (alignment < 0 || alignment > 4 || leader < 0 || leader > 5) {
    throw errors::ValueOutOfRange();
  }
  long twips = std::lround(position * 20);
  detail::ForEachParagraph(s.start, s.end, [&](pugi::xml_node p, int, int) {
    pugi::xml_node tabs =
        detail::ChildInOrder(ParagraphProperties(p), "w:tabs", detail::kParagraphOrder);
    // A stop at the same place gives way; the new one goes before the first
    // stop further right.
    pugi::xml_node same, before;
    for (pugi::xml_node tab = tabs.child("w:tab"); tab; tab = tab.next_sibling("w:tab")) {
      long pos = tab.attribute("w:pos").as_int();
      if (pos == twips && !same) same = tab;
      if (pos > twips && !before) before = tab;
    }
    if (same) tabs.remove_child(same);
    auto tab = before ? tabs.insert_child_before("w:tab", before) : tabs.append_child("w:tab");
    tab.append_attribute("w:val") = kAlign[alignment];
    if (leader != 0) tab.append_attribute("w:leader") = kLeader[leader];
    tab.append_attribute("w:pos") = twips;
  });
}

int TabStops::Count() const {
  auto& s = detail::Live(range_);
  auto tabs = detail::Locate(s.start).Owner().child("w:pPr").child("w:tabs").children("w:tab");
  return static_cast<int>(std::count_if(tabs.begin(), tabs.end(), [](pugi::xml_node tab) {
    return std::string_view(tab.attribute("w:val").value()) != "clear";
  }));
}

}  // namespace korvax::word
