// Tarvo, the plug-in object: the host writes the order context through its
// properties and calls Show with a fee category and the invoice record.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/variant.hpp"

namespace korvax::dao {
class Recordset;
}

namespace korvax {

// The public record type of the type library; no member takes or returns it.
struct Tarvo_Error {
  std::string Funktionsname;
  std::string strFehler;
  std::string strModul;
  std::string strFunktion;
  std::string strNr;
  int32_t Hinweis = 0;
};

// The outgoing event interface hosts can connect to. It is never raised.
class TarvoEvents {
 public:
  virtual ~TarvoEvents() = default;
  virtual void DatenAktualisieren() = 0;
};

// How a member is called through dispatch.
enum class DispatchKind { Method, PropertyGet, PropertyPut };

struct MemberInfo {
  int32_t dispid;  // in interface order: Show 1, Aktualisieren 2, properties 3..17,
                   // SummeBilden 18, ERechnung 19
  std::string name;
  bool is_property;
};

class Tarvo : public Object {
 public:
  static constexpr const char* kProgId = "Korvax.Tarvo";

  std::string TypeName() const override { return "Tarvo"; }

  // Reads the user's billing settings and opens the fee dialog of Index
  // (0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7); returns when it is closed.
  // Never fails: every failure goes to the error log.
  void Show(int16_t& Index, std::shared_ptr<dao::Recordset> Rechnung, int32_t hWndMDI);
  // Does nothing.
  void Aktualisieren() {}
  // Rebuilds the invoice totals of Doc without a dialog, as the Nr. 2
  // dialog does when it finishes: reads the user's billing settings as Show
  // does, keeps Rechnung as the invoice record and runs the totals. For the
  // office after editing another category. Never fails: failures go to the log.
  void SummeBilden(std::shared_ptr<dao::Recordset> Rechnung);
  // Writes the e-invoice of the last Show's invoice record and the document
  // (Format "xrechnung" or "zugferd"; Datei empty: beside the document) with
  // the billing settings that Show read; the path written. A refusal (missing
  // master data, a totals block that does not add up) fails with its German
  // reason and writes nothing.
  std::string ERechnung(const std::string& Format, const std::string& Datei);

  // Property reads return a variant of exactly the held type; a write that
  // cannot be converted throws korvax::Error, logs nothing and keeps the value.
  Variant Get(std::string_view property) const;
  void Put(std::string_view property, const Variant& value);

  // The members in interface order, and dispatch by name or id.
  static const std::vector<MemberInfo>& Members();
  static int32_t DispatchId(std::string_view name);  // 0 when unknown
  Variant Invoke(int32_t dispid, DispatchKind kind, std::vector<Variant>& args);

  // Connection point of the event interface.
  void Advise(std::shared_ptr<TarvoEvents> sink) { sinks_.push_back(std::move(sink)); }
  void Unadvise(const std::shared_ptr<TarvoEvents>& sink);

 private:
  Variant pDocument_;  // the only property held per instance
  std::vector<std::shared_ptr<TarvoEvents>> sinks_;
};

// How ERechnung writes: registered by the e-invoice library when it is
// loaded (libkorvax, the korvax command); without it the member fails with 438.
using EInvoiceWriter =
    std::function<std::string(const std::string& format, const std::string& file)>;
void RegisterEInvoiceWriter(EInvoiceWriter writer);

}  // namespace korvax
