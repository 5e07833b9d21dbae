/* Korvax C ABI: drive the plug-in object Tarvo from a host written in any
 * language, by member name or dispatch id, as through a dual interface.
 *
 *   korvax_error err;
 *   korvax_object* tarvo = korvax_create("Korvax.Tarvo", &err);
 *   korvax_object* ws = korvax_open_workspace(&err);
 *   korvax_variant v = korvax_object_value(ws);
 *   korvax_put(tarvo, "VaroWorkspace", &v, &err);
 *   ...
 *   korvax_variant args[3] = {korvax_int16(3), korvax_object_value(invoice), korvax_int32(0)};
 *   korvax_call(tarvo, "Show", args, 3, NULL, &err);
 *   korvax_release(tarvo);
 *
 * Every function returns 0 on success and the error number on failure, with
 * the number and the German description in *err (err may be NULL). Strings
 * are UTF-8. Strings and objects handed out in a variant belong to the caller:
 * free them with korvax_variant_clear. Objects are reference counted; every
 * korvax_object* handed out is released with korvax_release.
 */
#ifndef KORVAX_KORVAX_H
#define KORVAX_KORVAX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KORVAX_API __attribute__((visibility("default")))

typedef struct korvax_object korvax_object;

typedef enum korvax_vartype {
  KORVAX_EMPTY = 0,
  KORVAX_NULL = 1,
  KORVAX_INTEGER = 2, /* signed 16-bit */
  KORVAX_LONG = 3,    /* signed 32-bit */
  KORVAX_DOUBLE = 4,
  KORVAX_BOOLEAN = 5,
  KORVAX_STRING = 6,
  KORVAX_DATE = 7, /* days since 30.12.1899, the fraction being the time */
  KORVAX_OBJECT = 8
} korvax_vartype;

typedef struct korvax_variant {
  int32_t type; /* korvax_vartype */
  union {
    int16_t integer;
    int32_t long_value;
    double double_value;
    int32_t boolean; /* 0 false, anything else true */
    char* string;
    double date;
    korvax_object* object;
  } value;
} korvax_variant;

typedef struct korvax_error {
  int32_t number;
  char description[512];
} korvax_error;

typedef enum korvax_invoke_kind {
  KORVAX_METHOD = 1,
  KORVAX_PROPERTY_GET = 2,
  KORVAX_PROPERTY_PUT = 4
} korvax_invoke_kind;

/* Creates an object by its programmatic id; "Korvax.Tarvo" is the one class. */
KORVAX_API korvax_object* korvax_create(const char* progid, korvax_error* err);
KORVAX_API void korvax_addref(korvax_object* object);
KORVAX_API void korvax_release(korvax_object* object);
/* "Tarvo", "Workspace", "Database", "Recordset", "Document", ... */
KORVAX_API const char* korvax_type_name(korvax_object* object);

/* Dispatch ids in interface order: Show 1, Aktualisieren 2, then the
 * properties pDocument 3 ... NeueAbfrage 17; ERechnung 19. 0 when the name
 * is unknown. */
KORVAX_API int32_t korvax_dispatch_id(korvax_object* object, const char* name);
KORVAX_API int32_t korvax_invoke(korvax_object* object, int32_t dispid, int32_t kind,
                                 korvax_variant* args, int32_t arg_count, korvax_variant* result,
                                 korvax_error* err);

/* By name. Arguments passed by reference (Show's Index) are written back. */
KORVAX_API int32_t korvax_get(korvax_object* object, const char* property, korvax_variant* result,
                              korvax_error* err);
KORVAX_API int32_t korvax_put(korvax_object* object, const char* property,
                              const korvax_variant* value, korvax_error* err);
KORVAX_API int32_t korvax_call(korvax_object* object, const char* method, korvax_variant* args,
                               int32_t arg_count, korvax_variant* result, korvax_error* err);

/* How many entries the last korvax_invoke, korvax_get, korvax_put or
 * korvax_call of this thread wrote to the error log: a call that returns 0
 * may still have logged failures, as Show does when a step fails. */
KORVAX_API int32_t korvax_last_call_log_entries(void);

/* Variants. */
KORVAX_API korvax_variant korvax_empty(void);
KORVAX_API korvax_variant korvax_null(void);
KORVAX_API korvax_variant korvax_int16(int16_t value);
KORVAX_API korvax_variant korvax_int32(int32_t value);
KORVAX_API korvax_variant korvax_double(double value);
KORVAX_API korvax_variant korvax_bool(int32_t value);
/* Borrows the text: valid while the caller keeps it. */
KORVAX_API korvax_variant korvax_string(const char* utf8);
/* Borrows the object: no reference is taken. */
KORVAX_API korvax_variant korvax_object_value(korvax_object* object);
KORVAX_API void korvax_variant_clear(korvax_variant* variant);

/* The platform objects a host hands over. */
KORVAX_API korvax_object* korvax_open_workspace(korvax_error* err);
KORVAX_API korvax_object* korvax_open_database(korvax_object* workspace, const char* path,
                                               korvax_error* err);
KORVAX_API korvax_object* korvax_open_recordset(korvax_object* database, const char* sql,
                                                korvax_error* err);
/* Opens the invoice for editing and locks it until the last reference is
 * released: 70 when another user or program has it open. */
KORVAX_API korvax_object* korvax_open_document(const char* path, korvax_error* err);
/* Transactions of a database: what the plug-in writes into the invoice
 * record after korvax_begin_trans is kept by korvax_commit_trans and undone
 * by korvax_rollback. Begin one before Show and commit it only after the
 * invoice is saved, so that record and invoice never disagree. */
KORVAX_API int32_t korvax_begin_trans(korvax_object* database, korvax_error* err);
KORVAX_API int32_t korvax_commit_trans(korvax_object* database, korvax_error* err);
KORVAX_API int32_t korvax_rollback(korvax_object* database, korvax_error* err);
/* Saves atomically; path NULL saves to the file it was opened from; 75 for a
 * write-protected file, 4199 when it changed meanwhile (the document then
 * goes to a copy beside it, named in err). */
KORVAX_API int32_t korvax_save_document(korvax_object* document, const char* path,
                                        korvax_error* err);
/* A recordset's field value by name, for hosts that read the invoice record. */
KORVAX_API int32_t korvax_field_value(korvax_object* recordset, const char* field,
                                      korvax_variant* result, korvax_error* err);

/* A billing setting as the last Show read it from TempDoc, by its field name
 * ("Mehrwertsteuersatz", "AbschlagProzent", ...): for checks and support. */
KORVAX_API int32_t korvax_billing_setting(const char* field, korvax_variant* result,
                                          korvax_error* err);

/* The e-invoice of the invoice of the last Show (Tarvo's ERechnung): format
 * "xrechnung" (the CII XML with the invoice's PDF attached) or "zugferd" (the
 * PDF/A-3 with factur-x.xml); file NULL or "" writes beside the document.
 * The path written goes to *result as a string. Missing master data, a totals
 * block that does not add up, no invoice number or date: refused, nothing
 * written, the German reason in err. */
KORVAX_API int32_t korvax_einvoice(korvax_object* tarvo, const char* format, const char* file,
                                   korvax_variant* result, korvax_error* err);

/* Kept for hosts built against it: the plug-in keeps no memory for the next
 * document, so there is nothing to give back. Returns 0. */
KORVAX_API size_t korvax_trim_memory(void);

/* The error log the plug-in appends to: Verw.log beside libkorvax.so, or in
 * $XDG_STATE_HOME/korvax (~/.local/state/korvax) when that folder is not
 * writable; KORVAX_LOG_DIR names another folder. */
KORVAX_API const char* korvax_error_log_path(void);

/* The user interface of the dialogs that Show opens. */
typedef enum korvax_ui {
  KORVAX_UI_NONE = 0, /* no windows: only an action script can work the dialogs (the default) */
  KORVAX_UI_QT = 1    /* the Qt 6 desktop dialogs, package korvax-qt */
} korvax_ui;

/* Chooses the interface. KORVAX_UI_QT loads the Qt dialogs; they run in the
 * host's QApplication when it has one (as modal windows of its active
 * window), otherwise in an application made for each Show. Fails with 48 when
 * the Qt dialogs are not installed, 429 when there is no display (DISPLAY,
 * WAYLAND_DISPLAY, or QT_QPA_PLATFORM such as offscreen); the failure is also
 * logged and the choice stays as it was. Without any choice Show opens no
 * window and logs 438. */
KORVAX_API int32_t korvax_set_ui(int32_t ui, korvax_error* err);
/* The user's input from an action script (JSON, see docs/scripted-ui.md),
 * played in the dialogs of the next Show: headless with KORVAX_UI_NONE, in the
 * visible dialogs with KORVAX_UI_QT. A script is used up by one Show. NULL
 * gives the input back to the person. 53 no such file, 5 not a script. */
KORVAX_API int32_t korvax_set_ui_script(const char* path, korvax_error* err);
/* After Show: 0 when the script ran as written to its last step, otherwise 5
 * and the step that went wrong. */
KORVAX_API int32_t korvax_ui_script_result(korvax_error* err);

#ifdef __cplusplus
}
#endif

#endif /* KORVAX_KORVAX_H */
