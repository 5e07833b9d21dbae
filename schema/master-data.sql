-- The host tables of the e-invoice master data, in SQL that SQLite and PostgreSQL
-- read alike; applied after host-sqlite.sql or host-postgresql.sql.
-- Column comments name the EN 16931 business term each one fills.

-- The office that bills: one row, the seller of every e-invoice.
CREATE TABLE "Büro" (
  "ID_Büro" INTEGER PRIMARY KEY,
  "Name" VARCHAR(200),                       -- BT-27 seller name
  "Straße" VARCHAR(200),                     -- BT-35 street and house number
  "PLZ" VARCHAR(10),                         -- BT-38 post code
  "Ort" VARCHAR(100),                        -- BT-37 city
  "Land" CHAR(2),                            -- BT-40 country, ISO 3166-1 (DE)
  "UStIdNr" VARCHAR(20),                     -- BT-31 VAT identifier (DE123456789)
  "Steuernummer" VARCHAR(20),                -- BT-32 tax number, where there is no VAT identifier
  "Ansprechpartner" VARCHAR(100),            -- BT-41 contact person
  "Telefon" VARCHAR(50),                     -- BT-42 contact phone
  "EMail" VARCHAR(200),                      -- BT-43 contact e-mail
  "IBAN" VARCHAR(34),                        -- BT-84 account for the transfer
  "BIC" VARCHAR(11),                         -- BT-86 its bank (optional)
  "ElektronischeAdresse" VARCHAR(200),       -- BT-34 electronic address (e-mail or Leitweg-ID)
  "ElektronischeAdresseSchema" VARCHAR(4)    -- its scheme (EAS): EM e-mail (when empty), 0204 Leitweg-ID
);

-- The office's clients: the buyer of an e-invoice.
CREATE TABLE "Kunde" (
  "ID_Kunde" INTEGER PRIMARY KEY,
  "Name" VARCHAR(200),                       -- BT-44 buyer name
  "Straße" VARCHAR(200),                     -- BT-50 street and house number
  "PLZ" VARCHAR(10),                         -- BT-53 post code
  "Ort" VARCHAR(100),                        -- BT-52 city
  "Land" CHAR(2),                            -- BT-55 country, ISO 3166-1 (DE)
  "UStIdNr" VARCHAR(20),                     -- BT-48 VAT identifier (optional)
  "Käuferreferenz" VARCHAR(100),             -- BT-10 buyer reference: a public body's Leitweg-ID
  "ElektronischeAdresse" VARCHAR(200),       -- BT-49 electronic address (e-mail or Leitweg-ID)
  "ElektronischeAdresseSchema" VARCHAR(4)    -- its scheme (EAS): EM e-mail (when empty), 0204 Leitweg-ID
);

-- Which client an order is for (Rechnung.ID_Auftragsnummer).
CREATE TABLE "Auftrag" (
  "ID_Auftragsnummer" INTEGER PRIMARY KEY,
  "ID_Kunde" INTEGER
);
