# The crash reporter's data section: lab_add_crdata(target options-stream [PASS_PHRASE text]) packs
# the options stream (compressed, scrambled with the pass phrase) and puts it into the linked target
# as the ELF section ".crdata", which the crash reporter reads at start.

if(NOT TARGET lab_crashreport)
  return()
endif()

add_executable(lab_crdata_pack ${CMAKE_CURRENT_LIST_DIR}/crdata_pack.cpp)
target_link_libraries(lab_crdata_pack PRIVATE lab_crashreport)

function(lab_add_crdata target options)
  cmake_parse_arguments(ARG "" "PASS_PHRASE" "" ${ARGN})
  set(blob ${CMAKE_CURRENT_BINARY_DIR}/${target}.crdata)
  add_custom_command(OUTPUT ${blob}
    COMMAND lab_crdata_pack ${options} ${blob} ${ARG_PASS_PHRASE}
    DEPENDS lab_crdata_pack ${options}
    COMMENT "Packing the crash reporter's data of ${target}"
    VERBATIM)
  add_custom_target(${target}_crdata DEPENDS ${blob})
  add_dependencies(${target} ${target}_crdata)
  # Link again when the data changes, so the section is put in again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${blob})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --remove-section .crdata --add-section .crdata=${blob}
      --set-section-flags .crdata=contents,readonly $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# The crash reporter's tests read their own options back from the section.
if(TARGET lab_crashreport_tests)
  lab_add_crdata(lab_crashreport_tests ${PROJECT_SOURCE_DIR}/tests/data/crashreport/options.bin
    PASS_PHRASE "test pass phrase")
endif()
