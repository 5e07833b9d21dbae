#include "host/show_command.hpp"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <stdexcept>

#include "common/error.hpp"
#include "common/error_log.hpp"
#include "common/variant.hpp"
#include "host/cli_messages.hpp"
#include "host/cli_numbers.hpp"
#include "host/document_changes.hpp"
#include "platform/dao/dao.hpp"
#include "platform/dao/dao_errors.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/word/word.hpp"
#include "plugin/tarvo.hpp"

#if defined(KORVAX_HOST_WITH_FEE_DIALOGS)
#include "dialogs/register.hpp"
#endif
#if defined(KORVAX_HOST_WITH_QT)
#include "ui/qt/qt_ui.hpp"
#endif

namespace korvax::host {

namespace {

namespace fs = std::filesystem;

// Ends korvax show with a message for the user and an exit code.
class Refusal : public std::runtime_error {
 public:
  Refusal(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// The fee dialogs that Show can open. A build without them opens none.
void RegisterDialogs() {
#if defined(KORVAX_HOST_WITH_FEE_DIALOGS)
  korvax::dialogs::RegisterFeeDialogs();
#endif
}

// A whole number for an option, within the limits of its type.
int64_t WholeNumber(const std::string& text, const char* option, int64_t min, int64_t max) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    throw Refusal(kExitUsage, std::string(option) + ": \"" + text + "\" ist keine ganze Zahl");
  }
  if (value < min || value > max) {
    throw Refusal(kExitUsage, std::string(option) + ": " + text + " liegt nicht zwischen " +
                                  std::to_string(min) + " und " + std::to_string(max));
  }
  return value;
}

// A number given for a numeric property in German notation only: the
// property's own conversion would read "26.99" as 2.699.
void CheckPropertyNumber(const std::string& property, const std::string& value) {
  static const char* const kNumeric[] = {"Fläche",           "Bodenwert",  "Baukosten",
                                         "Achslänge",        "Grenzlänge", "Flurstücke",
                                         "AnzahlGrenzpunkte"};
  for (const char* name : kNumeric) {
    if (property == name && !GermanNumber(value)) {
      throw Refusal(kExitUsage, "--set \"" + property + "=" + value +
                                    "\": keine Zahl in deutscher Schreibweise (Dezimalkomma, "
                                    "Punkt nur zwischen Tausendern: 1.234,5)");
    }
  }
}

void Require(const std::string& value, const char* option, const char* what) {
  if (value.empty()) throw Refusal(kExitUsage, std::string(option) + " fehlt: " + what);
}

void RequireFile(const std::string& path, const char* what) {
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    throw Refusal(kExitNoInput, std::string(what) + " \"" + path + "\" gibt es nicht");
  }
  if (!fs::is_regular_file(path, ec)) {
    throw Refusal(kExitNoInput, std::string(what) + " \"" + path + "\" ist keine Datei");
  }
}

std::string Describe(const Error& e) {
  return e.description() + " (Fehler " + std::to_string(e.number()) + ")";
}

uintmax_t LogSize() {
  std::error_code ec;
  const uintmax_t size = fs::file_size(ErrorLogPath(), ec);
  return ec ? 0 : size;
}

// Qt's desktop dialogs need a display to connect to, or an explicit platform.
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

std::string CommandName(const ShowArguments& a) {
  return a.totals_only ? "korvax totals" : "korvax show";
}

int Run(const ShowArguments& a) {
  // 1. The arguments.
  if (!a.unexpected.empty()) {
    throw Refusal(kExitUsage, "unbekanntes Argument \"" + a.unexpected.front() + "\"");
  }
  if (a.gui && !a.script.empty()) {
    throw Refusal(kExitUsage, "--script und --gui schließen sich aus");
  }
  if (a.gui && !HasDisplay()) {
    std::cerr << "korvax show: --gui braucht eine Anzeige (DISPLAY oder WAYLAND_DISPLAY; "
                 "QT_QPA_PLATFORM=offscreen für Tests).\n";
    return kExitNoGui;
  }
#ifndef KORVAX_HOST_WITH_QT
  if (a.gui) {
    std::cerr << "korvax show: Diese Ausgabe ist ohne die Dialoge auf dem Bildschirm (Qt) "
                 "gebaut. --script spielt die Eingaben des Benutzers ab.\n";
    return kExitNoGui;
  }
#endif
  Require(a.database, "--db", "die Datenbank des Büros");
  Require(a.document, "--doc", "die Rechnung (.docx)");
  Require(a.user, "--user", "die Nummer des Benutzers (ID_Benutzer)");
  if (a.totals_only) {
    Require(a.invoice, "--invoice", "die Rechnung in der Tabelle Rechnung (ID_Rechnungsnummer)");
  } else {
    Require(a.index, "--index", "die Gebührenart (0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7)");
    if (!a.gui) Require(a.script, "--script oder --gui", "woher die Eingaben des Benutzers kommen");
  }
  const auto user = static_cast<int32_t>(WholeNumber(a.user, "--user", INT32_MIN, INT32_MAX));
  int16_t index = -1;
  if (!a.totals_only) {
    index = static_cast<int16_t>(WholeNumber(a.index, "--index", INT16_MIN, INT16_MAX));
    if (index < 0 || index > 3) {
      throw Refusal(kExitUsage, "--index " + a.index +
                                    ": keine Gebührenart (0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7)");
    }
  }
  const bool with_invoice = !a.invoice.empty();
  const auto invoice_id =
      with_invoice ? static_cast<int32_t>(WholeNumber(a.invoice, "--invoice", INT32_MIN, INT32_MAX))
                   : 0;
  const bool with_cursor = !a.cursor_table.empty();
  const int cursor_table =
      with_cursor ? static_cast<int>(WholeNumber(a.cursor_table, "--cursor-table", 1, INT32_MAX))
                  : 0;
  for (const std::string& setting : a.properties) {
    const size_t equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
      throw Refusal(kExitUsage, "--set \"" + setting + "\": erwartet Eigenschaft=Wert");
    }
    CheckPropertyNumber(setting.substr(0, equals), setting.substr(equals + 1));
  }

  // 2. The files, and the office's database server.
  const bool on_server = dao::IsServerConnection(a.database);
  if (!on_server) RequireFile(a.database, "Die Datenbank");
  RequireFile(a.document, "Die Rechnung");
  std::unique_ptr<forms::ScriptedUi> ui;
  if (!a.gui && !a.totals_only) {
    RequireFile(a.script, "Das Skript");
    try {
      ui = std::make_unique<forms::ScriptedUi>(forms::ScriptedUi::LoadScript(a.script));
    } catch (const forms::ScriptError& e) {
      throw Refusal(kExitBadData, "Das Skript \"" + a.script + "\" ist fehlerhaft: " + e.what());
    }
  }
  std::shared_ptr<word::Document> doc;
  try {
    doc = word::Document::Open(a.document);
  } catch (const Error& e) {
    throw Refusal(kExitBadData, "Die Rechnung \"" + a.document +
                                    "\" ist kein lesbares Word-Dokument (.docx): " + Describe(e));
  }
  std::shared_ptr<dao::Workspace> workspace = dao::CreateWorkspace();
  std::shared_ptr<dao::Database> database;
  try {
    database = workspace->OpenDatabase(a.database);
  } catch (const Error& e) {
    throw Refusal(dao::errors::IsServerUnavailable(e) ? kExitDatabaseUnavailable : kExitBadData,
                  "Die Datenbank \"" + dao::DisplayName(a.database) +
                      "\" lässt sich nicht öffnen: " + Describe(e));
  }

  // 3. The order context, as the office software writes it.
  Tarvo tarvo;
  tarvo.Put("VaroWorkspace", Variant(std::static_pointer_cast<Object>(workspace)));
  tarvo.Put("DatenbankPfad", Variant(a.database));
  tarvo.Put("ID_Benutzer", Variant(user));
  tarvo.Put("Doc", Variant(std::static_pointer_cast<Object>(doc)));
  tarvo.Put("NeueAbfrage", Variant(std::static_pointer_cast<Object>(database)));
  for (const std::string& setting : a.properties) {
    const size_t equals = setting.find('=');
    try {
      tarvo.Put(setting.substr(0, equals), Variant(setting.substr(equals + 1)));
    } catch (const Error& e) {
      throw Refusal(kExitUsage, "--set \"" + setting + "\": " + Describe(e));
    }
  }

  // 4. The invoice record and the place of the Word cursor.
  std::shared_ptr<dao::Recordset> invoice;
  if (with_invoice) {
    try {
      invoice = database->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = " +
                                        dao::SqlInteger(Variant(invoice_id)));
    } catch (const Error& e) {
      throw Refusal(
          dao::errors::IsServerUnavailable(e) ? kExitDatabaseUnavailable : kExitBadData,
          "Die Rechnung " + std::to_string(invoice_id) + " lässt sich nicht lesen: " + Describe(e));
    }
    if (invoice->Eof()) {
      std::cerr << "korvax show: Hinweis: keine Rechnung mit ID_Rechnungsnummer " << invoice_id
                << " in der Datenbank\n";
    }
  }
  if (with_cursor) {
    const int tables = doc->Tables().Count();
    if (cursor_table > tables) {
      throw Refusal(kExitUsage, "--cursor-table " + std::to_string(cursor_table) +
                                    ": die Rechnung hat " + std::to_string(tables) + " Tabelle(n)");
    }
    word::Range start = doc->Tables().Item(cursor_table).Cell(1, 1).Range();
    start.Collapse(word::wdCollapseStart);
    start.Select();
  }

  // 5. The dialog, with the user's actions from the script, and the totals.
  RegisterDialogs();
  const uintmax_t log_before = LogSize();
  auto dialog_and_totals = [&] {
    if (!a.totals_only) tarvo.Show(index, invoice, 0);
    if (a.totals || a.totals_only) tarvo.SummeBilden(invoice);
  };
  if (a.gui) {
#ifdef KORVAX_HOST_WITH_QT
    char name[] = "korvax";
    char* argv[] = {name, nullptr};
    ui::RunWithQt(1, argv, dialog_and_totals);
#endif
  } else if (a.totals_only) {
    dialog_and_totals();
  } else {
    forms::SetBackend(ui.get());
    dialog_and_totals();
    forms::SetBackend(nullptr);
    try {
      ui->Finish();
    } catch (const forms::ScriptError& e) {
      throw Refusal(kExitScriptFailed, std::string("Das Skript lief nicht wie geschrieben: ") +
                                           e.what() + "\nDie Rechnung wurde nicht gespeichert.");
    }
  }
  if (LogSize() != log_before) {
    std::cerr << CommandName(a) << ": Hinweis: Fehler wurden protokolliert in "
              << ErrorLogPath().string() << "\n";
  }

  // 6. The invoice, saved only when the dialog changed it, and never with
  // totals that the database server did not take.
  if (const Error* fault = database->ServerFault()) {
    throw Refusal(kExitDatabaseUnavailable,
                  "Der Datenbankserver hat nicht alles übernommen: " + Describe(*fault) +
                      "\nDie Rechnung wurde nicht gespeichert.");
  }
  try {
    const bool saved = SaveIfChanged(*doc, a.document);
    std::cout << (saved ? "Rechnung gespeichert: " : "Rechnung unverändert: ") << a.document
              << "\n";
  } catch (const Error& e) {
    throw Refusal(kExitCannotSave,
                  "Die Rechnung \"" + a.document + "\" ließ sich nicht speichern: " + Describe(e));
  }
  return 0;
}

}  // namespace

int RunShow(const ShowArguments& arguments) {
  int code = 0;
  try {
    code = Run(arguments);
  } catch (const Refusal& refusal) {
    std::cerr << CommandName(arguments) << ": " << refusal.what() << "\n";
    code = refusal.code();
  } catch (const std::exception& e) {
    std::cerr << CommandName(arguments) << ": unerwarteter Fehler: " << e.what() << "\n";
    code = kExitBadData;
  }
  // The dialogs end here, as on unloading the library, and not among the
  // statics at exit: the forms runtime's own registers may be gone by then.
  forms::SetBackend(nullptr);
  forms::DestroyFormInstances();
  return code;
}

void AddTotalsCommand(CLI::App& app) {
  auto* totals = AddCommand(app, "totals",
                            "bildet die Summen der Rechnung neu, ohne Dialog (Tarvo::SummeBilden)");
  auto a = std::make_shared<ShowArguments>();
  a->totals_only = true;
  totals->allow_extras();
  totals
      ->add_option("--db", a->database,
                   "Datenbank des Büros: eine SQLite-Datei oder ein PostgreSQL-Server "
                   "(\"postgresql://…\" oder \"host=… dbname=…\")")
      ->type_name("DATEI|SERVER");
  totals
      ->add_option("--doc", a->document, "die Rechnung (.docx); gespeichert, wenn sie sich ändert")
      ->type_name("DATEI");
  totals->add_option("--user", a->user, "ID_Benutzer: wessen Abrechnungseinstellungen (TempDoc)")
      ->type_name("N");
  totals
      ->add_option("--invoice", a->invoice,
                   "ID_Rechnungsnummer: der Datensatz in Rechnung, der die Summen erhält")
      ->type_name("ID");
  totals->footer(
      "Summe, Umsatzsteuer, Abschlag, Zahlungsziel und Schlussrechnung werden aus allen Tabellen "
      "der Rechnung neu gebildet, wie es der Dialog Nr. 2 beim OK tut. Rückgabewerte: korvax "
      "--help.");
  totals->callback([totals, a] {
    a->unexpected = totals->remaining();
    const int code = RunShow(*a);
    if (code != 0) throw CLI::RuntimeError(code);
  });
}

void AddShowCommand(CLI::App& app) {
  auto* show =
      AddCommand(app, "show", "öffnet einen Gebührendialog wie die Büroverwaltung (Tarvo::Show)");
  auto a = std::make_shared<ShowArguments>();
  // Every value is taken as text and checked here, so that every complaint is German.
  show->allow_extras();
  show->add_option("--db", a->database,
                   "Datenbank des Büros mit TempDoc, Rechnung, Termine und Version: eine "
                   "SQLite-Datei oder ein PostgreSQL-Server (\"postgresql://…\" oder "
                   "\"host=… dbname=…\"); wird DatenbankPfad und NeueAbfrage")
      ->type_name("DATEI|SERVER");
  show->add_option("--doc", a->document,
                   "die Rechnung, ein Word-Dokument (.docx); wird Doc und nach dem Dialog "
                   "gespeichert, wenn er sie geändert hat")
      ->type_name("DATEI");
  show->add_option("--user", a->user, "ID_Benutzer: wessen Abrechnungseinstellungen (TempDoc)")
      ->type_name("N");
  show->add_option("--index", a->index, "Gebührenart: 0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7")
      ->type_name("N");
  show->add_option("--invoice", a->invoice,
                   "ID_Rechnungsnummer der Rechnung in der Tabelle Rechnung (für die Summen)")
      ->type_name("ID");
  show->add_option("--set", a->properties,
                   "eine Eigenschaft des Auftrags als Text, wie die Büroverwaltung sie setzt, "
                   "z. B. --set Fläche=12,5 --set Flurstücksnummer=\"12/3\"; mehrfach möglich")
      ->allow_extra_args(false)
      ->type_name("EIGENSCHAFT=WERT");
  show->add_option("--cursor-table", a->cursor_table,
                   "setzt den Word-Cursor vor dem Dialog in die Tabelle N (ab 1)")
      ->type_name("N");
  show->add_option("--script", a->script,
                   "JSON-Datei mit den Eingaben des Benutzers (docs/scripted-ui.md)")
      ->type_name("DATEI");
  show->add_flag("--gui", a->gui,
                 "die Dialoge auf dem Bildschirm (Qt); braucht eine Anzeige (DISPLAY)");
  show->add_flag("--totals", a->totals,
                 "bildet nach dem Dialog die Summen der Rechnung neu (wie Nr. 2 beim OK)");
  show->footer(
      "Genau eine von --script und --gui ist anzugeben. Fehler der Dialoge stehen in Verw.log "
      "(KORVAX_LOG_DIR). Rückgabewerte: korvax --help; 8, wenn der Datenbankserver nicht "
      "erreichbar ist, die Anmeldung ablehnt, die Verbindung abbricht oder die Zeit überschritten "
      "wird (die Rechnung bleibt dann ungespeichert).");
  show->callback([show, a] {
    a->unexpected = show->remaining();
    const int code = RunShow(*a);
    if (code != 0) throw CLI::RuntimeError(code);
  });
}

}  // namespace korvax::host
