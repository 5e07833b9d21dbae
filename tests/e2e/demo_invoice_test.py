#!/usr/bin/python3
"""End to end: a demo office bills one order through all four fee dialogs with the korvax command,
and the invoice is checked with python-docx, LibreOffice's text output and SQL.

Usage: demo_invoice_test.py KORVAX_COMMAND
"""
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest

import docx
from lxml import etree

KORVAX = os.path.abspath(sys.argv.pop(1))
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCRIPTS = os.path.join(ROOT, "tools", "demo-scripts")
VALIDATE = os.path.join(ROOT, "..", "shared", "einvoice", "validate")
RULES_CACHE = os.path.join(os.path.dirname(KORVAX), "..", "..", "einvoice-rules")
CII = {"ram": "urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100"}


class DemoInvoice(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.office = tempfile.mkdtemp(prefix="korvax-e2e-")
        os.environ["KORVAX_LOG_DIR"] = cls.office
        subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tools", "make_demo_office.py"),
                        cls.office], check=True, capture_output=True)
        cls.db = os.path.join(cls.office, "office.sqlite")
        cls.invoice = os.path.join(cls.office, "Rechnung-2026-0017.docx")
        for index, script in ((3, "nr7.json"), (1, "nr3.json"), (2, "nr45.json"), (0, "nr2.json")):
            cls.show(index, script)
        cls.first = cls.cells()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.office)

    @classmethod
    def show(cls, index, script):
        run = subprocess.run(
            [KORVAX, "show", "--db", cls.db, "--doc", cls.invoice, "--user", "1", "--index",
             str(index), "--invoice", "17", "--set", "Flurstücksnummer=123/4",
             "--set", "AnzahlGrenzpunkte=4", "--set", "Bodenwert=45", "--set", "Fläche=450",
             "--set", "Baukosten=250000", "--set", "Achslänge=150",
             "--script", os.path.join(SCRIPTS, script)],
            capture_output=True, text=True)
        if run.returncode != 0:
            raise AssertionError(f"korvax show {script}: {run.returncode}\n{run.stdout}{run.stderr}")

    @classmethod
    def cells(cls):
        d = docx.Document(cls.invoice)
        return [[[c.text for c in row.cells] for row in t.rows] for t in d.tables]

    def table_starting(self, text):
        for table in self.first:
            if table[0][0].startswith(text):
                return table
        self.fail(f"no table starts with {text!r}")

    def test_every_category_has_its_table_in_billing_order(self):
        heads = [t[0][0] for t in self.first]
        self.assertEqual(heads[:5], ["Grenzfeststellung nach", "Grundlagenvermessung nach Nr. 7.4",
                                     "Gebäudeaufnahme nach Nr. 3.1", "Vermessung nach Nr. 5",
                                     "Flurstückszerlegung nach Nr. 2.1"])
        self.assertEqual(len(self.first), 6)  # and the totals block

    def test_fees_of_the_lines(self):
        self.assertEqual(self.table_starting("Grenzfeststellung")[1][4].strip(), "429,52 €")
        self.assertIn("Ihr Anteil  500/1000", self.table_starting("Grenzfeststellung")[2][0])
        self.assertEqual(self.table_starting("Grundlagenvermessung")[1][4].strip(), "204,52 €")
        self.assertEqual(self.table_starting("Gebäudeaufnahme")[1][4].strip(), "434,60")
        nr5 = self.table_starting("Vermessung nach Nr. 5")
        self.assertEqual(nr5[1][4].strip(), "2819,25 €")
        self.assertTrue(nr5[2][0].startswith("Davon 40 m innerhalb geschlossener Ortslage"))
        self.assertEqual(nr5[2][4].strip(), "150,40 €")
        nr2 = self.table_starting("Flurstückszerlegung")
        self.assertEqual([r[4].strip() for r in nr2[1:]], ["858,97", "429,49"])

    def test_totals_block_and_final_invoice(self):
        totals = self.first[-1]
        text = ["|".join(c.strip() for c in row) for row in totals]
        self.assertIn("|Summe||5.409,59 €", text)
        self.assertIn("|Mehrwertsteuer 19 %|5.409,59 €|1.027,82 €", text)
        self.assertIn("|Zwischensumme||6.437,41 €", text)
        self.assertIn("Rechnung Nr. 2026-0009 vom 15.09.2026|1.000,00 €|190,00 €|1.190,00 €", text)
        self.assertIn("verbl. Restbetrag|4.409,59 €|837,82 €|5.247,41 €", text)

    def test_placeholders_in_the_letter(self):
        letter = "\n".join(p.text for p in docx.Document(self.invoice).paragraphs)
        # The placeholders carry the whole invoice; the remainder after the down
        # payment stands in the totals block below.
        self.assertIn("den Rechnungsbetrag   6.437,41 €  einschließlich", letter)
        self.assertIn("dem Nettobetrag   5.409,59 €  und der Umsatzsteuer   1.027,82 €", letter)
        self.assertIn("Auslagen       0,00 €  sind", letter)
        self.assertIn("brutto   6.437,41 €  insgesamt", letter)

    def test_invoice_record_holds_the_remaining_amounts(self):
        con = sqlite3.connect(self.db)
        row = con.execute("SELECT NettoRechnung, Brutto, Mehrwertsteuersatz FROM Rechnung "
                          "WHERE ID_Rechnungsnummer = 17").fetchone()
        con.close()
        self.assertAlmostEqual(row[0], 440959, places=3)
        self.assertAlmostEqual(row[1], 524741, places=3)
        self.assertEqual(row[2], 190)

    def test_libreoffice_renders_the_invoice(self):
        if shutil.which("soffice") is None:
            self.skipTest("LibreOffice is not installed")
        out = tempfile.mkdtemp(prefix="korvax-e2e-txt-")
        try:
            subprocess.run(["soffice", f"-env:UserInstallation=file://{out}/profile", "--headless",
                            "--convert-to", "txt:Text", "--outdir", out, self.invoice],
                           check=True, capture_output=True, timeout=180)
            with open(os.path.join(out, "Rechnung-2026-0017.txt"), encoding="utf-8-sig") as f:
                text = f.read()
        finally:
            shutil.rmtree(out)
        for expected in ("Grenzfeststellung nach", "Flurstückszerlegung nach Nr. 2.1",
                         "5.409,59 €", "verbl. Restbetrag", "5.247,41 €"):
            self.assertIn(expected, text)

    def einvoice(self, kind):
        run = subprocess.run([KORVAX, "einvoice", "--db", self.db, "--doc", self.invoice,
                              "--invoice", "17", "--format", kind], capture_output=True, text=True)
        if run.returncode != 0:
            raise AssertionError(f"korvax einvoice {kind}: {run.returncode}\n{run.stderr}")
        return run.stdout.strip()

    def assert_valid(self, xml, *options):
        run = subprocess.run([VALIDATE, xml, *options], capture_output=True, text=True,
                             env={**os.environ, "XDG_CACHE_HOME": RULES_CACHE})
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)

    def assert_totals(self, xml):
        sums = etree.parse(xml).find(".//ram:SpecifiedTradeSettlementHeaderMonetarySummation", CII)
        amounts = {e.tag.split("}")[1]: e.text for e in sums}
        # The Zwischensumme, the down payment and the remainder of the totals block.
        self.assertEqual(amounts["GrandTotalAmount"], "6437.41")
        self.assertEqual(amounts["TotalPrepaidAmount"], "1190.00")
        self.assertEqual(amounts["DuePayableAmount"], "5247.41")

    def test_einvoices_pass_the_official_rules_and_state_the_totals(self):
        if shutil.which("soffice") is None or not os.path.exists(VALIDATE):
            self.skipTest("LibreOffice or ../shared/einvoice/validate missing")
        xml = self.einvoice("xrechnung")
        self.assert_valid(xml)
        self.assert_totals(xml)
        attached = etree.parse(xml).find(".//ram:AttachmentBinaryObject", CII)
        self.assertEqual(attached.get("filename"), "Rechnung-2026-0017.pdf")

        pdf = self.einvoice("zugferd")
        meta = subprocess.run(["pdfinfo", "-meta", pdf], capture_output=True, text=True).stdout
        self.assertIn("<pdfaid:part>3</pdfaid:part>", meta)
        self.assertIn("<fx:ConformanceLevel>EN 16931</fx:ConformanceLevel>", meta)
        embedded = os.path.join(self.office, "factur-x.xml")
        with open(embedded, "wb") as f:
            f.write(subprocess.run(["qpdf", "--show-attachment=factur-x.xml", pdf],
                                   capture_output=True, check=True).stdout)
        self.assert_valid(embedded, "--en16931-only")
        self.assert_totals(embedded)

    def test_pdf_keeps_amounts_whole_and_the_due_note_above_the_footer(self):
        if shutil.which("soffice") is None:
            self.skipTest("LibreOffice is not installed")
        out = tempfile.mkdtemp(prefix="korvax-e2e-pdf-")
        try:
            run = subprocess.run([KORVAX, "pdf", self.invoice, "--out-dir", out],
                                 capture_output=True, text=True, timeout=300)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual(run.stderr, "")  # nothing of LibreOffice's own output
            pdf = os.path.join(out, "Rechnung-2026-0017.pdf")
            layout = subprocess.run(["pdftotext", "-layout", pdf, "-"], check=True,
                                    capture_output=True, text=True).stdout
            boxes = subprocess.run(["pdftotext", "-bbox", pdf, "-"], check=True,
                                   capture_output=True, text=True).stdout
        finally:
            shutil.rmtree(out)
        # Every amount of the letter and its tables stands on one line with its "€".
        words = [p.text for p in docx.Document(self.invoice).paragraphs]
        words += [cell for table in self.cells() for row in table for cell in row]
        amounts = set(re.findall(r"(\d{1,3}(?:\.\d{3})*,\d{2}) *€", " ".join(words)))
        self.assertGreater(len(amounts), 10)
        for amount in amounts:
            self.assertRegex(layout, re.escape(amount) + r" *€", amount)
        self.assertFalse([line for line in layout.splitlines() if line.strip() == "€"])
        # A4, and the due note (26 cm from the top) ends above the footer's first line.
        pages = re.findall(r'<page width="([\d.]+)" height="([\d.]+)">(.*?)</page>', boxes, re.S)
        self.assertEqual({(round(float(w)), round(float(h))) for w, h, _ in pages}, {(595, 842)})
        last = pages[-1][2]

        def top_and_bottom(first_word):
            y = [(float(a), float(b)) for a, b in re.findall(
                r'yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">' + first_word + "<", last)]
            self.assertTrue(y, first_word)
            return y[0]

        note_top, note_bottom = top_and_bottom("Bitte")
        footer_top, _ = top_and_bottom("Sparkasse")
        self.assertAlmostEqual(note_top, 26.0 / 2.54 * 72, delta=12)
        self.assertLess(note_bottom, footer_top)

    def test_zz_reopening_every_table_reads_back_what_was_written(self):
        for index, script in ((3, "reopen-nr7.json"), (1, "reopen-nr3.json"),
                              (2, "reopen-nr45.json"), (0, "reopen-nr2.json")):
            self.show(index, script)
        again = self.cells()
        # Nr. 3 writes a fee of 1.000 € and more with its thousands point when it is
        # written back from the grid; every other cell stays as it was.
        self.assertEqual(again, self.first)


if __name__ == "__main__":
    unittest.main()
