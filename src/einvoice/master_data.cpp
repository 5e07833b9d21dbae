#include "einvoice/master_data.hpp"

#include <memory>

#include "common/error.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "platform/dao/dao.hpp"

namespace korvax::einvoice {

namespace {

// One row of a master-data table, read field by field: a field that is
// missing, Null or blank is noted as missing when the format needs it.
class Row {
 public:
  Row(std::string table, std::shared_ptr<dao::Recordset> rs, std::vector<std::string>& missing)
      : table_(std::move(table)), rs_(std::move(rs)), missing_(missing) {}

  std::string Optional(std::string_view field) const {
    if (!rs_ || rs_->Eof()) return {};
    try {
      const Variant value = rs_->Field(field)->Value();
      return value.IsNull() ? std::string() : text::Trim(ToText(value));
    } catch (const Error&) {
      return {};
    }
  }

  std::string Needed(std::string_view field, std::string_view what = {}) const {
    std::string value = Optional(field);
    if (value.empty()) {
      missing_.push_back(table_ + "." + std::string(field) +
                         (what.empty() ? "" : " (" + std::string(what) + ")"));
    }
    return value;
  }

 private:
  std::string table_;
  std::shared_ptr<dao::Recordset> rs_;
  std::vector<std::string>& missing_;
};

std::shared_ptr<dao::Recordset> Open(dao::Database& database, const std::string& sql) {
  try {
    return database.OpenRecordset(sql, dao::dbOpenSnapshot);
  } catch (const Error&) {
    return nullptr;  // no such table: every field of it is missing
  }
}

// The scheme of an electronic address: as stored, else e-mail.
std::string Scheme(const Row& row) {
  const std::string scheme = row.Optional("ElektronischeAdresseSchema");
  return scheme.empty() ? "EM" : scheme;
}

void ReadAddress(const Row& row, Party& party) {
  party.name = row.Needed("Name");
  party.street = row.Needed("Straße");
  party.postcode = row.Needed("PLZ");
  party.city = row.Needed("Ort");
  party.country = row.Needed("Land", "DE");
}

}  // namespace

MasterData ReadMasterData(dao::Database& database, int32_t order, Format format) {
  MasterData data;
  const bool xrechnung = format == Format::XRechnung;

  // The office: its address, contact, tax registration and account.
  const Row office("Büro", Open(database, "SELECT * FROM Büro"), data.missing);
  Party& seller = data.seller;
  ReadAddress(office, seller);
  seller.vat_id = office.Optional("UStIdNr");
  seller.tax_number = office.Optional("Steuernummer");
  if (seller.vat_id.empty() && seller.tax_number.empty()) {
    data.missing.push_back("Büro.UStIdNr oder Büro.Steuernummer");
  }
  seller.contact_name = office.Needed("Ansprechpartner");
  seller.phone = office.Needed("Telefon");
  seller.email = office.Needed("EMail");
  seller.electronic_address = office.Needed("ElektronischeAdresse");
  seller.electronic_scheme = Scheme(office);
  data.iban = text::Replace(office.Needed("IBAN"), " ", "");
  data.bic = office.Optional("BIC");

  // The client of the order.
  std::vector<std::string> ignored;
  const Row order_row("Auftrag",
                      Open(database, "SELECT * FROM Auftrag WHERE ID_Auftragsnummer = " +
                                         dao::SqlInteger(Variant(order))),
                      ignored);
  std::string client = order_row.Optional("ID_Kunde");
  if (client.empty()) {
    data.missing.push_back("Auftrag.ID_Kunde (der Kunde des Auftrags " + std::to_string(order) +
                           ")");
    client = "0";
  }
  std::shared_ptr<dao::Recordset> kunde;
  try {
    kunde =
        Open(database, "SELECT * FROM Kunde WHERE ID_Kunde = " + dao::SqlInteger(Variant(client)));
  } catch (const Error&) {
  }
  const Row buyer_row("Kunde", kunde, data.missing);
  ReadAddress(buyer_row, data.buyer);
  data.buyer.vat_id = buyer_row.Optional("UStIdNr");
  if (xrechnung) {
    data.buyer_reference = buyer_row.Needed("Käuferreferenz", "Leitweg-ID");
    data.buyer.electronic_address = buyer_row.Needed("ElektronischeAdresse");
  } else {
    data.buyer_reference = buyer_row.Optional("Käuferreferenz");
    data.buyer.electronic_address = buyer_row.Optional("ElektronischeAdresse");
  }
  data.buyer.electronic_scheme = Scheme(buyer_row);
  return data;
}

}  // namespace korvax::einvoice
