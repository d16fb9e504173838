# Run by ctest before it runs anything: lists the gtest cases of one test
# executable and adds one ctest test per test suite, which runs the suite's
# cases in one process. A process per case spent a tenth of a second or more
# each time on loading the libraries and starting Qt, a third of the whole
# suite's time. The cases that start real servers (the gtest filter in
# QUAVERLY_SERVER_FILTER) form a test of their own per suite, labelled
# "<folder>-server" with a high COST, so that ctest starts them first.
# Disabled cases are helpers that other tests start as child processes.
#
# Set before including: QUAVERLY_EXECUTABLE, QUAVERLY_FOLDER,
# QUAVERLY_SERVER_FILTER (may be empty), QUAVERLY_LIST_CACHE.

if(NOT EXISTS "${QUAVERLY_EXECUTABLE}")
  add_test(${QUAVERLY_FOLDER}_NOT_BUILT ${QUAVERLY_FOLDER}_NOT_BUILT)
  return()
endif()

get_filename_component(list_folder "${QUAVERLY_LIST_CACHE}" DIRECTORY)
if(NOT EXISTS "${QUAVERLY_LIST_CACHE}" OR
   "${QUAVERLY_EXECUTABLE}" IS_NEWER_THAN "${QUAVERLY_LIST_CACHE}")
  execute_process(
    COMMAND "${QUAVERLY_EXECUTABLE}" --gtest_list_tests
    WORKING_DIRECTORY "${list_folder}"
    OUTPUT_VARIABLE listing
    RESULT_VARIABLE listed
    TIMEOUT 60)
  if(NOT listed EQUAL 0)
    add_test(${QUAVERLY_FOLDER}_NOT_LISTED ${QUAVERLY_FOLDER}_NOT_LISTED)
    return()
  endif()
  file(WRITE "${QUAVERLY_LIST_CACHE}" "${listing}")
endif()
file(STRINGS "${QUAVERLY_LIST_CACHE}" lines)

# The server filter's patterns as regular expressions over "Suite.Case".
set(server_patterns "")
string(REPLACE ":" ";" filters "${QUAVERLY_SERVER_FILTER}")
foreach(filter IN LISTS filters)
  string(REPLACE "." "\\." pattern "${filter}")
  string(REPLACE "*" ".*" pattern "${pattern}")
  string(REPLACE "?" "." pattern "${pattern}")
  list(APPEND server_patterns "^${pattern}$")
endforeach()

function(quaverly_add_suite_test name suite cases all_cases server)
  if(cases STREQUAL all_cases)
    set(filter "${suite}.*")
  else()
    list(TRANSFORM cases PREPEND "${suite}.")
    string(JOIN ":" filter ${cases})
  endif()
  add_test("${name}" "${QUAVERLY_EXECUTABLE}" "--gtest_filter=${filter}")
  set(properties TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(server)
    list(APPEND properties LABELS "${QUAVERLY_FOLDER}-server" COST 1000)
  else()
    list(APPEND properties LABELS "${QUAVERLY_FOLDER}")
  endif()
  set_tests_properties("${name}" PROPERTIES ${properties})
endfunction()

function(quaverly_add_suite suite cases)
  set(plain "")
  set(servers "")
  foreach(case IN LISTS cases)
    set(is_server FALSE)
    foreach(pattern IN LISTS server_patterns)
      if("${suite}.${case}" MATCHES "${pattern}")
        set(is_server TRUE)
      endif()
    endforeach()
    if(is_server)
      list(APPEND servers "${case}")
    else()
      list(APPEND plain "${case}")
    endif()
  endforeach()
  if(plain)
    quaverly_add_suite_test("${suite}" "${suite}" "${plain}" "${cases}" FALSE)
  endif()
  if(servers)
    set(name "${suite}")
    if(plain)
      set(name "${suite}.servers")
    endif()
    quaverly_add_suite_test("${name}" "${suite}" "${servers}" "${cases}" TRUE)
  endif()
endfunction()

set(suite "")
set(cases "")
foreach(line IN LISTS lines)
  # Parameterised cases carry their parameter as a comment.
  string(REGEX REPLACE " *#.*" "" line "${line}")
  if(line MATCHES "^  ([^ ]+)$")
    set(case "${CMAKE_MATCH_1}")
    if(NOT case MATCHES "^DISABLED_" AND NOT suite MATCHES "^DISABLED_")
      list(APPEND cases "${case}")
    endif()
  elseif(line MATCHES "^([^ ]+)\\.$")
    if(suite AND cases)
      quaverly_add_suite("${suite}" "${cases}")
    endif()
    set(suite "${CMAKE_MATCH_1}")
    set(cases "")
  endif()
endforeach()
if(suite AND cases)
  quaverly_add_suite("${suite}" "${cases}")
endif()
