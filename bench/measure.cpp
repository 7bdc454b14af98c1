// bench_measure -o FILE PROGRAM [ARGUMENTS...]: runs PROGRAM with this
// process's standard streams, then writes its wall time, peak resident
// memory and exit code as one line to FILE; ends with PROGRAM's exit code.

#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Measure.h"

namespace {

const char* const kUsage = "Usage: bench_measure -o FILE PROGRAM [ARGUMENTS...]\n";

int MeasureInto(const std::string& output, const std::vector<std::string>& command) {
  const bench::Measurement measurement = bench::RunMeasured(command);
  std::ofstream out(output, std::ios::trunc);
  out << bench::FormatMeasurement(measurement) << '\n';
  out.close();
  if (!out) {
    std::cerr << "bench_measure: Unable to write " << output << std::endl;
    return 1;
  }
  return measurement.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || std::string(argv[1]) != "-o") {
    std::cerr << kUsage;
    return 2;
  }
  try {
    return MeasureInto(argv[2], std::vector<std::string>(argv + 3, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "bench_measure: " << error.what() << std::endl;
    return 1;
  }
}
