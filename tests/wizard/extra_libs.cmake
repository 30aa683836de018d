# The wizard's tests drive the real Qt widgets (offscreen) and need the program's folder
# of the built wizard. A second run under a virtual X display saves a screenshot of every
# page into the build folder, and the README's picture of the wizard into docs/.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_wizard PRIVATE procforge_wizard Qt6::Test)
find_program(PF_XVFB_RUN xvfb-run)
if(PF_XVFB_RUN)
  add_test(NAME wizard_screenshots
           COMMAND ${PF_XVFB_RUN} -a -s "-screen 0 1280x1024x24 -dpi 96" $<TARGET_FILE:test_wizard>
                   --gtest_filter=Screenshots.*
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_tests_properties(wizard_screenshots PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;PF_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots;PF_DOCS_SCREENSHOT=${CMAKE_SOURCE_DIR}/docs/procforge-wizard.png;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp;ASAN_OPTIONS=detect_leaks=1")
endif()
# One test starts the built program without a display.
add_dependencies(test_wizard procforge)
