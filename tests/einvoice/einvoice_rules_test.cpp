// Every kind of e-invoice checked by the official rules: the CII schema, CEN's
// EN 16931 rules and KoSIT's XRechnung rules (../shared/einvoice/validate).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "einvoice/einvoice.hpp"
#include "einvoice_cases.hpp"

namespace korvax::einvoice_testing {
namespace {

const std::filesystem::path kValidator = KORVAX_SHARED_DIR "/einvoice/validate";

// The validator's verdict: its exit status and what it printed.
int Validate(const std::filesystem::path& xml, const char* option, std::string& output) {
  const std::string command = kValidator.string() + " '" + xml.string() + "' " + option + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[512];
  while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  return pipe == nullptr ? -1 : WEXITSTATUS(pclose(pipe));
}

class OfficialRules : public EInvoiceTest, public ::testing::WithParamInterface<InvoiceCase> {};

TEST_P(OfficialRules, NoFatalRuleAndNoError) {
  if (!std::filesystem::exists(kValidator)) GTEST_SKIP() << "no validator: " << kValidator;
  Bill(GetParam());
  for (const auto format : {einvoice::Format::XRechnung, einvoice::Format::Zugferd}) {
    const std::filesystem::path xml = dir_ / "invoice.xml";
    std::ofstream(xml) << einvoice::WriteCii(einvoice::BuildInvoice(Source(), format));
    std::string output;
    const bool xrechnung = format == einvoice::Format::XRechnung;
    EXPECT_EQ(Validate(xml, xrechnung ? "" : "--en16931-only", output), 0)
        << (xrechnung ? "XRechnung\n" : "ZUGFeRD\n") << output;
  }
}

INSTANTIATE_TEST_SUITE_P(EInvoice, OfficialRules, ::testing::ValuesIn(InvoiceCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvax::einvoice_testing
