#include "billing/summe_bilden.hpp"

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "billing/invoice_totals.hpp"
#include "billing/schlussrechnung.hpp"
#include "billing/totals_cells.hpp"
#include "billing/zahlungsziel.hpp"
#include "common/error.hpp"
#include "common/funktionen.hpp"
#include "common/operation.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/word.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax {

namespace {

using billing::AmountText;
using billing::Required;
using billing::WriteCell;

constexpr std::string_view kMarker = "RE_Summe";

bool HasMarker(const word::Table& table) {
  word::Comments comments = table.Range().Comments();
  for (int i = 1; i <= comments.Count(); ++i) {
    if (comments.Item(i).Range().Text() == kMarker) return true;
  }
  return false;
}

// Deletes every earlier totals table; failures are ignored. Returns where
// the first of them stood, collapsed, when there was one.
std::optional<word::Range> RemoveOldBlocks(word::Document& document) {
  std::optional<word::Range> place;
  Operation::Quietly([&] {
    word::Tables tables = document.Tables();
    for (int t = tables.Count(); t >= 1; --t) {
      Operation::Quietly([&] {
        word::Table table = tables.Item(t);
        if (!HasMarker(table)) return;
        place = table.Range();
        table.Delete();
        place->Collapse(word::wdCollapseStart);
      });
    }
  });
  return place;
}

// True when an old block that stood at `from` stood where a build puts it
// before the "varoStart" comment at `to`: followed by an empty paragraph,
// then by the paragraph holding the comment.
bool PlacedBeforeVaroStart(word::Document& document, int from, int to) {
  if (to <= from) return false;
  const std::string between = document.Range(from, to).Text();
  return between[0] == '\r' && between.find_first_of("\r\a", 1) == std::string::npos;
}

// True when nothing but empty paragraphs follows `from` (a floating shape's
// anchor has no character).
bool OnlyEmptyParagraphsAfter(word::Document& document, int from) {
  const std::string rest = document.Range(from, document.Content().End()).Text();
  return rest.find_first_not_of('\r') == std::string::npos;
}

// Where the new table goes: before the word in front of the "varoStart"
// comment, else at the end of the document, each time after two new
// paragraphs. Where the old block stood at that place already, the new one
// takes its place without new paragraphs: rebuilding the totals leaves the
// document as the first build made it, instead of two paragraphs longer.
word::Range TablePlace(word::Document& document, const std::optional<word::Range>& old) {
  word::Comments comments = document.Comments();
  for (int i = 1; i <= comments.Count(); ++i) {
    if (comments.Item(i).Range().Text() == "varoStart") {
      word::Range place = comments.Item(i).Scope();
      if (old && PlacedBeforeVaroStart(document, old->Start(), place.Start())) return *old;
      place.Collapse(word::wdCollapseStart);
      place.MoveStart(word::wdWord, -1);
      place.InsertParagraphBefore();
      place.Collapse(word::wdCollapseStart);
      place.InsertParagraphAfter();
      place.Collapse(word::wdCollapseEnd);
      return place;
    }
  }
  if (old && OnlyEmptyParagraphsAfter(document, old->Start())) return *old;
  word::Range place = document.Content();
  place.Collapse(word::wdCollapseEnd);
  place.InsertParagraphAfter();
  place.Collapse(word::wdCollapseEnd);
  place.ClearParagraphAllFormatting();  // not a closing heading's page break
  place.InsertParagraphAfter();
  place.Collapse(word::wdCollapseEnd);
  return place;
}

struct Placeholder {
  std::string_view name;
  double amount;
};

// One pass over the comments. After every comment named as a placeholder the
// 15-character window is read: the previous amount up to its " €" and the
// blank behind it is replaced by the new one.
void FillPlaceholders(Operation& op, int checkpoint,
                      const std::shared_ptr<word::Document>& document,
                      const std::shared_ptr<word::Application>& app,
                      std::initializer_list<Placeholder> placeholders) {
  std::optional<word::Comments> comments;
  op.Step(checkpoint, [&] { comments = Required(document)->Comments(); });
  const int count = comments ? comments->Count() : 0;
  for (int i = 1; i <= count; ++i) {
    const Placeholder* match = nullptr;
    op.Step(checkpoint, [&] {
      const std::string name = comments->Item(i).Range().Text();
      for (const Placeholder& p : placeholders) {
        if (p.name == name) match = &p;
      }
    });
    if (match == nullptr) continue;
    op.Step(checkpoint + 1, [&] {
      const std::string new_text = AmountText(match->amount) + " ";  // amount, " €", blank
      word::Range anchor = comments->Item(i).Scope();
      anchor.Collapse(word::wdCollapseEnd);
      anchor.Select();
      word::Selection selection = Required(app)->Selection();
      selection.MoveRight(word::wdCharacter, 15, true);
      const std::string window = selection.Text();
      selection.Collapse(word::wdCollapseStart);
      const int p = text::InStr(window, " €");
      if (p > 0) selection.MoveRight(word::wdCharacter, p + 2, true);
      selection.SetText(new_text);
    });
  }
}

}  // namespace

MessageBoxRequest SettingsUnreadableMessage() {
  MessageBoxRequest message;
  message.prompt =
      "Die Abrechnungseinstellungen (Tabelle TempDoc) ließen sich nicht lesen. Die Summen der "
      "Rechnung wurden deshalb nicht neu gebildet; sie und der Datensatz der Rechnung bleiben, "
      "wie sie waren.";
  message.buttons = 48;  // OK, with the exclamation mark
  message.title = "Summen nicht neu gebildet";
  return message;
}

void SummeBilden(bool zahlungsziel) {
  Operation op(billing::kModule, "SummeBilden");
  PluginState& library = Library();
  const BillingSettings& settings = library.settings;
  const std::shared_ptr<word::Document>& document = library.order.Doc;
  const std::shared_ptr<dao::Recordset>& rechnung = library.Rechnung;
  const double abschlag_absolut = settings.AbschlagAbsolut;
  const int16_t abschlag_prozent = settings.AbschlagProzent;

  // Totals from settings that could not be read would be wrong (no VAT, a
  // down payment of 0%): the user is told, and the old totals stay.
  if (library.settings_unreadable) {
    op.Step(90, [&] { MsgBox(SettingsUnreadableMessage()); });
    return;
  }

  // 1. Collect the amounts of all billing lines.
  billing::CollectedLines collected;
  if (document) collected = billing::CollectBillingLines(*document, settings.Mehrwertsteuersatz);
  const double grand_total = collected.grand_total;

  // 2. Remove the old block.
  std::optional<word::Range> old_place;
  if (document) old_place = RemoveOldBlocks(*document);

  // 3. N, V, A and F.
  billing::Totals totals =
      billing::ComputeTotals(op, collected, {abschlag_absolut, abschlag_prozent});
  billing::InvoiceAmounts& amounts = totals.amounts;
  const bool full_invoice = totals.full_invoice;
  const int16_t rate_count = static_cast<int16_t>(collected.rates.size());
  const int16_t first_rate_row = full_invoice ? 2 : 3;
  const int16_t last_row = static_cast<int16_t>(first_rate_row + rate_count + 1);

  // 4. Place the new table.
  std::shared_ptr<word::Application> app = library.order.Application;
  std::optional<word::Table> table;
  op.Step(200, [&] {
    table =
        Required(document)->Tables().Add(TablePlace(*Required(document), old_place), last_row, 4);
  });

  // 5. Mark it, as category tables are marked.
  op.Step(300, [&] { Required(table).Cell(1, 1).Select(); });
  op.Step(310,
          [&] { Required(document)->Comments().Add(Required(app)->Selection().Range(), kMarker); });

  // 6. Sum, VAT per rate, invoice amount.
  op.Step(400, [&] { WriteCell(Required(table), 1, 2, "Summe"); });
  op.Step(410, [&] { WriteCell(Required(table), 1, 4, AmountText(grand_total)); });
  for (int k = 0; k < rate_count; ++k) {
    op.Step(420, [&] {
      WriteCell(Required(table), first_rate_row + k, 2,
                "Mehrwertsteuer " + GeneralNumber(collected.rates[k].rate) + " %");
    });
  }
  for (int k = 0; k < rate_count; ++k) {
    op.Step(430, [&] {
      WriteCell(Required(table), first_rate_row + k, 3, AmountText(totals.RateBasis(k)));
    });
  }
  for (int k = 0; k < rate_count; ++k) {
    op.Step(440, [&] {
      WriteCell(Required(table), first_rate_row + k, 4, AmountText(totals.RateVat(k)));
    });
  }
  op.Step(450, [&] { WriteCell(Required(table), last_row, 2, "Rechnungsbetrag", true); });
  op.Step(460, [&] {
    WriteCell(Required(table), last_row, 4, AmountText(amounts.amount + amounts.vat), true);
  });

  // 7.
  FillPlaceholders(op, 500, document, app, {{"varoGesamt", amounts.amount + amounts.vat}});

  // 8. The down payment row of a partial invoice, after an empty paragraph.
  if (!(abschlag_prozent == 100 && abschlag_absolut <= 0)) {
    op.Step(600, [&] {
      std::string label = "Abschlagszahlung von ";
      if (abschlag_prozent != 100) label += std::to_string(abschlag_prozent) + "%";
      WriteCell(Required(table), 2, 2, "\r" + label, true);
    });
    op.Step(610, [&] { WriteCell(Required(table), 2, 4, "\r" + AmountText(amounts.amount)); });
  }

  // 9. The other placeholders; the VAT-free part last.
  FillPlaceholders(op, 700, document, app,
                   {{"varoNetto", amounts.amount},
                    {"varoMwSt", amounts.vat},
                    {"varoBrutto", amounts.amount + amounts.vat}});
  FillPlaceholders(op, 710, document, app, {{"varoAuslagen", amounts.amount - amounts.net}});

  // 10. A final invoice lists the earlier down payments.
  std::vector<int> earlier_rows;
  if (rechnung &&
      op.If(800, [&] { return ToDouble(rechnung->Field("Rechnungsart")->Value()) == 4; })) {
    if (table) {
      earlier_rows = billing::AppendFinalInvoice(op, *table, last_row, amounts);
    }
  }

  // 11. No borders, right-aligned, the column widths of the block.
  op.Step(1000, [&] { Required(table).Select(); });
  for (int border : {word::wdBorderTop, word::wdBorderLeft, word::wdBorderBottom,
                     word::wdBorderRight, word::wdBorderHorizontal, word::wdBorderVertical}) {
    op.Step(1010, [&] { Required(table).Borders(border).SetLineStyle(word::wdLineStyleNone); });
  }
  op.Step(1020, [&] {
    Required(app)->Selection().ParagraphFormat().SetAlignment(word::wdAlignParagraphRight);
  });
  const double widths_cm[] = {4.0, 8.0, 3.0, 2.5};
  for (int c = 1; c <= 4; ++c) {
    op.Step(1030, [&] {
      Required(table).Columns().Item(c).SetWidth(
          word::Application::CentimetersToPoints(widths_cm[c - 1]));
    });
  }
  for (int row : earlier_rows) {
    op.Step(1040, [&] {
      Required(table).Cell(row, 1).SetWidth(word::Application::CentimetersToPoints(9.0));
      Required(table).Cell(row, 2).SetWidth(word::Application::CentimetersToPoints(3.0));
    });
  }

  // 12. Store the totals in the invoice record, in cents; a credit note
  // (Rechnungsart 7) stores them negated.
  // The four values go in together or not at all: a record with some totals
  // new and others old would mislead the bookkeeping.
  if (rechnung) {
    double sign = 1;
    bool complete = op.Step(1100, [&] { rechnung->Edit(); });
    if (op.If(1110, [&] { return ToDouble(rechnung->Field("Rechnungsart")->Value()) == 7; })) {
      sign = -1;
    }
    complete &= op.Step(1120, [&] {
      rechnung->Field("NettoRechnung")->SetValue(Variant(sign * amounts.net * 100));
    });
    complete &= op.Step(1130, [&] {
      rechnung->Field("Brutto")->SetValue(Variant(sign * (amounts.amount + amounts.vat) * 100));
    });
    complete &= op.Step(1140, [&] {
      rechnung->Field("MehrwertsteuerFreierbetrag")
          ->SetValue(Variant(sign * (amounts.amount - amounts.net) * 100));
    });
    complete &= op.Step(1150, [&] {
      rechnung->Field("Mehrwertsteuersatz")
          ->SetValue(Variant(RoundToInteger(settings.Mehrwertsteuersatz * 10.0)));
    });
    if (complete) complete = op.Step(1160, [&] { rechnung->Update(); });
    if (!complete) op.Step(1170, [&] { rechnung->CancelUpdate(); });
    library.totals_record = complete ? TotalsRecord::kWritten : TotalsRecord::kFailed;
  }

  // 13. The payment due note.
  op.Step(1200, [&] {
    Required(document)->Content().Select();
    Required(app)->Selection().Collapse(word::wdCollapseEnd);
  });
  Zahlungsziel(document, zahlungsziel);

  // 14. The cursor at the top of the invoice.
  op.Step(1300, [&] {
    word::Range top = Required(document)->Content();
    top.Collapse(word::wdCollapseStart);
    top.Select();
  });
}

}  // namespace korvax
