# The crash reporter's tests: the test program takes part as a program does; two libraries it loads
# stand for other modules, one with a crash reporter of its own (its exports, options and version
# note) and one without.
if(TARGET lab_crashreport_tests)
  enable_language(ASM)  # the routines some tests need exactly
  lab_link_crashreport(lab_crashreport_tests)
  # The test program reads its own options back from the section.
  lab_add_crdata(lab_crashreport_tests ${PROJECT_SOURCE_DIR}/tests/data/crashreport/options.txt
    PASS_PHRASE "test pass phrase")
  lab_add_version_note(lab_crashreport_tests DESCRIPTION "Crash reporter tests" VERSION "1.0.0.0")

  add_library(lab_crtest_events SHARED ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/events_module.c)
  target_include_directories(lab_crtest_events PRIVATE ${PROJECT_SOURCE_DIR})
  lab_add_version_note(lab_crtest_events DESCRIPTION "Crash test \"events\" module" VERSION "3.1.4.1")
  lab_add_crdata(lab_crtest_events ${PROJECT_SOURCE_DIR}/tests/data/crashreport/options.txt
    PASS_PHRASE "library pass")

  add_library(lab_crtest_plain SHARED ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/plain_module.c)
  set_target_properties(lab_crtest_plain PROPERTIES VERSION 2.5.1 SOVERSION 2)
  # Data that opens (no pass phrase) but holds an options stream cut short, packed once.
  add_library(lab_crtest_damaged SHARED ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/plain_module.c)
  lab_put_crdata_section(lab_crtest_damaged ${PROJECT_SOURCE_DIR}/tests/data/crashreport/options-truncated.crdata)

  # The same library bound lazily and at once, for the hooks of imported routines.
  foreach(binding lazy now)
    add_library(lab_crtest_got_${binding} SHARED ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/got_module.c)
    target_link_options(lab_crtest_got_${binding} PRIVATE "LINKER:-z,${binding}")
  endforeach()
  # A library calling its own routine of a C library routine's name, bound at once.
  add_library(lab_crtest_got_own SHARED ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/got_own_module.c)
  target_link_options(lab_crtest_got_own PRIVATE "LINKER:-z,now")
  # A library whose start-up holds the loader's lock until a signal comes, for the call stacks of
  # threads stopped with a lock held.
  add_library(lab_crtest_loader_wait SHARED ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/loader_wait_module.c)
  # A library that starts a thread of its own, loaded after the crash reporter started.
  add_library(lab_crtest_thread SHARED ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/thread_module.c)
  target_link_libraries(lab_crtest_thread PRIVATE Threads::Threads)
  # Routines whose first bytes the hook tests need exactly, and functions with parts split off them.
  target_sources(lab_crashreport_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/crashreport/hook_routines.S
    ${PROJECT_SOURCE_DIR}/tests/crashreport/clone_routines.S)

  # A program that serves as the exception dialog's helper process (not .cpp: the test program takes
  # every .cpp here).
  add_executable(lab_crtest_dialog_helper ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/dialog_helper_main.cc)
  target_link_libraries(lab_crtest_dialog_helper PRIVATE ${LAB_LIBRARIES})
  lab_link_crashreport(lab_crtest_dialog_helper)
  lab_add_crdata(lab_crtest_dialog_helper ${PROJECT_SOURCE_DIR}/tests/data/crashreport/options.txt)
  # A GUI program that fails as real ones do, started as a user starts it.
  add_executable(lab_crtest_victim ${PROJECT_SOURCE_DIR}/tests/crashreport/modules/victim_main.cc)
  target_link_libraries(lab_crtest_victim PRIVATE ${LAB_LIBRARIES})
  lab_link_crashreport(lab_crtest_victim)
  lab_add_crdata(lab_crtest_victim ${PROJECT_SOURCE_DIR}/tests/data/crashreport/victim_options.txt)

  add_dependencies(lab_crashreport_tests lab_crtest_dialog_helper lab_crtest_victim lab_crtest_events lab_crtest_plain
    lab_crtest_damaged lab_crtest_got_lazy lab_crtest_got_now lab_crtest_got_own lab_crtest_loader_wait lab_crtest_thread)
  target_compile_definitions(lab_crashreport_tests PRIVATE
    LAB_CRTEST_DIALOG_HELPER="$<TARGET_FILE:lab_crtest_dialog_helper>"
    LAB_CRTEST_VICTIM="$<TARGET_FILE:lab_crtest_victim>"
    LAB_CRTEST_EVENTS="$<TARGET_FILE:lab_crtest_events>"
    LAB_CRTEST_PLAIN="$<TARGET_FILE:lab_crtest_plain>"
    LAB_CRTEST_DAMAGED="$<TARGET_FILE:lab_crtest_damaged>"
    LAB_CRTEST_GOT_LAZY="$<TARGET_FILE:lab_crtest_got_lazy>"
    LAB_CRTEST_GOT_NOW="$<TARGET_FILE:lab_crtest_got_now>"
    LAB_CRTEST_GOT_OWN="$<TARGET_FILE:lab_crtest_got_own>"
    LAB_CRTEST_LOADER_WAIT="$<TARGET_FILE:lab_crtest_loader_wait>"
    LAB_CRTEST_THREAD="$<TARGET_FILE:lab_crtest_thread>"
    LAB_CRDATA_PACK="$<TARGET_FILE:lab_crdata_pack>")
endif()
