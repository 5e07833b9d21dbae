#include "common/ports.hpp"

namespace korvax {

namespace {
std::shared_ptr<MessageBoxFactory>& Slot() {
  static std::shared_ptr<MessageBoxFactory> factory;
  return factory;
}
}  // namespace

void RegisterMessageBoxFactory(std::shared_ptr<MessageBoxFactory> factory) {
  Slot() = std::move(factory);
}

std::shared_ptr<MessageBoxFactory> RegisteredMessageBoxFactory() {
  return Slot();
}

}  // namespace korvax
