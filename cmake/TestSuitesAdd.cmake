# Run by ctest (see TestSuites.cmake): asks the test program for its suites and
# writes one add_test per suite into lorvane_tests_file.

execute_process(
  COMMAND ${lorvane_emulator} ${lorvane_program} --gtest_list_tests
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE errors
  RESULT_VARIABLE result
  TIMEOUT 120)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${lorvane_program} could not list its tests (${result}):\n${listing}\n${errors}")
endif()

# Suite lines start in the first column ("Suite." or "Rows/Suite.  # TypeParam = ...");
# case lines are indented.
string(REPLACE "\r" "" listing "${listing}")
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(suites)
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ #][^ .]*)\\.")
    list(APPEND suites ${CMAKE_MATCH_1})
  endif()
endforeach()
list(REMOVE_DUPLICATES suites)
if(NOT suites)
  message(FATAL_ERROR "${lorvane_program} listed no tests:\n${listing}")
endif()

set(command)
foreach(word IN LISTS lorvane_emulator ITEMS ${lorvane_program})
  string(APPEND command " [==[${word}]==]")
endforeach()
set(properties)
foreach(word IN LISTS lorvane_properties)
  string(APPEND properties " [==[${word}]==]")
endforeach()

set(content)
foreach(suite IN LISTS suites)
  set(name ${lorvane_prefix}${suite})
  string(APPEND content "add_test([==[${name}]==]${command} [==[--gtest_filter=${suite}.*]==])\n")
  if(properties)
    string(APPEND content "set_tests_properties([==[${name}]==] PROPERTIES${properties})\n")
  endif()
  if(NOT lorvane_window_suites STREQUAL "" AND suite MATCHES "${lorvane_window_suites}")
    string(APPEND content "set_tests_properties([==[${name}]==] PROPERTIES RESOURCE_LOCK desktop)\n")
  endif()
endforeach()
file(WRITE ${lorvane_tests_file} "${content}")
