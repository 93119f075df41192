# Fails when a fuzz target does not see the library code it calls. libFuzzer prints at
# start-up how many inline 8-bit counters (one per instrumented edge) the program has;
# a target whose libraries were built without coverage has only its own harness's few
# hundred at most, below FLOOR.
#
#   cmake -DTARGET=<fuzz program> -DFLOOR=<least counter count> -DWORK=<folder> -P check_instrumented.cmake
foreach(variable TARGET FLOOR WORK)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "check_instrumented.cmake: ${variable} is not set")
  endif()
endforeach()

# One run over one empty input: the count is printed before anything runs.
file(MAKE_DIRECTORY ${WORK})
set(input ${WORK}/empty-input)
file(WRITE ${input} "")
execute_process(COMMAND ${TARGET} ${input}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TARGET} failed on an empty input (${result}):\n${out}")
endif()
if(NOT out MATCHES "Loaded [0-9]+ modules +\\(([0-9]+) inline 8-bit counters\\)")
  message(FATAL_ERROR "${TARGET} printed no count of inline 8-bit counters:\n${out}")
endif()
set(counters ${CMAKE_MATCH_1})
if(counters LESS FLOOR)
  message(FATAL_ERROR "${TARGET} has ${counters} inline 8-bit counters, fewer than ${FLOOR}: "
                      "the libraries it calls are not built with -fsanitize=fuzzer-no-link")
endif()
message(STATUS "${TARGET}: ${counters} inline 8-bit counters (at least ${FLOOR})")
