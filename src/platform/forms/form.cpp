#include "platform/forms/form.hpp"

#include <algorithm>

#include "common/error.hpp"
#include "platform/forms/runtime.hpp"

namespace korvax::forms {

namespace {

detail::Runtime*& CurrentRuntime() {
  static detail::Runtime* current = &detail::OwnRuntime();
  return current;
}

std::vector<Form*>& LiveForms() {
  return CurrentRuntime()->live_forms;
}

std::vector<Form*>& ModalStack() {
  return CurrentRuntime()->modal_stack;
}

UiBackend*& BackendSlot() {
  return CurrentRuntime()->backend;
}

std::map<std::type_index, std::unique_ptr<Form>>& Instances() {
  return CurrentRuntime()->instances;
}

Error AlreadyShown() {
  return Error(400, "Formular wird bereits angezeigt; kann nicht modal angezeigt werden");
}
Error UnloadedDuringLoad() {
  return Error(364, "Objekt wurde entladen");
}

}  // namespace

Form::Form(std::string name) : name_(std::move(name)) {
  LiveForms().push_back(this);
}

Form::~Form() {
  auto& live = LiveForms();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  auto& stack = ModalStack();
  stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
}

template <class T, class... Args>
T& Form::Adopt(Args&&... args) {
  auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
  T& ref = *control;
  ref.tab_index_ = next_tab_index_++;
  controls_.push_back(std::move(control));
  return ref;
}

Label& Form::AddLabel(std::string_view name, std::string caption, int left, int top, int width,
                      int height, Frame* container) {
  return Adopt<Label>(name, std::move(caption), Geometry{left, top, width, height}, container);
}

Frame& Form::AddFrame(std::string_view name, std::string caption, int left, int top, int width,
                      int height, Frame* container) {
  return Adopt<Frame>(name, std::move(caption), Geometry{left, top, width, height}, container);
}

CommandButton& Form::AddCommandButton(std::string_view name, std::string caption, int left, int top,
                                      int width, int height, Frame* container) {
  return Adopt<CommandButton>(name, std::move(caption), Geometry{left, top, width, height},
                              container);
}

CheckBox& Form::AddCheckBox(std::string_view name, std::string caption, int left, int top,
                            int width, int height, Frame* container) {
  return Adopt<CheckBox>(name, std::move(caption), Geometry{left, top, width, height}, container);
}

OptionButton& Form::AddOptionButton(std::string_view name, std::string caption, int left, int top,
                                    int width, int height, Frame* container) {
  return Adopt<OptionButton>(name, std::move(caption), Geometry{left, top, width, height},
                             container);
}

TextBox& Form::AddTextBox(std::string_view name, int left, int top, int width, int height,
                          Frame* container) {
  return Adopt<TextBox>(name, Geometry{left, top, width, height}, container);
}

MaskedEdit& Form::AddMaskedEdit(std::string_view name, std::string_view mask, int left, int top,
                                int width, int height, Frame* container) {
  return Adopt<MaskedEdit>(name, mask, Geometry{left, top, width, height}, container);
}

ComboBox& Form::AddComboBox(std::string_view name, int left, int top, int width, int height,
                            Frame* container) {
  return Adopt<ComboBox>(name, Geometry{left, top, width, height}, container);
}

Grid& Form::AddGrid(std::string_view name, int rows, int cols, int left, int top, int width,
                    int height, Frame* container) {
  return Adopt<Grid>(name, rows, cols, Geometry{left, top, width, height}, container);
}

Control* Form::Find(std::string_view name) const {
  std::string_view base;
  int index = -1;
  SplitControlName(name, base, index);
  for (const auto& control : controls_) {
    if (control->name_ == base && control->index_ == index) return control.get();
  }
  return nullptr;
}

std::vector<Control*> Form::ControlArray(std::string_view name) const {
  std::vector<Control*> elements;
  for (const auto& control : controls_) {
    if (control->name_ == name && control->index_ >= 0) elements.push_back(control.get());
  }
  std::sort(elements.begin(), elements.end(),
            [](const Control* a, const Control* b) { return a->index_ < b->index_; });
  return elements;
}

std::vector<Control*> Form::Controls() const {
  std::vector<Control*> all;
  all.reserve(controls_.size());
  for (const auto& control : controls_) all.push_back(control.get());
  return all;
}

CommandButton* Form::DefaultButton() const {
  for (const auto& control : controls_) {
    auto* button = dynamic_cast<CommandButton*>(control.get());
    if (button != nullptr && button->Default() && button->IsUsable()) return button;
  }
  return nullptr;
}

CommandButton* Form::CancelButton() const {
  for (const auto& control : controls_) {
    auto* button = dynamic_cast<CommandButton*>(control.get());
    if (button != nullptr && button->Cancel() && button->IsUsable()) return button;
  }
  return nullptr;
}

Error Form::ControlNotFound(std::string_view name) {
  return Error(730, "Steuerelement '" + std::string(name) + "' nicht gefunden");
}

void Form::Touch() const {
  if (!loaded_ && !designing_ && !loading_) const_cast<Form*>(this)->Load();
}

void Form::Changed() {
  if (observer_ != nullptr) observer_->FormChanged(*this);
}

const std::string& Form::Caption() const {
  Touch();
  return props_.caption;
}

void Form::SetCaption(std::string caption) {
  Touch();
  props_.caption = std::move(caption);
  Changed();
}

int16_t Form::WindowState() const {
  Touch();
  return props_.window_state;
}

void Form::SetWindowState(int16_t state) {
  Touch();
  if (state < 0 || state > 2) throw errors::InvalidPropertyValue();
  props_.window_state = state;
  Changed();
}

float Form::Top() const {
  Touch();
  return props_.top;
}

void Form::SetTop(float twips) {
  Touch();
  props_.top = twips;
  Changed();
}

float Form::Left() const {
  Touch();
  return props_.left;
}

void Form::SetLeft(float twips) {
  Touch();
  props_.left = twips;
  Changed();
}

float Form::Width() const {
  Touch();
  return props_.width;
}

void Form::SetWidth(float twips) {
  Touch();
  if (twips < 0) throw errors::InvalidPropertyValue();
  props_.width = twips;
  Changed();
}

float Form::Height() const {
  Touch();
  return props_.height;
}

void Form::SetHeight(float twips) {
  Touch();
  if (twips < 0) throw errors::InvalidPropertyValue();
  props_.height = twips;
  Changed();
}

int Form::MousePointer() const {
  Touch();
  return props_.mouse_pointer;
}

void Form::SetMousePointer(int pointer) {
  Touch();
  if (pointer < 0 || (pointer > 15 && pointer != 99)) throw errors::InvalidPropertyValue();
  props_.mouse_pointer = pointer;
  Changed();
}

const Font& Form::GetFont() const {
  Touch();
  return props_.font;
}

void Form::SetFont(const Font& font) {
  Touch();
  if (font.size <= 0) throw errors::InvalidPropertyValue();
  props_.font = font;
  Changed();
}

bool Form::IsModal() const {
  const auto& stack = ModalStack();
  return std::find(stack.begin(), stack.end(), this) != stack.end();
}

void Form::EnsureLoaded() {
  Touch();
}

void Form::Load() {
  if (loaded_ || loading_) return;
  // What the form is at its first load is its design, to which every unload
  // returns it.
  if (!design_taken_) {
    for (const auto& control : controls_) design_.push_back(control->Clone());
    design_props_ = props_;
    design_taken_ = true;
  }
  designing_ = false;
  // The form counts as loaded while its Load event runs, so that the event
  // can use the controls without loading the form again.
  loading_ = true;
  loaded_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{loading_};
  if (load_) load_();
}

void Form::ShowModal() {
  EndDesign();
  EnsureLoaded();
  if (!loaded_) throw UnloadedDuringLoad();
  if (visible_) throw AlreadyShown();
  UiBackend* backend = Backend();
  if (backend == nullptr) throw errors::NotSupported("ShowModal ohne Oberfläche (korvax_set_ui)");

  visible_ = true;
  Changed();
  ModalStack().push_back(this);
  // Whatever way the modal loop ends, the form leaves the modal stack; a
  // failing back end leaves it hidden rather than shown without a loop.
  struct Leave {
    Form& form;
    ~Leave() {
      auto& stack = ModalStack();
      stack.erase(std::remove(stack.begin(), stack.end(), &form), stack.end());
      if (std::uncaught_exceptions() > 0) form.visible_ = false;
    }
  } leave{*this};

  if (activate_) activate_();
  if (IsVisible() && focused_ == nullptr) FocusNext();
  if (IsVisible()) backend->RunModal(*this);
}

void Form::Show() {
  EndDesign();
  EnsureLoaded();
  if (!loaded_) throw UnloadedDuringLoad();
  if (visible_) return;
  visible_ = true;
  Changed();
  if (activate_) activate_();
  if (IsVisible() && focused_ == nullptr) FocusNext();
}

void Form::Hide() {
  Touch();
  if (!visible_) return;
  visible_ = false;
  Changed();
}

void Form::Unload() {
  if (!loaded_) return;
  int cancel = 0;
  if (unload_) unload_(cancel);
  if (cancel != 0 || !loaded_) return;
  visible_ = false;
  focused_ = nullptr;
  for (size_t i = 0; i < design_.size() && i < controls_.size(); ++i) {
    controls_[i]->RestoreDesign(*design_[i]);
  }
  props_ = design_props_;
  loaded_ = false;
  Changed();
}

void Form::UserClose() {
  Unload();
}

void Form::MoveFocus(Control* control) {
  if (control == focused_) return;
  Control* old = focused_;
  focused_ = control;
  if (old != nullptr && old->lost_focus_) old->lost_focus_();
  // A LostFocus handler may itself have moved the focus elsewhere; then the
  // control that the user went to never gets it.
  if (focused_ != control) return;
  if (control != nullptr && control->got_focus_) control->got_focus_();
}

std::vector<Control*> Form::TabOrder() const {
  std::vector<Control*> order = Controls();
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    return a->tab_index_ < b->tab_index_;
  });
  return order;
}

void Form::FocusNext() {
  std::vector<Control*> order = TabOrder();
  if (order.empty()) return;
  auto current = std::find(order.begin(), order.end(), focused_);
  size_t start = current == order.end() ? 0 : (current - order.begin()) + 1;
  for (size_t step = 0; step < order.size(); ++step) {
    Control* candidate = order[(start + step) % order.size()];
    if (candidate->AcceptsFocus() && candidate->tab_stop_ && candidate->IsUsable()) {
      MoveFocus(candidate);
      return;
    }
  }
}

namespace {
char32_t FoldCase(char32_t c) {
  if ((c >= U'a' && c <= U'z') || c == U'ä' || c == U'ö' || c == U'ü') return c - 32;
  return c;
}
}  // namespace

bool Form::PressAccessKey(char32_t key) {
  for (Control* control : TabOrder()) {
    auto* captioned = dynamic_cast<CaptionedControl*>(control);
    if (captioned == nullptr || !captioned->AcceptsFocus() || !captioned->IsUsable()) continue;
    if (FoldCase(captioned->AccessKey()) != FoldCase(key)) continue;
    captioned->UserClick();
    return true;
  }
  return false;
}

std::vector<Form*> Form::AllForms() {
  return LiveForms();
}

Form* Form::FindForm(std::string_view name) {
  for (Form* form : LiveForms()) {
    if (form->name_ == name) return form;
  }
  return nullptr;
}

Form* Form::CurrentModal() {
  const auto& stack = ModalStack();
  return stack.empty() ? nullptr : stack.back();
}

namespace {
int& ScreenPointerSlot() {
  return CurrentRuntime()->mouse_pointer;
}
}  // namespace

int ScreenMousePointer() {
  return ScreenPointerSlot();
}

void SetScreenMousePointer(int pointer) {
  if (pointer < 0 || (pointer > 15 && pointer != 99)) throw errors::InvalidPropertyValue();
  ScreenPointerSlot() = pointer;
}

void SetBackend(UiBackend* backend) {
  BackendSlot() = backend;
  RegisterMessageBoxFactory(backend != nullptr ? backend->MessageBoxes() : nullptr);
}

UiBackend* Backend() {
  return BackendSlot();
}

namespace detail {
Runtime& OwnRuntime() {
  static Runtime runtime;
  return runtime;
}

void UseRuntime(Runtime& runtime) {
  CurrentRuntime() = &runtime;
}

Form* FindInstance(std::type_index type) {
  auto found = Instances().find(type);
  return found == Instances().end() ? nullptr : found->second.get();
}

Form& AddInstance(std::type_index type, std::unique_ptr<Form> form) {
  Form& ref = *form;
  Instances()[type] = std::move(form);
  return ref;
}
}  // namespace detail

void DestroyFormInstances() {
  Instances().clear();
}

}  // namespace korvax::forms
