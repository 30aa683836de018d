# The Windows build (cmake/mingw-w64.cmake): only the command-line program, one static
# executable that needs nothing beyond what every Windows has (KERNEL32, ADVAPI32, the C
# runtime, ODBC32). SQLite and pugixml are compiled from the sources that
# scripts/windows-deps.sh prepares in PF_WINDOWS_DEPS.
set(PF_WINDOWS_DEPS "" CACHE PATH "Folder prepared by scripts/windows-deps.sh")
if(NOT EXISTS "${PF_WINDOWS_DEPS}/sqlite/sqlite3.c" OR NOT EXISTS "${PF_WINDOWS_DEPS}/pugixml/src/pugixml.cpp")
  message(FATAL_ERROR "PF_WINDOWS_DEPS must name a folder prepared by scripts/windows-deps.sh")
endif()

# Windows 10 and later; wide-character (UTF-16) API names; the C runtime's localtime_r and gmtime_r.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L _WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
# -O2, as the Linux build: GCC 12 at Release's -O3 reports false "may overlap" warnings
# inside libstdc++'s std::string copies (GCC bug 105329), and the program gains nothing there.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
# The C++ runtime, libgcc and the posix thread library go into the executable itself. -static
# alone is not enough: CMake ends its list of libraries with -Bdynamic, and the compiler
# driver then adds libstdc++ and libwinpthread as DLLs after it.
add_link_options(-static -static-libgcc -static-libstdc++)
set(CMAKE_LINK_SEARCH_END_STATIC ON)

add_library(pf_sqlite3 STATIC ${PF_WINDOWS_DEPS}/sqlite/sqlite3.c)
target_include_directories(pf_sqlite3 SYSTEM PUBLIC ${PF_WINDOWS_DEPS}/sqlite)
target_compile_definitions(pf_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(pf_sqlite3 PRIVATE -w)
add_library(SQLite::SQLite3 ALIAS pf_sqlite3)

add_library(pf_pugixml STATIC ${PF_WINDOWS_DEPS}/pugixml/src/pugixml.cpp)
target_include_directories(pf_pugixml SYSTEM PUBLIC ${PF_WINDOWS_DEPS}/pugixml/src)
add_library(pugixml::pugixml ALIAS pf_pugixml)
