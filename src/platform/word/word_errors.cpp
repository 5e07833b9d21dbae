#include "platform/word/word_errors.hpp"

namespace korvax::word::errors {

Error InvalidDocument(const std::string& path, const std::string& what) {
  return Error(5792, "Die Datei \"" + path + "\" ist kein gültiges Word-Dokument: " + what);
}

Error NoSuchMember() {
  return Error(5941, "Das angeforderte Element ist nicht in der Sammlung vorhanden.");
}

Error ValueOutOfRange() {
  return Error(4608, "Der Wert liegt außerhalb des gültigen Bereichs.");
}

Error NotAvailable(const std::string& what) {
  return Error(4605, "Diese Methode oder Eigenschaft ist nicht verfügbar: " + what);
}

Error ObjectDeleted() {
  return Error(5825, "Das Objekt wurde gelöscht.");
}

}  // namespace korvax::word::errors
