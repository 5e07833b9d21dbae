#include "platform/word/shapes.hpp"

#include <cmath>
#include <cstring>
#include <string>

#include "common/text.hpp"
#include "internal/document_data.hpp"
#include "internal/namespaces.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {
namespace {

constexpr double kEmuPerPoint = 12700;

const char* const kFills[] = {"a:noFill",   "a:solidFill", "a:gradFill",
                              "a:blipFill", "a:pattFill",  "a:grpFill"};

void RemoveFills(pugi::xml_node n) {
  for (const char* f : kFills) {
    while (auto c = n.child(f)) n.remove_child(c);
  }
}

long Emu(double points) {
  return std::lround(points * kEmuPerPoint);
}

// An EMU value as points; a missing value is 0.
template <class Value>
double Points(Value emu) {
  return emu.as_double() / kEmuPerPoint;
}

// An offset in place of an alignment.
void SetOffset(pugi::xml_node position, double points) {
  pugi::xml_node off = position.child("wp:posOffset");
  if (!off) {
    while (auto align = position.child("wp:align")) position.remove_child(align);
    off = position.append_child("wp:posOffset");
  }
  off.text().set(std::to_string(Emu(points)).c_str());
}

// A floating text box as Word writes it: $I its drawing id, $Z its place in
// the stacking order, $X and $Y its offset from the page, $W and $H its size
// (EMU). The blanks between elements are not parsed.
constexpr const char* kTextBox = R"(<w:r><mc:AlternateContent><mc:Choice Requires="wps">
<w:drawing><wp:anchor distT="0" distB="0" distL="114300" distR="114300" simplePos="0"
 relativeHeight="$Z" behindDoc="0" locked="0" layoutInCell="1" allowOverlap="1">
<wp:simplePos x="0" y="0"/><wp:positionH relativeFrom="page"><wp:posOffset>$X</wp:posOffset>
</wp:positionH><wp:positionV relativeFrom="page"><wp:posOffset>$Y</wp:posOffset></wp:positionV>
<wp:extent cx="$W" cy="$H"/><wp:effectExtent l="0" t="0" r="0" b="0"/><wp:wrapNone/>
<wp:docPr id="$I" name="Text Box $I"/><wp:cNvGraphicFramePr/><a:graphic><a:graphicData
 uri="http://schemas.microsoft.com/office/word/2010/wordprocessingShape"><wps:wsp>
<wps:cNvSpPr txBox="1"/><wps:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="$W" cy="$H"/></a:xfrm>
<a:prstGeom prst="rect"><a:avLst/></a:prstGeom><a:solidFill><a:schemeClr val="lt1"/></a:solidFill>
<a:ln w="6350"><a:solidFill><a:prstClr val="black"/></a:solidFill></a:ln></wps:spPr><wps:txbx>
<w:txbxContent><w:p/></w:txbxContent></wps:txbx><wps:bodyPr rot="0" vert="horz" wrap="square"
 lIns="91440" tIns="45720" rIns="91440" bIns="45720" anchor="t" anchorCtr="0"><a:noAutofit/>
</wps:bodyPr></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></mc:Choice>
</mc:AlternateContent></w:r>)";

const char* const kRelative[] = {"margin",    "page",         "paragraph",    "line",
                                 "topMargin", "bottomMargin", "insideMargin", "outsideMargin"};

}  // namespace

bool FillFormat::Visible() const {
  return !detail::Xml(sp_pr_).child("a:noFill");
}

void FillFormat::SetVisible(bool visible) {
  pugi::xml_node sp = detail::Xml(sp_pr_);
  if (visible == Visible()) return;
  RemoveFills(sp);
  pugi::xml_node after = sp.child("a:prstGeom") ? sp.child("a:prstGeom") : sp.child("a:custGeom");
  if (!after) after = sp.child("a:xfrm");
  const char* name = visible ? "a:solidFill" : "a:noFill";
  pugi::xml_node fill = after ? sp.insert_child_after(name, after) : sp.prepend_child(name);
  if (visible) fill.append_child("a:schemeClr").append_attribute("val") = "lt1";
}

double FillFormat::Transparency() const {
  pugi::xml_node sp = detail::Xml(sp_pr_);
  if (!Visible()) return 1.0;
  auto alpha = sp.child("a:solidFill").first_child().child("a:alpha");
  return alpha ? 1.0 - alpha.attribute("val").as_double() / 100000 : 0.0;
}

void FillFormat::SetTransparency(double transparency) {
  pugi::xml_node color = detail::Xml(sp_pr_).child("a:solidFill").first_child();
  if (!color) return;  // an invisible fill is fully transparent anyway
  while (auto a = color.child("a:alpha")) color.remove_child(a);
  if (transparency > 0) {
    long alpha = std::lround((1.0 - transparency) * 100000);
    color.append_child("a:alpha").append_attribute("val") = std::to_string(alpha).c_str();
  }
}

bool LineFormat::Visible() const {
  return !detail::Xml(sp_pr_).child("a:ln").child("a:noFill");
}

void LineFormat::SetVisible(bool visible) {
  pugi::xml_node sp = detail::Xml(sp_pr_);
  pugi::xml_node ln = sp.child("a:ln");
  if (!ln) {
    pugi::xml_node after;
    for (const char* f : kFills) {
      if (sp.child(f)) after = sp.child(f);
    }
    if (!after) after = sp.child("a:prstGeom");
    ln = after ? sp.insert_child_after("a:ln", after) : sp.append_child("a:ln");
  }
  RemoveFills(ln);
  if (visible) {
    ln.prepend_child("a:solidFill").append_child("a:prstClr").append_attribute("val") = "black";
  } else {
    ln.prepend_child("a:noFill");
  }
}

Range TextFrame::TextRange() const {
  if (!node_) throw errors::NotAvailable("TextFrame ohne Text");
  auto& d = Doc();
  auto story = d.StoryFor(detail::Xml(node_));
  return word::Range(d.NewRange(story, detail::First(story->root), d.StoryEnd(*story)));
}

namespace {

pugi::xml_node ShapeProperties(pugi::xml_node anchor) {
  return anchor.select_node(".//wps:spPr").node();
}

void SetExtent(pugi::xml_node anchor, const char* which, double points) {
  const std::string emu = std::to_string(Emu(points));
  anchor.child("wp:extent").attribute(which) = emu.c_str();
  if (auto ext = anchor.select_node(".//wps:spPr/a:xfrm/a:ext").node()) {
    ext.attribute(which) = emu.c_str();
  }
}

}  // namespace

detail::Node* Shape::Anchor() const {
  Doc();
  return node_;
}

std::string Shape::Name() const {
  return detail::Xml(Anchor()).child("wp:docPr").attribute("name").value();
}

void Shape::SetName(std::string_view name) {
  auto pr = detail::Xml(Anchor()).child("wp:docPr");
  if (!pr.attribute("name")) pr.append_attribute("name");
  pr.attribute("name") = std::string(name).c_str();
}

FillFormat Shape::Fill() const {
  return FillFormat(detail::NodeOf(ShapeProperties(detail::Xml(Anchor()))));
}

LineFormat Shape::Line() const {
  return LineFormat(detail::NodeOf(ShapeProperties(detail::Xml(Anchor()))));
}

int Shape::RelativeVerticalPosition() const {
  std::string_view from =
      detail::Xml(Anchor()).child("wp:positionV").attribute("relativeFrom").value();
  for (int i = 0; i < 8; ++i) {
    if (from == kRelative[i]) return i;
  }
  return wdRelativeVerticalPositionParagraph;
}

void Shape::SetRelativeVerticalPosition(int relative) {
  auto pos = detail::Xml(Anchor()).child("wp:positionV");
  if (relative < 0 || relative > 7) throw errors::ValueOutOfRange();
  if (!pos.attribute("relativeFrom")) pos.append_attribute("relativeFrom");
  pos.attribute("relativeFrom") = kRelative[relative];
}

double Shape::Left() const {
  return Points(detail::Xml(Anchor()).child("wp:positionH").child("wp:posOffset").text());
}

void Shape::SetLeft(double points) {
  SetOffset(detail::Xml(Anchor()).child("wp:positionH"), points);
}

double Shape::Top() const {
  return Points(detail::Xml(Anchor()).child("wp:positionV").child("wp:posOffset").text());
}

void Shape::SetTop(double points) {
  SetOffset(detail::Xml(Anchor()).child("wp:positionV"), points);
}

double Shape::Width() const {
  return Points(detail::Xml(Anchor()).child("wp:extent").attribute("cx"));
}

void Shape::SetWidth(double points) {
  SetExtent(detail::Xml(Anchor()), "cx", points);
}

double Shape::Height() const {
  return Points(detail::Xml(Anchor()).child("wp:extent").attribute("cy"));
}

void Shape::SetHeight(double points) {
  SetExtent(detail::Xml(Anchor()), "cy", points);
}

TextFrame Shape::TextFrame() const {
  return word::TextFrame(
      doc_, detail::NodeOf(detail::Xml(Anchor()).select_node(".//w:txbxContent").node()));
}

void Shape::Select() const {
  auto& d = Doc();
  auto content = detail::Xml(node_).select_node(".//w:txbxContent").node();
  if (!content) throw errors::NotAvailable("Shape ohne Text");
  auto story = d.StoryFor(content);
  detail::Point first = detail::First(content);
  d.SetSelection(story, first, first);
}

void Shape::Delete() {
  auto& d = Doc();
  pugi::xml_node anchor = detail::Xml(node_);
  pugi::xml_node holder = anchor.parent();  // w:drawing
  for (pugi::xml_node x = holder; x; x = x.parent()) {
    if (std::strcmp(x.name(), "mc:AlternateContent") == 0) holder = x;
    if (std::strcmp(x.name(), "w:r") == 0 || std::strcmp(x.name(), "w:p") == 0) break;
  }
  pugi::xml_node run = holder.parent();
  pugi::xml_node paragraph = run;
  while (paragraph && std::strcmp(paragraph.name(), "w:p") != 0) paragraph = paragraph.parent();
  d.Bury(holder);
  detail::RemoveIfEmptyRun(run);
  node_ = nullptr;
  // As in Word, a selection inside the deleted box goes to the anchor's paragraph.
  if (!d.Alive(d.selection->story->root, d.selection->seen)) {
    detail::Point at = paragraph && detail::RootOf(paragraph) == d.body ? detail::At(paragraph)
                                                                        : detail::First(d.body);
    d.SetSelection(d.main, at, at);
  }
}

const std::vector<detail::Node*>& Shapes::Anchors() const {
  if (!anchors_) {
    anchors_.emplace();
    for (pugi::xml_node a : doc_->DrawingsOf().anchors) anchors_->push_back(detail::NodeOf(a));
  }
  return *anchors_;
}

Shape Shapes::Item(int index) const {
  if (index < 1 || index > Count()) throw errors::NoSuchMember();
  return Shape(doc_, (*anchors_)[index - 1]);
}

Shape Shapes::Item(std::string_view name) const {
  for (auto a : Anchors()) {
    if (name == detail::Xml(a).child("wp:docPr").attribute("name").value()) return Shape(doc_, a);
  }
  throw errors::NoSuchMember();
}

Shape Shapes::AddTextbox(int orientation, double left, double top, double width, double height) {
  if (orientation != msoTextOrientationHorizontal) {
    throw errors::NotAvailable("Textfeld mit dieser Ausrichtung");
  }
  auto& d = *doc_;
  for (const char* prefix : {"wp", "wps", "mc", "a"}) detail::DeclareUsual(d.body.parent(), prefix);

  const long id = d.DrawingsOf().highest_id + 1;
  detail::Point at = d.selection->story == d.main ? d.selection->start : detail::First(d.body);
  pugi::xml_node paragraph = detail::Locate(at).Owner();
  std::string xml = kTextBox;
  for (auto [field, value] : {std::pair{"$Z", 251659264 + id * 1024},
                              {"$X", Emu(left)},
                              {"$Y", Emu(top)},
                              {"$W", Emu(width)},
                              {"$H", Emu(height)},
                              {"$I", id}}) {
    xml = text::Replace(xml, field, std::to_string(value));
  }
  pugi::xml_document fragment;
  fragment.load_string(xml.c_str());
  pugi::xml_node run = paragraph.append_copy(fragment.first_child());
  pugi::xml_node anchor =
      run.first_child().child("mc:Choice").child("w:drawing").child("wp:anchor");
  d.Changed(false);
  anchors_.reset();
  return Shape(doc_, detail::NodeOf(anchor));
}

}  // namespace korvax::word
