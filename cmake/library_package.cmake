# Installs the library as a CMake package: after `cmake --install`, a project
# finds it with find_package(helisolv) and links helisolv::helisolv.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

target_include_directories(helisolv_core INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS helisolv_core EXPORT helisolvTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/helisolv DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        PATTERN "*.in" EXCLUDE)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/generated/helisolv/version.hpp
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/helisolv)

set(helisolv_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/helisolv)
install(EXPORT helisolvTargets NAMESPACE helisolv:: DESTINATION ${helisolv_package_dir})
configure_package_config_file(cmake/helisolvConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/helisolvConfig.cmake
                              INSTALL_DESTINATION ${helisolv_package_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/helisolvConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/helisolvConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/helisolvConfigVersion.cmake
        DESTINATION ${helisolv_package_dir})
