// The invoice workloads of the performance runs, their inputs and the floor
// they are measured against. Each workload opens its input, does its work
// and saves to `out`; the caller times it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace korvax::bench {

// The inputs of one run, all under one folder.
struct Inputs {
  std::filesystem::path folder;
  std::filesystem::path Invoice(int lines) const;  // lines in 20 category tables
  std::filesystem::path Nr7Invoice() const;        // 50 pages and a 1,000-line Korvax_4 table
  std::filesystem::path Office() const;            // the host database
};

// The clocks a repetition is timed by: started before the workload is
// called; a workload restarts them after set-up that the user does not wait
// for (a document the host has open already, a dialog already shown).
struct Stopwatch {
  double cpu0 = 0;
  double wall0 = 0;
  long faults0 = 0;
  void Restart();
  // Under callgrind, dumps the instructions counted since the restart.
  void Stop();
  double CpuSeconds() const;   // since the last restart
  double WallSeconds() const;  // since the last restart
  long Faults() const;         // page faults since the last restart
};

// Writes every input; the same bytes on every run.
void GenerateInputs(const Inputs& inputs);

// The uncompressed size of word/document.xml in a .docx.
uint64_t DocumentXmlBytes(const std::filesystem::path& docx);

// Unzip, parse every XML part, serialise, zip; no object model.
void FloorRoundTrip(const std::filesystem::path& in, const std::filesystem::path& out);
// Unzip and parse only: the floor of a workload that does not save.
void FloorRead(const std::filesystem::path& in);
// Serialise and zip only, timed from a parsed package: the floor of a
// workload on a document that is open already.
void FloorWrite(const std::filesystem::path& in, const std::filesystem::path& out,
                Stopwatch& clock);

// What every workload needs before the first run: the log and settings
// folder, the registered dialogs.
void PrepareProcess(const std::filesystem::path& scratch);

// P1: open, rebuild the totals, save; the host's database is open before,
// untimed. Returns a check value (the rows of the totals table) so that a
// broken run shows.
int TotalsRoundTrip(const Inputs& inputs, const std::filesystem::path& in,
                    const std::filesystem::path& out, Stopwatch& clock);
// P2: the Nr. 7 dialog through the table selection and OK, save. With
// `from_ok`, timed as the user waits for it: the document opened and the
// grid loaded before are set-up, and the clock restarts at the click on OK;
// without, the round trip from opening the file. Returns the rows of the
// rewritten table.
int Nr7Finish(const std::filesystem::path& in, const std::filesystem::path& out,
              Stopwatch* from_ok);
// P3: the Nr. 7 dialog loads the table into its grid, cancel. With
// `from_show`, the clock restarts as the dialog is shown (the document is
// open before); without, the round trip from opening the file. Returns the
// grid rows.
int Nr7Open(const std::filesystem::path& in, Stopwatch* from_show);
// Open and save through the Word layer, nothing else.
int OpenAndSave(const std::filesystem::path& in, const std::filesystem::path& out);

}  // namespace korvax::bench
