// helisolv: hydrodynamic design and analysis of marine screw propellers of the
// Wageningen B-series and the Gawn series. Reads Helisolv.Tsk in the current
// folder, asks its questions on the console and writes Helisolv.Son.
#include <fcntl.h>

#include <iostream>

#include "driver/driver.hpp"
#include "driver/options.hpp"

namespace {

// Started with standard input, output or error closed, the result file would
// take the free descriptor and receive the console text and the error report.
// A closed standard stream is opened on /dev/null before any file is opened.
void reopenClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    // open() returns the lowest free descriptor, which is this one.
    if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  reopenClosedStandardStreams();
  helisolv::Options options;
  if (auto status = helisolv::parseOptions(argc, argv, options, std::cout, std::cerr))
    return *status;
  return helisolv::runProgram(std::cin, std::cout, std::cerr, options);
}
