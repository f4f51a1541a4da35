# Writes OUTPUT, a ctest file with one entry NAME.<function> per test function of the QtTest
# program PROGRAM, as the program lists them with -functions.
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND ${PROGRAM} -functions
    OUTPUT_VARIABLE listing RESULT_VARIABLE status ERROR_VARIABLE errors TIMEOUT 60)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} -functions failed (${status}): ${errors}")
endif()
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(\\)" functions "${listing}")
set(content "")
foreach(function IN LISTS functions)
    string(REPLACE "()" "" function "${function}")
    string(APPEND content "add_test([=[${NAME}.${function}]=] [=[${PROGRAM}]=] [=[${function}]=])\n"
        "set_tests_properties([=[${NAME}.${function}]=] PROPERTIES LABELS qt TIMEOUT 120 "
        "ENVIRONMENT QT_QPA_PLATFORM=offscreen)\n")
endforeach()
if(content STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} lists no test functions")
endif()
file(WRITE ${OUTPUT} "${content}")
