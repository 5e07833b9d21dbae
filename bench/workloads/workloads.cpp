// The workloads as the host drives them: the order context set up as Show
// leaves it, the dialogs played by the scripted UI.
#include <malloc.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <ctime>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

// -DKORVAX_HAVE_CALLGRIND=0 leaves the counts whole, for profiles: callgrind
// keeps a zeroed count's functions apart only in the inclusive view.
#ifndef KORVAX_HAVE_CALLGRIND
#if __has_include(<valgrind/callgrind.h>)
#define KORVAX_HAVE_CALLGRIND 1
#else
#define KORVAX_HAVE_CALLGRIND 0
#endif
#endif
#if KORVAX_HAVE_CALLGRIND
#include <valgrind/callgrind.h>
#endif

#include "billing/summe_bilden.hpp"
#include "dialogs/frm_kat4.hpp"
#include "dialogs/register.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/dao/dao.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/word/word.hpp"
#include "plugin/plugin_state.hpp"
#include "workloads.hpp"

namespace korvax::bench {

namespace {

using nlohmann::json;

// The grid of the Nr. 7 input: its header and 1,000 lines.
constexpr int kNr7GridRows = 1001;

// The order context of a fresh call from the host, on `doc`.
void SetOrder(const std::shared_ptr<word::Document>& doc) {
  ResetLibrary();
  forms::DestroyFormInstances();
  SetRememberedTableIndex(0);
  OrderContext& order = Library().order;
  order.Doc = doc;
  order.Application = doc->Application();
  order.Flurstücksnummer = "12/3";
  order.AnzahlGrenzpunkte = 4;
  order.Bodenwert = 12;
}

// Under callgrind, the instructions counted start here: what comes before
// a restart is left out as from the clocks.
void CountFromHere() {
#if KORVAX_HAVE_CALLGRIND
  CALLGRIND_ZERO_STATS;
#endif
}

double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double WallNow() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Plays the script against frmKat4 opened on the order's document; the
// table selection comes first because the document holds a Korvax_4 table,
// then the grid must hold the header and every line of the table. Fails
// unless the script went to plan.
// `before_show` runs just before the dialog is shown, `before_last` just
// before the last step.
void PlayNr7(const json& last_step, const std::function<void()>& before_show = {},
             const std::function<void()>& before_last = {}) {
  const json steps =
      json::array({{{"form", "G_frmTabelle"}, {"action", "click"}, {"control", "optTabelle(0)"}},
                   {{"form", "G_frmTabelle"}, {"action", "click"}, {"control", "cmdEnde"}},
                   {{"action", "expect"}, {"control", "GridGebühren6"}, {"rows", kNr7GridRows}},
                   last_step});
  forms::ScriptedUi ui(steps);
  if (before_last) {
    const int last = static_cast<int>(steps.size());
    ui.OnStep([&](int number) {
      if (number == last) before_last();
    });
  }
  forms::SetBackend(&ui);
  try {
    if (before_show) before_show();
    forms::FormInstance<dialogs::FrmKat4>().ShowModal();
    ui.Finish();
  } catch (...) {
    forms::SetBackend(nullptr);
    throw;
  }
  forms::SetBackend(nullptr);
}

long FaultsNow() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt + usage.ru_majflt;
}

}  // namespace

void Stopwatch::Restart() {
  CountFromHere();
  faults0 = FaultsNow();
  cpu0 = CpuNow();
  wall0 = WallNow();
}

void Stopwatch::Stop() {
#if KORVAX_HAVE_CALLGRIND
  CALLGRIND_DUMP_STATS_AT("timed");
#endif
}

double Stopwatch::CpuSeconds() const {
  return CpuNow() - cpu0;
}

double Stopwatch::WallSeconds() const {
  return WallNow() - wall0;
}

long Stopwatch::Faults() const {
  return FaultsNow() - faults0;
}

void PrepareProcess(const std::filesystem::path& scratch) {
  // malloc keeps what is freed, as in a host that bills invoices all day.
  // Otherwise it hands the top of the heap and its large blocks back after
  // each run, and takes them again as fresh pages (13 µs a page) in the
  // next: a cost that depends on which blocks happen to outlive a run. The
  // floor frees everything and paid it every repetition (98 faults, 1.5 ms
  // of its 7.6); the layer's longer-lived objects kept its heap, 13 faults.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest glibc takes
  std::filesystem::create_directories(scratch / "config");
  setenv("KORVAX_LOG_DIR", scratch.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
  dialogs::RegisterFeeDialogs();
}

int TotalsRoundTrip(const Inputs& inputs, const std::filesystem::path& in,
                    const std::filesystem::path& out, Stopwatch& clock) {
  // The host's database and invoice record are open before the call.
  auto database = dao::CreateWorkspace()->OpenDatabase(inputs.Office().string());
  auto rechnung = database->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17",
                                          dao::dbOpenDynaset);
  clock.Restart();
  auto doc = word::Document::Open(in);
  SetOrder(doc);
  Library().order.NeueAbfrage = database;
  Library().Rechnung = rechnung;
  BillingSettings& settings = Library().settings;
  settings.Mehrwertsteuersatz = 19;
  settings.AbschlagProzent = 100;
  settings.AbschlagAbsolut = 0;
  SummeBilden(true);
  doc->SaveAs(out);
  const word::Tables tables = doc->Tables();
  const int rows = tables.Item(tables.Count()).Rows().Count();
  ResetLibrary();
  return rows;
}

int Nr7Finish(const std::filesystem::path& in, const std::filesystem::path& out,
              Stopwatch* from_ok) {
  auto doc = word::Document::Open(in);
  SetOrder(doc);
  std::function<void()> before_ok;
  if (from_ok) before_ok = [from_ok] { from_ok->Restart(); };
  PlayNr7({{"action", "click"}, {"control", "CommandEnde"}}, {}, before_ok);
  doc->SaveAs(out);
  forms::DestroyFormInstances();
  ResetLibrary();
  return doc->Tables().Item(1).Rows().Count();
}

int Nr7Open(const std::filesystem::path& in, Stopwatch* from_show) {
  auto doc = word::Document::Open(in);
  SetOrder(doc);
  std::function<void()> before_show;
  if (from_show) before_show = [from_show] { from_show->Restart(); };
  PlayNr7({{"action", "click"}, {"control", "CommandAbbruch"}}, before_show);
  forms::DestroyFormInstances();
  ResetLibrary();
  return kNr7GridRows;
}

int OpenAndSave(const std::filesystem::path& in, const std::filesystem::path& out) {
  auto doc = word::Document::Open(in);
  const int tables = doc->Tables().Count();
  doc->SaveAs(out);
  return tables;
}

}  // namespace korvax::bench
