/* A host written in C: drives Tarvo through the C ABI of libkorvax.
 * Arguments: the office database to use (created by the test runner). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "korvax/korvax.h"

static int failures = 0;

#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) {                                               \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                \
    }                                                            \
  } while (0)

static void put(korvax_object* tarvo, const char* name, korvax_variant value) {
  korvax_error err;
  int32_t rc = korvax_put(tarvo, name, &value, &err);
  if (rc != 0) fprintf(stderr, "put %s: %d %s\n", name, err.number, err.description);
  CHECK(rc == 0);
}

/* Whether the error log holds the text. */
static int log_holds(const char* text) {
  FILE* log = fopen(korvax_error_log_path(), "rb");
  if (log == NULL) return 0;
  static char content[1 << 16];
  size_t n = fread(content, 1, sizeof content - 1, log);
  fclose(log);
  content[n] = '\0';
  return strstr(content, text) != NULL;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  korvax_error err;
  korvax_object* tarvo = korvax_create("Korvax.Tarvo", &err);
  CHECK(tarvo != NULL);
  CHECK(strcmp(korvax_type_name(tarvo), "Tarvo") == 0);
  CHECK(korvax_create("Korvax.Unbekannt", &err) == NULL && err.number == 429);

  korvax_object* ws = korvax_open_workspace(&err);
  korvax_object* db = korvax_open_database(ws, argv[1], &err);
  CHECK(db != NULL);
  put(tarvo, "VaroWorkspace", korvax_object_value(ws));
  put(tarvo, "DatenbankPfad", korvax_string(argv[1]));
  put(tarvo, "ID_Benutzer", korvax_int32(7));
  put(tarvo, "NeueAbfrage", korvax_object_value(db));
  put(tarvo, "Fläche", korvax_string("12,5"));

  /* A failing write returns the failure and keeps the value. */
  korvax_variant big = korvax_int32(40000);
  CHECK(korvax_put(tarvo, "Achslänge", &big, &err) == 6 && err.number == 6);
  CHECK(strcmp(err.description, "Überlauf") == 0);

  korvax_variant v;
  CHECK(korvax_get(tarvo, "Fläche", &v, &err) == 0);
  CHECK(v.type == KORVAX_DOUBLE && v.value.double_value == 12.5);
  CHECK(korvax_get(tarvo, "Achslänge", &v, &err) == 0);
  CHECK(v.type == KORVAX_INTEGER && v.value.integer == 0);
  CHECK(korvax_get(tarvo, "DatenbankPfad", &v, &err) == 0);
  CHECK(v.type == KORVAX_STRING && strcmp(v.value.string, argv[1]) == 0);
  korvax_variant_clear(&v);
  CHECK(korvax_get(tarvo, "VaroWorkspace", &v, &err) == 0);
  CHECK(v.type == KORVAX_OBJECT && strcmp(korvax_type_name(v.value.object), "Workspace") == 0);
  korvax_variant_clear(&v);

  korvax_object* invoice =
      korvax_open_recordset(db, "SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17", &err);
  CHECK(invoice != NULL);
  /* Index 4 opens no dialog; the settings are read all the same. */
  korvax_variant args[3] = {korvax_int16(4), korvax_object_value(invoice), korvax_int32(99)};
  CHECK(korvax_dispatch_id(tarvo, "Show") == 1);
  CHECK(korvax_call(tarvo, "Show", args, 3, NULL, &err) == 0);
  CHECK(args[0].type == KORVAX_INTEGER && args[0].value.integer == 4);
  CHECK(korvax_last_call_log_entries() == 0);
  CHECK(korvax_billing_setting("Mehrwertsteuersatz", &v, &err) == 0);
  CHECK(v.type == KORVAX_INTEGER && v.value.integer == 19);
  CHECK(korvax_billing_setting("Zahlungsziel", &v, &err) == 0);
  CHECK(v.type == KORVAX_BOOLEAN && v.value.boolean == 1);
  CHECK(korvax_call(tarvo, "Aktualisieren", NULL, 0, NULL, &err) == 0);
  /* ERechnung is there; without the invoice document it refuses. */
  CHECK(korvax_dispatch_id(tarvo, "ERechnung") == 19);
  CHECK(korvax_einvoice(tarvo, "xrechnung", NULL, &v, &err) == 91 && v.type == KORVAX_EMPTY);
  CHECK(korvax_call(tarvo, "Gibtsnicht", NULL, 0, NULL, &err) != 0);

  /* A user without settings: Show returns normally, but the host can tell
   * that it logged failures. */
  put(tarvo, "ID_Benutzer", korvax_int32(99));
  CHECK(korvax_call(tarvo, "Show", args, 3, NULL, &err) == 0);
  CHECK(korvax_last_call_log_entries() > 0);
  put(tarvo, "ID_Benutzer", korvax_int32(7));
  CHECK(korvax_last_call_log_entries() == 0);

  /* Transactions of the host's database. */
  CHECK(korvax_begin_trans(db, &err) == 0);
  CHECK(korvax_rollback(db, &err) == 0);
  CHECK(korvax_commit_trans(db, &err) == 3034 && err.number == 3034);

  /* The interface: an unknown one is refused; the Qt dialogs without a display
   * (the test runs without one) fail with 429, logged, and the choice stays. */
  CHECK(korvax_set_ui(7, &err) == 5);
  CHECK(korvax_set_ui(KORVAX_UI_QT, &err) == 429 && strstr(err.description, "DISPLAY") != NULL);
  CHECK(log_holds("Ort  : Korvax.korvax_set_ui"));
  CHECK(korvax_set_ui_script("/gibt/es/nicht.json", &err) == 53);
  CHECK(korvax_ui_script_result(&err) == 5);
  CHECK(korvax_set_ui(KORVAX_UI_NONE, &err) == 0);

  korvax_release(invoice);
  korvax_release(db);
  korvax_release(ws);
  korvax_release(tarvo);
  /* Kept for hosts built against it: gives nothing back and does no harm. */
  CHECK(korvax_trim_memory() == 0);
  if (failures == 0) printf("C host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
