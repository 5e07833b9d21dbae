// The Word layer on invoice-sized work: a 1,000-row table written cell by cell
// into a 50-page document, every cell of a 2,000-row table read, saving; and
// beside them the floor of unzipping, parsing, serialising and zipping.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/word/package.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

const char* const kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document "
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
const char* const kTail =
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" w:right=\"1417\" "
    "w:bottom=\"1134\" w:left=\"1417\"/></w:sectPr></w:body></w:document>";

std::filesystem::path Folder() {
  static auto dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("korvax-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

std::filesystem::path Write(const std::string& name, const std::string& body) {
  Package p;
  p.SetBytes("[Content_Types].xml",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas."
             "openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
             "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd."
             "openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
  p.SetBytes("_rels/.rels",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas."
             "openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
             "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
             "officeDocument\" Target=\"word/document.xml\"/></Relationships>");
  p.SetBytes("word/document.xml", kHead + body + kTail);
  auto path = Folder() / name;
  p.Write(path);
  return path;
}

// About 50 pages: 1,000 paragraphs of two lines each.
const std::filesystem::path& FiftyPages() {
  static auto path = [] {
    std::string body;
    for (int i = 0; i < 1000; ++i) {
      body += "<w:p><w:r><w:rPr><w:sz w:val=\"22\"/></w:rPr><w:t xml:space=\"preserve\">Absatz " +
              std::to_string(i) +
              ": Die Vermessung der Flurstücke nach der Gebührenordnung ergibt die folgenden "
              "Beträge in Euro für die Zerlegung, Gebäudeaufnahme und Grenzfeststellung.</w:t>"
              "</w:r></w:p>";
    }
    return Write("fifty-pages.docx", body);
  }();
  return path;
}

// A 2,000-row, 5-column table: the lines of a long invoice.
const std::filesystem::path& TwoThousandLines() {
  static auto path = [] {
    std::string body = "<w:tbl><w:tblPr/><w:tblGrid>";
    for (int c = 0; c < 5; ++c) body += "<w:gridCol w:w=\"1800\"/>";
    body += "</w:tblGrid>";
    for (int r = 0; r < 2000; ++r) {
      body += "<w:tr>";
      for (int c = 0; c < 5; ++c) {
        body += "<w:tc><w:p><w:r><w:t>Flst.Nr. " + std::to_string(r) + "/" + std::to_string(c) +
                " 1.234,56 €</w:t></w:r></w:p></w:tc>";
      }
      body += "</w:tr>";
    }
    return Write("two-thousand-lines.docx", body + "</w:tbl><w:p/>");
  }();
  return path;
}

void BM_WriteTableCellByCell(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = Document::Open(FiftyPages());
    state.ResumeTiming();
    Range at = doc->Range(0, 0);
    at.SetRange(doc->Content().End() / 2, doc->Content().End() / 2);
    Table t = doc->Tables().Add(at, rows, 5);
    for (int r = 1; r <= rows; ++r) {
      for (int c = 1; c <= 5; ++c) {
        t.Cell(r, c).Range().InsertAfter(c == 5 ? "  1.234,56 €" : "Flst.Nr. 17/4");
      }
    }
    benchmark::DoNotOptimize(t.Cell(rows, 5).Range().Text());
  }
  state.counters["cells"] = benchmark::Counter(static_cast<double>(rows) * 5 * state.iterations(),
                                               benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WriteTableCellByCell)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ReadEveryCell(benchmark::State& state) {
  auto doc = Document::Open(TwoThousandLines());
  for (auto _ : state) {
    Table t = doc->Tables().Item(1);
    size_t total = 0;
    int rows = t.Rows().Count();
    for (int r = 1; r <= rows; ++r) {
      for (int c = 1; c <= 5; ++c) total += t.Cell(r, c).Range().Text().size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["cells"] =
      benchmark::Counter(10000.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadEveryCell)->Unit(benchmark::kMillisecond);

// The totals read every fee cell and ask it for a rate comment; every n-th
// fee cell (the argument) has one.
void BM_ReadFeeColumnWithComments(benchmark::State& state) {
  const int every = static_cast<int>(state.range(0));
  auto doc = Document::Open(TwoThousandLines());
  Table t = doc->Tables().Item(1);
  for (int r = every; r <= 2000; r += every)
    t.Cell(r, 5).Range().Comments().Add(t.Cell(r, 5).Range(), "7");
  for (auto _ : state) {
    int rated = 0;
    size_t total = 0;
    for (int r = 1; r <= 2000; ++r) {
      Range cell = t.Cell(r, 5).Range();
      total += cell.Text().size();
      rated += cell.Comments().Count() > 0;
    }
    benchmark::DoNotOptimize(total);
    if (rated != 2000 / every) state.SkipWithError("comments not found");
  }
  state.counters["comments"] = 2000 / every;
}
BENCHMARK(BM_ReadFeeColumnWithComments)->Arg(100)->Arg(10)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OpenWriteTableAndSave(benchmark::State& state) {
  for (auto _ : state) {
    auto doc = Document::Open(FiftyPages());
    Range at = doc->Content();
    at.Collapse(wdCollapseEnd);
    Table t = doc->Tables().Add(at, 1000, 5);
    for (int r = 1; r <= 1000; ++r) {
      for (int c = 1; c <= 5; ++c) t.Cell(r, c).Range().InsertAfter("Flst.Nr. 17/4");
    }
    doc->SaveAs(Folder() / "saved.docx");
  }
}
BENCHMARK(BM_OpenWriteTableAndSave)->Unit(benchmark::kMillisecond);

void BM_OpenAndSave(benchmark::State& state) {
  const auto& source = state.range(0) == 0 ? FiftyPages() : TwoThousandLines();
  for (auto _ : state) {
    auto doc = Document::Open(source);
    doc->Content();
    doc->SaveAs(Folder() / "saved.docx");
  }
}
BENCHMARK(BM_OpenAndSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The floor: what any .docx writer pays for unzip, parse, serialise and zip.
void BM_FloorUnzipParseSerializeZip(benchmark::State& state) {
  const auto& source = state.range(0) == 0 ? FiftyPages() : TwoThousandLines();
  for (auto _ : state) {
    Package p = Package::Read(source);
    p.Xml("word/document.xml");
    p.Write(Folder() / "floor.docx");
  }
}
BENCHMARK(BM_FloorUnzipParseSerializeZip)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvax::word

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(korvax::word::Folder());
  return 0;
}
