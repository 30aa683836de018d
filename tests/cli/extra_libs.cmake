# The tests run the built command-line program as a process.
if(TARGET procforge-cli)
  add_dependencies(test_cli procforge-cli)
endif()
