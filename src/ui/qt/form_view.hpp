// The dialog of one form: built from the form's control declarations, it
// passes the user's clicks, keys, focus changes, choices and grid selections
// to the control models as user actions, and follows the models' changes as
// the form's observer. The models decide everything; the widgets only show
// them, so a KeyPress handler that cancels a key keeps it out of the field.
#pragma once

#include <QDialog>
#include <QEventLoop>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/forms/form.hpp"
#include "ui/qt/control_widgets.hpp"
#include "ui/qt/form_layout.hpp"

namespace korvax::ui {

class GridTable;

class FormView : public QDialog, public forms::FormObserver, public ControlRouter {
 public:
  // interactive: the view observes the form and routes input (the modal
  // dialog); otherwise it only renders the form as it stands (screenshots).
  FormView(forms::Form& form, QWidget* parent, bool interactive);
  ~FormView() override;

  forms::Form& Model() const { return form_; }
  QWidget* WidgetOf(const forms::Control& control) const;
  GridTable* GridOf(const forms::Control& control) const;
  const DesignScale& Scale() const { return scale_; }

  // Shows the dialog modally and runs its event loop until the form is hidden
  // or unloaded; throws what the models threw meanwhile.
  void Run();
  // Brings every widget, the focus, the caption and the cursor up to date.
  void SyncAll();
  // Runs a user action on the models: failures end the modal loop and are
  // thrown again by Run; afterwards the widgets follow the models.
  void UserAction(const std::function<void()>& action);

  // The innermost view that runs modally, null for none; the view running a
  // given form, null when none does.
  static FormView* Innermost();
  static FormView* Running(const forms::Form& form);

  // forms::FormObserver
  void ControlChanged(forms::Control& control) override;
  void FormChanged(forms::Form& form) override;

  // ControlRouter
  bool KeyPressed(forms::Control& control, QKeyEvent* event) override;
  void FocusEntered(forms::Control& control) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override {}  // Escape belongs to the form's cancel button

 private:
  struct LayoutKey {
    forms::Geometry geometry;
    std::string caption;
    forms::Font font;
    bool visible = true;
    bool operator==(const LayoutKey&) const = default;
  };

  // Widget construction (form_view_widgets.cpp).
  void BuildWidgets();
  QWidget* CreateWidget(forms::Control& control, QWidget* parent);
  void UpdateControl(forms::Control& control);
  void UpdateEditWidget(forms::Control& control);
  bool EditKey(forms::Control& control, QKeyEvent* event);
  void EditSelectionMoved(forms::Control& control);

  void AfterAction();
  void Finish();
  void Relayout();
  LayoutKey KeyOf(const forms::Control& control) const;
  void SyncFocus();
  void SyncWindow();
  void SyncCursor();
  void ScheduleSync();
  void PlaceWindow();

  forms::Form& form_;
  bool interactive_;
  forms::FormObserver* previous_observer_ = nullptr;
  std::vector<forms::Control*> controls_;
  std::map<const forms::Control*, QWidget*> widgets_;
  std::map<const forms::Control*, GridTable*> grids_;
  std::map<const forms::Control*, LayoutKey> layout_keys_;
  FormGeometry geometry_;
  QFont desktop_font_;
  DesignScale scale_;

  QEventLoop loop_;
  bool running_ = false;
  bool finished_ = false;
  std::exception_ptr failure_;
  int quiet_ = 0;         // model changes made by the view itself
  int action_depth_ = 0;  // user actions running on the models
  int updating_ = 0;      // widgets being brought up to date
  bool syncing_focus_ = false;
  bool placing_ = false;  // the view moves the window itself
  bool sync_pending_ = false;
  int cursor_ = 0;         // mouse pointer shown through the override cursor
  QPoint model_position_;  // the form's Left and Top as last applied or written
};

}  // namespace korvax::ui
