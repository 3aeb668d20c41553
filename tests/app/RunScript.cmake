# Runs one script with the headless runner and checks it against the
# script's header lines:
#   // args: A B C            command-line arguments after the script
#   // expect-exit: N         exit code (default 0)
#   // expect-stdout: REGEX   (several allowed) must match stdout
#   // expect-stdout-not: REGEX
#   // expect-stderr: REGEX
# "\n" in a pattern stands for a line end. The data folder goes under DATA,
# never into the user's own.
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${SCRIPT} header REGEX "^// (args|expect-[a-z-]+): ")
set(args "")
set(exit 0)
set(checks "")
foreach(line ${header})
  string(REGEX REPLACE "^// ([a-z-]+): (.*)$" "\\1" key "${line}")
  string(REGEX REPLACE "^// ([a-z-]+): (.*)$" "\\2" value "${line}")
  if(key STREQUAL "args")
    separate_arguments(args UNIX_COMMAND "${value}")
  elseif(key STREQUAL "expect-exit")
    set(exit ${value})
  else()
    list(APPEND checks "${key}=${value}")
  endif()
endforeach()

file(REMOVE_RECURSE ${DATA})
set(ENV{XDG_DATA_HOME} ${DATA})
execute_process(COMMAND ${RUNNER} ${SCRIPT} ${args}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 100)
message(STATUS "exit ${code}\n--- stdout\n${out}--- stderr\n${err}---")
if(NOT code STREQUAL exit)
  message(FATAL_ERROR "exit code ${code}, expected ${exit}")
endif()
if(NOT EXISTS ${DATA}/D-ORB/balvek/app)
  message(FATAL_ERROR "the data folder was not prepared")
endif()
foreach(check ${checks})
  string(REGEX REPLACE "^([a-z-]+)=(.*)$" "\\1" key "${check}")
  string(REGEX REPLACE "^([a-z-]+)=(.*)$" "\\2" pattern "${check}")
  string(REPLACE "\\n" "\n" pattern "${pattern}")
  if(key STREQUAL "expect-stdout" AND NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "stdout does not match: ${pattern}")
  elseif(key STREQUAL "expect-stdout-not" AND out MATCHES "${pattern}")
    message(FATAL_ERROR "stdout matches: ${pattern}")
  elseif(key STREQUAL "expect-stderr" AND NOT err MATCHES "${pattern}")
    message(FATAL_ERROR "stderr does not match: ${pattern}")
  endif()
endforeach()
