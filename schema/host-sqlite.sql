-- The host database's tables that Korvax reads and writes, for SQLite (the
-- embedded default: one workstation). docs/host-database.md says what each
-- column means; host-postgresql.sql is the same for an office's server.
-- Names are quoted as they are spelt; Korvax finds them in any case.

-- Billing settings, one row per user.
CREATE TABLE "TempDoc" (
  "ID_Benutzer" INTEGER PRIMARY KEY,
  "ID_Auftragsnummer" INTEGER,
  "MeßtruppZusammenfassen" BOOLEAN,
  "ID_Lieferschein" INTEGER,
  "AbschlagAbsolut" REAL,           -- down payment in euros
  "AbschlagProzent" INTEGER,        -- down payment in percent; 100: the whole amount
  "Zahlungsziel" BOOLEAN,           -- write the payment due note
  "Mehrwertsteuersatz" INTEGER,     -- default VAT rate in tenths of a percent (190)
  "Preisgruppe1" INTEGER,
  "Preisgruppe2" INTEGER,
  "Preisgruppe3" INTEGER,
  "Preisgruppe4" INTEGER,
  "Mehrwertsteuer" INTEGER,
  "MwStErmäßigt" INTEGER,
  "Rabatt" INTEGER
);

-- Invoices; the totals are written here, amounts in cents.
CREATE TABLE "Rechnung" (
  "ID_Rechnungsnummer" INTEGER PRIMARY KEY,
  "ID_Auftragsnummer" INTEGER,
  "Rechnungsnummer" TEXT,
  "Rechnungsart" INTEGER,           -- 4 final invoice, 5 down payment invoice, 7 credit note
  "NettoRechnung" REAL,
  "Brutto" REAL,
  "MehrwertsteuerFreierbetrag" REAL,
  "Mehrwertsteuersatz" INTEGER      -- tenths of a percent
);
CREATE INDEX "Rechnung_Auftrag" ON "Rechnung" ("ID_Auftragsnummer", "Rechnungsart");

-- Dates of an invoice; kind 8 is the invoice date.
CREATE TABLE "Termine" (
  "ID_Termin" INTEGER PRIMARY KEY,
  "ID_Terminart" INTEGER,
  "ID_Rechnungsnummer" INTEGER,
  "Datum" DATE
);
CREATE INDEX "Termine_Rechnung" ON "Termine" ("ID_Rechnungsnummer", "ID_Terminart");

-- The payment due note: its template and place; Korvax reads the first row.
CREATE TABLE "Version" (
  "Zahlungsziel" TEXT,              -- "... bis zum <14> ...": 14 days after the invoice date
  "AbstandZahlungsziel" REAL,       -- centimetres from the top of the page
  "BundZahlungsziel" INTEGER        -- 0 left, 1 centred, else right-aligned
);

-- Master data for e-invoices (the office, its clients, which client an order is
-- for): master-data.sql, the same for both back ends.
