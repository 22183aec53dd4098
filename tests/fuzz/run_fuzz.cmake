# Runs the fuzz target RUNS times on a fresh copy of the seed corpus (OPTIONS:
# libFuzzer's own, a -timeout of 10 seconds when none are given). Fails on
# a crash or a broken property; says "SKIPPED" (which marks the test skipped)
# when the target could not be built here, and why.
if(NOT USABLE)
  message("SKIPPED: no clang++ with libFuzzer here, so nothing was fuzzed. "
          "Run scripts/install-deps.sh --tests (it installs clang and libclang-rt-dev) and configure again.")
  return()
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB seeds ${SEEDS}/*.TXT ${SEEDS}/*.txt ${MORE_SEEDS}/*)
file(COPY ${seeds} DESTINATION ${WORK})
if(NOT OPTIONS)
  set(OPTIONS -timeout=10)
endif()
execute_process(COMMAND ${FUZZER} -runs=${RUNS} -max_len=4096 ${OPTIONS} -seed=1 -artifact_prefix=${WORK}/../ ${WORK}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out MATCHES "Done ${RUNS} runs")
  message(FATAL_ERROR "fuzzing failed (exit ${result}):\n${out}")
endif()
string(REGEX MATCH "Done [0-9]+ runs in [0-9]+ second\\(s\\)" done "${out}")
message("${done}, no crash")
