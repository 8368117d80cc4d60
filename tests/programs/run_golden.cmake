# Runs a rule-language program through rulesh and compares its standard
# output with the expected text. Variables: RULESH, PROGRAM, EXPECTED.
execute_process(COMMAND ${RULESH} ${PROGRAM}
                OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rulesh exited with ${status}: ${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "output differs\n--- expected\n${expected}--- actual\n${actual}")
endif()
