// Everything the helisolv library offers: the series' open-water
// coefficients at a point and along a curve, the cavitation and loading
// criteria, the task, whole runs and the selection of a propeller.
#pragma once

#include "helisolv/criteria.hpp"
#include "helisolv/curve.hpp"
#include "helisolv/open_water.hpp"
#include "helisolv/run.hpp"
#include "helisolv/selection.hpp"
#include "helisolv/task.hpp"
#include "helisolv/task_file.hpp"
