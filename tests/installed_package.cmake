# Installs the build into a fresh prefix and builds and runs examples/cpp
# against it, as a project using the installed library would:
#   cmake -DBUILD_DIR=... -DEXAMPLE_DIR=... -DWORK_DIR=... -P installed_package.cmake
file(REMOVE_RECURSE ${WORK_DIR})
foreach(step IN ITEMS
        "${CMAKE_COMMAND};--install;${BUILD_DIR};--prefix;${WORK_DIR}/prefix"
        "${CMAKE_COMMAND};-S;${EXAMPLE_DIR};-B;${WORK_DIR}/build;-DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix"
        "${CMAKE_COMMAND};--build;${WORK_DIR}/build"
        "${WORK_DIR}/build/select_example"
        "${WORK_DIR}/build/open_water_example")
  execute_process(COMMAND ${step} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${step} failed (${rc}):\n${out}")
  endif()
endforeach()
# The table of type 5 at J 0.5 (see the README's viscous-correction table).
if(NOT out MATCHES "0.5 0.265249 0.417838 0.505167\n" OR NOT out MATCHES "exit status 0, ")
  message(FATAL_ERROR "unexpected output of the example:\n${out}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
