# One CTest entry per GoogleTest suite of a test program, named "Suite.*",
# for programs whose every start is dear (under Wine): a failure still names
# its suite, and its output the case. The suites are
# listed when ctest runs, from the program as built, so a new suite needs no
# edit anywhere.
#
#   pairlook_add_test_suites(TARGET [LAUNCHER command...] [PROPERTIES name value...])
#
# No skip pattern is set, unlike per-case discovery: one skipped case would
# mark the whole suite skipped and hide a failure beside it.

set(PAIRLOOK_TEST_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

# Each word in brackets, so that the generated file gives it back unchanged.
function(pairlook_bracketed out)
  set(text "")
  foreach(word IN LISTS ARGN)
    string(APPEND text " [==[${word}]==]")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(pairlook_add_test_suites target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LAUNCHER;PROPERTIES")
  set(base "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites")
  pairlook_bracketed(launcher ${arg_LAUNCHER})
  pairlook_bracketed(properties ${arg_PROPERTIES})
  file(GENERATE OUTPUT "${base}_include.cmake" CONTENT
"include([==[${PAIRLOOK_TEST_SUITES_SCRIPT}]==])
pairlook_list_test_suites([==[$<TARGET_FILE:${target}>]==] [==[${base}_tests.cmake]==]
  LAUNCHER${launcher}
  PROPERTIES${properties})
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${base}_include.cmake")
endfunction()

# Run by ctest: lists the suites once per build of the program and adds them.
function(pairlook_list_test_suites program tests_file)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "LAUNCHER;PROPERTIES")
  get_filename_component(name "${program}" NAME_WE)
  if(NOT EXISTS "${program}")
    add_test(${name}_NOT_BUILT ${name}_NOT_BUILT)
    return()
  endif()
  if(NOT EXISTS "${tests_file}" OR NOT "${tests_file}" IS_NEWER_THAN "${program}")
    execute_process(COMMAND ${arg_LAUNCHER} "${program}" --gtest_list_tests
      OUTPUT_VARIABLE listing RESULT_VARIABLE status TIMEOUT 300)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${program} --gtest_list_tests failed (${status}):\n${listing}")
    endif()
    pairlook_bracketed(command ${arg_LAUNCHER} "${program}")
    pairlook_bracketed(properties ${arg_PROPERTIES})
    set(script "")
    # Wine's console gives CRLF line ends.
    string(REPLACE "\r" "" listing "${listing}")
    string(REPLACE ";" "\\;" listing "${listing}")
    string(REPLACE "\n" ";" lines "${listing}")
    foreach(line IN LISTS lines)
      # A suite is a line of its own at the margin, "Suite." or
      # "Prefix/Suite.  # TypeParam = ..."; its cases are indented below.
      if(line MATCHES "^([^ #][^ ]*)\\.( +#.*)?$")
        set(suite "${CMAKE_MATCH_1}.*")
        string(APPEND script "add_test([==[${suite}]==]${command} [==[--gtest_filter=${suite}]==])\n"
          "set_tests_properties([==[${suite}]==] PROPERTIES${properties})\n")
      endif()
    endforeach()
    if(script STREQUAL "")
      message(FATAL_ERROR "${program} lists no test suite:\n${listing}")
    endif()
    file(WRITE "${tests_file}" "${script}")
  endif()
  include("${tests_file}")
endfunction()
