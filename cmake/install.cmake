# `cmake --install`: the libraries, the headers under include/lab, and the package files with which
# another project's find_package(lab) finds the targets lab::platform, lab::grid, lab::editor and
# lab::crashreport (and what they link: the resources and the system libraries), with the crash
# reporter's CMake helpers and their packing step lab::crdata_pack.

include(CMakePackageConfigHelpers)

set(LAB_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/lab)
set(LAB_PROGRAMS "")
if(TARGET lab_crdata_pack)
  set(LAB_PROGRAMS lab_crdata_pack)
endif()
install(TARGETS lab_resources ${LAB_LIBRARIES} ${LAB_PROGRAMS} EXPORT labTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/lab
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
# The crash reporter's helpers (lab_link_crashreport, lab_add_crdata, lab_add_version_note), which
# run the installed packing step.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/crashreport.cmake ${PROJECT_SOURCE_DIR}/cmake/crdata.cmake
  ${PROJECT_SOURCE_DIR}/cmake/buildtime.cmake ${PROJECT_SOURCE_DIR}/cmake/buildtime_stamp.cmake
  ${PROJECT_SOURCE_DIR}/cmake/crashlog_exports.list DESTINATION ${LAB_PACKAGE_DIR})
