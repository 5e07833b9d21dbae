#include "billing/zahlungsziel.hpp"

#include <optional>
#include <string>

#include "billing/totals_cells.hpp"
#include "common/date.hpp"
#include "common/error.hpp"
#include "common/format.hpp"
#include "common/operation.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/word.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax {

namespace {

using billing::Required;

constexpr std::string_view kShapeName = "Zahlungsziel";

// Where the note goes before its top is set from the template's distance.
constexpr double kLeft = 70.5;
constexpr double kTop = 766.5;
constexpr double kWidth = 450.75;
constexpr double kHeight = 54;

void DeleteNotes(word::Document& document) {
  // Deleting changes the collection: look it up afresh after each deletion.
  for (bool found = true; found;) {
    found = false;
    word::Shapes shapes = document.Shapes();
    for (int i = shapes.Count(); i >= 1; --i) {
      word::Shape shape = shapes.Item(i);
      if (shape.Name() == kShapeName) {
        shape.Delete();
        found = true;
        break;
      }
    }
  }
}

int AlignmentOf(int16_t bund) {
  if (bund == 0) return word::wdAlignParagraphLeft;
  if (bund == 1) return word::wdAlignParagraphCenter;
  return word::wdAlignParagraphRight;
}

}  // namespace

void Zahlungsziel(std::shared_ptr<word::Document> document, bool zahlungsziel) {
  Operation op(billing::kModule, "ZahlungsZiel");
  std::shared_ptr<dao::Recordset> version;
  std::shared_ptr<word::Application> app;
  std::optional<word::Shape> box;
  std::string s;
  int p1 = 0;
  Date base = Date::Today();

  op.Step(100, [&] { DeleteNotes(*Required(document)); });
  if (!zahlungsziel) return;

  op.Step(110, [&] { version = Required(Library().order.NeueAbfrage)->OpenRecordset("Version"); });
  op.Step(120, [&] { Required(version)->MoveFirst(); });

  op.Step(130, [&] { app = Required(Required(document)->Application()); });
  op.Step(140, [&] { Required(document)->Content().Select(); });
  op.Step(150, [&] { Required(app)->Selection().Collapse(word::wdCollapseEnd); });

  op.Step(160, [&] {
    box = Required(document)->Shapes().AddTextbox(word::msoTextOrientationHorizontal, kLeft, kTop,
                                                  kWidth, kHeight);
  });
  op.Step(170, [&] { Required(box).SetName(kShapeName); });
  op.Step(180, [&] { Required(box).Select(); });
  op.Step(190, [&] {
    Required(box).TextFrame().TextRange().Select();
    Required(app)->Selection().Collapse(word::wdCollapseStart);
  });

  op.Step(200, [&] { Required(box).Fill().SetVisible(false); });
  op.Step(210, [&] { Required(box).Fill().SetTransparency(1.0); });
  op.Step(220, [&] { Required(box).Line().SetVisible(false); });
  op.Step(230,
          [&] { Required(box).SetRelativeVerticalPosition(word::wdRelativeVerticalPositionPage); });
  op.Step(240, [&] {
    Required(box).SetTop(word::Application::CentimetersToPoints(
        ToDouble(Required(version)->Field("AbstandZahlungsziel")->Value())));
  });

  // The day count stands between "<" and ">"; only three characters are read.
  op.Step(250, [&] { s = ToText(Required(version)->Field("Zahlungsziel")->Value()); });
  op.Step(260, [&] { p1 = text::InStr(s, "<"); });
  if (p1 != 0) {
    if (Library().Rechnung) {
      std::shared_ptr<dao::Recordset> termin;
      op.Step(290, [&] {
        termin =
            Required(Library().order.NeueAbfrage)
                ->OpenRecordset(
                    "SELECT ID_Terminart, ID_Rechnungsnummer, Datum "
                    "From Termine "
                    "WHERE (((ID_Terminart)=8) AND ((ID_Rechnungsnummer)=" +
                        dao::SqlInteger(Library().Rechnung->Field("ID_Rechnungsnummer")->Value()) +
                        "));",
                    dao::dbOpenForwardOnly);
      });
      op.Step(300, [&] {
        if (!Required(termin)->Eof()) base = ToDate(termin->Field("Datum")->Value());
      });
    }
    op.Step(310, [&] { s = DueNoteText(s, base); });
  }

  op.Step(320, [&] {
    Required(app)->Selection().ParagraphFormat().SetAlignment(
        AlignmentOf(ToInteger(Required(version)->Field("BundZahlungsziel")->Value())));
  });
  op.Step(330, [&] { Required(app)->Selection().TypeText(s); });
}

std::string DueNoteText(std::string_view note_template, Date base, std::optional<Date>* due) {
  const int p1 = text::InStr(note_template, "<");
  if (p1 == 0) return std::string(note_template);
  const int p2 = text::InStr(note_template, ">");
  const Date date = base.AddDays(Val(text::Mid(note_template, p1 + 1, 3)));
  if (due != nullptr) *due = date;
  return text::Left(note_template, p1 - 1) + " " + ShortDate(date) + " " +
         text::Mid(note_template, p2 + 1);
}

}  // namespace korvax
