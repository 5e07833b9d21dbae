// Script steps of the scripted UI that the fee-dialog tests share.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace korvax::dialogs::testing {

using nlohmann::json;

inline json Type(const std::string& control, const std::string& text) {
  return {{"action", "type"}, {"control", control}, {"text", text}, {"replace", true}};
}
inline json Click(const std::string& control) {
  return {{"action", "click"}, {"control", control}};
}
inline json Key(const std::string& control, const std::string& key) {
  return {{"action", "key"}, {"control", control}, {"key", key}};
}
inline json Focus(const std::string& control) {
  return {{"action", "focus"}, {"control", control}};
}
inline json Choose(const std::string& control, const std::string& item) {
  return {{"action", "choose"}, {"control", control}, {"item", item}};
}
inline json Tick(const std::string& control, int value = 1) {
  return {{"action", "choose"}, {"control", control}, {"value", value}};
}
inline json Expect(const std::string& control, const std::string& text) {
  return {{"action", "expect"}, {"control", control}, {"text", text}};
}
// Any other property of a control: Has("GridGebühren1", "rows", 3).
inline json Has(const std::string& control, const std::string& what, const json& value) {
  return {{"action", "expect"}, {"control", control}, {what, value}};
}
inline json ExpectFocus(const std::string& control) {
  return {{"action", "expect"}, {"focus", control}};
}
inline json Answer(const std::string& button) {
  return {{"action", "answer"}, {"button", button}};
}
inline json Answer(const std::string& button, const std::string& prompt) {
  return {{"action", "answer"}, {"button", button}, {"prompt", prompt}};
}

// Grid steps of one grid.
struct GridSteps {
  std::string grid;
  json operator()(int row, int col, const std::string& text) const {
    return {{"action", "expect"}, {"control", grid}, {"cell", {row, col}}, {"text", text}};
  }
  json Rows(int rows) const { return Has(grid, "rows", rows); }
  json Select(int row) const { return {{"action", "select"}, {"control", grid}, {"row", row}}; }
  // Expectations on the cells (row, col), (row, col + 1), ...
  json Row(int row, const std::vector<std::string>& texts, int col = 0) const {
    json steps = json::array();
    for (const std::string& text : texts) steps.push_back((*this)(row, col++, text));
    return steps;
  }
  template <class... Text>
  json Cells(int row, int col, const Text&... texts) const {
    return Row(row, {texts...}, col);
  }
};
inline const GridSteps kGrid6{"GridGebühren6"};

// One line typed into the fields of frmKat4 and applied with the button.
inline json Line(const std::string& flst, const std::string& n71, const std::string& n72,
                 const std::string& n73, const std::string& wert,
                 const std::string& anteil = "1000") {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBox7_1", n71),
                      Type("MaskEdBox7_2", n72), Type("MaskEdBox7_3", n73),
                      Type("MaskEdBoxWert", wert), Type("MaskEdBoxAnteil", anteil),
                      Click("CommandÜbernehmen")});
}

// Steps and lists of steps flattened into one script.
template <class... Piece>
json Script(const Piece&... pieces) {
  json steps = json::array();
  auto append = [&steps](const json& piece) {
    if (!piece.is_array()) return steps.push_back(piece);
    for (const auto& step : piece) steps.push_back(step);
  };
  (append(json(pieces)), ...);
  return steps;
}

// The table selection that the lookup shows when the document holds a
// marked table: its first entry.
inline const json kErsteTabelle =
    json::array({{{"form", "G_frmTabelle"}, {"action", "click"}, {"control", "optTabelle(0)"}},
                 {{"form", "G_frmTabelle"}, {"action", "click"}, {"control", "cmdEnde"}}});

inline const json kEnter = {{"action", "key"}, {"key", "Enter"}};
inline const json kOk = Click("CommandEnde");
inline const json kAbbruch = Click("CommandAbbruch");
// Abbruch after lines were changed: the question, answered Yes.
inline const json kVerwerfen =
    json::array({kAbbruch, Answer("Ja", "Die geänderten Zeilen verwerfen?")});
inline const json kApply = Click("CommandÜbernehmen");
// Deletes the selected line, answering the question with Yes.
inline const json kLöschen = json::array({Click("CommandLöschen"), Answer("Ja")});
// The whole text of a field removed.
inline json Clear(const std::string& control) {
  return json::array({Focus(control), Key(control, "Backspace")});
}

}  // namespace korvax::dialogs::testing
