# Runs fontc on a malformed font; passes only if it fails, says where and writes nothing.
file(REMOVE ${OUT})
execute_process(COMMAND ${FONTC} ${OUT} kBad ${BDF} 0
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "fontc accepted a malformed font")
endif()
if(NOT err MATCHES "bad_hex.bdf:13: bad hex digit 'Z' in bitmap row")
  message(FATAL_ERROR "unexpected message: ${err}")
endif()
if(EXISTS ${OUT})
  message(FATAL_ERROR "fontc wrote ${OUT} for a malformed font")
endif()
