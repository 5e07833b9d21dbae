// An e-invoice by EN 16931 as Korvax fills it: the business terms (BT-n) and
// groups (BG-n) it uses, amounts in whole cents so that every sum is exact.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/date.hpp"

namespace korvax::einvoice {

// The two syntaxes of one invoice: XRechnung (the German CIUS, for public
// buyers) and the EN 16931 profile of ZUGFeRD / Factur-X inside a PDF.
enum class Format { XRechnung, Zugferd };

// Cents, exact. 123456 is 1.234,56 €.
using Cents = int64_t;

struct Party {
  std::string name;                // BT-27 / BT-44
  std::string street;              // BT-35 / BT-50
  std::string postcode;            // BT-38 / BT-53
  std::string city;                // BT-37 / BT-52
  std::string country;             // BT-40 / BT-55, ISO 3166-1 alpha-2
  std::string vat_id;              // BT-31 / BT-48
  std::string tax_number;          // BT-32, seller only
  std::string contact_name;        // BT-41, seller only
  std::string phone;               // BT-42
  std::string email;               // BT-43
  std::string electronic_address;  // BT-34 / BT-49
  std::string electronic_scheme;   // its scheme (EAS code list): EM, 0204, ...
};

// VAT category: S standard rated, E exempt (the VAT-free part of the invoice).
struct TaxCategory {
  char code = 'S';
  float rate = 0;  // percent, as the rate list holds it; 0 for E
  bool operator==(const TaxCategory&) const = default;
};

struct Line {
  std::string name;         // BT-153
  std::string description;  // BT-154
  Cents amount = 0;         // BT-131, also the price of one (BT-146)
  TaxCategory tax;          // BT-151, BT-152
};

// A document-level allowance (BG-20): the part of the lines a down payment
// invoice does not bill.
struct Allowance {
  Cents amount = 0;    // BT-92
  std::string reason;  // BT-97
  TaxCategory tax;     // BT-95, BT-96
};

// A row of the VAT breakdown (BG-23).
struct TaxSubtotal {
  TaxCategory tax;
  Cents basis = 0;               // BT-116
  Cents vat = 0;                 // BT-117
  std::string exemption_reason;  // BT-120, for E
};

// An earlier invoice this one refers to (BG-3): a down payment invoice.
struct PrecedingInvoice {
  std::string number;        // BT-25
  std::optional<Date> date;  // BT-26
};

// A supporting document (BG-24): embedded when it has content, else a reference.
struct Attachment {
  std::string id;           // BT-122
  std::string description;  // BT-123
  std::string filename;
  std::string mime_code;
  std::string content;  // the bytes, base64-encoded when written
};

struct Invoice {
  Format format = Format::XRechnung;
  std::string number;              // BT-1
  Date issue_date;                 // BT-2
  std::string type_code;           // BT-3, UNTDID 1001
  std::vector<std::string> notes;  // BT-22
  std::string buyer_reference;     // BT-10, the Leitweg-ID of a public buyer
  Party seller;                    // BG-4
  Party buyer;                     // BG-7
  std::vector<Attachment> attachments;
  std::vector<Line> lines;  // BG-25
  std::vector<Allowance> allowances;
  std::vector<TaxSubtotal> taxes;
  std::vector<PrecedingInvoice> preceding;  // CII states the latest one

  std::string iban;               // BT-84
  std::string bic;                // BT-86
  std::string payment_reference;  // BT-83
  std::string payment_terms;      // BT-20
  std::optional<Date> due_date;   // BT-9
  Cents line_total = 0;           // BT-106
  Cents allowance_total = 0;      // BT-107
  Cents tax_basis_total = 0;      // BT-109
  Cents tax_total = 0;            // BT-110
  Cents grand_total = 0;          // BT-112
  Cents prepaid = 0;              // BT-113
  Cents rounding = 0;             // BT-114
  Cents due = 0;                  // BT-115
};

// The invoice in UN/CEFACT Cross Industry Invoice syntax (D16B), UTF-8.
std::string WriteCii(const Invoice& invoice);

// "1234.56", "-0.05": an amount as CII writes it.
std::string DecimalText(Cents amount);

}  // namespace korvax::einvoice
