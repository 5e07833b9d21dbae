// The master data of an e-invoice from the host tables Büro (the office that
// bills), Kunde (the client) and Auftrag (which client an order is for);
// their columns: schema/master-data.sql.
#pragma once

#include <string>
#include <vector>

#include "einvoice/invoice.hpp"

namespace korvax::dao {
class Database;
}

namespace korvax::einvoice {

struct MasterData {
  Party seller;
  Party buyer;
  std::string buyer_reference;  // Kunde.Käuferreferenz: the Leitweg-ID of a public body
  std::string iban;
  std::string bic;
  // "Büro.IBAN", "Kunde.PLZ", ...: every field the format needs that is empty.
  std::vector<std::string> missing;
};

// Reads the office and the client of the order; a missing table or row
// counts every field of it as missing.
MasterData ReadMasterData(dao::Database& database, int32_t order, Format format);

}  // namespace korvax::einvoice
