# Helpers that turn the folder layout into targets, so adding a file needs no edit here.

set(LAB_LIBRARIES "" CACHE INTERNAL "")

# Precompiled standard headers (and, for tests, GoogleTest and the runtime's core): parsing is about
# half the compile time of an unoptimised build. Off by default, so everyday builds still catch a
# missing #include; the test command and CI turn it on.
option(LAB_PCH "Precompile the common headers" OFF)
set(LAB_PCH_STD <algorithm> <any> <atomic> <cstdint> <functional> <map> <memory> <mutex> <optional>
  <span> <string> <string_view> <unordered_map> <utility> <vector>)

# lab_add_library(name folder deps...): a static library of every .cpp below the folder, known to
# other projects as lab::<folder> (in this build through an alias, installed through the export).
# Headers are included by their path from the repository's root ("grid/dbgrid.h"), installed under
# include/lab.
function(lab_add_library name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  add_library(lab::${folder} ALIAS ${name})
  set_target_properties(${name} PROPERTIES EXPORT_NAME ${folder})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/lab>)
  target_compile_features(${name} PUBLIC cxx_std_20)
  target_link_libraries(${name} PUBLIC ${ARGN})
  if(LAB_PCH)
    target_precompile_headers(${name} PRIVATE ${LAB_PCH_STD})
  endif()
  set(LAB_LIBRARIES ${LAB_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()

# lab_register_units(name symbol): the library's unit registration (the file defining `symbol`, which
# registers the library's units as the program starts) is linked into every program that links the
# library, though nothing calls it: forms then name the library's classes without the program
# starting its units by hand.
function(lab_register_units name symbol)
  target_link_options(${name} INTERFACE "LINKER:--undefined=${symbol}")
endfunction()

# The library a test folder or a program links: the one of the same top folder, else all.
function(lab_libraries_for part out)
  if(TARGET lab_${part})
    set(${out} lab_${part} PARENT_SCOPE)
  else()
    set(${out} ${LAB_LIBRARIES} PARENT_SCOPE)
  endif()
endfunction()

# lab_add_tests(part): one GoogleTest program of every .cpp in tests/<part>.
function(lab_add_tests part)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${part}/*.cpp)
  if(NOT sources)
    return()
  endif()
  lab_libraries_for(${part} libs)
  add_executable(lab_${part}_tests ${sources} ${PROJECT_SOURCE_DIR}/tests/common/test_environment.cpp)
  target_link_libraries(lab_${part}_tests PRIVATE ${libs} GTest::gtest GTest::gtest_main GTest::gmock)
  if(LAB_PCH)
    target_precompile_headers(lab_${part}_tests PRIVATE ${LAB_PCH_STD} <gtest/gtest.h> <gmock/gmock.h>
      [["platform/rtl/string_list.h"]] [["platform/rtl/variant.h"]] [["platform/classes/component.h"]])
  endif()
  target_compile_definitions(lab_${part}_tests PRIVATE
    LAB_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    LAB_BUILD_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(lab_${part}_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 LABELS ${part} ENVIRONMENT LAB_BACKEND=headless)
endfunction()

# lab_add_programs(folder extra-libs...): one program for each .cpp directly in the folder,
# and one for each sub-folder holding .cpp files.
function(lab_add_programs folder)
  file(GLOB singles CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  foreach(src ${singles})
    get_filename_component(stem ${src} NAME_WE)
    add_executable(${folder}_${stem} ${src})
    target_link_libraries(${folder}_${stem} PRIVATE ${LAB_LIBRARIES} ${ARGN})
  endforeach()
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*)
  foreach(dir ${entries})
    if(IS_DIRECTORY ${dir})
      file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
      if(sources)
        get_filename_component(stem ${dir} NAME)
        add_executable(${folder}_${stem} ${sources})
        target_link_libraries(${folder}_${stem} PRIVATE ${LAB_LIBRARIES} ${ARGN})
      endif()
    endif()
  endforeach()
endfunction()
