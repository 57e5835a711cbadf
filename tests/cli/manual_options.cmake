# Fails when quillet-check --help and its manual page list different options.
#   cmake -DPROGRAM=quillet-check -DMANUAL=quillet-check.1 -P manual_options.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help exited ${status}")
endif()
string(REGEX MATCHALL "\n  -[^ ,\n]*(, -[^ \n]*)?" lines "${help}")
string(REGEX MATCHALL "--?[A-Za-z][A-Za-z-]*" helpOptions "${lines}")

file(READ ${MANUAL} manual)
string(REGEX REPLACE ".*\n\\.SH OPTIONS\n" "\n" manual "${manual}")
string(REGEX REPLACE "\n\\.SH .*" "" manual "${manual}")
string(REGEX MATCHALL "\n\\.TP\n\\.B[IR]? [^\n]*" entries "${manual}")
string(REPLACE "\\-" "-" entries "${entries}")
string(REGEX MATCHALL "--?[A-Za-z][A-Za-z-]*" manualOptions "${entries}")

list(SORT helpOptions)
list(SORT manualOptions)
if(NOT helpOptions STREQUAL manualOptions)
    message(FATAL_ERROR "--help lists: ${helpOptions}\nthe manual lists: ${manualOptions}")
endif()
message(STATUS "options in both: ${helpOptions}")
