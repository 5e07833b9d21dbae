#!/usr/bin/python3
"""A host written in Python: loads libkorvax through ctypes and drives Tarvo.

Usage: abi_test.py LIBKORVAX LOGDIR OFFICE_SQL
"""
import ctypes
import os
import sqlite3
import sys
import tempfile
import unittest

LIB = sys.argv.pop(1)
LOGDIR = sys.argv.pop(1)
OFFICE_SQL = sys.argv.pop(1)


class Variant(ctypes.Structure):
    class Value(ctypes.Union):
        _fields_ = [("integer", ctypes.c_int16), ("long_value", ctypes.c_int32),
                    ("double_value", ctypes.c_double), ("boolean", ctypes.c_int32),
                    ("string", ctypes.c_char_p), ("date", ctypes.c_double),
                    ("object", ctypes.c_void_p)]
    _fields_ = [("type", ctypes.c_int32), ("value", Value)]


class Error(ctypes.Structure):
    _fields_ = [("number", ctypes.c_int32), ("description", ctypes.c_char * 512)]


EMPTY, NULL, INTEGER, LONG, DOUBLE, BOOLEAN, STRING, DATE, OBJECT = range(9)


def make(kind, **value):
    v = Variant()
    v.type = kind
    for k, x in value.items():
        setattr(v.value, k, x)
    return v


class Korvax:
    def __init__(self):
        os.environ["KORVAX_LOG_DIR"] = LOGDIR
        self.lib = lib = ctypes.CDLL(LIB)
        lib.korvax_create.restype = ctypes.c_void_p
        lib.korvax_create.argtypes = [ctypes.c_char_p, ctypes.POINTER(Error)]
        lib.korvax_open_workspace.restype = ctypes.c_void_p
        lib.korvax_open_database.restype = ctypes.c_void_p
        lib.korvax_open_database.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Error)]
        lib.korvax_put.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Variant),
                                   ctypes.POINTER(Error)]
        lib.korvax_get.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Variant),
                                   ctypes.POINTER(Error)]
        lib.korvax_call.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(Variant),
                                    ctypes.c_int32, ctypes.POINTER(Variant), ctypes.POINTER(Error)]
        lib.korvax_billing_setting.argtypes = [ctypes.c_char_p, ctypes.POINTER(Variant),
                                               ctypes.POINTER(Error)]
        lib.korvax_release.argtypes = [ctypes.c_void_p]
        lib.korvax_variant_clear.argtypes = [ctypes.POINTER(Variant)]
        lib.korvax_error_log_path.restype = ctypes.c_char_p


class CAbiFromPython(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.k = Korvax()
        cls.dir = tempfile.mkdtemp()
        cls.db = os.path.join(cls.dir, "office.sqlite")
        con = sqlite3.connect(cls.db)
        with open(OFFICE_SQL, encoding="utf-8") as sql:
            con.executescript(sql.read())
        # A user whose settings are stored the way older hosts left them.
        con.execute("INSERT INTO TempDoc VALUES "
                    "(-5, 4711, 0, NULL, '', 30, NULL, 165, 1, 2, 3, 4, 190, 70, 0)")
        con.commit()
        con.close()

    def setUp(self):
        self.err = Error()
        self.tarvo = self.k.lib.korvax_create(b"Korvax.Tarvo", ctypes.byref(self.err))
        self.assertTrue(self.tarvo)

    def tearDown(self):
        self.k.lib.korvax_release(self.tarvo)

    def put(self, name, value):
        return self.k.lib.korvax_put(self.tarvo, name.encode(), ctypes.byref(value),
                                     ctypes.byref(self.err))

    def get(self, name):
        v = Variant()
        rc = self.k.lib.korvax_get(self.tarvo, name.encode(), ctypes.byref(v), ctypes.byref(self.err))
        self.assertEqual(rc, 0, self.err.description.decode())
        return v

    def setting(self, name):
        v = Variant()
        self.assertEqual(self.k.lib.korvax_billing_setting(name.encode(), ctypes.byref(v),
                                                           ctypes.byref(self.err)), 0)
        return v

    def test_show_reads_the_settings_of_a_negative_user_id(self):
        ws = self.k.lib.korvax_open_workspace(ctypes.byref(self.err))
        self.assertEqual(self.put("VaroWorkspace", make(OBJECT, object=ws)), 0)
        self.assertEqual(self.put("DatenbankPfad", make(STRING, string=self.db.encode())), 0)
        self.assertEqual(self.put("ID_Benutzer", make(STRING, string=b"-5")), 0)
        args = (Variant * 3)(make(INTEGER, integer=-1), make(EMPTY), make(LONG, long_value=0))
        rc = self.k.lib.korvax_call(self.tarvo, b"Show", args, 3, None, ctypes.byref(self.err))
        self.assertEqual(rc, 0)
        self.assertEqual(self.setting("Mehrwertsteuersatz").value.integer, 16)  # 16.5 to even
        self.assertEqual(self.setting("AbschlagProzent").value.integer, 30)
        self.assertEqual(self.setting("AbschlagAbsolut").value.double_value, 0.0)
        self.assertEqual(self.setting("Zahlungsziel").value.boolean, 0)
        self.k.lib.korvax_release(ws)

    def test_property_types_and_conversions(self):
        self.assertEqual(self.put("Fläche", make(STRING, string="12,5".encode())), 0)
        v = self.get("Fläche")
        self.assertEqual((v.type, v.value.double_value), (DOUBLE, 12.5))
        self.assertEqual(self.put("Achslänge", make(DOUBLE, double_value=3.5)), 0)
        v = self.get("Achslänge")
        self.assertEqual((v.type, v.value.integer), (INTEGER, 4))
        self.assertEqual(self.put("Fläche", make(STRING, string="zwölf".encode())), 13)
        self.assertEqual(self.err.description.decode(), "Typen unverträglich")
        self.assertEqual(self.get("Fläche").value.double_value, 12.5)
        v = self.get("Flurstücksnummer")
        self.assertEqual(v.type, STRING)
        self.k.lib.korvax_variant_clear(ctypes.byref(v))

    def test_log_is_beside_the_library_unless_redirected(self):
        self.assertEqual(self.k.lib.korvax_error_log_path().decode(),
                         os.path.join(LOGDIR, "Verw.log"))


if __name__ == "__main__":
    unittest.main()
