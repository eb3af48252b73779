# Runs one fuzz target for SECONDS seconds (or $CORVANTILE_FUZZ_SECONDS) on a copy of its seed
# corpus, with inputs of up to MAX_LEN bytes, and reports how many inputs it tried. A crash or a sanitizer finding fails the run.
if(DEFINED ENV{CORVANTILE_FUZZ_SECONDS})
    set(SECONDS $ENV{CORVANTILE_FUZZ_SECONDS})
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
file(GLOB seeds ${SEEDS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)
execute_process(
    # A hang or a runaway allocation fails within seconds, not after the default 20 minutes.
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=5 -rss_limit_mb=1024 -max_len=${MAX_LEN}
        -print_final_stats=1
        -artifact_prefix=${WORK}/ ${WORK}/corpus
    RESULT_VARIABLE result
    ERROR_VARIABLE log
    OUTPUT_VARIABLE out)
string(REGEX MATCH "Done [0-9]+ runs in [0-9]+ second" done "${log}")
message(STATUS "${done}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the fuzzer failed (${result}):\n${log}")
endif()
