#include "host/show_command.hpp"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

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
#include "plugin/plugin_state.hpp"
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

// The numbers of the Word layer's file errors (platform/word/word_errors.hpp).
constexpr int32_t kInUse = 70;
constexpr int32_t kReadOnly = 75;
constexpr int32_t kChangedMeanwhile = 4199;

// ": Fehler 3260 in GebührenTabelle.SummeBilden (...)": the failures of the
// totals among those the run logged.
std::string LoggedCauses(const FailureCapture& logged) {
  std::string causes;
  for (const ReportedFailure& failure : logged.Failures()) {
    if (failure.operation == "SummeBilden")
      causes += (causes.empty() ? ": " : "; ") + DescribeReportedFailure(failure);
  }
  return causes + ".";
}

std::string CommandName(const ShowArguments& a) {
  return a.totals_only ? "korvax totals" : "korvax show";
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

  // 2. The files, and the office's database server. The invoice is opened
  // before the user's input is read: from here on it is locked, and whoever
  // opens it elsewhere is told that it is in use.
  const bool on_server = dao::IsServerConnection(a.database);
  if (!on_server) RequireFile(a.database, "Die Datenbank");
  RequireFile(a.document, "Die Rechnung");
  const bool script_from_stdin = a.script == "-";
  if (!a.script.empty() && !script_from_stdin) RequireFile(a.script, "Das Skript");
  std::shared_ptr<word::Document> doc;
  try {
    doc = word::Document::Open(a.document);
  } catch (const Error& e) {
    if (e.number() == kInUse) {
      throw Refusal(kExitInUse, e.description() +
                                    "\nKorvax hat nichts geändert; bitte später noch einmal "
                                    "versuchen.");
    }
    throw Refusal(kExitBadData, "Die Rechnung \"" + a.document +
                                    "\" ist kein lesbares Word-Dokument (.docx): " + Describe(e));
  }
  if (doc->ReadOnly()) {
    // Said before the dialog opens, so that no input is lost: Save refuses
    // a write-protected invoice and says why.
    try {
      doc->Save();
    } catch (const Error& e) {
      throw Refusal(kExitReadOnly, e.description() + "\nEs wurde kein Dialog geöffnet.");
    }
  }
  const Fingerprint opened = FingerprintOf(*doc);
  const std::string script = script_from_stdin ? "/dev/stdin" : a.script;
  std::unique_ptr<forms::ScriptedUi> ui;
  if (a.gui && !a.script.empty()) {
    // The script played in the desktop dialogs.
    try {
      ChooseUiScript(script);
    } catch (const Error& e) {
      throw Refusal(kExitBadData, e.description());
    }
  } else if (!a.gui && !a.totals_only) {
    try {
      ui = std::make_unique<forms::ScriptedUi>(forms::ScriptedUi::LoadScript(script));
    } catch (const forms::ScriptError& e) {
      throw Refusal(kExitBadData, "Das Skript \"" + a.script + "\" ist fehlerhaft: " + e.what());
    }
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
      std::cerr << CommandName(a) << ": Hinweis: keine Rechnung mit ID_Rechnungsnummer "
                << invoice_id << " in der Datenbank\n";
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
  // What they write into the invoice record is kept only once the invoice is
  // saved.
  RegisterDialogs();
  std::optional<dao::Transaction> transaction;
  try {
    transaction.emplace(database);
  } catch (const Error& e) {
    throw Refusal(dao::errors::IsServerUnavailable(e) ? kExitDatabaseUnavailable : kExitBadData,
                  "Die Datenbank \"" + dao::DisplayName(a.database) +
                      "\" beginnt keine Transaktion: " + Describe(e));
  }
  FailureCapture logged;
  auto dialog_and_totals = [&] {
    if (!a.totals_only) tarvo.Show(index, invoice, 0);
    if (a.totals || a.totals_only) tarvo.SummeBilden(invoice);
  };
  if (a.totals_only) {
    dialog_and_totals();
  } else if (a.gui) {
    dialog_and_totals();
    try {
      if (!a.script.empty()) CheckUiScript();
    } catch (const Error& e) {
      throw Refusal(kExitScriptFailed, e.description() + "\nDie Rechnung wurde nicht gespeichert.");
    }
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

  // 6. The invoice, saved only when the dialog changed it and never with
  // totals that the database did not take; then the record is kept.
  auto kept_in_copy = [&] {
    try {
      return "\nDie Eingaben stehen in \"" + doc->SaveRecoveryCopy().string() + "\".";
    } catch (const Error& e) {
      return "\nAuch eine Kopie ließ sich nicht anlegen: " + Describe(e);
    }
  };
  if (const Error* fault = database->ServerFault()) {
    throw Refusal(kExitDatabaseUnavailable,
                  "Der Datenbankserver hat nicht alles übernommen: " + Describe(*fault) +
                      "\nDie Rechnung wurde nicht gespeichert." + kept_in_copy());
  }
  if (Library().totals_record == TotalsRecord::kFailed) {
    throw Refusal(kExitCannotSave,
                  "Die Summen ließen sich nicht in die Datenbank schreiben" + LoggedCauses(logged) +
                      "\nDamit Rechnung und Datensatz zusammenpassen, wurde die Rechnung nicht "
                      "gespeichert." +
                      kept_in_copy());
  }
  bool saved = false;
  try {
    saved = SaveIfChanged(*doc, opened);
  } catch (const Error& e) {
    const int code = e.number() == kReadOnly           ? kExitReadOnly
                     : e.number() == kChangedMeanwhile ? kExitChangedMeanwhile
                                                       : kExitCannotSave;
    throw Refusal(code, "Die Rechnung \"" + a.document + "\" wurde nicht gespeichert: " +
                            Describe(e) + "\nDer Datensatz der Rechnung blieb unverändert.");
  }
  try {
    transaction->Commit();
  } catch (const Error& e) {
    throw Refusal(kExitRecordStale,
                  std::string(saved ? "Die Rechnung wurde gespeichert" : "Die Rechnung blieb") +
                      ", aber ihr Datensatz in der Datenbank wurde nicht aktualisiert: " +
                      Describe(e) + "\nDie Summen im Datensatz der Rechnung sind veraltet.");
  }
  std::cout << (saved ? "Rechnung gespeichert: " : "Rechnung unverändert: ") << a.document << "\n";

  // 7. Whatever the run logged is said here too, not only in the log.
  const std::vector<ReportedFailure> failures = logged.Failures();
  if (failures.empty()) return kExitOk;
  const ErrorLogPlace log = ErrorLogLocation();
  std::cerr << CommandName(a) << ": fertig, mit Fehlern (" << failures.size()
            << (failures.size() == 1 ? " Eintrag" : " Einträge") << " im Fehlerprotokoll "
            << log.path.string();
  if (!log.unwritable.empty()) {
    std::cerr << "; der Ordner " << log.unwritable.string() << " ist nicht beschreibbar";
  }
  std::cerr << "):\n";
  for (const ReportedFailure& failure : failures) {
    std::cerr << "  " << DescribeReportedFailure(failure) << "\n";
  }
  return kExitDoneWithErrors;
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
  ResetUi();
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
      "der Rechnung neu gebildet, wie es der Dialog Nr. 2 beim OK tut; der Datensatz der Rechnung "
      "wird erst übernommen, wenn die Rechnung gespeichert ist. Rückgabewerte: korvax --help.");
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
                   "JSON-Datei mit den Eingaben des Benutzers (docs/scripted-ui.md), - für die "
                   "Standardeingabe")
      ->type_name("DATEI");
  show->add_flag("--gui", a->gui,
                 "die Dialoge auf dem Bildschirm (Qt, Paket korvax-qt); braucht eine Anzeige "
                 "(DISPLAY); mit --script spielen sie die Eingaben darin ab");
  show->add_flag("--totals", a->totals,
                 "bildet nach dem Dialog die Summen der Rechnung neu (wie Nr. 2 beim OK)");
  show->footer(
      "--script, --gui oder beide sind anzugeben; --script - liest die Schritte von der "
      "Standardeingabe, nachdem die Rechnung geöffnet und gesperrt ist. Fehler eines Laufs stehen "
      "auf stderr und in Verw.log (KORVAX_LOG_DIR). Rückgabewerte: korvax --help.");
  show->callback([show, a] {
    a->unexpected = show->remaining();
    const int code = RunShow(*a);
    if (code != 0) throw CLI::RuntimeError(code);
  });
}

}  // namespace korvax::host
