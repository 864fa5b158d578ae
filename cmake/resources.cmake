# Named resources: resources/<type>/<name>.<ext> becomes the resource <name> of type <TYPE>
# (the folder name in capitals), compiled into a table of bytes.

function(lab_add_resources name folder)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${folder}/*/*)
  list(FILTER files EXCLUDE REGEX "/(README|readme)[^/]*$|\\.(txt|md)$")
  set(out ${PROJECT_BINARY_DIR}/generated/resource_table.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${folder} -DOUT=${out} -P ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    COMMENT "Compiling in the named resources")
  add_library(${name} STATIC ${out})
  set_target_properties(${name} PROPERTIES EXPORT_NAME resources)
endfunction()
