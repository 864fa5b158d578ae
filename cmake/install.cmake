# `cmake --install`: the libraries, the headers under include/lab, and the package files with which
# another project's find_package(lab) finds the targets lab::platform, lab::grid, lab::editor and
# lab::crashreport (and what they link: the resources and the system libraries).

include(CMakePackageConfigHelpers)

set(LAB_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/lab)
install(TARGETS lab_resources ${LAB_LIBRARIES} EXPORT labTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lab)
foreach(folder platform grid editor crashreport)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lab
    FILES_MATCHING PATTERN "*.h")
endforeach()
install(EXPORT labTargets NAMESPACE lab:: DESTINATION ${LAB_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/labConfig.cmake.in
  ${PROJECT_BINARY_DIR}/labConfig.cmake INSTALL_DESTINATION ${LAB_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/labConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/labConfig.cmake ${PROJECT_BINARY_DIR}/labConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/dependencies.cmake DESTINATION ${LAB_PACKAGE_DIR})
