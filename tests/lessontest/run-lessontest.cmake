# Runs lessontest with ARGS in WORKDIR and compares what it printed (standard output, then standard
# error) and its exit code with the expected ones. Variables: LESSONTEST, WORKDIR, ARGS,
# EXPECTED_OUTPUT (a file), EXPECTED_CODE.
separate_arguments(arguments UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${LESSONTEST} ${arguments}
                WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE output
                ERROR_VARIABLE output
                RESULT_VARIABLE code)
file(READ ${EXPECTED_OUTPUT} expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "lessontest ${ARGS} printed:\n${output}\nexpected:\n${expected}")
endif()
if(NOT code STREQUAL EXPECTED_CODE)
  message(FATAL_ERROR "lessontest ${ARGS} ended with ${code}, expected ${EXPECTED_CODE}")
endif()
