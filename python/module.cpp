// The Python module helisolv: the series' open-water coefficients and the
// cavitation criteria over numpy arrays, and whole runs of a task in memory.
// Each part binds itself from its own source; every call gives up the GIL
// while it computes, so evaluations and runs in different threads go on at once.
#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "bindings.hpp"
#include "helisolv/version.hpp"

namespace py = pybind11;

PYBIND11_MODULE(helisolv, m) {
  using namespace helisolv::python;
  m.doc() =
      "Marine propellers of the Wageningen B-series and the Gawn series: open-water "
      "coefficients, cavitation criteria and the program's ten design and analysis problems.";
  m.attr("__version__") = helisolv::kVersion;
  for (const auto& [name, option] :
       {std::pair{"CORRECTIONS", "viscous-correction"}, std::pair{"GAWN_MODELS", "gawn-model"}}) {
    py::list values;
    for (const std::string& value : optionValues(option)) values.append(py::str(value));
    m.attr(name) = py::tuple(values);
  }

  // One call per part of the module, each declared in bindings.hpp. A new
  // part is a source of its own in this folder (the build takes every one)
  // and a call here.
  bindOpenWater(m);
  bindCriteria(m);
  bindRunResult(m);
  bindRun(m);
  bindTask(m);
  bindSelect(m);
}
