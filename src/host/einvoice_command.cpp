#include "host/einvoice_command.hpp"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "common/error.hpp"
#include "einvoice/build_invoice.hpp"
#include "einvoice/member.hpp"
#include "host/cli_messages.hpp"
#include "host/exit_codes.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/word.hpp"
#include "plugin/tarvo.hpp"

namespace korvax::host {

namespace {

namespace fs = std::filesystem;

struct EInvoiceArguments {
  std::string database;
  std::string document;
  std::string invoice;
  std::string user;
  std::string format = "xrechnung";
  std::string out;
};

// Ends the command with a message and an exit code.
struct Refusal {
  int code;
  std::string message;
};

int32_t WholeNumber(const std::string& text, const char* option) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    throw Refusal{kExitUsage, std::string(option) + ": \"" + text + "\" ist keine ganze Zahl"};
  }
  return value;
}

void RequireFile(const std::string& path, const char* option, const char* what) {
  if (path.empty()) throw Refusal{kExitUsage, std::string(option) + " fehlt: " + what};
  if (!fs::is_regular_file(path)) {
    throw Refusal{kExitNoInput, std::string(what) + " \"" + path + "\" gibt es nicht"};
  }
}

// Whose billing settings: the one user whose TempDoc row is on the invoice's order.
int32_t UserOfOrder(dao::Database& database, dao::Recordset& invoice) {
  auto rows =
      database.OpenRecordset("SELECT ID_Benutzer FROM TempDoc WHERE ID_Auftragsnummer = " +
                                 dao::SqlInteger(invoice.Field("ID_Auftragsnummer")->Value()),
                             dao::dbOpenSnapshot);
  if (rows->Eof() || rows->RecordCount() != 1) {
    throw Refusal{kExitUsage,
                  "--user fehlt: kein oder mehr als ein Benutzer arbeitet am Auftrag dieser "
                  "Rechnung (TempDoc); --user nennt, mit wessen Abrechnungseinstellungen die "
                  "Summen gebildet wurden"};
  }
  return ToLong(rows->Field("ID_Benutzer")->Value());
}

int ExitCodeOf(int32_t number) {
  switch (number) {
    case einvoice::kNoRenderer:
      return kExitNoRenderer;
    case einvoice::kNoPdf:
      return kExitInternal;
    case 75:
      return kExitCannotSave;
    default:
      return kExitBadData;
  }
}

int Run(const EInvoiceArguments& a) {
  RequireFile(a.database, "--db", "die Datenbank");
  RequireFile(a.document, "--doc", "die Rechnung");
  if (a.invoice.empty()) throw Refusal{kExitUsage, "--invoice fehlt: die ID_Rechnungsnummer"};
  const int32_t invoice_id = WholeNumber(a.invoice, "--invoice");
  if (a.format != "xrechnung" && a.format != "zugferd") {
    throw Refusal{kExitUsage, "--format: \"" + a.format + "\" ist weder xrechnung noch zugferd"};
  }

  std::shared_ptr<word::Document> doc;
  std::shared_ptr<dao::Workspace> workspace = dao::CreateWorkspace();
  std::shared_ptr<dao::Database> database;
  std::shared_ptr<dao::Recordset> invoice;
  try {
    doc = word::Document::Open(a.document);
  } catch (const Error& e) {
    throw Refusal{kExitBadData, "Die Rechnung \"" + a.document +
                                    "\" ist kein lesbares Word-Dokument: " + e.description()};
  }
  try {
    database = workspace->OpenDatabase(a.database);
    invoice = database->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = " +
                                      dao::SqlInteger(Variant(invoice_id)));
  } catch (const Error& e) {
    throw Refusal{kExitBadData, "Die Datenbank \"" + a.database +
                                    "\" lässt sich nicht lesen: " + e.description()};
  }
  if (invoice->Eof()) {
    throw Refusal{kExitBadData,
                  "Keine Rechnung mit ID_Rechnungsnummer " + a.invoice + " in der Datenbank"};
  }
  const int32_t user =
      a.user.empty() ? UserOfOrder(*database, *invoice) : WholeNumber(a.user, "--user");

  // The order context as the office software writes it; Show with no dialog
  // reads the billing settings and keeps the invoice record.
  Tarvo tarvo;
  tarvo.Put("VaroWorkspace", Variant(std::static_pointer_cast<Object>(workspace)));
  tarvo.Put("DatenbankPfad", Variant(a.database));
  tarvo.Put("ID_Benutzer", Variant(user));
  tarvo.Put("Doc", Variant(std::static_pointer_cast<Object>(doc)));
  tarvo.Put("NeueAbfrage", Variant(std::static_pointer_cast<Object>(database)));
  int16_t no_dialog = -1;
  tarvo.Show(no_dialog, invoice, 0);

  einvoice::RegisterEInvoiceMember();
  try {
    std::cout << tarvo.ERechnung(a.format, a.out) << "\n";
  } catch (const Error& e) {
    throw Refusal{ExitCodeOf(e.number()), e.description()};
  }
  return kExitOk;
}

}  // namespace

void AddEInvoiceCommand(CLI::App& app) {
  auto a = std::make_shared<EInvoiceArguments>();
  auto* command = AddCommand(app, "einvoice",
                             "erstellt die E-Rechnung (XRechnung oder ZUGFeRD) einer Rechnung");
  command
      ->add_option("--db", a->database,
                   "Datenbank des Büros (SQLite) mit Rechnung, Termine, TempDoc, Version und "
                   "den Stammdaten Büro, Kunde, Auftrag")
      ->type_name("DATEI");
  command->add_option("--doc", a->document, "die Rechnung (.docx) mit ihrem Summenblock")
      ->type_name("DATEI");
  command->add_option("--invoice", a->invoice, "ID_Rechnungsnummer der Rechnung")->type_name("ID");
  command
      ->add_option("--user", a->user,
                   "ID_Benutzer, mit dessen Abrechnungseinstellungen (TempDoc) die Summen "
                   "gebildet wurden; sonst der Benutzer des Auftrags")
      ->type_name("N");
  command
      ->add_option("--format", a->format,
                   "xrechnung (XML mit dem PDF der Rechnung als Anhang, Vorgabe) oder zugferd "
                   "(PDF/A-3 mit factur-x.xml, Profil EN 16931)")
      ->type_name("FORMAT");
  command
      ->add_option("--out", a->out,
                   "Zieldatei; sonst neben der Rechnung: NAME.xml oder NAME-zugferd.pdf")
      ->type_name("DATEI");
  command->footer(
      "Die Beträge sind die des Summenblocks; passen Kategorietabellen und Summenblock nicht "
      "zusammen oder fehlen Stammdaten, wird nichts geschrieben. Rückgabewerte: 0 fertig (der "
      "Pfad wird ausgegeben), 64 falsche Argumente, 65 abgelehnt (Stammdaten, Summen, Nummer "
      "oder Datum), 66 Datei fehlt, 69 LibreOffice fehlt, 70 PDF nicht erzeugt, 74 nicht "
      "schreibbar.");
  command->callback([a] {
    int code = kExitOk;
    try {
      code = Run(*a);
    } catch (const Refusal& r) {
      std::cerr << "korvax einvoice: " << r.message << "\n";
      code = r.code;
    } catch (const std::exception& e) {
      std::cerr << "korvax einvoice: unerwarteter Fehler: " << e.what() << "\n";
      code = kExitInternal;
    }
    if (code != kExitOk) throw CLI::RuntimeError(code);
  });
}

}  // namespace korvax::host
