// helisolv: hydrodynamic design and analysis of marine screw propellers of the
// Wageningen B-series and the Gawn series. Reads Helisolv.Tsk in the current
// folder, asks its questions on the console and writes Helisolv.Son.
#include <iostream>

#include "driver/driver.hpp"
#include "driver/options.hpp"

int main(int argc, char** argv) {
  helisolv::Options options;
  if (auto status = helisolv::parseOptions(argc, argv, options, std::cout, std::cerr))
    return *status;
  return helisolv::runProgram(std::cin, std::cout, std::cerr, options);
}
