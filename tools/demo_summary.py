#!/usr/bin/python3
"""Prints what the demo billed: the totals stored in the invoice record, the totals block and the
payment due note of the invoice document.

    demo_summary.py OFFICE.sqlite INVOICE.docx
"""
import sqlite3
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
    con = sqlite3.connect(db)
    net, gross, free, rate = con.execute(
        "SELECT NettoRechnung, Brutto, MehrwertsteuerFreierbetrag, Mehrwertsteuersatz "
        "FROM Rechnung WHERE ID_Rechnungsnummer = 17").fetchone()
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
