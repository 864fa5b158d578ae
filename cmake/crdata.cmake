# The crash reporter's data section: lab_add_crdata(target options-text [PASS_PHRASE text]) reads the
# module's crash-reporting options from their text (crashreport/options_text.h; a wrong name or value
# stops the build with the file, line and name), packs their stream (compressed, scrambled with the
# pass phrase) and puts it into the linked target as the ELF section ".crdata", which the crash
# reporter reads at start. A relative file name is taken from the calling CMakeLists' folder.
include_guard(GLOBAL)

if(NOT TARGET lab::crashreport)
  return()
endif()

# The packing step: built here from the sources, or come with the installed package.
if(NOT TARGET lab::crdata_pack)
  add_executable(lab_crdata_pack ${CMAKE_CURRENT_LIST_DIR}/crdata_pack.cpp)
  target_link_libraries(lab_crdata_pack PRIVATE lab::crashreport)
  set_target_properties(lab_crdata_pack PROPERTIES EXPORT_NAME crdata_pack)
  add_executable(lab::crdata_pack ALIAS lab_crdata_pack)
endif()

# lab_put_crdata_section(target blob): the packed data becomes the target's ".crdata" at each link.
function(lab_put_crdata_section target blob)
  # Link again when the data changes, so the section is put in again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${blob})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --remove-section .crdata --add-section .crdata=${blob}
      --set-section-flags .crdata=contents,readonly $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

function(lab_add_crdata target options)
  cmake_parse_arguments(ARG "" "PASS_PHRASE" "" ${ARGN})
  get_filename_component(options ${options} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(blob ${CMAKE_CURRENT_BINARY_DIR}/${target}.crdata)
  add_custom_command(OUTPUT ${blob}
    COMMAND $<TARGET_FILE:lab::crdata_pack> ${options} ${blob} ${ARG_PASS_PHRASE}
    DEPENDS $<TARGET_FILE:lab::crdata_pack> ${options}
    COMMENT "Packing the crash reporter's options of ${target}"
    VERBATIM)
  add_custom_target(${target}_crdata DEPENDS ${blob})
  add_dependencies(${target} ${target}_crdata)
  lab_put_crdata_section(${target} ${blob})
endfunction()
