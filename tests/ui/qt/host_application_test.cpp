// A host with a Qt application of its own, through the public C++ API alone:
// the Nr. 7 dialog of the Qt interface runs in the host's QApplication (none
// is made for the call) as a modal window of the host's main window, and
// closing it returns from Show.
//   test_qt_host_application OFFICE   (a demo office: tools/make_demo_office.py)
#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "korvax/korvax.hpp"

namespace kx = korvax::api;

int main(int argc, char** argv) {
  if (argc != 2) return 64;
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Büroverwaltung"));
  window.show();
  QApplication::setActiveWindow(&window);

  const std::string office = argv[1];
  const kx::Workspace workspace = kx::Workspace::Open();
  const kx::Database database = workspace.OpenDatabase(office + "/office.sqlite");
  const kx::Document document = kx::Document::Open(office + "/Rechnung-2026-0017.docx");
  kx::Tarvo tarvo;
  tarvo.Put("VaroWorkspace", workspace);
  tarvo.Put("DatenbankPfad", office + "/office.sqlite");
  tarvo.Put("ID_Benutzer", int32_t{1});
  tarvo.Put("Doc", document);
  tarvo.Put("NeueAbfrage", database);
  kx::SetUi(kx::Ui::Qt);

  // What the dialog was, while it was there.
  QString dialog;
  QWidget* owner = nullptr;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (dialog.isEmpty() && modal != nullptr) {
      dialog = modal->objectName();
      owner = modal->parentWidget();
      modal->close();  // the user's close box
    }
  });
  watch.start(50);
  QTimer::singleShot(30000, [] {
    std::fputs("Der Dialog kam nicht oder schloss nicht\n", stderr);
    std::_Exit(1);
  });
  tarvo.Show(3, database.OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17"));

  int failures = 0;
  auto check = [&](bool ok, const char* what) {
    if (!ok) {
      std::fprintf(stderr, "FEHLER: %s\n", what);
      ++failures;
    }
  };
  check(dialog == QStringLiteral("frmKat4"), "kein modaler Dialog frmKat4");
  check(owner == &window, "nicht im Fenster des Hosts");
  check(QCoreApplication::instance() == &app, "eine andere QApplication");
  return failures == 0 ? 0 : 1;
}
