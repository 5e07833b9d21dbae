// The .docx reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "docx_exercise.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  korvax::fuzz::ExerciseDocument(korvax::fuzz::WriteInput(bytes));
  return 0;
}
