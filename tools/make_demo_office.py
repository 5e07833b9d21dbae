#!/usr/bin/python3
"""Creates the demo office: a host database and an invoice made from a letter template.

    make_demo_office.py DIR [--postgres CONNECTION]

DIR/office.sqlite   TempDoc, Rechnung, Termine and Version (schema/host-sqlite.sql) with
                    plausible rows: user 1 bills order 4711; invoice 16 is a down payment (kind 5)
                    already paid, invoice 17 the final invoice (kind 4) that the demo bills. The
                    e-invoice master data (schema/master-data.sql): the office, and the client of
                    order 4711, a municipality with its Leitweg-ID.
                    With --postgres the same tables (schema/host-postgresql.sql) and rows go
                    into that PostgreSQL database instead, through psql.
DIR/Rechnung-2026-0017.docx
                    the final invoice: letterhead with logo, address block, and the amount
                    placeholders as Word comments (varoGesamt, varoNetto, varoMwSt, varoBrutto,
                    varoAuslagen).
"""
import datetime
import io
import os
import sqlite3
import struct
import subprocess
import sys
import zipfile
import zlib

import docx
from docx.enum.text import WD_ALIGN_PARAGRAPH
from docx.shared import Cm, Pt, RGBColor
from lxml import etree

W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
PLACEHOLDER = "\u2063"  # marks where a comment goes; removed when the comment is added


def logo_png(width=240, height=72):
    """A surveyor's target mark and a bar, drawn pixel by pixel (no imaging library needed)."""
    rows = []
    cx, cy, r = 36, 36, 30
    for y in range(height):
        row = bytearray([0])
        for x in range(width):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            ring = (r - 4) ** 2 <= d2 <= r ** 2 or d2 <= 36
            cross = (abs(x - cx) <= 1 or abs(y - cy) <= 1) and d2 <= r ** 2
            quarter = d2 <= (r - 4) ** 2 and ((x < cx) == (y < cy)) and d2 > 36
            bar = 80 <= x <= 230 and 30 <= y <= 42
            if ring or cross:
                row += bytes((20, 60, 120))
            elif quarter:
                row += bytes((200, 40, 40))
            elif bar:
                row += bytes((20, 60, 120))
            else:
                row += bytes((255, 255, 255))
        rows.append(bytes(row))
    raw = b"".join(rows)

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def letter(path):
    d = docx.Document()
    style = d.styles["Normal"]
    style.font.name = "Arial"
    style.font.size = Pt(10)
    section = d.sections[0]
    # A4, as offices in Germany print; python-docx's template is US Letter, on
    # which the due note's 26 cm from the top would sit on the footer.
    section.page_width = Cm(21.0)
    section.page_height = Cm(29.7)
    section.left_margin = Cm(2.5)
    section.right_margin = Cm(2.0)
    section.top_margin = Cm(3.5)

    head = section.header.paragraphs[0]
    head.add_run().add_picture(io.BytesIO(logo_png()), width=Cm(4.0))
    run = head.add_run("\tVermessungsbüro Dipl.-Ing. Anna Beispiel")
    run.bold = True
    run.font.size = Pt(12)
    run.font.color.rgb = RGBColor(20, 60, 120)
    sub = section.header.add_paragraph("Öffentlich bestellte Vermessungsingenieurin · Marktplatz 3 · "
                                       "12345 Musterstadt · Telefon 01234 5678-0")
    sub.runs[0].font.size = Pt(8)
    foot = section.footer.paragraphs[0]
    foot.text = ("Sparkasse Musterstadt · IBAN DE40 1234 5678 0000 1234 56 · "
                 "USt-IdNr. DE123456789 · Steuernummer 12/345/67890")
    foot.runs[0].font.size = Pt(7)
    foot.alignment = WD_ALIGN_PARAGRAPH.CENTER

    small = d.add_paragraph("Vermessungsbüro Beispiel · Marktplatz 3 · 12345 Musterstadt")
    small.runs[0].font.size = Pt(7)
    small.runs[0].underline = True
    for line in ("Familie Erika und Max Mustermann", "Gartenweg 7", "12345 Musterstadt"):
        d.add_paragraph(line).paragraph_format.space_after = Pt(0)
    d.add_paragraph()
    date = d.add_paragraph("Musterstadt, 01.12.2026")
    date.alignment = WD_ALIGN_PARAGRAPH.RIGHT
    title = d.add_paragraph()
    t = title.add_run("Schlussrechnung Nr. 2026-0017")
    t.bold = True
    t.font.size = Pt(12)
    d.add_paragraph("Auftrag 4711: Teilung und Grenzfeststellung, Flurstück 123/4, "
                    "Gemarkung Musterstadt, Flur 5")
    d.add_paragraph("Sehr geehrte Frau Mustermann, sehr geehrter Herr Mustermann,")
    p = d.add_paragraph("für die in Ihrem Auftrag ausgeführten Vermessungsarbeiten berechnen wir "
                        "nach der Gebührenordnung für das amtliche Vermessungswesen ")
    # Each placeholder comment is anchored on the run just before it; the amount follows it.
    for anchor, name, after in (
            ("den Rechnungsbetrag", "varoGesamt", "einschließlich Umsatzsteuer. Er setzt sich aus "),
            ("dem Nettobetrag", "varoNetto", "und "),
            ("der Umsatzsteuer", "varoMwSt", "zusammen; umsatzsteuerfreie "),
            ("Auslagen", "varoAuslagen", "sind darin enthalten, "),
            ("brutto", "varoBrutto", "insgesamt. Die Abschlagszahlung aus unserer Rechnung "
             "2026-0009 ist unten verrechnet; zu zahlen bleibt der Restbetrag.")):
        p.add_run(anchor)
        p.add_run(PLACEHOLDER + name + PLACEHOLDER)
        p.add_run(" " + after if not after.startswith(" ") else after)
    d.add_paragraph("Die Leistungen im Einzelnen:")
    d.save(path)


def add_comments(path):
    """Turns each marked placeholder into a Word comment anchored on a word before it."""
    with zipfile.ZipFile(path) as z:
        parts = {n: z.read(n) for n in z.namelist()}
    body = etree.fromstring(parts["word/document.xml"])
    comments = etree.Element(f"{{{W}}}comments", nsmap={"w": W})
    next_id = 0
    for run in list(body.iter(f"{{{W}}}r")):
        t = run.find(f"{{{W}}}t")
        if t is None or t.text is None or not t.text.startswith(PLACEHOLDER):
            continue
        name = t.text.strip(PLACEHOLDER)
        cid = str(next_id)
        next_id += 1
        parent = run.getparent()
        at = parent.index(run)
        parent.remove(run)
        start = etree.Element(f"{{{W}}}commentRangeStart")
        start.set(f"{{{W}}}id", cid)
        end = etree.Element(f"{{{W}}}commentRangeEnd")
        end.set(f"{{{W}}}id", cid)
        ref_run = etree.Element(f"{{{W}}}r")
        ref = etree.SubElement(ref_run, f"{{{W}}}commentReference")
        ref.set(f"{{{W}}}id", cid)
        # The anchor is the run before the placeholder; the amount is written behind it.
        parent.insert(at - 1, start)
        parent.insert(at + 1, end)
        parent.insert(at + 2, ref_run)
        c = etree.SubElement(comments, f"{{{W}}}comment")
        c.set(f"{{{W}}}id", cid)
        c.set(f"{{{W}}}author", "Vorlage")
        c.set(f"{{{W}}}initials", "V")
        cp = etree.SubElement(c, f"{{{W}}}p")
        cr = etree.SubElement(cp, f"{{{W}}}r")
        etree.SubElement(cr, f"{{{W}}}t").text = name
    parts["word/document.xml"] = etree.tostring(body, xml_declaration=True, encoding="UTF-8",
                                                standalone=True)
    parts["word/comments.xml"] = etree.tostring(comments, xml_declaration=True, encoding="UTF-8",
                                                standalone=True)
    rels = parts["word/_rels/document.xml.rels"].decode()
    rels = rels.replace("</Relationships>",
                        '<Relationship Id="rIdKommentare" Type="http://schemas.openxmlformats.org/'
                        'officeDocument/2006/relationships/comments" Target="comments.xml"/>'
                        "</Relationships>")
    parts["word/_rels/document.xml.rels"] = rels.encode()
    types = parts["[Content_Types].xml"].decode()
    types = types.replace("</Types>",
                          '<Override PartName="/word/comments.xml" ContentType="application/'
                          'vnd.openxmlformats-officedocument.wordprocessingml.comments+xml"/></Types>')
    parts["[Content_Types].xml"] = types.encode()
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)
    os.replace(tmp, path)


SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "schema")

# The demo office's rows, in SQL that SQLite and PostgreSQL read alike.
ROWS = """
    INSERT INTO "TempDoc" VALUES (1, 4711, FALSE, NULL, 0, 100, TRUE, 190, 1, 1, 1, 1, 190, 70, 0);
    -- amounts in cents; 16 is the down payment of 1.000,00 € net, already paid
    INSERT INTO "Rechnung" VALUES (16, 4711, '2026-0009', 5, 100000, 119000, 0, 190);
    INSERT INTO "Rechnung" VALUES (17, 4711, '2026-0017', 4, 0, 0, 0, 190);
    INSERT INTO "Termine" ("ID_Terminart", "ID_Rechnungsnummer", "Datum") VALUES (8, 16, '2026-09-15');
    INSERT INTO "Termine" ("ID_Terminart", "ID_Rechnungsnummer", "Datum") VALUES (8, 17, '2026-12-01');
    INSERT INTO "Version" VALUES ('Bitte zahlen Sie den Rechnungsbetrag bis zum <14> ohne Abzug.',
                                  26.0, 0);
    -- the e-invoice master data: the office, and the client of order 4711, a municipality
    INSERT INTO "Büro" VALUES (1, 'Vermessungsbüro Dipl.-Ing. Anna Beispiel', 'Marktplatz 3',
      '12345', 'Musterstadt', 'DE', 'DE123456789', '12/345/67890', 'Anna Beispiel',
      '01234 5678-0', 'rechnung@vermessung-beispiel.de', 'DE40 1234 5678 0000 1234 56',
      NULL, 'rechnung@vermessung-beispiel.de', 'EM');
    INSERT INTO "Kunde" VALUES (1, 'Gemeinde Musterstadt, Bauamt', 'Rathausplatz 1', '12345',
      'Musterstadt', 'DE', NULL, '05315000-4711-12', 'rechnungseingang@musterstadt.de', 'EM');
    INSERT INTO "Auftrag" VALUES (4711, 1);
"""


def schema(name):
    with open(os.path.join(SCHEMA, name), encoding="utf-8") as f:
        return f.read()


def database(path):
    con = sqlite3.connect(path)
    con.executescript(schema("host-sqlite.sql") + schema("master-data.sql") + ROWS)
    con.commit()
    con.close()


def server_database(connection):
    subprocess.run(["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-d", connection],
                   input=schema("host-postgresql.sql") + schema("master-data.sql") + ROWS, text=True, check=True)


def main():
    if len(sys.argv) not in (2, 4) or (len(sys.argv) == 4 and sys.argv[2] != "--postgres"):
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    if len(sys.argv) == 4:
        db = "PostgreSQL"
        server_database(sys.argv[3])
    else:
        db = os.path.join(folder, "office.sqlite")
        if os.path.exists(db):
            os.remove(db)
        database(db)
    invoice = os.path.join(folder, "Rechnung-2026-0017.docx")
    letter(invoice)
    add_comments(invoice)
    print(f"Demo-Büro angelegt: {db}, {invoice}")


if __name__ == "__main__":
    main()
