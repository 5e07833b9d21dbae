/* A host in C: opens the Nr. 7 dialog (boundary determination) of order 4711
 * in the demo office and saves the invoice.
 *
 *   nr7_host OFFICE [SCRIPT]
 *
 * OFFICE holds office.sqlite and Rechnung-2026-0017.docx (tools/make_demo_office.py
 * makes one). With a display the Qt dialog opens; SCRIPT, an action
 * script, plays the user's input: in that dialog, or without any window.
 *
 *   cc nr7_host.c $(pkg-config --cflags --libs korvax) -o nr7_host
 */
#include <stdio.h>
#include <stdlib.h>

#include "korvax/korvax.h"

static void fail(const char* what, const korvax_error* err) {
  fprintf(stderr, "nr7_host: %s: Fehler %d: %s\n", what, err->number, err->description);
  exit(1);
}

static void put(korvax_object* tarvo, const char* property, korvax_variant value) {
  korvax_error err;
  if (korvax_put(tarvo, property, &value, &err) != 0) fail(property, &err);
}

static int has_display(void) {
  const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  for (int i = 0; i < 3; ++i) {
    const char* value = getenv(names[i]);
    if (value != NULL && *value != '\0') return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "Aufruf: nr7_host BÜRO [SKRIPT]\n");
    return 64;
  }
  const char* script = argc == 3 ? argv[2] : NULL;
  char database_path[4096], invoice_path[4096];
  snprintf(database_path, sizeof database_path, "%s/office.sqlite", argv[1]);
  snprintf(invoice_path, sizeof invoice_path, "%s/Rechnung-2026-0017.docx", argv[1]);
  korvax_error err;

  /* 1. The interface: the Qt dialogs when there is a display; the user's
   *    input from the script when there is one. */
  if (has_display() && korvax_set_ui(KORVAX_UI_QT, &err) != 0) fail("Qt-Dialoge", &err);
  if (script != NULL && korvax_set_ui_script(script, &err) != 0) fail(script, &err);
  if (!has_display() && script == NULL) {
    fprintf(stderr, "nr7_host: keine Anzeige und kein Skript\n");
    return 64;
  }

  /* 2. The office database, the invoice record and the invoice document. */
  korvax_object* workspace = korvax_open_workspace(&err);
  if (workspace == NULL) fail("Workspace", &err);
  korvax_object* database = korvax_open_database(workspace, database_path, &err);
  if (database == NULL) fail(database_path, &err);
  korvax_object* invoice =
      korvax_open_recordset(database, "SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17", &err);
  if (invoice == NULL) fail("Rechnung 17", &err);
  korvax_object* document = korvax_open_document(invoice_path, &err);
  if (document == NULL) fail(invoice_path, &err);

  /* 3. The order context, then Show with Index 3: the Nr. 7 dialog. */
  korvax_object* tarvo = korvax_create("Korvax.Tarvo", &err);
  if (tarvo == NULL) fail("Korvax.Tarvo", &err);
  put(tarvo, "VaroWorkspace", korvax_object_value(workspace));
  put(tarvo, "DatenbankPfad", korvax_string(database_path));
  put(tarvo, "ID_Benutzer", korvax_int32(1));
  put(tarvo, "Doc", korvax_object_value(document));
  put(tarvo, "NeueAbfrage", korvax_object_value(database));
  put(tarvo, "Flurstücksnummer", korvax_string("123/4"));
  put(tarvo, "AnzahlGrenzpunkte", korvax_int16(4));
  put(tarvo, "Bodenwert", korvax_string("45"));
  korvax_variant args[3] = {korvax_int16(3), korvax_object_value(invoice), korvax_int32(0)};
  if (korvax_call(tarvo, "Show", args, 3, NULL, &err) != 0) fail("Show", &err);
  if (script != NULL && korvax_ui_script_result(&err) != 0) fail(script, &err);

  /* 4. The invoice, saved. Failures inside the dialog are in the error log. */
  if (korvax_save_document(document, NULL, &err) != 0) fail(invoice_path, &err);
  printf("Rechnung gespeichert: %s\nFehlerprotokoll: %s\n", invoice_path, korvax_error_log_path());

  korvax_release(tarvo);
  korvax_release(document);
  korvax_release(invoice);
  korvax_release(database);
  korvax_release(workspace);
  return 0;
}
