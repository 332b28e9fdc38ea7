# Copies a lesson folder to TARGET, leaving out what running the player leaves behind (store files
# and the debug log), and makes its pictures, sounds and image library there with MAKE_ASSETS, which
# packs the library with SLITOOL. Variables: SOURCE, TARGET, PYTHON, MAKE_ASSETS, SLITOOL.
file(REMOVE_RECURSE ${TARGET})
file(COPY ${SOURCE}/ DESTINATION ${TARGET} PATTERN "*.sto" EXCLUDE PATTERN "debug.txt" EXCLUDE)
execute_process(COMMAND ${PYTHON} ${MAKE_ASSETS} ${TARGET} ${SLITOOL} RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${MAKE_ASSETS} ${TARGET} failed with ${code}")
endif()
