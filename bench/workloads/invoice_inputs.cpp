// The invoices of the performance runs. The body is written as XML (fast and
// byte-stable); the comments are added through the Word layer so that their
// anchors are exactly what the layer itself writes.
#include <zip.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "../../tests/support/docx.hpp"
#include "../../tests/support/host_database.hpp"
#include "platform/word/package.hpp"
#include "platform/word/word.hpp"
#include "workloads.hpp"

namespace korvax::bench {

namespace {

constexpr int kTables = 20;
constexpr int kParagraphsOf50Pages = 1000;
constexpr int kNr7Lines = 1000;

using testing::CellXml;
using testing::ParagraphXml;
using testing::RunXml;
using testing::TableStartXml;

// An amount as the dialogs write it: right-aligned in eight, comma, " €".
std::string Amount(long cents) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%5ld,%02ld €", cents / 100, cents % 100);
  return buffer;
}

// A letter-sized paragraph of about two lines.
std::string Filler(int i) {
  return ParagraphXml("Absatz " + std::to_string(i) +
                      ": Die Vermessung der Flurstücke nach der Gebührenordnung ergibt die "
                      "folgenden Beträge in Euro für die Zerlegung, Gebäudeaufnahme und "
                      "Grenzfeststellung.");
}

// The namespaces the inputs declare on word/document.xml.
constexpr const char* kNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

void WriteDocx(const std::filesystem::path& path, const std::string& body) {
  testing::DocxParts parts;
  parts.namespaces = kNamespaces;
  testing::WriteDocx(path, body, parts);
}

// The layer stamps new comments with the time; the inputs carry a fixed one
// so that their parts are the same bytes on every run (only the zip entries'
// own times differ).
void FixCommentDates(const std::filesystem::path& path) {
  word::Package package = word::Package::Read(path);
  if (!package.Has("word/comments.xml")) return;
  pugi::xml_document& comments = package.Xml("word/comments.xml");
  for (pugi::xml_node c : comments.document_element().children("w:comment")) {
    c.attribute("w:date").set_value("2026-01-15T09:00:00Z");
  }
  package.Write(path);
}

void CommentOnCell(word::Document& doc, const word::Table& table, int row, int column,
                   std::string_view text) {
  table.Cell(row, column).Select();
  doc.Comments().Add(doc.Application()->Selection().Range(), text);
}

void CommentAfter(word::Document& doc, std::string_view after, std::string_view text) {
  const std::string content = doc.Content().Text();
  const size_t at = content.find(after);
  if (at == std::string::npos) throw std::runtime_error("no anchor text for a comment");
  // Positions count characters; the anchor texts are plain ASCII, but what
  // comes before them may not be.
  int position = 0;
  for (size_t i = 0; i < at + after.size(); ++i) {
    if ((static_cast<unsigned char>(content[i]) & 0xC0) != 0x80) ++position;
  }
  doc.Comments().Add(doc.Range(position, position), text);
}

// The letter with `lines` billing lines in 20 category tables of the four
// categories; every tenth line carries the reduced rate as its comment.
void WriteInvoice(const std::filesystem::path& path, int lines) {
  const int per_table = lines / kTables;
  std::string body = ParagraphXml("Rechnung Nr. 2026-0017");
  for (int i = 0; i < 20; ++i) body += Filler(i);
  long cents = 1234;
  for (int t = 0; t < kTables; ++t) {
    body += ParagraphXml("Gebühren nach Kategorie " + std::to_string(t % 4 + 1));
    body += TableStartXml({2835, 567, 3402, 1701, 1418});
    body += "<w:tr>" + CellXml(2835, RunXml("Flurstück")) + CellXml(567, "") +
            CellXml(3402, RunXml("Anzahl")) + CellXml(1701, RunXml("Wert €/m²")) +
            CellXml(1418, "") + "</w:tr>";
    for (int l = 0; l < per_table; ++l) {
      cents = (cents * 7919 + 13) % 250000;
      body +=
          "<w:tr>" +
          CellXml(2835, RunXml("Flst.Nr. " + std::to_string(t + 1) + "/" + std::to_string(l + 1))) +
          CellXml(567, "") + CellXml(3402, RunXml("\t1 \t0 \t2 ")) +
          CellXml(1701, RunXml("   12,00")) + CellXml(1418, RunXml(Amount(cents))) + "</w:tr>";
    }
    body += "</w:tbl>" + ParagraphXml("");
  }
  body += ParagraphXml("Gesamt: bitte zahlen.") + ParagraphXml("Auslagen: ohne Steuer.");
  WriteDocx(path, body);

  auto doc = word::Document::Open(path);
  word::Tables tables = doc->Tables();
  for (int t = 1; t <= tables.Count(); ++t) {
    word::Table table = tables.Item(t);
    CommentOnCell(*doc, table, 1, 5, "Korvax_" + std::to_string((t - 1) % 4 + 1));
    for (int row = 11; row <= per_table + 1; row += 10) CommentOnCell(*doc, table, row, 5, "7");
  }
  CommentAfter(*doc, "Gesamt:", "varoGesamt");
  CommentAfter(*doc, "Auslagen:", "varoAuslagen");
  doc->Save();
  doc.reset();
  FixCommentDates(path);
}

// About 50 pages of letter with the Nr. 7 table in the middle: 1,000 lines,
// every tenth at a share of 500/1000 with its note after a line break. The
// table is bare here (tabs as characters, no alignment, no tab stops, no
// bookmark); GenerateInputs has frmKat4 write it over once, so that the input
// holds the table as Korvax writes it, as every invoice that has a Korvax_4
// table does.
void WriteBareNr7Invoice(const std::filesystem::path& path) {
  std::string body = ParagraphXml("Rechnung Nr. 2026-0017");
  for (int i = 0; i < kParagraphsOf50Pages / 2; ++i) body += Filler(i);
  body += TableStartXml({2835, 567, 3402, 1701, 1418});
  body += "<w:tr>" + CellXml(2835, RunXml("Grenzfeststellung nach")) + CellXml(567, "") +
          CellXml(3402, RunXml("Nr. 7.1\tNr. 7.2\tNr. 7.3")) + CellXml(1701, RunXml("Wert €/m²")) +
          CellXml(1418, "") + "</w:tr>";
  for (int l = 1; l <= kNr7Lines; ++l) {
    const bool share = l % 10 == 0;
    std::string first = RunXml("Flst.Nr. " + std::to_string(l) + "/3");
    if (share) {
      first +=
          "<w:r><w:br/></w:r><w:r><w:rPr><w:sz w:val=\"16\"/></w:rPr><w:t "
          "xml:space=\"preserve\">Betrag :  €   138,06 Ihr Anteil  500/1000</w:t></w:r>";
    }
    // Three boundary points of 7.3 at 12 €/m²: 3 x 46.02, halved on a share.
    body += "<w:tr>" + CellXml(2835, first) + CellXml(567, "") +
            CellXml(3402, RunXml("\t1 \t0 \t3 ")) + CellXml(1701, RunXml("   12,00")) +
            CellXml(1418, RunXml(share ? "   69,03 €" : "  138,06 €")) + "</w:tr>";
  }
  body += "</w:tbl>" + ParagraphXml("");
  for (int i = kParagraphsOf50Pages / 2; i < kParagraphsOf50Pages; ++i) body += Filler(i);
  WriteDocx(path, body);

  auto doc = word::Document::Open(path);
  CommentOnCell(*doc, doc->Tables().Item(1), 1, 5, "Korvax_4");
  doc->Save();
  doc.reset();
  FixCommentDates(path);
}

// The host tables the totals read and write: the invoice 17 of order 4711,
// an ordinary invoice, dated, with the payment due template.
void WriteOffice(const std::filesystem::path& path) {
  std::filesystem::remove(path);
  testing::ExecSql(path, testing::kHostDatabaseSql);
}

}  // namespace

std::filesystem::path Inputs::Invoice(int lines) const {
  return folder / ("invoice-" + std::to_string(lines) + ".docx");
}
std::filesystem::path Inputs::Nr7Invoice() const {
  return folder / "nr7-invoice.docx";
}
std::filesystem::path Inputs::Office() const {
  return folder / "office.sqlite";
}

void GenerateInputs(const Inputs& inputs) {
  std::filesystem::create_directories(inputs.folder);
  WriteInvoice(inputs.Invoice(1000), 1000);
  WriteInvoice(inputs.Invoice(2000), 2000);
  WriteOffice(inputs.Office());
  const std::filesystem::path bare = inputs.folder / "nr7-bare.docx";
  WriteBareNr7Invoice(bare);
  PrepareProcess(inputs.folder / "scratch");
  if (Nr7Finish(bare, inputs.Nr7Invoice(), nullptr) != kNr7Lines + 1) {
    throw std::runtime_error("frmKat4 did not write the Nr. 7 table of the input");
  }
  FixCommentDates(inputs.Nr7Invoice());
  std::filesystem::remove(bare);
}

uint64_t DocumentXmlBytes(const std::filesystem::path& docx) {
  int err = 0;
  zip_t* z = zip_open(docx.c_str(), ZIP_RDONLY, &err);
  if (z == nullptr) throw std::runtime_error("cannot open " + docx.string());
  zip_stat_t st;
  zip_stat_init(&st);
  const int rc = zip_stat(z, "word/document.xml", 0, &st);
  zip_discard(z);
  if (rc != 0) throw std::runtime_error("no word/document.xml in " + docx.string());
  return st.size;
}

}  // namespace korvax::bench
