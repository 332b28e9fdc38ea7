# Copies the lessons folder SOURCE to TARGET afresh, leaving out what running the player leaves
# behind in it (store files, progress logs and debug logs), so that every lesson test starts as a
# new learner.
file(REMOVE_RECURSE ${TARGET})
file(COPY ${SOURCE}/ DESTINATION ${TARGET} PATTERN "*.sto" EXCLUDE PATTERN "*.log" EXCLUDE
     PATTERN "debug.txt" EXCLUDE)
