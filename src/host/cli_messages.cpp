#include "host/cli_messages.hpp"

#include <iostream>
#include <memory>
#include <regex>

#include "host/exit_codes.hpp"

namespace korvax::host {

namespace {

// The words CLI11 puts into help texts.
std::shared_ptr<CLI::Formatter> GermanFormatter() {
  auto formatter = std::make_shared<CLI::Formatter>();
  const std::pair<const char*, const char*> labels[] = {{"Usage", "Aufruf"},
                                                        {"OPTIONS", "OPTIONEN"},
                                                        {"SUBCOMMAND", "BEFEHL"},
                                                        {"SUBCOMMANDS", "BEFEHLE"},
                                                        {"Positionals", "Argumente"},
                                                        {"REQUIRED", "(nötig)"},
                                                        {"TEXT", "WERT"},
                                                        {"INT", "N"},
                                                        {"UINT", "N"},
                                                        {"FLOAT", "ZAHL"},
                                                        {"Env", "Umgebung"},
                                                        {"Needs", "braucht"},
                                                        {"Excludes", "schließt aus"}};
  for (const auto& [key, label] : labels) formatter->label(key, label);
  formatter->column_width(34);
  return formatter;
}

// The subcommand the user called, the deepest one that was parsed.
const CLI::App* CalledCommand(const CLI::App* app) {
  for (;;) {
    const std::vector<CLI::App*> called = app->get_subcommands();
    if (called.empty()) return app;
    app = called.front();
  }
}

std::string CommandPath(const CLI::App* app) {
  std::string path;
  for (; app->get_parent() != nullptr; app = app->get_parent()) path = " " + app->get_name() + path;
  return "korvax" + path;
}

// The kind of an error by its class: CLI11 names an error of a subcommand's
// parse after the subcommand, not after its kind.
template <class Kind>
bool Is(const CLI::Error& error) {
  return dynamic_cast<const Kind*>(&error) != nullptr;
}

std::string Match(const std::string& text, const std::regex& pattern, int group = 1) {
  std::smatch m;
  return std::regex_search(text, m, pattern) ? m[group].str() : std::string();
}

}  // namespace

void SetUpGerman(CLI::App& app) {
  app.formatter(GermanFormatter());
  app.option_defaults()->group("Optionen");
  app.set_help_flag("-h,--help", "zeigt diese Hilfe");
  app.failure_message(FailureMessage);
}

CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description,
                     const std::string& group) {
  CLI::App* command = app.add_subcommand(name, description);
  command->group(group);
  // The help flag is made before the option defaults are taken over.
  command->get_help_ptr()->group("Optionen");
  return command;
}

std::string GermanError(const CLI::Error& error) {
  const std::string what = error.what();
  if (Is<CLI::ValidationError>(error)) return what;
  if (Is<CLI::RequiredError>(error)) {
    if (what.rfind("A subcommand", 0) == 0) return "Es fehlt ein Befehl.";
    const std::string option = Match(what, std::regex("^(\\S+) is required"));
    if (!option.empty()) return option + " fehlt.";
    const std::string list = Match(what, std::regex("\\[([^\\]]*)\\]"));
    if (!list.empty()) return "Genau eine dieser Optionen ist nötig: " + list + ".";
  }
  if (Is<CLI::ExtrasError>(error)) {
    const std::string extras = Match(what, std::regex("not expected: (.*)$"));
    return "Unbekanntes Argument: " + extras + ".";
  }
  if (Is<CLI::ArgumentMismatch>(error)) {
    std::string option = Match(what, std::regex("arguments to (\\S+),"));
    if (option.empty()) option = Match(what, std::regex("^([^: ]+):"));
    if (!option.empty()) return option + " braucht einen Wert.";
  }
  if (Is<CLI::ConversionError>(error)) {
    const std::string option = Match(what, std::regex("convert: (\\S+) = "));
    if (!option.empty())
      return option + ": \"" + Match(what, std::regex(" = (.*)$")) + "\" ist kein gültiger Wert.";
  }
  if (Is<CLI::ExcludesError>(error)) {
    return Match(what, std::regex("^(\\S+) excludes")) + " und " +
           Match(what, std::regex("excludes (\\S+)$")) + " schließen sich aus.";
  }
  if (Is<CLI::RequiresError>(error)) {
    return Match(what, std::regex("^(\\S+) requires")) + " geht nur mit " +
           Match(what, std::regex("requires (\\S+)$")) + ".";
  }
  return "Ungültige Argumente (" + what + ").";
}

std::string FailureMessage(const CLI::App* app, const CLI::Error& error) {
  const CLI::App* called = CalledCommand(app);
  const std::string path = CommandPath(called);
  std::string message = GermanError(error);
  if (message == "Es fehlt ein Befehl.") {
    std::string names;
    for (const CLI::App* command : called->get_subcommands({})) {
      names += (names.empty() ? "" : ", ") + command->get_name();
    }
    const std::vector<std::string> rest = called->remaining();
    message = rest.empty() ? "Es fehlt ein Befehl (" + names + ")."
                           : "Unbekannter Befehl \"" + rest.front() + "\" (" + names + ").";
  }
  return path + ": " + message + "\nHilfe: " + path + " --help\n";
}

int Exit(const CLI::App& app, const CLI::ParseError& error) {
  // Help, and a subcommand's own refusal, which it has told already.
  if (Is<CLI::Success>(error) || Is<CLI::RuntimeError>(error)) return app.exit(error);
  app.exit(error);
  return kExitUsage;
}

std::string ExitCodeFooter() {
  std::string footer = "Rückgabewerte aller Befehle:";
  for (const ExitCodeText& c : kExitCodeTexts) {
    std::string code = std::to_string(c.code);
    footer += "\n  " + std::string(4 - code.size(), ' ') + code + "  " + c.text;
  }
  return footer;
}

}  // namespace korvax::host
