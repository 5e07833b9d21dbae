#include "platform/file/file_errors.hpp"

namespace korvax::file::errors {

Error FileNotFound(const std::string& path) {
  return Error(5174, "Die Datei wurde nicht gefunden. (" + path + ")");
}

Error SaveFailed(const std::string& path, const std::string& what) {
  return Error(4198, "Die Datei \"" + path + "\" konnte nicht gespeichert werden: " + what);
}

Error InUse(const std::string& path, const std::string& holder) {
  return Error(70, "Zugriff verweigert: die Datei \"" + path + "\" wird gerade bearbeitet von " +
                       holder + ".");
}

Error ReadOnly(const std::string& path, const std::string& why) {
  return Error(75, "Die Datei \"" + path + "\" ist schreibgeschützt (" + why +
                       ") und wird nicht überschrieben.");
}

Error ChangedMeanwhile(const std::string& path, const std::string& copy) {
  return Error(4199, "Die Datei \"" + path +
                         "\" wurde seit dem Öffnen von anderer Seite geändert und wird nicht "
                         "überschrieben. Die Änderungen stehen in \"" +
                         copy + "\".");
}

}  // namespace korvax::file::errors
