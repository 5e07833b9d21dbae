// The exit codes of every korvax subcommand, one set for all of them.
// Scripts of the office test these numbers: never reuse one for another meaning.
#pragma once

namespace korvax::host {

// Done, nothing logged.
inline constexpr int kExitOk = 0;
// The user's script did not run as written.
inline constexpr int kExitScriptFailed = 1;
// No desktop dialogs: no display, or built without Qt.
inline constexpr int kExitNoGui = 2;
// Done, but the run logged failures ("fertig, mit Fehlern").
inline constexpr int kExitDoneWithErrors = 3;
// The invoice is open elsewhere: a lock of another user or program.
inline constexpr int kExitInUse = 4;
// The invoice changed since it was opened; a recovery copy keeps the work.
inline constexpr int kExitChangedMeanwhile = 5;
// The invoice was saved, but its record in the database was not updated.
inline constexpr int kExitRecordStale = 6;
// The invoice is write-protected.
inline constexpr int kExitReadOnly = 7;
// The database server cannot be reached or refused the login.
inline constexpr int kExitDatabaseUnavailable = 8;
// Bad or missing arguments.
inline constexpr int kExitUsage = 64;
// A file or record that is not what it should be.
inline constexpr int kExitBadData = 65;
// A file that does not exist.
inline constexpr int kExitNoInput = 66;
// A program the command needs (LibreOffice) is missing.
inline constexpr int kExitNoRenderer = 69;
// A failure inside a program the command runs.
inline constexpr int kExitInternal = 70;
// The invoice, or another output file, could not be saved.
inline constexpr int kExitCannotSave = 74;

// What each code means, in German, for the help of korvax and the README.
struct ExitCodeText {
  int code;
  const char* text;
};
inline constexpr ExitCodeText kExitCodeTexts[] = {
    {kExitOk, "fertig"},
    {kExitScriptFailed, "das Skript lief nicht wie geschrieben"},
    {kExitNoGui, "keine Dialoge auf dem Bildschirm (keine Anzeige oder ohne Qt gebaut)"},
    {kExitDoneWithErrors, "fertig, mit Fehlern (siehe Verw.log)"},
    {kExitInUse, "die Rechnung ist anderswo geöffnet"},
    {kExitChangedMeanwhile, "die Rechnung wurde inzwischen geändert; eine Kopie hält die Arbeit"},
    {kExitRecordStale, "Rechnung gespeichert, ihr Datensatz aber nicht"},
    {kExitReadOnly, "die Rechnung ist schreibgeschützt"},
    {kExitDatabaseUnavailable, "der Datenbankserver ist nicht erreichbar oder nahm nicht alles an"},
    {kExitUsage, "falsche oder fehlende Argumente"},
    {kExitBadData, "eine Datei oder ein Datensatz ist unbrauchbar"},
    {kExitNoInput, "eine Datei fehlt"},
    {kExitNoRenderer, "LibreOffice fehlt"},
    {kExitInternal, "ein aufgerufenes Programm ist gescheitert"},
    {kExitCannotSave, "die Rechnung oder eine andere Ausgabe ließ sich nicht speichern"},
};

}  // namespace korvax::host
