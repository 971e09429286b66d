// The parts of the module helisolv, one source each; the module's init calls
// every bind function in turn (python/module.cpp).
#pragma once

#include <pybind11/pybind11.h>

namespace helisolv::python {

namespace py = pybind11;

void bindOpenWater(py::module_& m);  // open_water (open_water_binding.cpp)
void bindCriteria(py::module_& m);   // sigma_07r, tau_c, ... (criteria_binding.cpp)
void bindRunResult(py::module_& m);  // RunResult (run_result.cpp)
void bindRun(py::module_& m);        // run (run_binding.cpp)
void bindTask(py::module_& m);       // Task (task_binding.cpp)
void bindSelect(py::module_& m);     // select (select_binding.cpp)

}  // namespace helisolv::python
