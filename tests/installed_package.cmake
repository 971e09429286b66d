# Installs the build into a fresh prefix and builds and runs examples/cpp against it; the installed
# helisolv writes an installed example's CSV set, which the installed helisolv-plot draws:
#   cmake -DBUILD_DIR=... -DEXAMPLE_DIR=... -DWORK_DIR=... -P installed_package.cmake
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
set(share ${prefix}/share/helisolv)
set(csv ${WORK_DIR}/csv)  # the selection's charts are drawn only here
foreach(step IN ITEMS
        "${CMAKE_COMMAND};--install;${BUILD_DIR};--prefix;${prefix}"
        "${CMAKE_COMMAND};-S;${EXAMPLE_DIR};-B;${WORK_DIR}/build;-DCMAKE_PREFIX_PATH=${prefix}"
        "${CMAKE_COMMAND};--build;${WORK_DIR}/build"
        "${prefix}/bin/helisolv;${share}/examples/selection_bulk_carrier.toml;--csv;${csv}"
        "${WORK_DIR}/build/select_example"
        "${WORK_DIR}/build/open_water_example")
  execute_process(COMMAND ${step} INPUT_FILE /dev/null RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${step} failed (${rc}):\n${out}")
  endif()
endforeach()
# The table of type 5 at J 0.5 (see the README's viscous-correction table).
if(NOT out MATCHES "0.5 0.265249 0.417838 0.505167\n" OR NOT out MATCHES "exit status 0, ")
  message(FATAL_ERROR "unexpected output of the example:\n${out}")
endif()
if(EXISTS ${BUILD_DIR}/helisolv-plot)  # its first line: the Python found with matplotlib
  file(STRINGS ${prefix}/bin/helisolv-plot python LIMIT_COUNT 1 REGEX "^#!")
  string(SUBSTRING "${python}" 2 -1 python)
  execute_process(COMMAND ${python} -c "import matplotlib" RESULT_VARIABLE rc ERROR_QUIET)
endif()
if(NOT DEFINED python OR NOT rc EQUAL 0)
  message(STATUS "skipped helisolv-plot: none built, or its Python has no matplotlib")
else()  # the package is looked for too: the launcher falls back to the source tree's
  execute_process(COMMAND ${python} ${prefix}/bin/helisolv-plot ${csv} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT EXISTS ${share}/helisolv_plot_tool/charts.py
     OR NOT EXISTS ${csv}/selection_area_ratio.png OR NOT EXISTS ${csv}/selection_speed_power.png)
    message(FATAL_ERROR "the installed helisolv-plot drew no charts (${rc}):\n${out}")
  endif()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
