#!/usr/bin/python3
"""Prints what the demo billed: the totals stored in the invoice record, the totals block and the
payment due note of the invoice document.

    demo_summary.py DATABASE INVOICE.docx

DATABASE is the office's SQLite file or a PostgreSQL connection string (read through psql).
"""
import sqlite3
import subprocess
import sys
import zipfile

import docx
from lxml import etree

W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"


def euro(cents):
    text = f"{cents / 100:,.2f}"
    return text.replace(",", "X").replace(".", ",").replace("X", ".") + " €"


def main():
    db, invoice = sys.argv[1], sys.argv[2]
    query = ('SELECT "NettoRechnung", "Brutto", "MehrwertsteuerFreierbetrag", "Mehrwertsteuersatz" '
             'FROM "Rechnung" WHERE "ID_Rechnungsnummer" = 17')
    if "=" in db or db.startswith("postgres"):
        out = subprocess.run(["psql", "-X", "-A", "-t", "-F", "|", "-d", db, "-c", query],
                             capture_output=True, text=True, check=True).stdout
        net, gross, free, rate = (float(v) for v in out.strip().split("|"))
    else:
        net, gross, free, rate = sqlite3.connect(db).execute(query).fetchone()
    print("  Rechnungsdatensatz 2026-0017 (verbleibend nach der Abschlagszahlung):")
    print(f"    netto {euro(net)}, Umsatzsteuer {euro(gross - net - free)} ({rate / 10:g} %), "
          f"brutto {euro(gross)}")

    d = docx.Document(invoice)
    print(f"  {len(d.tables)} Tabellen in der Rechnung; Summenblock:")
    for table in d.tables:
        if len(table.columns) == 4 and table.cell(0, 1).text.strip() == "Summe":
            for row in table.rows:
                cells = [c.text.strip() for c in row.cells]
                if any(cells):
                    print("    " + " | ".join(c for c in cells if c))
    with zipfile.ZipFile(invoice) as z:
        body = etree.fromstring(z.read("word/document.xml"))
    for box in body.iter(f"{{{W}}}txbxContent"):
        text = "".join(t.text or "" for t in box.iter(f"{{{W}}}t"))
        print(f"  Zahlungsziel: {text}")
        break


if __name__ == "__main__":
    main()
