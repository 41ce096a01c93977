# cmake -DPROGRAM=tessel -DMAN_PAGE=tessel.1 -DCOMPLETION=tessel -P WriteHelpFiles.cmake
# Writes the manual page (and its gzip form, as Debian installs manual pages) and the bash
# completion from the program's own help, so that they never say other than the program does.
foreach(what IN ITEMS MAN_PAGE COMPLETION)
  get_filename_component(dir ${${what}} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
endforeach()

execute_process(COMMAND ${PROGRAM} help --man OUTPUT_FILE ${MAN_PAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "tessel help --man failed: ${failed}")
endif()
execute_process(COMMAND ${PROGRAM} help --bash-completion OUTPUT_FILE ${COMPLETION} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "tessel help --bash-completion failed: ${failed}")
endif()
# -n: no name or time in the header, so the same page gives the same bytes.
execute_process(COMMAND gzip -9nc ${MAN_PAGE} OUTPUT_FILE ${MAN_PAGE}.gz RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip of the manual page failed: ${failed}")
endif()
