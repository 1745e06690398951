# One ctest entry per GoogleTest suite, for programs that run under Wine: every
# Wine process costs about a second to start, which one process per case would
# pay hundreds of times. The cases of a suite run in one process, one after the
# other; GoogleTest's output names each case that failed, and so does
# scripts/test's summary.
#
#   lorvane_add_test_suites(<target> [PREFIX <prefix>]
#                           [WINDOW_SUITES <regex>] [PROPERTIES <name> <value>...])
#
# The suites are listed when ctest starts (the program lists them itself), as
# gtest_discover_tests does. Suites whose names match WINDOW_SUITES open windows:
# they hold the lock "desktop" while they run, so that no two of them fight over
# what is in front and has the focus. The others may run beside them.

set(LORVANE_TEST_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/TestSuitesAdd.cmake)

function(lorvane_add_test_suites target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX;WINDOW_SUITES" "PROPERTIES")
  set(base ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(tests_file ${base}_suites.cmake)
  get_property(emulator TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR)
  # Lists in bracket arguments, read back with the separators they had.
  file(GENERATE OUTPUT ${base}_suites_include.cmake CONTENT
"if(EXISTS [==[$<TARGET_FILE:${target}>]==])
  if(NOT EXISTS [==[${tests_file}]==] OR
     NOT [==[${tests_file}]==] IS_NEWER_THAN [==[$<TARGET_FILE:${target}>]==] OR
     NOT [==[${tests_file}]==] IS_NEWER_THAN \"\${CMAKE_CURRENT_LIST_FILE}\")
    set(lorvane_program [==[$<TARGET_FILE:${target}>]==])
    set(lorvane_emulator [==[${emulator}]==])
    set(lorvane_prefix [==[${arg_PREFIX}]==])
    set(lorvane_window_suites [==[${arg_WINDOW_SUITES}]==])
    set(lorvane_properties [==[${arg_PROPERTIES}]==])
    set(lorvane_tests_file [==[${tests_file}]==])
    include([==[${LORVANE_TEST_SUITES_SCRIPT}]==])
  endif()
  include([==[${tests_file}]==])
else()
  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)
endif()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${base}_suites_include.cmake)
endfunction()
