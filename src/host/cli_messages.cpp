#include "host/cli_messages.hpp"

namespace korvax::host {

std::string FailureMessage(const CLI::App* /*app*/, const CLI::Error& error) {
  return std::string("korvax: ungültige Argumente: ") + error.what() +
         "\nEine Beschreibung aller Optionen gibt korvax --help (korvax show --help ...).\n";
}

}  // namespace korvax::host
