// The fee-dialog framework: what the four fee dialogs (frmKat1 to frmKat4)
// share. A dialog derives from FeeDialog, lays out its controls through the
// Add... helpers, implements the roles LesenWerte, NeuWerte, ÜbernehmenWerte,
// WertÜberprüfen and TabelleFormatieren, and writes its load path (LoadPath,
// the load event) and finish path (FinishPath, CommandEnde_Click) with the
// building blocks below and those of fee_document.hpp.
//
//   class FrmKat9 : public FeeDialog {
//    public:
//     FrmKat9() : FeeDialog("frmKat9", "GridGebühren9") {
//       AddFeeGrid(5, 120, 120, 7000, 2400);
//       AddParcelField(120, 2760, 2500, 315);
//       auto& wert = AddInputField("MaskEdBoxWert", "#####,##", 2700, 2760, 1100, 315);
//       SetUpKeys(wert, kEnterApplies | kMoneyField);
//       AddButtons(120, 3300);
//     }
//    protected:
//     void LesenWerte() override;  ...
//   };
//
// The standard handlers (Neu, Einfügen, Löschen, Übernehmen, Abbruch, the
// grid's SelChange, got focus, Enter, decimal alignment) are the framework's;
// the virtual hooks below let a dialog add its own rules to them. Every
// handler and role reports its failures under the form's name and its own
// operation name and goes on with its next step.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/operation.hpp"
#include "platform/forms/form.hpp"
#include "platform/word/table.hpp"

namespace korvax::dialogs {

// Every grid row, the header included, is this high (twips).
inline constexpr int kRowHeight = 300;
// The parcel text of a new line starts with this; the caret stands behind it.
inline constexpr std::string_view kParcelPrefix = "Flst.Nr. ";

// Key rules of an input field (SetUpKeys).
inline constexpr int kEnterApplies = 1;  // Enter: WertÜberprüfen, then ÜbernehmenWerte
inline constexpr int kMoneyField = 2;  // "," or ".": decimal alignment; lost focus: WertÜberprüfen

// The decimal alignment of a money field of mask "#####,##": while the fifth
// character of the typed text is a blank (at most four times), the text
// becomes a blank followed by its first four characters. "12   ,  " gives
// "   12"; "  256,01", already aligned, stays whole with its decimals.
std::string AlignDecimals(std::string_view typed);

class FeeDialog : public forms::Form {
 public:
  // The line the input fields edit; equals the grid's Rows while a new line
  // is being prepared.
  int16_t CurrentRow() const { return current_row_; }
  // True while the dialog itself moves the grid selection or loads.
  bool Suppressed() const { return suppressed_; }
  // The category table found at load, or an empty table.
  const word::Table& CategoryTable() const { return category_table_; }

  forms::Grid& FeeGrid() const { return Get<forms::Grid>(grid_name_); }
  forms::TextBox& TextBoxFlst() const { return Get<forms::TextBox>("TextBoxFlst"); }

 protected:
  // name: the form's name ("frmKat4"), also the module name of its reports.
  FeeDialog(std::string name, std::string grid_name);

  // --- Design (geometry in twips)
  // The grid of billing lines; its SelChange runs the standard handler.
  forms::Grid& AddFeeGrid(int cols, int left, int top, int width, int height);
  // TextBoxFlst; got focus puts the caret behind "Flst.Nr. ".
  forms::TextBox& AddParcelField(int left, int top, int width, int height);
  // A masked edit box with a blank prompt; got focus selects the whole text
  // (selection start 0, length `selection_length`).
  forms::MaskedEdit& AddInputField(std::string_view name, std::string_view mask, int left, int top,
                                   int width, int height, int selection_length = 255);
  // Enter and money-field keys (kEnterApplies, kMoneyField) on a field,
  // reported as "<field>_KeyPress".
  void SetUpKeys(forms::EditControl& field, int rules);
  // The six buttons in one row: CommandAbbruch "&Abbruch", CommandEnde "&OK",
  // CommandÜbernehmen "&Übernehmen", CommandButtonNeu "&Neu", CommandLöschen
  // "&Löschen" and the insert button "&Einfügen" (named `insert_name`).
  void AddButtons(int left, int top, std::string_view insert_name = "Commandneu");

  // --- Roles, each reporting under its own name
  virtual void LesenWerte() = 0;       // grid row -> input fields
  virtual void NeuWerte() = 0;         // defaults of a new line
  virtual void ÜbernehmenWerte() = 0;  // input fields -> grid row, fee, advance
  virtual void WertÜberprüfen() {}     // normalises the money field
  virtual void TabelleFormatieren(word::Table& table) = 0;  // the new Word table
  virtual void LoadPath() = 0;                              // load path (the load event)
  virtual void FinishPath() = 0;                            // finish path (CommandEnde_Click)

  // --- Hooks of the standard handlers
  // Commandneu_Click, after the blank row was inserted at `row`.
  virtual void RowInserted(int /*row*/) {}
  // CommandLöschen_Click: false skips the question and the deletion.
  virtual bool CanDelete() { return true; }
  // Buttons of the delete question: 4 Yes/No (36 with the question icon).
  virtual int32_t DeleteQuestionButtons() const { return 4; }
  // Removes the row; the only line is emptied instead, as the grid cannot
  // remove its last data row.
  virtual void RemoveRow(int row);
  // After the removal, as checkpoints from `first`: current row := selected
  // start row, LesenWerte, refresh. Returns the next free checkpoint.
  virtual int AfterDelete(Operation& op, int first);

  // --- Standard handlers
  // The load event: the load path, then the grid's lines as loaded, against
  // which Abbruch and the close box judge whether lines were changed. A call
  // whose table selection the user left without a choice ends here.
  void UserForm_Activate();
  // Unload by the close box: asks before lines the user changed are lost.
  void UserForm_QueryClose(int& cancel);
  void CommandButtonNeu_Click();
  void Commandneu_Click();
  void CommandLöschen_Click();
  void CommandÜbernehmen_Click();
  void CommandAbbruch_Click();
  // Unless suppressed: current row := selected start row, LesenWerte.
  virtual void Grid_SelChange();

  // --- Building blocks: they throw, run them inside a step of your own.
  // Grid shape: `rows` blank rows of height 300 (the header row included).
  void ResetRows(int rows, int cols);
  // Load without a table: Rows 2, row 1 of height 300, TextBoxFlst "Flst.Nr. ",
  // current row 1 (NeuWerte follows as a step of its own).
  void StartEmpty(int cols);
  // Header texts, row 0 height 300, column widths.
  void SetHeader(std::initializer_list<std::pair<std::string_view, int>> columns);
  // LesenWerte: current row 0 becomes 1.
  void CheckCurrentRow();
  // LesenWerte: the grid selection covers the current row, columns 0 to last.
  void SelectCurrentRow(int last_col);
  // ÜbernehmenWerte step 1: a row is appended when the current row is new.
  void AppendRowIfNew();
  // ÜbernehmenWerte steps 4 and 5, as checkpoints first to first + 5: next
  // line (or NeuWerte with row 1 selected under suppression), focus to
  // TextBoxFlst. Returns the next free checkpoint.
  int AdvanceLine(Operation& op, int first);
  // The money field aligned and formatted (width 8, 2 decimals), without
  // thousands points, for which its mask has no place.
  void CheckMoneyField(forms::MaskedEdit& field);
  // WertÜberprüfen, then ÜbernehmenWerte.
  void Apply();
  // The grid's lines differ from those the load path put there.
  bool LinesChanged() const;
  // "Zeile 2 (Flst.Nr. 12/3) löschen?": the question names the line.
  std::string DeleteQuestion(int row) const;

  // Sets the suppression flag for a scope and restores what it was.
  class SuppressionScope {
   public:
    explicit SuppressionScope(FeeDialog& dialog) : dialog_(dialog), previous_(dialog.suppressed_) {
      dialog_.suppressed_ = true;
    }
    ~SuppressionScope() { dialog_.suppressed_ = previous_; }
    SuppressionScope(const SuppressionScope&) = delete;
    SuppressionScope& operator=(const SuppressionScope&) = delete;

   private:
    FeeDialog& dialog_;
    bool previous_;
  };

  int16_t current_row_ = 1;
  bool suppressed_ = false;
  word::Table category_table_;

 private:
  // The lines of the grid, one text per row.
  std::vector<std::string> GridLines() const;
  // Asks whether the changed lines may be thrown away; true for Yes.
  bool DiscardConfirmed();

  std::string grid_name_;
  std::vector<std::string> loaded_lines_;
  // The dialog itself unloads (OK, a confirmed Abbruch): no question.
  bool leaving_ = false;
};

}  // namespace korvax::dialogs
