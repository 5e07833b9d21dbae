#include "common/operation.hpp"

namespace korvax {

void DescribeFailure(std::exception_ptr failure, int32_t& number, std::string& description) {
  try {
    std::rethrow_exception(failure);
  } catch (const Error& e) {
    number = e.number();
    description = e.description();
  } catch (const std::bad_alloc&) {
    const Error e = errors::OutOfMemory();
    number = e.number();
    description = e.description();
  } catch (const std::exception& e) {
    number = 51;  // internal error of the runtime
    description = std::string("Interner Fehler: ") + e.what();
  } catch (...) {
    number = 51;
    description = "Interner Fehler";
  }
}

void Operation::Report(std::exception_ptr failure) noexcept {
  ++failures_;
  int32_t number = 0;
  std::string description;
  try {
    DescribeFailure(failure, number, description);
  } catch (...) {
  }
  ReportError(module_, name_, number, description, checkpoint_);
}

}  // namespace korvax
