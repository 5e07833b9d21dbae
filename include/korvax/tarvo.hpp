// Korvax C++ API: Tarvo, the plug-in object. The host writes the order
// context through its properties and calls Show with a fee category and the
// invoice record:
//
//   korvax::api::Tarvo tarvo;
//   tarvo.Put("VaroWorkspace", workspace);
//   tarvo.Put("DatenbankPfad", "office.sqlite");
//   tarvo.Put("ID_Benutzer", int32_t{1});
//   tarvo.Put("Doc", document);
//   tarvo.Put("NeueAbfrage", database);
//   tarvo.Show(3, invoice);   // Nr. 7
//   document.Save();
#ifndef KORVAX_TARVO_HPP
#define KORVAX_TARVO_HPP

#include <cstdint>
#include <string>
#include <vector>

#include "korvax/office.hpp"
#include "korvax/value.hpp"

namespace korvax::api {

class Tarvo : public Object {
 public:
  Tarvo() : Object(Create()) {}

  // A property write converts as the classic runtime did (decimal comma,
  // halves to even) and fails with 13 or 6 when it cannot, keeping the value.
  void Put(const std::string& property, const Variant& value) {
    korvax_error err;
    const korvax_variant v = value.Borrow();
    detail::Check(korvax_put(get(), property.c_str(), &v, &err), err);
  }
  Variant Get(const std::string& property) const {
    korvax_error err;
    korvax_variant value;
    detail::Check(korvax_get(get(), property.c_str(), &value, &err), err);
    return Variant::Take(value);
  }

  // Reads the user's billing settings and opens the fee dialog of `index`
  // (0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7) in the interface chosen with
  // SetUi; returns when it is closed. Failures inside go to the error log.
  void Show(int16_t index, const Recordset& invoice, int32_t host_window = 0) {
    std::vector<Variant> args{Variant(index), Variant(static_cast<const Object&>(invoice)),
                              Variant(host_window)};
    Call("Show", args);
  }
  void Aktualisieren() {
    std::vector<Variant> none;
    Call("Aktualisieren", none);
  }

  // Any member by name; arguments passed by reference are written back.
  Variant Call(const std::string& member, std::vector<Variant>& args) {
    std::vector<korvax_variant> c_args;
    for (const Variant& arg : args) c_args.push_back(arg.Borrow());
    korvax_error err;
    korvax_variant result;
    detail::Check(korvax_call(get(), member.c_str(), c_args.data(),
                              static_cast<int32_t>(c_args.size()), &result, &err),
                  err);
    for (size_t i = 0; i < args.size(); ++i) {
      if (c_args[i].type == KORVAX_INTEGER) args[i] = Variant(c_args[i].value.integer);
    }
    return Variant::Take(result);
  }

 private:
  static korvax_object* Create() {
    korvax_error err;
    return detail::Check(korvax_create("Korvax.Tarvo", &err), err);
  }
};

}  // namespace korvax::api

#endif  // KORVAX_TARVO_HPP
