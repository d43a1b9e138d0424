# Fails, naming them, when PROGRAM's symbols (defined or referenced) include the C++
# streams' or locales' machinery. NM: the nm to read them with.
execute_process(COMMAND ${NM} -C ${PROGRAM} RESULT_VARIABLE rc OUTPUT_VARIABLE symbols
                ERROR_VARIABLE error)
if(NOT rc EQUAL 0 OR NOT symbols MATCHES "main")
  message(FATAL_ERROR "cannot read the symbols of ${PROGRAM} (${NM}): ${error}")
endif()
string(REGEX MATCHALL
       "[^\n]*(std::ios_base|std::locale|std::basic_ios<|std::basic_streambuf<|std::basic_[io]?stringstream<|std::basic_[io]?fstream<)[^\n]*"
       found "${symbols}")
list(LENGTH found count)
if(count GREATER 0)
  list(SUBLIST found 0 8 shown)
  list(JOIN shown "\n  " shown)
  message(FATAL_ERROR "${PROGRAM} links the C++ streams' or locales' machinery "
                      "(${count} symbols), among them:\n  ${shown}")
endif()
message(STATUS "${PROGRAM}: no stream or locale symbols")
