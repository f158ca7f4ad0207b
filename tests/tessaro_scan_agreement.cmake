# tessaro scan of the Windows build gives every document fixture the same missing fonts as the
# Linux build beside it: both programs scan all of tests/data/documents (--json --no-service,
# no installed fonts), and their lines must agree once the folder part of each path is taken
# away. TESSARO is run through EMULATOR (Wine, with the Chinese locale of the test, whose code
# page holds the Chinese names); NATIVE, the Linux program, with WORK for its cache and state.
file(GLOB_RECURSE documents RELATIVE ${NATIVE_DATA}/documents
     ${NATIVE_DATA}/documents/*.psd ${NATIVE_DATA}/documents/*.ai ${NATIVE_DATA}/documents/*.pdf
     ${NATIVE_DATA}/documents/*.cdr)
list(SORT documents)
list(LENGTH documents count)
if(count LESS 20)
  message(FATAL_ERROR "only ${count} documents found in ${NATIVE_DATA}/documents")
endif()

macro(scan_all output rc program data)
  set(files)
  foreach(document IN LISTS documents)
    list(APPEND files ${data}/documents/${document})
  endforeach()
  execute_process(COMMAND ${program} scan --json --no-service ${files}
                  OUTPUT_VARIABLE ${output} RESULT_VARIABLE ${rc})
  string(REPLACE "\r\n" "\n" ${output} "${${output}}")
  string(REPLACE "\"file\":\"${data}/documents/" "\"file\":\"" ${output} "${${output}}")
endmacro()

file(MAKE_DIRECTORY ${WORK})
scan_all(native native_rc
         "${CMAKE_COMMAND};-E;env;LC_ALL=C.UTF-8;XDG_CACHE_HOME=${WORK}/cache;XDG_STATE_HOME=${WORK}/state;${NATIVE}"
         ${NATIVE_DATA})
scan_all(windows windows_rc "${EMULATOR};${TESSARO}" ${DATA})

string(REGEX MATCHALL "\n" native_lines "${native}")
list(LENGTH native_lines native_count)
if(NOT native_count EQUAL count OR NOT native_rc EQUAL 1)
  message(FATAL_ERROR "the Linux build: rc=${native_rc}, ${native_count} lines for ${count} documents:\n${native}")
endif()
if(NOT windows_rc EQUAL native_rc OR NOT windows STREQUAL native)
  message(FATAL_ERROR "the builds disagree (rc ${windows_rc} against ${native_rc})\nWindows:\n${windows}\nLinux:\n${native}")
endif()
