#include "platform/dao/dao_errors.hpp"

namespace korvax::dao::errors {

namespace {
std::string Quoted(std::string_view s) {
  return "'" + std::string(s) + "'";
}
}  // namespace

Error InvalidArgument() {
  return Error(3001, "Ungültiges Argument.");
}

Error InvalidOperation() {
  return Error(3219, "Ungültige Operation.");
}

Error SelectCannotBeExecuted() {
  return Error(3065, "Auswahlabfrage kann nicht ausgeführt werden.");
}

Error NotSupported(std::string_view what) {
  return Error(3251, "Die Operation wird für diesen Objekttyp nicht unterstützt: " +
                         std::string(what) + ".");
}

Error NoCurrentRecord() {
  return Error(3021, "Kein aktueller Datensatz.");
}

Error UpdateWithoutEdit() {
  return Error(3020, "Update oder CancelUpdate ohne AddNew oder Edit.");
}

Error FileNotFound(std::string_view path) {
  return Error(3024, "Datei " + Quoted(path) + " nicht gefunden.");
}

Error DatabaseExists(std::string_view path) {
  return Error(3204, "Datenbank " + Quoted(path) + " existiert bereits.");
}

Error ReadOnly() {
  return Error(3027, "Aktualisieren nicht möglich. Datenbank oder Objekt ist schreibgeschützt.");
}

Error CannotOpen(std::string_view path) {
  return Error(3051, "Das Microsoft Jet-Datenbankmodul kann die Datei " + Quoted(path) +
                         " nicht öffnen. Sie ist bereits ausschließlich geöffnet, oder Sie "
                         "benötigen die Berechtigung zum Anzeigen der Daten.");
}

Error UnrecognizedFormat(std::string_view path) {
  return Error(3343, "Nicht erkanntes Datenbankformat " + Quoted(path) + ".");
}

Error TableNotFound(std::string_view name) {
  return Error(3078, "Das Microsoft Jet-Datenbankmodul findet die Eingabetabelle oder Abfrage " +
                         Quoted(name) + " nicht.");
}

Error TooFewParameters(std::string_view detail) {
  return Error(3061, "Zu wenig Parameter. Erwartet: 1. (" + std::string(detail) + ")");
}

Error SyntaxError(std::string_view detail) {
  return Error(3075, "Syntaxfehler in Abfrageausdruck (" + std::string(detail) + ").");
}

Error ItemNotFound() {
  return Error(3265, "Element in dieser Auflistung nicht gefunden.");
}

Error FieldNotUpdatable(std::string_view name) {
  return Error(3164, "Feld " + Quoted(name) + " kann nicht aktualisiert werden.");
}

Error RecordDeleted() {
  return Error(3167, "Datensatz ist gelöscht.");
}

Error TooManyTransactions() {
  return Error(3003,
               "Transaktion kann nicht gestartet werden; zu viele Transaktionen sind bereits "
               "verschachtelt.");
}

Error NoTransaction() {
  return Error(3034,
               "Sie haben versucht, für eine Transaktion ein Commit oder Rollback auszuführen, "
               "ohne sie vorher zu beginnen.");
}

Error Locked(std::string_view detail) {
  return Error(3260,
               "Aktualisieren nicht möglich; momentan gesperrt (" + std::string(detail) + ").");
}

Error DuplicateOrConstraint(std::string_view detail) {
  return Error(3022,
               "Die Änderungen wurden nicht durchgeführt, weil sie doppelte Werte oder ungültige "
               "Werte in der Tabelle erzeugen würden (" +
                   std::string(detail) + ").");
}

Error ConversionError() {
  return Error(3421, "Datentypkonvertierungsfehler.");
}

Error ObjectClosed() {
  return Error(3420, "Objekt ist ungültig oder nicht mehr festgelegt.");
}

Error EngineError(std::string_view detail) {
  return Error(3000, "Reservierter Fehler (" + std::string(detail) + ").");
}

Error ServerUnreachable(std::string_view detail) {
  return Error(3151, "ODBC-Verbindung fehlgeschlagen: Der Datenbankserver ist nicht erreichbar (" +
                         std::string(detail) + ").");
}

Error LoginRefused(std::string_view detail) {
  return Error(3029,
               "Kein gültiger Kontoname oder kein gültiges Kennwort: Der Datenbankserver "
               "hat die Anmeldung abgelehnt (" +
                   std::string(detail) + ").");
}

Error ConnectionLost(std::string_view detail) {
  return Error(3146,
               "ODBC-Aufruf fehlgeschlagen: Die Verbindung zum Datenbankserver ist "
               "abgebrochen (" +
                   std::string(detail) + ").");
}

Error QueryTimeout(std::string_view detail) {
  return Error(3234,
               "ODBC-Zeitüberschreitung bei Remoteabfrage: Der Datenbankserver hat die "
               "Abfrage abgebrochen (" +
                   std::string(detail) + ").");
}

Error NoPermission(std::string_view detail) {
  return Error(3112, "Keine Berechtigung für diese Daten (" + std::string(detail) + ").");
}

bool IsServerUnavailable(const Error& error) {
  switch (error.number()) {
    case 3151:
    case 3029:
    case 3146:
    case 3234:
      return true;
    default:
      return false;
  }
}

}  // namespace korvax::dao::errors
