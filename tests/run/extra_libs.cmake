# The harness generates the classes with the command-line program and needs no display.
if(TARGET procforge-cli)
  add_dependencies(test_run procforge-cli)
endif()

