// What a run returned, as the Python object RunResult: the bytes of its
// outputs, and its tables and quantities made Python objects when first asked for.
#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "helisolv/run.hpp"

namespace helisolv::python {

namespace py = pybind11;

// One run's outcome.
class PyRunResult {
 public:
  explicit PyRunResult(RunResult result) : r_(std::move(result)) {}

  int exitStatus() const { return static_cast<int>(r_.exitStatus); }
  py::bytes console() const { return py::bytes(r_.console); }
  py::bytes resultFile() const { return py::bytes(r_.resultFile); }
  py::bytes errors() const { return py::bytes(r_.errors); }
  std::string reason() const { return r_.reason; }
  py::list warnings() const;
  py::dict tables();
  py::dict results();
  py::dict inputs();
  std::string repr() const;

 private:
  RunResult r_;
  std::optional<py::dict> tables_, results_, inputs_;
};

// The class RunResult of the module.
void bindRunResult(py::module_& m);

}  // namespace helisolv::python
