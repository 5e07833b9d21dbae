// A form: its controls as a form designer lays them out, its window
// properties and its lifecycle, independent of any toolkit.
//
// A dialog derives from Form and declares its controls in its constructor:
//
//   class GFrmTabelle : public forms::Form {
//    public:
//     GFrmTabelle() : Form("G_frmTabelle") {
//       SetCaption("Tabellenwahl");
//       auto& frame = AddFrame("sevFrame1", "zu bearbeitende Tabelle auswählen",
//                              480, 120, 3255, 3015);
//       AddOptionButton("optTabelle(0)", "1. vorhandener Eintrag", 480, 720, 2055, 255, &frame);
//       auto& ok = AddCommandButton("cmdEnde", "&OK", 2400, 3240, 1335, 375);
//       ok.OnClick([this] { Hide(); });
//       OnLoad([this] { FormLoad(); });
//     }
//   };
//
// Lifecycle as on the classic forms: the first access to a property of the
// form or of one of its controls loads it (the Load event runs); ShowModal
// shows it and returns once it is hidden or unloaded; Unload fires the Unload
// event and resets every control to its designed state, and the next access
// loads the form again. The control objects themselves stay, so references
// to them stay valid across unloads; the dialog's own member variables keep
// their values too, as form-level variables did. A form only loads on access
// once its design is complete: create forms through FormInstance<T>() (one
// instance per type, reused, as the plug-in's dialogs are) or
// Form::Create<T>(). Focus can only be set on a shown form (5 otherwise), so
// not in the Load event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include "common/ports.hpp"
#include "platform/forms/buttons.hpp"
#include "platform/forms/control.hpp"
#include "platform/forms/edit.hpp"
#include "platform/forms/grid.hpp"
#include "platform/forms/masked_edit.hpp"

namespace korvax::forms {

inline constexpr int kMousePointerDefault = 0;
inline constexpr int kMousePointerHourglass = 11;

// Told about changes the user would see, so that a toolkit back end can
// bring its widgets up to date.
class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void ControlChanged(Control& control) = 0;
  virtual void FormChanged(Form& form) = 0;
};

class Form : public WindowPlacement {
 public:
  explicit Form(std::string name);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Constructs a form with its design complete, so that access loads it.
  template <class T, class... Args>
  static std::unique_ptr<T> Create(Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    form->EndDesign();
    return form;
  }

  // --- Designer: geometry in twips, relative to the container (or the form).
  // A name with an index, "optTabelle(1)", makes the control part of an array.
  Label& AddLabel(std::string_view name, std::string caption, int left, int top, int width,
                  int height, Frame* container = nullptr);
  Frame& AddFrame(std::string_view name, std::string caption, int left, int top, int width,
                  int height, Frame* container = nullptr);
  CommandButton& AddCommandButton(std::string_view name, std::string caption, int left, int top,
                                  int width, int height, Frame* container = nullptr);
  CheckBox& AddCheckBox(std::string_view name, std::string caption, int left, int top, int width,
                        int height, Frame* container = nullptr);
  OptionButton& AddOptionButton(std::string_view name, std::string caption, int left, int top,
                                int width, int height, Frame* container = nullptr);
  TextBox& AddTextBox(std::string_view name, int left, int top, int width, int height,
                      Frame* container = nullptr);
  MaskedEdit& AddMaskedEdit(std::string_view name, std::string_view mask, int left, int top,
                            int width, int height, Frame* container = nullptr);
  ComboBox& AddComboBox(std::string_view name, int left, int top, int width, int height,
                        Frame* container = nullptr);
  Grid& AddGrid(std::string_view name, int rows, int cols, int left, int top, int width, int height,
                Frame* container = nullptr);
  // Ends the design: from now on access loads the form.
  void EndDesign() { designing_ = false; }

  // --- Controls
  // By name, "optTabelle(1)" for an array element; nullptr when absent.
  Control* Find(std::string_view name) const;
  // By name and type; fails with 730 when absent or of another kind.
  template <class T>
  T& Get(std::string_view name) const {
    auto* control = dynamic_cast<T*>(Find(name));
    if (control == nullptr) throw ControlNotFound(name);
    return *control;
  }
  // The elements of a control array, by index.
  std::vector<Control*> ControlArray(std::string_view name) const;
  // Every control in design order.
  std::vector<Control*> Controls() const;
  // The control with the focus, nullptr for none.
  Control* ActiveControl() const { return focused_; }
  // The button that Enter and Escape click, nullptr for none.
  CommandButton* DefaultButton() const;
  CommandButton* CancelButton() const;
  // Escape closes a form without a cancel button as its close box does, when
  // the form asks for it (a design property, kept over unloads).
  bool EscapeCloses() const { return escape_closes_; }
  void SetEscapeCloses(bool on) { escape_closes_ = on; }

  // --- Window properties (access loads the form)
  std::string Name() const override { return name_; }
  const std::string& Caption() const;
  void SetCaption(std::string caption);
  int16_t WindowState() const override;
  void SetWindowState(int16_t state) override;  // 0 normal, 1 minimised, 2 maximised
  float Top() const override;
  void SetTop(float twips) override;
  float Left() const override;
  void SetLeft(float twips) override;
  float Width() const;
  void SetWidth(float twips);
  float Height() const;
  void SetHeight(float twips);
  int MousePointer() const;
  void SetMousePointer(int pointer);  // 0 default, 11 hourglass
  const Font& GetFont() const;
  void SetFont(const Font& font);  // controls added afterwards take it too

  // --- Lifecycle
  bool IsLoaded() const { return loaded_; }               // never loads
  bool IsVisible() const { return loaded_ && visible_; }  // never loads
  bool IsModal() const;                                   // shown modally right now
  // Loads the form when it is not loaded and its design is complete.
  void EnsureLoaded();
  void Load();  // loads now, design complete or not
  // Shows the form modally through the UI back end and returns once it is
  // hidden or unloaded. 400 when it is already shown.
  void ShowModal();
  void Show();  // modeless: visible, returns at once
  void Hide();
  // Fires Unload; unless the handler cancels, hides the form, resets its
  // controls to their designed state and leaves it unloaded.
  void Unload();
  // The user closes the window with its close box: an unload by the user.
  void UserClose();

  void OnLoad(EventHandler handler) { load_ = std::move(handler); }
  // The handler may set cancel to a value other than 0 to keep the form.
  void OnUnload(std::function<void(int& cancel)> handler) { unload_ = std::move(handler); }
  // Fires each time the form is shown.
  void OnActivate(EventHandler handler) { activate_ = std::move(handler); }

  void SetObserver(FormObserver* observer) { observer_ = observer; }
  FormObserver* Observer() const { return observer_; }

  // Moves the focus (LostFocus on the old control, GotFocus on the new);
  // control nullptr just takes it away. Checks nothing; SetFocus does.
  void MoveFocus(Control* control);
  // Moves the focus to the next control that can take it, in tab order.
  void FocusNext();
  // Alt with a letter: clicks the available button, check box or option
  // whose caption marks that letter with "&" (case ignored). False for none.
  bool PressAccessKey(char32_t key);

  // The forms in existence, and the innermost modal one (nullptr for none).
  static std::vector<Form*> AllForms();
  static Form* FindForm(std::string_view name);
  static Form* CurrentModal();

  static Error ControlNotFound(std::string_view name);  // 730

 private:
  friend class Control;

  template <class T, class... Args>
  T& Adopt(Args&&... args);
  void Touch() const;
  void Changed();
  std::vector<Control*> TabOrder() const;

  struct Properties {
    std::string caption;
    float left = 0;
    float top = 0;
    float width = 4800;
    float height = 3600;
    int16_t window_state = 0;
    int mouse_pointer = kMousePointerDefault;
    Font font;
  };

  std::string name_;
  Properties props_;
  Properties design_props_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Control>> design_;  // copies taken at the first load
  Control* focused_ = nullptr;
  bool designing_ = true;
  bool design_taken_ = false;
  bool loaded_ = false;
  bool loading_ = false;
  bool visible_ = false;
  bool escape_closes_ = false;
  int next_tab_index_ = 0;
  FormObserver* observer_ = nullptr;
  EventHandler load_;
  std::function<void(int&)> unload_;
  EventHandler activate_;
};

// The screen's mouse pointer, which overrides every form's while it is not
// the default (0); 11 is the hourglass.
int ScreenMousePointer();
void SetScreenMousePointer(int pointer);

// Runs the modal loop of a shown form. The scripted UI and the Qt dialogs
// are the two back ends.
class UiBackend {
 public:
  virtual ~UiBackend() = default;
  // Called with a form that has just been shown modally; returns once the
  // form is hidden or unloaded.
  virtual void RunModal(Form& form) = 0;
  // The message boxes of this back end, registered with SetBackend.
  virtual std::shared_ptr<MessageBoxFactory> MessageBoxes() { return nullptr; }
};

// Installs the back end that ShowModal uses (nullptr for none) and registers
// its message boxes. The caller keeps the back end alive while it is set.
void SetBackend(UiBackend* backend);
UiBackend* Backend();

// The one instance of a form type, created on first use and reused; the
// design of an instance is complete, so access loads it.
namespace detail {
Form* FindInstance(std::type_index type);
Form& AddInstance(std::type_index type, std::unique_ptr<Form> form);
}  // namespace detail

template <class T>
T& FormInstance() {
  if (Form* form = detail::FindInstance(typeid(T))) return static_cast<T&>(*form);
  return static_cast<T&>(detail::AddInstance(typeid(T), Form::Create<T>()));
}
// Destroys every instance (library unload, and between tests).
void DestroyFormInstances();

}  // namespace korvax::forms
