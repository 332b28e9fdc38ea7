# Runs scnlint on one fixture lesson and compares its standard output and exit code with the
# expected ones. Variables: SCNLINT, FIXTURES (working folder), LESSON, OPTIONS, EXPECTED_OUTPUT,
# EXPECTED_CODE.
separate_arguments(options UNIX_COMMAND "${OPTIONS}")
execute_process(COMMAND ${SCNLINT} ${options} ${LESSON}
                WORKING_DIRECTORY ${FIXTURES}
                OUTPUT_VARIABLE output
                RESULT_VARIABLE code)
file(READ ${EXPECTED_OUTPUT} expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "scnlint ${OPTIONS} ${LESSON} printed:\n${output}\nexpected:\n${expected}")
endif()
if(NOT code STREQUAL EXPECTED_CODE)
  message(FATAL_ERROR "scnlint ${OPTIONS} ${LESSON} ended with ${code}, expected ${EXPECTED_CODE}")
endif()
