# Run by CPack on the staged files before it packs them: strips the programs as Debian's
# own packaging tools do, without debugging information, unneeded symbols and the
# compilers' version notes.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_PF_STRIP} --remove-section=.comment --remove-section=.note
                          --strip-unneeded ${program}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not strip ${program}")
  endif()
endforeach()
