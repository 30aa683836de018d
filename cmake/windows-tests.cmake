# Tests of the Windows build that run under Wine (tests/windows/wine_test.sh): the platform
# layer's own tests, compiled for Windows against GoogleTest built from Debian's source.
set(PF_GTEST_SOURCE /usr/src/googletest/googletest)
if(EXISTS ${PF_GTEST_SOURCE}/src/gtest-all.cc)
  add_library(pf_gtest STATIC ${PF_GTEST_SOURCE}/src/gtest-all.cc ${PF_GTEST_SOURCE}/src/gtest_main.cc)
  target_include_directories(pf_gtest SYSTEM PUBLIC ${PF_GTEST_SOURCE}/include PRIVATE ${PF_GTEST_SOURCE})
  target_link_libraries(pf_gtest PUBLIC Threads::Threads)
  add_executable(test_platform_files ${CMAKE_SOURCE_DIR}/tests/platform/FilesTest.cpp)
  target_link_libraries(test_platform_files PRIVATE procforge_core pf_gtest)
endif()

# Sends a real Ctrl+C console event to the program under test (tests/cli/CliWindowsTest.cpp).
add_executable(console_ctrl_c ${CMAKE_SOURCE_DIR}/tests/cli/windows/ConsoleCtrlC.cpp)
target_link_options(console_ctrl_c PRIVATE -municode)
