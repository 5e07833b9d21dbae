// The e-invoice of a long invoice: reading its billing lines from the
// document (what the e-invoice needs of it: amount, rate and the texts of
// each line) against building the CII XML of those lines. Target: the XML at
// most 1.5 times the reading, both linear in the lines (see BigO below).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "../../tests/support/docx.hpp"
#include "einvoice/build_invoice.hpp"
#include "platform/word/word.hpp"

namespace korvax::einvoice {
namespace {

std::string Cell(const std::string& text) {
  return "<w:tc><w:p><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p></w:tc>";
}

// `lines` billing lines in tables of 100, each line as the Nr. 7 dialog writes it.
std::filesystem::path InvoiceDocument(int lines) {
  const auto path =
      std::filesystem::temp_directory_path() /
      ("korvax-bench-einvoice-" + std::to_string(getpid()) + "-" + std::to_string(lines) + ".docx");
  if (std::filesystem::exists(path)) return path;
  std::string body;
  for (int line = 0; line < lines; ++line) {
    if (line % 100 == 0) {
      if (line > 0) body += "</w:tbl><w:p/>";
      body += "<w:tbl><w:tblGrid>" + std::string(5 * 20, ' ') + "</w:tblGrid><w:tr>" +
              Cell("Grenzfeststellung nach") + Cell("") + Cell("Nr. 7.1\tNr. 7.2\tNr. 7.3") +
              Cell("Wert €/m²") + Cell("") + "</w:tr>";
    }
    body += "<w:tr>" + Cell("Flst.Nr. " + std::to_string(100 + line) + "/4") + Cell("") +
            Cell("\t4 \t0 \t2 ") + Cell("   45,00") +
            Cell("  " + std::to_string(400 + line % 97) + ",52 €") + "</w:tr>";
  }
  body += "</w:tbl><w:p/>";
  korvax::testing::WriteDocx(path, body);
  return path;
}

// 500 to 4,000 lines, fitted to a straight line.
void LineCounts(benchmark::internal::Benchmark* b) {
  for (int lines : {500, 1000, 2000, 4000}) b->Arg(lines);
  b->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

void BM_ReadLines(benchmark::State& state) {
  const auto document = word::Document::Open(InvoiceDocument(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    ReadLines read = ReadInvoiceLines(*document, 19);
    benchmark::DoNotOptimize(read.lines.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadLines)->Apply(LineCounts);

void BM_WriteXml(benchmark::State& state) {
  const auto document = word::Document::Open(InvoiceDocument(static_cast<int>(state.range(0))));
  Invoice invoice;
  invoice.lines = ReadInvoiceLines(*document, 19).lines;
  invoice.number = "2026-0017";
  invoice.type_code = "380";
  for (auto _ : state) {
    const std::string xml = WriteCii(invoice);
    benchmark::DoNotOptimize(xml.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteXml)->Apply(LineCounts);

}  // namespace
}  // namespace korvax::einvoice

// malloc keeps freed memory, as in a host that bills all day (and as the
// invoice workloads run): no repetition pays page faults another did not.
int main(int argc, char** argv) {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
