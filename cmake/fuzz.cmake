# libFuzzer targets: every tests/fuzz/<name>.cpp is the program fuzz_<name>, with its seed corpus in
# the folder tests/fuzz/<name>/. Adding a target is adding those two; scripts/fuzz.sh builds and runs
# them all. Built with clang only (LAB_FUZZ=ON), where the whole build carries AddressSanitizer,
# UndefinedBehaviorSanitizer and the fuzzer's coverage, and warnings are errors.

function(lab_add_fuzz_targets)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/*.cpp)
  foreach(src ${sources})
    get_filename_component(stem ${src} NAME_WE)
    add_executable(fuzz_${stem} ${src} ${PROJECT_SOURCE_DIR}/tests/common/test_environment.cpp)
    target_link_libraries(fuzz_${stem} PRIVATE ${LAB_LIBRARIES})
    target_compile_definitions(fuzz_${stem} PRIVATE LAB_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
    target_compile_options(fuzz_${stem} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${stem} PRIVATE -fsanitize=fuzzer)
  endforeach()
endfunction()
