CREATE TABLE TempDoc (ID_Benutzer INTEGER, ID_Auftragsnummer INTEGER,
  MeßtruppZusammenfassen BOOLEAN, ID_Lieferschein INTEGER, AbschlagAbsolut REAL,
  AbschlagProzent INTEGER, Zahlungsziel BOOLEAN, Mehrwertsteuersatz INTEGER,
  Preisgruppe1 INTEGER, Preisgruppe2 INTEGER, Preisgruppe3 INTEGER, Preisgruppe4 INTEGER,
  Mehrwertsteuer INTEGER, MwStErmäßigt INTEGER, Rabatt INTEGER);
INSERT INTO TempDoc VALUES (7, 4711, 1, 12, 0, 100, 1, 190, 1, 2, 3, 4, 190, 70, 5);
CREATE TABLE Rechnung (ID_Rechnungsnummer INTEGER PRIMARY KEY, ID_Auftragsnummer INTEGER,
  Rechnungsnummer TEXT, Rechnungsart INTEGER, NettoRechnung REAL, Brutto REAL,
  MehrwertsteuerFreierbetrag REAL, Mehrwertsteuersatz INTEGER);
INSERT INTO Rechnung VALUES (17, 4711, '2026-0017', 1, 0, 0, 0, 190);
