#include "plugin/tarvo.hpp"

#include <algorithm>
#include <functional>

#include "common/error.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/document.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax {

namespace {

// An object property: the variant must hold an object of type T, or nothing.
template <class T>
std::shared_ptr<T> ObjectOf(const Variant& value) {
  if (value.IsEmpty()) return nullptr;
  if (value.Type() != VarType::Object) throw errors::TypeMismatch();
  if (!value.AsObject()) return nullptr;
  auto typed = std::dynamic_pointer_cast<T>(value.AsObject());
  if (!typed) throw errors::TypeMismatch();
  return typed;
}

template <class T>
Variant FromObject(const std::shared_ptr<T>& object) {
  if (!object) return Variant(std::shared_ptr<Object>());
  return Variant(std::static_pointer_cast<Object>(object));
}

struct Property {
  const char* name;
  std::function<Variant(const Tarvo&, const Variant&)> get;  // second argument: pDocument
  std::function<void(Variant&, const Variant&)> put;         // first argument: pDocument
};

OrderContext& Order() {
  return Library().order;
}

// In interface order; each write converts first and assigns only on success.
const std::vector<Property>& Properties() {
  static const std::vector<Property> properties = {
      {"pDocument", [](const Tarvo&, const Variant& own) { return own; },
       [](Variant& own, const Variant& v) { own = v; }},
      {"Flurstücksnummer",
       [](const Tarvo&, const Variant&) { return Variant(Order().Flurstücksnummer); },
       [](Variant&, const Variant& v) { Order().Flurstücksnummer = ToText(v); }},
      {"Fläche", [](const Tarvo&, const Variant&) { return Variant(Order().Fläche); },
       [](Variant&, const Variant& v) { Order().Fläche = ToDouble(v); }},
      {"Bodenwert", [](const Tarvo&, const Variant&) { return Variant(Order().Bodenwert); },
       [](Variant&, const Variant& v) { Order().Bodenwert = ToDouble(v); }},
      {"Doc", [](const Tarvo&, const Variant&) { return FromObject(Order().Doc); },
       [](Variant&, const Variant& v) {
         auto document = ObjectOf<word::Document>(v);
         // Nothing clears the held document, then fails taking its application.
         Order().Doc = document;
         if (!document) throw errors::ObjectNotSet();
         Order().Application = document->Application();
       }},
      {"Lage", [](const Tarvo&, const Variant&) { return Variant(Order().Lage); },
       [](Variant&, const Variant& v) { Order().Lage = ToText(v); }},
      {"Baukosten", [](const Tarvo&, const Variant&) { return Variant(Order().Baukosten); },
       [](Variant&, const Variant& v) { Order().Baukosten = ToDouble(v); }},
      {"Achslänge", [](const Tarvo&, const Variant&) { return Variant(Order().Achslänge); },
       [](Variant&, const Variant& v) { Order().Achslänge = ToInteger(v); }},
      {"Grenzlänge", [](const Tarvo&, const Variant&) { return Variant(Order().Grenzlänge); },
       [](Variant&, const Variant& v) { Order().Grenzlänge = ToLong(v); }},
      {"Flurstücke", [](const Tarvo&, const Variant&) { return Variant(Order().Flurstücke); },
       [](Variant&, const Variant& v) { Order().Flurstücke = ToInteger(v); }},
      {"AnzahlGrenzpunkte",
       [](const Tarvo&, const Variant&) { return Variant(Order().AnzahlGrenzpunkte); },
       [](Variant&, const Variant& v) { Order().AnzahlGrenzpunkte = ToInteger(v); }},
      {"VaroWorkspace",
       [](const Tarvo&, const Variant&) { return FromObject(Order().VaroWorkspace); },
       [](Variant&, const Variant& v) { Order().VaroWorkspace = ObjectOf<dao::Workspace>(v); }},
      {"DatenbankPfad", [](const Tarvo&, const Variant&) { return Variant(Order().DatenbankPfad); },
       [](Variant&, const Variant& v) { Order().DatenbankPfad = ToText(v); }},
      {"ID_Benutzer", [](const Tarvo&, const Variant&) { return Variant(Order().ID_Benutzer); },
       [](Variant&, const Variant& v) { Order().ID_Benutzer = ToLong(v); }},
      {"NeueAbfrage", [](const Tarvo&, const Variant&) { return FromObject(Order().NeueAbfrage); },
       [](Variant&, const Variant& v) { Order().NeueAbfrage = ObjectOf<dao::Database>(v); }},
  };
  return properties;
}

constexpr int32_t kFirstPropertyId = 3;
// Members added after the classic interface, behind its properties.
constexpr int32_t kSummeBildenId = 18;
constexpr int32_t kERechnungId = 19;

EInvoiceWriter& Writer() {
  static EInvoiceWriter writer;
  return writer;
}

const Property& PropertyNamed(std::string_view name) {
  for (const Property& p : Properties()) {
    if (name == p.name) return p;
  }
  throw errors::NotSupported(std::string(name));
}

}  // namespace

Variant Tarvo::Get(std::string_view property) const {
  return PropertyNamed(property).get(*this, pDocument_);
}

void Tarvo::Put(std::string_view property, const Variant& value) {
  PropertyNamed(property).put(pDocument_, value);
}

const std::vector<MemberInfo>& Tarvo::Members() {
  static const std::vector<MemberInfo> members = [] {
    std::vector<MemberInfo> m = {{1, "Show", false}, {2, "Aktualisieren", false}};
    int32_t id = kFirstPropertyId;
    for (const Property& p : Properties()) m.push_back({id++, p.name, true});
    m.push_back({kSummeBildenId, "SummeBilden", false});
    m.push_back({kERechnungId, "ERechnung", false});
    return m;
  }();
  return members;
}

int32_t Tarvo::DispatchId(std::string_view name) {
  for (const MemberInfo& m : Members()) {
    if (m.name == name) return m.dispid;
  }
  return 0;
}

Variant Tarvo::Invoke(int32_t dispid, DispatchKind kind, std::vector<Variant>& args) {
  if (dispid == 1 && kind == DispatchKind::Method) {
    if (args.size() != 3)
      throw Error(450, "Falsche Anzahl an Argumenten oder ungültige Eigenschaftszuweisung");
    int16_t index = ToInteger(args[0]);
    std::shared_ptr<dao::Recordset> invoice = ObjectOf<dao::Recordset>(args[1]);
    Show(index, invoice, ToLong(args[2]));
    args[0] = Variant(index);  // passed by reference
    return Variant();
  }
  if (dispid == 2 && kind == DispatchKind::Method) {
    Aktualisieren();
    return Variant();
  }
  if (dispid == kSummeBildenId && kind == DispatchKind::Method) {
    if (args.size() != 1)
      throw Error(450, "Falsche Anzahl an Argumenten oder ungültige Eigenschaftszuweisung");
    SummeBilden(ObjectOf<dao::Recordset>(args[0]));
    return Variant();
  }
  if (dispid == kERechnungId && kind == DispatchKind::Method) {
    if (args.size() > 2)
      throw Error(450, "Falsche Anzahl an Argumenten oder ungültige Eigenschaftszuweisung");
    const std::string format =
        args.size() > 0 && !args[0].IsEmpty() ? ToText(args[0]) : "xrechnung";
    const std::string file = args.size() > 1 && !args[1].IsEmpty() ? ToText(args[1]) : "";
    return Variant(ERechnung(format, file));
  }
  const int32_t index = dispid - kFirstPropertyId;
  if (index >= 0 && index < static_cast<int32_t>(Properties().size())) {
    const Property& p = Properties()[index];
    if (kind == DispatchKind::PropertyGet && args.empty()) return p.get(*this, pDocument_);
    if (kind == DispatchKind::PropertyPut && args.size() == 1) {
      p.put(pDocument_, args[0]);
      return Variant();
    }
    throw Error(450, "Falsche Anzahl an Argumenten oder ungültige Eigenschaftszuweisung");
  }
  throw Error(-2147352573, "Mitglied nicht gefunden.");  // DISP_E_MEMBERNOTFOUND
}

std::string Tarvo::ERechnung(const std::string& Format, const std::string& Datei) {
  if (!Writer()) throw errors::NotSupported("ERechnung");
  return Writer()(Format, Datei);
}

void RegisterEInvoiceWriter(EInvoiceWriter writer) {
  Writer() = std::move(writer);
}

void Tarvo::Unadvise(const std::shared_ptr<TarvoEvents>& sink) {
  sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), sink), sinks_.end());
}

}  // namespace korvax
