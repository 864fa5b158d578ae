# The link time of a module, for the crash report's compilation date: lab_stamp_build_time(target)
# puts the time of each link (seconds since 1970, UTC, as decimal text; SOURCE_DATE_EPOCH when set)
# into the linked target as the ELF section ".lab.buildtime".
include_guard(GLOBAL)

function(lab_stamp_build_time target)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.buildtime)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOUT=${stamp} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/buildtime_stamp.cmake
    COMMAND ${CMAKE_OBJCOPY} --remove-section .lab.buildtime --add-section .lab.buildtime=${stamp}
      --set-section-flags .lab.buildtime=contents,readonly $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
