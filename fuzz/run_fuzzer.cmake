# One bounded fuzzer run for CTest: cmake -DFUZZER=... -DSEEDS=... -DWORK=...
# -DRUNS=... -P run_fuzzer.cmake. A crash input is left in WORK as crash-*.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
execute_process(
  COMMAND ${FUZZER} -runs=${RUNS} -seed=1 -max_len=4096 -timeout=25 -rss_limit_mb=4096
          -print_final_stats=1 -artifact_prefix=${WORK}/ ${WORK}/corpus ${SEEDS}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${status}); reproducer in ${WORK}")
endif()
