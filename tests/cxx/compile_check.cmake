# Compiles one C++ source against the public headers and checks the result:
# with EXPECT pass it must compile without a single warning; with EXPECT
# fail it must not compile, and the compiler's output must hold what the
# source's `// expect-call: NAME N` and `// expect-text: TEXT` lines say.
# A call is the check's error function NAME with item (or argument) N,
# which g++ shows as `NAME(const char*) [with int Item = N]` and clang++ as
# `NAME<N>`.
execute_process(
  COMMAND ${CXX} -std=${STD} -fsyntax-only -fdiagnostics-color=never -Wall -Wextra -Wpedantic -Werror
          -I${INCLUDE} ${SOURCE}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(EXPECT STREQUAL "pass")
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "${SOURCE} should compile cleanly with ${CXX} -std=${STD}:\n${out}")
  endif()
  return()
endif()
if(rc EQUAL 0)
  message(FATAL_ERROR "${SOURCE} compiled with ${CXX} -std=${STD}, but must not")
endif()
file(STRINGS ${SOURCE} calls REGEX "^// expect-call: ")
file(STRINGS ${SOURCE} texts REGEX "^// expect-text: ")
if(NOT calls AND NOT texts)
  message(FATAL_ERROR "${SOURCE} says nothing about the error it expects")
endif()
foreach(line IN LISTS calls)
  string(REGEX REPLACE "^// expect-call: ([a-z_]+) ([0-9]+)$" "\\1;\\2" want "${line}")
  list(GET want 0 name)
  list(GET want 1 number)
  if(NOT out MATCHES "${name}(<${number}>|\\(const char\\*\\) \\[with int [A-Za-z]+ = ${number}\\])")
    message(FATAL_ERROR "${CXX} -std=${STD} on ${SOURCE}: no error naming ${name} ${number} in:\n${out}")
  endif()
endforeach()
foreach(line IN LISTS texts)
  string(REGEX REPLACE "^// expect-text: " "" text "${line}")
  string(FIND "${out}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${CXX} -std=${STD} on ${SOURCE}: \"${text}\" is not in:\n${out}")
  endif()
endforeach()
