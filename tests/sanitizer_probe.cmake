# Runs PROBE, which has undefined behaviour: passes only when the sanitizer reported it and
# ended the program.
execute_process(COMMAND ${PROBE} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT err MATCHES "runtime error")
    message(FATAL_ERROR "the report did not fail the program (exit ${status}):\n${err}")
endif()
