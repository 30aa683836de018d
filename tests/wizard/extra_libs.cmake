# The wizard's tests drive the real Qt widgets (offscreen) and need the program's folder
# of the built wizard. The target "screenshots" (not a test: the pictures are compared with
# nothing) runs the screenshot writer under a virtual X display: a picture of every page
# into the build folder, and the README's picture of the wizard into docs/.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_wizard PRIVATE procforge_wizard Qt6::Test)
find_program(PF_XVFB_RUN xvfb-run)
if(PF_XVFB_RUN)
  add_custom_target(screenshots
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=xcb PF_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots
            PF_DOCS_SCREENSHOT=${CMAKE_SOURCE_DIR}/docs/procforge-wizard.png
            ${PF_XVFB_RUN} -a -s "-screen 0 1280x1024x24 -dpi 96" $<TARGET_FILE:test_wizard> --gtest_filter=Screenshots.*
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    DEPENDS test_wizard
    VERBATIM)
endif()
# Tests start the built program as a process; the first-use walk installs the build into
# a prefix of its own.
add_dependencies(test_wizard procforge procforge-cli pf_packaging_files)
target_compile_definitions(test_wizard PRIVATE PF_CMAKE_COMMAND="${CMAKE_COMMAND}")
# The exit test drives the program it starts from inside through a generic plugin
# (driver/DriverPlugin.cpp), which the program loads from this plugin folder.
add_library(pf_test_driver MODULE ${CMAKE_CURRENT_LIST_DIR}/driver/DriverPlugin.cpp)
set_target_properties(pf_test_driver PROPERTIES AUTOMOC ON
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/plugins/generic)
target_link_libraries(pf_test_driver PRIVATE Qt6::Widgets Qt6::Test)
add_dependencies(test_wizard pf_test_driver)
target_compile_definitions(test_wizard PRIVATE PF_TEST_PLUGIN_DIR="${CMAKE_BINARY_DIR}/tests/plugins")
