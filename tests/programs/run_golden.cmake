# Runs a rule-language program through rulesh and compares its standard
# output with the expected text. Variables: RULESH, PROGRAM, EXPECTED, and
# INPUT, a file fed to standard input (empty input when not given).
if(NOT INPUT)
  set(INPUT /dev/null)
endif()
execute_process(COMMAND ${RULESH} ${PROGRAM} INPUT_FILE ${INPUT}
                OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rulesh exited with ${status}: ${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "output differs\n--- expected\n${expected}--- actual\n${actual}")
endif()
