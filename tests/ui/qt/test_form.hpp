// A small form with one control of each kind, laid out like a fee dialog,
// whose handlers record what reached them. The Qt tests drive it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

#include "common/funktionen.hpp"
#include "platform/forms/form.hpp"
#include "ui/qt/form_view.hpp"
#include "ui/qt/qt_ui.hpp"

namespace korvax::ui::testing {

inline MessageBoxRequest Request(std::string prompt, int32_t buttons, std::string title = "") {
  MessageBoxRequest request;
  request.prompt = std::move(prompt);
  request.buttons = buttons;
  request.title = std::move(title);
  return request;
}

class TestForm : public forms::Form {
 public:
  TestForm() : Form("frmTest") {
    SetCaption("Testabrechnung");
    auto& grid = AddGrid("GridTest", 2, 4, 120, 120, 7200, 1500);
    auto& flst = AddTextBox("TextBoxFlst", 1080, 1770, 2400, 315);
    AddLabel("LabelWert", "Bodenwert [€/m²]", 3700, 1800, 1400, 255);
    auto& wert = AddMaskedEdit("MaskEdBoxWert", "#####,##", 5280, 1770, 1000, 315);
    AddLabel("LabelNr", "Nr.", 120, 2250, 900, 255);
    auto& combo = AddComboBox("ComboBox4", 1080, 2220, 1200, 315);
    auto& frame = AddFrame("FrameAbrechnung", "Abrechnung nach", 120, 2700, 3360, 720);
    auto& opt31 = AddOptionButton("Option31", "3.1", 240, 300, 800, 255, &frame);
    AddOptionButton("Option32", "3.2", 1200, 300, 800, 255, &frame);
    AddOptionButton("Option33", "3.3", 2160, 300, 800, 255, &frame);
    auto& bereich = AddCheckBox("chkBereich", "Bereich bei Bodenwert", 3700, 2760, 2500, 255);
    auto& ok = AddCommandButton("CommandEnde", "&OK", 4680, 3600, 1215, 375);
    auto& abbruch = AddCommandButton("CommandAbbruch", "&Abbruch", 6000, 3600, 1215, 375);
    auto& frage = AddCommandButton("CommandFrage", "&Löschen", 120, 3600, 1215, 375);

    OnLoad([this, &grid, &combo, &opt31] {
      grid.SetTextMatrix(0, 1, " Fläche [m²]");
      for (int col = 0; col < 4; ++col) grid.SetColWidth(col, col == 0 ? 3000 : 1200);
      grid.SetTextMatrix(1, 2, "   12,00");
      grid.AddItem("Flst.Nr. 14\t  1200\t  150,50");
      for (const char* item : {"5.1.1", "5.1.2"}) combo.AddItem(item);
      combo.SetListIndex(0);
      opt31.SetValue(true);
      events.push_back("Load");
    });
    flst.OnKeyPress([this](int& key) {
      keys.push_back(key);
      if (key == '!') key = 0;  // the handler refuses this key
    });
    wert.OnKeyPress([this](int& key) { keys.push_back(key); });
    wert.OnGotFocus([&wert] {
      wert.SetSelStart(0);
      wert.SetSelLength(255);
    });
    grid.OnSelChange([this, &grid] {
      events.push_back("SelChange " + std::to_string(grid.Row()));
      if (selecting_) return;
      selecting_ = true;  // the handler selects the whole line, as dialogs do
      grid.Select(grid.Row(), 0, grid.Row(), grid.Cols() - 1);
      selecting_ = false;
    });
    bereich.OnClick([this] { events.push_back("chkBereich_Click"); });
    ok.OnClick([this] {
      events.push_back("CommandEnde_Click");
      if (on_ok) on_ok();
      Hide();
    });
    abbruch.OnClick([this] { Unload(); });
    frage.OnClick([this] { answer = MsgBox(Request("Zeile löschen?", 4 + 32, "Testabrechnung")); });
    OnUnload([this](int& cancel) {
      events.push_back("Unload");
      if (keep_on_close) cancel = 1;
    });
  }

  std::vector<std::string> events;
  std::vector<int> keys;
  int32_t answer = -1;
  bool keep_on_close = false;
  std::function<void()> on_ok;

 private:
  bool selecting_ = false;
};

// Runs `open`, which shows a form modally through the Qt back end, and then
// `drive` with that form and its dialog as soon as the modal loop runs.
// Whatever the checks in `drive` do, the form is hidden afterwards (and after
// ten seconds at the latest), so a failing test never leaves a modal dialog
// waiting.
inline void DriveModal(QtUi& ui, const std::function<void()>& open,
                       const std::function<void(forms::Form&, FormView&)>& drive) {
  QTimer::singleShot(0, [&ui, drive] {
    forms::Form* form = forms::Form::CurrentModal();
    FormView* view = form != nullptr ? ui.ViewOf(*form) : nullptr;
    if (view == nullptr) QFAIL("no form is shown by the Qt back end");
    drive(*form, *view);
    if (form->IsVisible()) form->Hide();
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (forms::Form* form = forms::Form::CurrentModal()) form->Hide();
  });
  watchdog.start(10000);
  open();
}

// Shows `form` modally and drives it once its window is exposed.
inline void DriveModal(QtUi& ui, forms::Form& form, const std::function<void(FormView&)>& drive) {
  DriveModal(
      ui, [&form] { form.ShowModal(); },
      [&drive](forms::Form&, FormView& view) {
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        drive(view);
      });
}

template <class W>
W* Widget(FormView& view, const char* name) {
  return view.findChild<W*>(QString::fromUtf8(name));
}

}  // namespace korvax::ui::testing
