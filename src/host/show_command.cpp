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
#include "host/document_changes.hpp"
#include "platform/dao/dao.hpp"
#include "platform/dao/dao_errors.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/word/word.hpp"
#include "plugin/tarvo.hpp"
#include "plugin/ui_choice.hpp"

#if defined(KORVAX_HOST_WITH_FEE_DIALOGS)
#include "dialogs/register.hpp"
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

int Run(const ShowArguments& a) {
  // 1. The arguments.
  if (!a.unexpected.empty()) {
    throw Refusal(kExitUsage, "unbekanntes Argument \"" + a.unexpected.front() + "\"");
  }
  if (a.gui) {
    // The desktop dialogs, from libkorvax-qt.so as in any host.
    try {
      ChooseUi(UiKind::Qt);
    } catch (const Error& e) {
      throw Refusal(kExitNoGui, e.description());
    }
  }
  Require(a.database, "--db", "die Datenbank des Büros");
  Require(a.document, "--doc", "die Rechnung (.docx)");
  Require(a.user, "--user", "die Nummer des Benutzers (ID_Benutzer)");
  Require(a.index, "--index", "die Gebührenart (0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7)");
  if (!a.gui) Require(a.script, "--script oder --gui", "woher die Eingaben des Benutzers kommen");
  const auto user = static_cast<int32_t>(WholeNumber(a.user, "--user", INT32_MIN, INT32_MAX));
  auto index = static_cast<int16_t>(WholeNumber(a.index, "--index", INT16_MIN, INT16_MAX));
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
  }

  // 2. The files, and the office's database server.
  const bool on_server = dao::IsServerConnection(a.database);
  if (!on_server) RequireFile(a.database, "Die Datenbank");
  RequireFile(a.document, "Die Rechnung");
  std::unique_ptr<forms::ScriptedUi> ui;
  if (a.gui && !a.script.empty()) {
    // The script played in the desktop dialogs.
    RequireFile(a.script, "Das Skript");
    try {
      ChooseUiScript(a.script);
    } catch (const Error& e) {
      throw Refusal(kExitBadData, e.description());
    }
  } else if (!a.gui) {
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

  // 5. The dialog, with the user's actions from the script.
  RegisterDialogs();
  const uintmax_t log_before = LogSize();
  if (a.gui) {
    tarvo.Show(index, invoice, 0);
    try {
      if (!a.script.empty()) CheckUiScript();
    } catch (const Error& e) {
      throw Refusal(kExitScriptFailed, e.description() + "\nDie Rechnung wurde nicht gespeichert.");
    }
  } else {
    forms::SetBackend(ui.get());
    tarvo.Show(index, invoice, 0);
    forms::SetBackend(nullptr);
    try {
      ui->Finish();
    } catch (const forms::ScriptError& e) {
      throw Refusal(kExitScriptFailed, std::string("Das Skript lief nicht wie geschrieben: ") +
                                           e.what() + "\nDie Rechnung wurde nicht gespeichert.");
    }
  }
  if (LogSize() != log_before) {
    const ErrorLogPlace log = ErrorLogLocation();
    std::cerr << "korvax show: Hinweis: Fehler wurden protokolliert in " << log.path.string();
    if (!log.unwritable.empty()) {
      std::cerr << " (der Ordner " << log.unwritable.string() << " ist nicht beschreibbar)";
    }
    std::cerr << "\n";
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
    std::cerr << "korvax show: " << refusal.what() << "\n";
    code = refusal.code();
  } catch (const std::exception& e) {
    std::cerr << "korvax show: unerwarteter Fehler: " << e.what() << "\n";
    code = kExitBadData;
  }
  // The dialogs end here, as on unloading the library, and not among the
  // statics at exit: the forms runtime's own registers may be gone by then.
  ResetUi();
  forms::SetBackend(nullptr);
  forms::DestroyFormInstances();
  return code;
}

void AddShowCommand(CLI::App& app) {
  auto* show = app.add_subcommand(
      "show", "öffnet einen Gebührendialog wie die Büroverwaltung (Tarvo::Show)");
  auto a = std::make_shared<ShowArguments>();
  // Every value is taken as text and checked here, so that every complaint is German.
  show->allow_extras();
  show->option_defaults()->group("Optionen");
  show->set_help_flag("-h,--help", "zeigt diese Hilfe");
  auto formatter = std::make_shared<CLI::Formatter>();
  formatter->label("Usage", "Aufruf");
  formatter->label("OPTIONS", "OPTIONEN");
  show->formatter(formatter);
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
  show->add_option("--index", a->index,
                   "Gebührenart: 0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7; andere Werte öffnen "
                   "keinen Dialog")
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
                 "die Dialoge auf dem Bildschirm (Qt, Paket korvax-qt); braucht eine Anzeige "
                 "(DISPLAY); mit --script spielen sie die Eingaben darin ab");
  show->footer(
      "--script, --gui oder beide sind anzugeben. Rückgabewerte: 0 fertig, 1 Skript lief "
      "nicht wie geschrieben, 2 --gui ohne Anzeige oder ohne die Qt-Dialoge (korvax-qt), 64 "
      "falsche Argumente, 65 "
      "Datei "
      "unbrauchbar (keine .docx, kein JSON, keine Datenbank), 66 Datei fehlt, 74 Rechnung nicht "
      "speicherbar, 8 Datenbankserver nicht erreichbar, Anmeldung abgelehnt, Verbindung "
      "abgebrochen oder Zeit überschritten (die Rechnung bleibt dann ungespeichert). Fehler der "
      "Dialoge stehen in Verw.log (KORVAX_LOG_DIR).");
  show->callback([show, a] {
    a->unexpected = show->remaining();
    const int code = RunShow(*a);
    if (code != 0) throw CLI::RuntimeError(code);
  });
}

}  // namespace korvax::host
