// A host in C++: opens the Nr. 7 dialog (boundary determination) of order
// 4711 in the demo office and saves the invoice.
//
//   nr7_host OFFICE [SCRIPT]
//
// OFFICE holds office.sqlite and Rechnung-2026-0017.docx (tools/make_demo_office.py
// makes one). With a display the Qt dialog opens; SCRIPT, an action
// script, plays the user's input: in that dialog, or without any window.
#include <cstdlib>
#include <iostream>
#include <string>

#include "korvax/korvax.hpp"

namespace kx = korvax::api;

namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "Aufruf: nr7_host BÜRO [SKRIPT]\n";
    return 64;
  }
  const std::string office = argv[1];
  const std::string script = argc == 3 ? argv[2] : "";
  if (!HasDisplay() && script.empty()) {
    std::cerr << "nr7_host: keine Anzeige und kein Skript\n";
    return 64;
  }
  try {
    if (HasDisplay()) kx::SetUi(kx::Ui::Qt);
    if (!script.empty()) kx::SetUiScript(script);

    const std::string database_path = office + "/office.sqlite";
    const kx::Workspace workspace = kx::Workspace::Open();
    const kx::Database database = workspace.OpenDatabase(database_path);
    const kx::Recordset invoice =
        database.OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
    const kx::Document document = kx::Document::Open(office + "/Rechnung-2026-0017.docx");

    kx::Tarvo tarvo;
    tarvo.Put("VaroWorkspace", workspace);
    tarvo.Put("DatenbankPfad", database_path);
    tarvo.Put("ID_Benutzer", int32_t{1});
    tarvo.Put("Doc", document);
    tarvo.Put("NeueAbfrage", database);
    tarvo.Put("Flurstücksnummer", "123/4");
    tarvo.Put("AnzahlGrenzpunkte", int16_t{4});
    tarvo.Put("Bodenwert", "45");
    tarvo.Show(3, invoice);  // Nr. 7
    if (!script.empty()) kx::CheckUiScript();

    document.Save();
    std::cout << "Rechnung gespeichert: " << office << "/Rechnung-2026-0017.docx\n"
              << "Fehlerprotokoll: " << kx::ErrorLogPath() << "\n";
    return 0;
  } catch (const kx::Error& e) {
    std::cerr << "nr7_host: Fehler " << e.number() << ": " << e.what() << "\n";
    return 1;
  }
}
