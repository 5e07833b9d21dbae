// korvax_workloads: writes the inputs of the performance runs, or runs one
// workload a number of times and prints one line of figures:
//
//   korvax_workloads generate FOLDER
//   korvax_workloads run WORKLOAD INPUT REPETITIONS
//
// WORKLOAD is floor, floor-read, floor-write, open-save, totals, nr7-finish,
// nr7-open, nr7-finish-alone or nr7-open-alone; the input's folder holds the
// host database and gets the saved copies. Each repetition starts from the
// input file; the ...-alone workloads, totals and floor-write leave untimed
// what the host has done before the user waits (workloads.hpp). The line
// gives the least CPU and wall time of the repetitions (the least is what noise from other
// processes disturbs least), the median wall time, the peak resident set of
// the process, the page faults of the first and the fewest of any
// repetition, and a check value of the workload's result.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "workloads.hpp"

namespace korvax::bench {
namespace {

int Generate(const std::filesystem::path& folder) {
  Inputs inputs{folder};
  GenerateInputs(inputs);
  for (const auto& path : {inputs.Invoice(1000), inputs.Invoice(2000), inputs.Nr7Invoice()}) {
    std::printf("%s docx=%ju document.xml=%ju\n", path.filename().c_str(),
                static_cast<uintmax_t>(std::filesystem::file_size(path)),
                static_cast<uintmax_t>(DocumentXmlBytes(path)));
  }
  return 0;
}

int Run(const std::string& workload, const std::filesystem::path& input, int repetitions) {
  const Inputs inputs{input.parent_path()};
  const std::filesystem::path scratch = inputs.folder / "scratch";
  const std::filesystem::path out = scratch / (workload + "-" + input.filename().string());
  PrepareProcess(scratch);

  Stopwatch clock;
  std::function<int()> once;
  if (workload == "floor") {
    once = [&] { return FloorRoundTrip(input, out), 0; };
  } else if (workload == "floor-read") {
    once = [&] { return FloorRead(input), 0; };
  } else if (workload == "floor-write") {
    once = [&] { return FloorWrite(input, out, clock), 0; };
  } else if (workload == "open-save") {
    once = [&] { return OpenAndSave(input, out); };
  } else if (workload == "totals") {
    once = [&] { return TotalsRoundTrip(inputs, input, out, clock); };
  } else if (workload == "nr7-finish") {
    once = [&] { return Nr7Finish(input, out, nullptr); };
  } else if (workload == "nr7-open") {
    once = [&] { return Nr7Open(input, nullptr); };
  } else if (workload == "nr7-finish-alone") {
    once = [&] { return Nr7Finish(input, out, &clock); };
  } else if (workload == "nr7-open-alone") {
    once = [&] { return Nr7Open(input, &clock); };
  } else {
    std::fprintf(stderr, "unknown workload %s\n", workload.c_str());
    return 2;
  }

  std::vector<double> cpu;
  std::vector<double> wall;
  std::vector<long> faults;
  int check = 0;
  for (int i = 0; i < repetitions; ++i) {
    clock.Restart();
    check = once();
    wall.push_back(clock.WallSeconds());
    cpu.push_back(clock.CpuSeconds());
    faults.push_back(clock.Faults());
    clock.Stop();
  }
  std::vector<double> sorted = wall;
  std::sort(sorted.begin(), sorted.end());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "workload=%s input=%s cpu_ms=%.1f wall_ms=%.1f wall_median_ms=%.1f maxrss_kb=%ld "
      "faults_first=%ld faults_least=%ld document_xml=%ju check=%d\n",
      workload.c_str(), input.filename().c_str(), *std::min_element(cpu.begin(), cpu.end()) * 1000,
      sorted.front() * 1000, sorted[sorted.size() / 2] * 1000, usage.ru_maxrss, faults.front(),
      *std::min_element(faults.begin(), faults.end()),
      static_cast<uintmax_t>(DocumentXmlBytes(input)), check);
  return 0;
}

}  // namespace
}  // namespace korvax::bench

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "generate") return korvax::bench::Generate(args[1]);
    if (args.size() == 4 && args[0] == "run") {
      return korvax::bench::Run(args[1], args[2], std::max(1, std::stoi(args[3])));
    }
    std::fprintf(stderr,
                 "usage: korvax_workloads generate FOLDER\n"
                 "       korvax_workloads run WORKLOAD INPUT REPETITIONS\n");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvax_workloads: %s\n", e.what());
    return 1;
  }
}
