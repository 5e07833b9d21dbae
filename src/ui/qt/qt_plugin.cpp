// The Qt dialogs as a library of their own (libkorvax-qt.so), which the core
// loads when a host chooses them: its entry point and the back end it hands
// out. The dialogs run in the host's QApplication when it has one, as modal
// windows of its active window; otherwise in an application made for the
// outermost dialog of the call.
#include <dlfcn.h>

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/error.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/forms/ui_plugin.hpp"
#include "ui/qt/qt_ui.hpp"

namespace korvax::ui {

namespace {

// Steps of a script played in the dialogs follow each other this fast: a
// person watching can follow them.
constexpr int kScriptPaceMs = 120;

const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// Qt ends the whole process when the X server it is told of does not answer;
// so ask the server first, through the library Qt itself would use. The
// connection stays open: an X server whose last client leaves starts over,
// and refuses the connections that come meanwhile, such as Qt's.
bool XServerAnswers() {
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  static void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) return false;
  static auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  static auto has_error = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  static auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  static void* connection = nullptr;
  if (connect == nullptr || has_error == nullptr || disconnect == nullptr) return false;
  if (connection != nullptr && has_error(connection) == 0) return true;
  if (connection != nullptr) disconnect(connection);
  connection = connect(nullptr, nullptr);
  return connection != nullptr && has_error(connection) == 0;
}

bool QtHasWayland() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms"));
  return !platforms.entryList({QStringLiteral("libqwayland*.so")}).isEmpty();
}

// Why no dialog window can be shown; empty when one can.
std::string WhyNoDisplay() {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    return qobject_cast<QApplication*>(app) != nullptr
               ? ""
               : "Das Programm hat eine QCoreApplication; die Qt-Dialoge brauchen eine "
                 "QApplication";
  }
  if (Environment("QT_QPA_PLATFORM") != nullptr) return "";
  if (const char* display = Environment("DISPLAY")) {
    if (XServerAnswers()) return "";
    if (Environment("WAYLAND_DISPLAY") == nullptr) {
      return std::string("Die Anzeige DISPLAY=") + display + " antwortet nicht";
    }
  }
  if (Environment("WAYLAND_DISPLAY") != nullptr) {
    return QtHasWayland() ? "" : "Wayland-Anzeige ohne das Wayland-Modul von Qt (qt6-wayland)";
  }
  return "Keine Anzeige für die Qt-Dialoge: weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt "
         "(QT_QPA_PLATFORM=offscreen zeichnet ohne Bildschirm)";
}

class PluginUi : public forms::UiBackend {
 public:
  explicit PluginUi(forms::ScriptedUi* script) : script_(script) {
    if (script_ != nullptr) {
      ui_.PlayScript([script](forms::Form& form) { script->RunNextStep(form); }, kScriptPaceMs);
    }
  }

  void RunModal(forms::Form& form) override {
    const bool outermost = depth_ == 0;
    if (outermost && QCoreApplication::instance() == nullptr) {
      // The display may have gone since the interface was chosen.
      if (const std::string why = WhyNoDisplay(); !why.empty()) throw Error(429, why);
      app_ = std::make_unique<QApplication>(argc_, argv_);
      QApplication::setApplicationDisplayName(QStringLiteral("Korvax"));
    }
    if (outermost) ui_.SetParentWindow(app_ ? nullptr : QApplication::activeWindow());
    ++depth_;
    struct Leave {
      PluginUi& ui;
      ~Leave() {
        if (--ui.depth_ == 0) ui.app_.reset();
      }
    } leave{*this};
    ui_.RunModal(form);
  }

  std::shared_ptr<MessageBoxFactory> MessageBoxes() override {
    return script_ != nullptr ? script_->MessageBoxes() : ui_.MessageBoxes();
  }

 private:
  QtUi ui_;
  forms::ScriptedUi* script_;
  std::unique_ptr<QApplication> app_;  // made for the call when the host has none
  int depth_ = 0;
  // QApplication keeps references to both.
  int argc_ = 1;
  char name_[7] = "korvax";
  char* argv_[2] = {name_, nullptr};
};

}  // namespace

}  // namespace korvax::ui

extern "C" __attribute__((visibility("default"))) korvax::forms::UiBackend* korvax_ui_plugin_create(
    const korvax::forms::UiPluginRequest& request, korvax::forms::UiPluginFailure* failure) {
  try {
    if (request.version == nullptr || std::string_view(request.version) != KORVAX_VERSION) {
      *failure = {48, std::string("Die Qt-Dialoge (") + KORVAX_VERSION +
                          ") passen nicht zu Korvax " +
                          (request.version != nullptr ? request.version : "?")};
      return nullptr;
    }
    korvax::forms::detail::UseRuntime(*request.runtime);
    if (std::string why = korvax::ui::WhyNoDisplay(); !why.empty()) {
      *failure = {429, std::move(why)};
      return nullptr;
    }
    return new korvax::ui::PluginUi(request.script);
  } catch (const std::exception& e) {
    *failure = {429, e.what()};
    return nullptr;
  }
}

static_assert(std::is_same_v<decltype(&korvax_ui_plugin_create), korvax::forms::UiPluginEntry>);
