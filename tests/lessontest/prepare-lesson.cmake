# Copies a lesson folder to TARGET, leaving out what running the player leaves behind (store files
# and the debug log), and makes its pictures and sounds there with MAKE_ASSETS. Variables: SOURCE,
# TARGET, PYTHON, MAKE_ASSETS.
file(REMOVE_RECURSE ${TARGET})
file(COPY ${SOURCE}/ DESTINATION ${TARGET} PATTERN "*.sto" EXCLUDE PATTERN "debug.txt" EXCLUDE)
execute_process(COMMAND ${PYTHON} ${MAKE_ASSETS} ${TARGET} RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${MAKE_ASSETS} ${TARGET} failed with ${code}")
endif()
