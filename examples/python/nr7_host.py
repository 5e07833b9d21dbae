#!/usr/bin/python3
"""A host in Python (ctypes over the C ABI): opens the Nr. 7 dialog (boundary
determination) of order 4711 in the demo office and saves the invoice.

    nr7_host.py OFFICE [SCRIPT]

OFFICE holds office.sqlite and Rechnung-2026-0017.docx (tools/make_demo_office.py
makes one). With a display the Qt dialog opens; SCRIPT, an action script,
plays the user's input: in that dialog, or without any window. KORVAX_LIBRARY
names libkorvax when it is not installed where the system finds it.
"""
import ctypes
import os
import sys

EMPTY, NULL, INTEGER, LONG, DOUBLE, BOOLEAN, STRING, DATE, OBJECT = range(9)
UI_NONE, UI_QT = 0, 1


class Variant(ctypes.Structure):
    class Value(ctypes.Union):
        _fields_ = [("integer", ctypes.c_int16), ("long_value", ctypes.c_int32),
                    ("double_value", ctypes.c_double), ("boolean", ctypes.c_int32),
                    ("string", ctypes.c_char_p), ("date", ctypes.c_double),
                    ("object", ctypes.c_void_p)]
    _fields_ = [("type", ctypes.c_int32), ("value", Value)]


class Error(ctypes.Structure):
    _fields_ = [("number", ctypes.c_int32), ("description", ctypes.c_char * 512)]


class KorvaxError(Exception):
    pass


lib = ctypes.CDLL(os.environ.get("KORVAX_LIBRARY", "libkorvax.so.1"))
for name in ("korvax_create", "korvax_open_workspace", "korvax_open_database",
             "korvax_open_recordset", "korvax_open_document"):
    getattr(lib, name).restype = ctypes.c_void_p
lib.korvax_create.argtypes = [ctypes.c_char_p, ctypes.POINTER(Error)]
lib.korvax_open_workspace.argtypes = [ctypes.POINTER(Error)]
lib.korvax_open_database.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Error)]
lib.korvax_open_recordset.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Error)]
lib.korvax_open_document.argtypes = [ctypes.c_char_p, ctypes.POINTER(Error)]
lib.korvax_put.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Variant),
                           ctypes.POINTER(Error)]
lib.korvax_call.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Variant),
                            ctypes.c_int32, ctypes.POINTER(Variant), ctypes.POINTER(Error)]
lib.korvax_save_document.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Error)]
lib.korvax_set_ui.argtypes = [ctypes.c_int32, ctypes.POINTER(Error)]
lib.korvax_set_ui_script.argtypes = [ctypes.c_char_p, ctypes.POINTER(Error)]
lib.korvax_ui_script_result.argtypes = [ctypes.POINTER(Error)]
lib.korvax_release.argtypes = [ctypes.c_void_p]
lib.korvax_error_log_path.restype = ctypes.c_char_p


def call(function, *args):
    err = Error()
    result = function(*args, ctypes.byref(err))
    if function.restype == ctypes.c_void_p:
        if result is None:
            raise KorvaxError(f"Fehler {err.number}: {err.description.decode()}")
    elif result != 0:
        raise KorvaxError(f"Fehler {err.number}: {err.description.decode()}")
    return result


def variant(value):
    v = Variant()
    if isinstance(value, str):
        v.type, v.value.string = STRING, value.encode()
    elif isinstance(value, tuple):  # (INTEGER, n) for a 16-bit integer
        v.type, v.value.integer = value
    elif isinstance(value, int):
        v.type, v.value.long_value = LONG, value
    else:  # an object handle
        v.type, v.value.object = OBJECT, value.value
    return v


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("Aufruf: nr7_host.py BÜRO [SKRIPT]")
    office = sys.argv[1]
    script = sys.argv[2] if len(sys.argv) == 3 else None
    display = any(os.environ.get(n) for n in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"))
    if not display and script is None:
        sys.exit("nr7_host.py: keine Anzeige und kein Skript")
    database_path = os.path.join(office, "office.sqlite")
    invoice_path = os.path.join(office, "Rechnung-2026-0017.docx")

    if display:
        call(lib.korvax_set_ui, UI_QT)
    if script is not None:
        call(lib.korvax_set_ui_script, script.encode())

    workspace = ctypes.c_void_p(call(lib.korvax_open_workspace))
    database = ctypes.c_void_p(call(lib.korvax_open_database, workspace, database_path.encode()))
    invoice = ctypes.c_void_p(call(lib.korvax_open_recordset, database,
                                   b"SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17"))
    document = ctypes.c_void_p(call(lib.korvax_open_document, invoice_path.encode()))

    tarvo = ctypes.c_void_p(call(lib.korvax_create, b"Korvax.Tarvo"))
    for name, value in (("VaroWorkspace", workspace), ("DatenbankPfad", database_path),
                        ("ID_Benutzer", 1), ("Doc", document), ("NeueAbfrage", database),
                        ("Flurstücksnummer", "123/4"), ("AnzahlGrenzpunkte", (INTEGER, 4)),
                        ("Bodenwert", "45")):
        v = variant(value)
        call(lib.korvax_put, tarvo, name.encode(), ctypes.byref(v))
    args = (Variant * 3)(variant((INTEGER, 3)), variant(invoice), variant(0))
    call(lib.korvax_call, tarvo, b"Show", args, 3, None)  # Index 3: Nr. 7
    if script is not None:
        call(lib.korvax_ui_script_result)

    call(lib.korvax_save_document, document, None)
    print(f"Rechnung gespeichert: {invoice_path}")
    print(f"Fehlerprotokoll: {lib.korvax_error_log_path().decode()}")
    for handle in (tarvo, document, invoice, database, workspace):
        lib.korvax_release(handle)


if __name__ == "__main__":
    try:
        main()
    except KorvaxError as e:
        sys.exit(f"nr7_host.py: {e}")
