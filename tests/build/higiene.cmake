# Build hygiene, run as a test: a user's build (the default configuration) shows
# warnings without failing on them, and every source builds warning-free under a
# distribution's default _FORTIFY_SOURCE, which turns an unchecked result of chown,
# write and the like into a warning. Sources that hold only portable layers include
# no POSIX-only header and no Windows one: those belong to plataforma/'s platform files.
#   cmake -DSRC=<source tree> -DWORK=<scratch folder> -P higiene.cmake

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SRC}" -B "${WORK}" -DCMAKE_BUILD_TYPE=Release
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "the default configuration failed")
endif()
file(READ "${WORK}/compile_commands.json" commands)
if(commands MATCHES "-Werror")
  message(FATAL_ERROR "the default configuration makes warnings fatal")
endif()
if(NOT commands MATCHES "-Wall")
  message(FATAL_ERROR "the default configuration does not show warnings")
endif()

set(failed "")
string(JSON n LENGTH "${commands}")
math(EXPR last "${n} - 1")
foreach(i RANGE ${last})
  string(JSON file GET "${commands}" ${i} file)
  string(JSON dir GET "${commands}" ${i} directory)
  string(JSON command GET "${commands}" ${i} command)
  cmake_path(IS_PREFIX SRC "${file}" NORMALIZE inside)
  cmake_path(IS_PREFIX WORK "${file}" NORMALIZE generated)
  if(NOT inside OR generated)
    continue()
  endif()
  file(READ "${file}" text)
  if(text MATCHES "\\.moc\"")  # needs the moc output of a build
    continue()
  endif()
  separate_arguments(args UNIX_COMMAND "${command}")
  list(FIND args "-o" o)
  math(EXPR obj "${o} + 1")
  list(REMOVE_AT args ${obj} ${o})
  execute_process(COMMAND ${args} -O1 -D_FORTIFY_SOURCE=2 -Werror -o /dev/null
                  WORKING_DIRECTORY "${dir}" RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(rc)
    string(APPEND failed "${file}:\n${err}\n")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "warnings under _FORTIFY_SOURCE:\n${failed}")
endif()

file(GLOB_RECURSE portable "${SRC}/db/*" "${SRC}/engine/*" "${SRC}/errors/*" "${SRC}/handlers/*"
  "${SRC}/agente/*" "${SRC}/shell/*" "${SRC}/monitor/*" "${SRC}/envioauto/*" "${SRC}/schema/*.cpp"
  "${SRC}/schema/*.h" "${SRC}/bench/*.cpp" "${SRC}/plataforma/*.h")
foreach(f ${portable})
  file(STRINGS "${f}" posix REGEX "#include <(strings|unistd|pwd|dirent|fcntl|signal|sys/[a-z]+)\\.h>")
  if(posix)
    message(FATAL_ERROR "${f} includes a POSIX-only header: ${posix}")
  endif()
  file(STRINGS "${f}" windows REGEX "#include <(windows|shellapi|aclapi|sddl)\\.h>|_WIN32")
  if(windows)
    message(FATAL_ERROR "${f} holds Windows-only code outside plataforma/: ${windows}")
  endif()
endforeach()
