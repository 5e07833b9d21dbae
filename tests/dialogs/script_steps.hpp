// Script steps of the scripted UI that the fee-dialog tests share.
#pragma once

#include <initializer_list>
#include <string>

#include <nlohmann/json.hpp>

namespace korvax::dialogs::testing {

using nlohmann::json;

inline json Type(const std::string& control, const std::string& text) {
  return {{"action", "type"}, {"control", control}, {"text", text}, {"replace", true}};
}
inline json Click(const std::string& control) {
  return {{"action", "click"}, {"control", control}};
}
inline json Expect(const std::string& control, const std::string& text) {
  return {{"action", "expect"}, {"control", control}, {"text", text}};
}
inline json Key(const std::string& control, const std::string& key) {
  return {{"action", "key"}, {"control", control}, {"key", key}};
}
inline json Focus(const std::string& control) {
  return {{"action", "focus"}, {"control", control}};
}
inline json ExpectFocus(const std::string& control) {
  return {{"action", "expect"}, {"focus", control}};
}
inline json ExpectCaption(const std::string& caption) {
  return {{"action", "expect"}, {"caption", caption}};
}
inline json ExpectValue(const std::string& control, const json& value) {
  return {{"action", "expect"}, {"control", control}, {"value", value}};
}
inline json Tick(const std::string& control, int value = 1) {
  return {{"action", "choose"}, {"control", control}, {"value", value}};
}
inline json SelectIn(const std::string& grid, int row) {
  return {{"action", "select"}, {"control", grid}, {"row", row}};
}
inline json ExpectCell(int row, int col, const std::string& text) {
  return {{"action", "expect"}, {"control", "GridGebühren6"}, {"cell", {row, col}}, {"text", text}};
}
inline json ExpectRows(int rows) {
  return {{"action", "expect"}, {"control", "GridGebühren6"}, {"rows", rows}};
}
inline json SelectRow(int row) {
  return {{"action", "select"}, {"control", "GridGebühren6"}, {"row", row}};
}

// Expectations on the cells (row, col), (row, col + 1), ... made by `cell`.
template <class Cell>
json Cells(Cell cell, int row, int col, std::initializer_list<const char*> texts) {
  json steps = json::array();
  for (const char* text : texts) steps.push_back(cell(row, col++, text));
  return steps;
}

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
inline json Script(std::initializer_list<json> parts) {
  json steps = json::array();
  for (const auto& part : parts) {
    if (part.is_array()) {
      for (const auto& s : part) steps.push_back(s);
    } else {
      steps.push_back(part);
    }
  }
  return steps;
}

// The table selection that the lookup shows when the document holds a
// marked table: its first entry.
inline const json kErsteTabelle =
    json::array({{{"form", "G_frmTabelle"}, {"action", "click"}, {"control", "optTabelle(0)"}},
                 {{"form", "G_frmTabelle"}, {"action", "click"}, {"control", "cmdEnde"}}});

inline const json kEnter = {{"action", "key"}, {"key", "Enter"}};
inline const json kJa = {{"action", "answer"}, {"button", "Ja"}};
inline const json kOk = Click("CommandEnde");
inline const json kAbbruch = Click("CommandAbbruch");

}  // namespace korvax::dialogs::testing
