// The number readers and formatters on arbitrary text and values: the German
// number reader behind the conversions, Val, CVal, WertFormatieren with any
// width and decimals, and Format with the format strings the system uses.
//
// Input: a selector byte, width and decimals, a double's bytes, then the text.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/error.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/variant.hpp"

namespace {

constexpr const char* kFormats[] = {"0.00",   "####0.00",   "#,##0.00",   "#,##0.0", "#,##0.000",
                                    "#,##0",  "0",          "@@@@@@@@",   "@@@@@ m", "@",
                                    "d/m/yy", "dd.mm.yyyy", "Short Date", "hh:mm"};

// Runs a call that may fail with korvax::Error; anything else escapes.
template <class F>
void Expected(F&& call) {
  try {
    call();
  } catch (const korvax::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Failures WertFormatieren and CVal report go nowhere instead of to a log.
  ::setenv("KORVAX_LOG_DIR", "/nonexistent/korvax-fuzz", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvax;
  FuzzedDataProvider in(data, size);
  const uint8_t selector = in.ConsumeIntegral<uint8_t>();
  const auto width = in.ConsumeIntegral<int16_t>();
  const auto decimals = in.ConsumeIntegral<int16_t>();
  const double number = in.ConsumeFloatingPoint<double>();
  const std::string format = (selector & 0x80) != 0
                                 ? in.ConsumeRandomLengthString(16)
                                 : std::string(kFormats[selector % std::size(kFormats)]);
  const std::string text = in.ConsumeRemainingBytesAsString();

  // The reader and its yes/no twin agree.
  bool parsed = false;
  Expected([&] {
    (void)ParseLocaleNumber(text);
    parsed = true;
  });
  if (parsed && !IsLocaleNumber(text)) __builtin_trap();

  const Variant as_text(text);
  Expected([&] { (void)ToDouble(as_text); });
  Expected([&] { (void)ToInteger(as_text); });
  Expected([&] { (void)ToLong(as_text); });
  Expected([&] { (void)ToSingle(as_text); });
  Expected([&] { (void)ToBoolean(as_text); });
  Expected([&] { (void)ToText(ToDate(as_text)); });
  Expected([&] { (void)Val(text); });
  Expected([&] { (void)GeneralNumber(number); });
  Expected([&] { (void)ToText(Variant(Date{number})); });

  // These report their own failures and never throw.
  (void)CVal(text);
  // Widths beyond a few thousand characters only make the run slow.
  (void)WertFormatieren(text, static_cast<int16_t>(width % 4096), decimals);

  Expected([&] { (void)Format(number, format); });
  Expected([&] { (void)Format(as_text, format); });
  Expected([&] { (void)Format(Variant(number), format); });
  Expected([&] { (void)Format(Variant(Date{number}), format); });
  return 0;
}
