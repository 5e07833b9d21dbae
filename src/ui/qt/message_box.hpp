// The message-box component of the Qt back end: a QMessageBox with the
// classic button sets and icons, German button captions and the classic
// return values (1 OK, 2 Abbrechen, 3 Abbruch, 4 Wiederholen, 5 Ignorieren,
// 6 Ja, 7 Nein).
#pragma once

#include <QMessageBox>
#include <functional>
#include <memory>

#include "common/ports.hpp"

class QWidget;

namespace korvax::ui {

// Button sets (low bits of MessageBoxRequest::buttons).
inline constexpr int32_t kOkOnly = 0;
inline constexpr int32_t kOkCancel = 1;
inline constexpr int32_t kAbortRetryIgnore = 2;
inline constexpr int32_t kYesNoCancel = 3;
inline constexpr int32_t kYesNo = 4;
inline constexpr int32_t kRetryCancel = 5;

// Builds the box for a request without showing it; the buttons carry their
// return value as the property "korvaxResult". Tests inspect it.
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request, QWidget* parent);
// The value a shown box returns: that of the button clicked, else that of
// its escape button (closing the box), else that of its first button.
int32_t MessageBoxResult(const QMessageBox& box);

// Creates components whose boxes are owned by the window that `owner`
// returns at the time they are shown (the innermost dialog, or the host's).
class QtMessageBoxFactory : public MessageBoxFactory {
 public:
  explicit QtMessageBoxFactory(std::function<QWidget*()> owner) : owner_(std::move(owner)) {}
  std::unique_ptr<MessageBoxComponent> Create() override;

 private:
  std::function<QWidget*()> owner_;
};

}  // namespace korvax::ui
