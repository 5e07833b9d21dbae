#include "billing/summe_bilden.hpp"

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
using billing::CentsHalfUp;
using billing::Required;
using billing::WriteCell;

constexpr std::string_view kMarker = "RE_Summe";

// A VAT rate met in the billing lines, in single precision as the rate list
// has always held it, and the amounts taxed at it.
struct RateSum {
  float rate = 0;
  double sum = 0;
};

struct Collected {
  double grand_total = 0;  // T
  std::vector<RateSum> rates;
};

std::string CellText(const word::Table& table, int row, int column) {
  return table.Cell(row, column).Range().Text();
}

// One billing line: the amount of cell (row, 5) at the rate of its first
// comment, or at the default rate.
void CollectLine(const word::Table& table, int row, float default_rate, Collected& collected) {
  word::Range cell = table.Cell(row, 5).Range();
  std::string amount_text = text::WithoutLast(cell.Text(), 2);
  if (amount_text.empty()) return;
  amount_text = text::Replace(amount_text, "\r", "");

  float rate = default_rate;
  word::Comments comments = cell.Comments();
  if (comments.Count() > 0) rate = static_cast<float>(CVal(comments.Item(1).Range().Text()));

  const double amount = CVal(amount_text);
  if (rate > 0) {
    RateSum* entry = nullptr;
    for (RateSum& r : collected.rates) {
      if (r.rate == rate) entry = &r;
    }
    if (entry == nullptr) entry = &collected.rates.emplace_back(RateSum{rate, 0});
    entry->sum += amount;
  }
  collected.grand_total += amount;
}

// Every table but the totals table (its cell (1,2) reads "Summe"); failures
// are ignored, so a table without a fifth column contributes nothing.
Collected CollectAmounts(word::Document& document, float default_rate) {
  Collected collected;
  Operation::Quietly([&] {
    word::Tables tables = document.Tables();
    for (int t = 1; t <= tables.Count(); ++t) {
      word::Table table = tables.Item(t);
      bool totals = false;
      Operation::Quietly([&] { totals = CellText(table, 1, 2) == "Summe\r\a"; });
      if (totals) continue;
      int rows = 0;
      Operation::Quietly([&] { rows = table.Rows().Count(); });
      for (int i = 1; i <= rows; ++i) {
        Operation::Quietly([&] { CollectLine(table, i, default_rate, collected); });
      }
    }
  });
  return collected;
}

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

void SummeBilden(bool zahlungsziel) {
  Operation op(billing::kModule, "SummeBilden");
  PluginState& library = Library();
  const BillingSettings& settings = library.settings;
  const std::shared_ptr<word::Document>& document = library.order.Doc;
  const std::shared_ptr<dao::Recordset>& rechnung = library.Rechnung;
  const double abschlag_absolut = settings.AbschlagAbsolut;
  const int16_t abschlag_prozent = settings.AbschlagProzent;

  // 1. Collect the amounts of all billing lines.
  Collected collected;
  if (document) collected = CollectAmounts(*document, settings.Mehrwertsteuersatz);
  const double grand_total = collected.grand_total;

  // 2. Remove the old block.
  std::optional<word::Range> old_place;
  if (document) old_place = RemoveOldBlocks(*document);

  // 3. V rounds each rate's tax half up to cents; F scales to the down payment.
  billing::InvoiceAmounts amounts;
  double factor = 0;  // F
  op.Step(100, [&] {
    for (const RateSum& r : collected.rates) {
      amounts.vat += CentsHalfUp(static_cast<double>(r.rate) * r.sum);
      amounts.net += r.sum;
    }
  });
  const bool full_invoice = abschlag_absolut == 0 && abschlag_prozent == 100;
  if (full_invoice) {
    op.Step(110, [&] {
      amounts.amount = grand_total;
      factor = 1;
    });
  } else if (abschlag_prozent >= 100) {
    // With nothing billed there is nothing to take a down payment of: the
    // division by zero is reported and the block shows 0 instead of inf.
    const bool divided =
        op.Step(120, [&] { factor = CheckedDivide(abschlag_absolut, grand_total); });
    op.Step(130, [&] { amounts.amount = divided ? abschlag_absolut : 0.0; });
    op.Step(140, [&] { amounts.vat = amounts.vat * factor; });
    op.Step(150, [&] { amounts.net = amounts.net * factor; });
  } else {
    op.Step(160, [&] {
      amounts.amount = grand_total * abschlag_prozent / 100;
      amounts.vat = amounts.vat * abschlag_prozent / 100;
      amounts.net = amounts.net * abschlag_prozent / 100;
      factor = abschlag_prozent / 100.0;
    });
  }
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
      WriteCell(Required(table), first_rate_row + k, 3,
                AmountText(factor * collected.rates[k].sum));
    });
  }
  for (int k = 0; k < rate_count; ++k) {
    const RateSum& r = collected.rates[k];
    op.Step(440, [&] {
      WriteCell(Required(table), first_rate_row + k, 4,
                AmountText(CentsHalfUp(static_cast<double>(r.rate) * r.sum * factor)));
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
    if (complete) {
      op.Step(1160, [&] { rechnung->Update(); });
    } else {
      op.Step(1170, [&] { rechnung->CancelUpdate(); });
    }
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
