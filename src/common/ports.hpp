// Ports through which the shared helpers reach the user interface. The forms
// runtime and the Qt dialogs implement them; the helpers never see a toolkit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace korvax {

// A window whose state and position are stored per user (window state 0 is
// normal, 1 minimised, 2 maximised; positions in twips).
class WindowPlacement {
 public:
  virtual ~WindowPlacement() = default;
  virtual std::string Name() const = 0;  // the form's name, the settings section
  virtual int16_t WindowState() const = 0;
  virtual void SetWindowState(int16_t state) = 0;
  virtual float Top() const = 0;
  virtual void SetTop(float twips) = 0;
  virtual float Left() const = 0;
  virtual void SetLeft(float twips) = 0;
};

// The arguments of the message-box utility, in their order.
struct MessageBoxRequest {
  std::string prompt;
  int32_t buttons = 0;  // 4 = Yes and No; 32 question mark icon
  std::string title;
  std::string help_file;
  int32_t context = 0;
  int16_t value6 = 0;
  std::string text7;
  int32_t value8 = 0;
  int32_t value9 = 0;
};

// The external message-box component: shows the prompt with the buttons and
// returns the button chosen (6 Yes, 7 No, 1 OK, 2 Cancel).
class MessageBoxComponent {
 public:
  virtual ~MessageBoxComponent() = default;
  virtual void SetOptions(bool first, bool second) = 0;
  virtual int32_t Show(const MessageBoxRequest& request) = 0;
};

// Creates a new component per call, as the utility does. The UI back end
// registers its factory; with none registered the component cannot be created.
class MessageBoxFactory {
 public:
  virtual ~MessageBoxFactory() = default;
  virtual std::unique_ptr<MessageBoxComponent> Create() = 0;
};
void RegisterMessageBoxFactory(std::shared_ptr<MessageBoxFactory> factory);
std::shared_ptr<MessageBoxFactory> RegisteredMessageBoxFactory();

}  // namespace korvax
