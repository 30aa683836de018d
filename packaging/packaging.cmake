# Installing like a Debian program: the programs in bin/, the code library, its modules
# and the guides in share/procforge/ (where the programs look when the files are not
# beside them), manual pages, bash completion for procforge-cli, a desktop entry with the
# program's icon and AppStream metadata, and in share/doc/procforge/ the copyright file and
# the changelog. `cpack -G DEB` makes a Debian package of it with stripped programs, whose
# dependencies are the run-time libraries and the ODBC drivers it loads.

# Who maintains the package and where the project lives. The project has no mail domain of
# its own: a packager sets these two, everything else (control file, changelog, AppStream
# metadata) takes them from here.
set(PF_MAINTAINER "Procforge maintainers <procforge@example.org>" CACHE STRING
    "Maintainer of the Debian package and contact of the AppStream metadata: Name <mail>")
set(PF_HOMEPAGE "https://procforge.example.org/" CACHE STRING "The project's home page, ending in /")
set(PF_APPSTREAM_ID org.example.procforge)
if(NOT PF_MAINTAINER MATCHES "^([^<]*[^< ]) *<([^>]+@[^>]+)>$")
  message(FATAL_ERROR "PF_MAINTAINER must read 'Name <mail>', not '${PF_MAINTAINER}'")
endif()
set(PF_MAINTAINER_NAME "${CMAKE_MATCH_1}")
set(PF_MAINTAINER_MAIL "${CMAKE_MATCH_2}")

set(PF_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PF_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PF_PACKAGING_DIR}/description.txt ${PF_PACKAGING_DIR}/changelog.in
             ${CMAKE_SOURCE_DIR}/docs/procforge-files.1.part)

# The release the changelog's newest entry describes: its version must be the project's,
# and its date is the release date the AppStream metadata gives.
file(STRINGS ${PF_PACKAGING_DIR}/changelog.in PF_CHANGELOG_TOP LIMIT_COUNT 1)
file(STRINGS ${PF_PACKAGING_DIR}/changelog.in PF_CHANGELOG_DATE REGEX "^ -- " LIMIT_COUNT 1)
if(NOT PF_CHANGELOG_TOP MATCHES "^procforge \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog.in: the newest entry is not of version ${PROJECT_VERSION}")
endif()
set(PF_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(PF_MONTHS_DIGITS 01 02 03 04 05 06 07 08 09 10 11 12)
list(JOIN PF_MONTHS "|" months)
if(NOT PF_CHANGELOG_DATE MATCHES ", ([0-9][0-9]) (${months}) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog.in: no date in the newest entry's trailer line")
endif()
list(FIND PF_MONTHS ${CMAKE_MATCH_2} month)
list(GET PF_MONTHS_DIGITS ${month} month)
set(PF_RELEASE_DATE "${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}")

# The description: its paragraphs become the Debian package's extended description and
# the AppStream metadata's <p> elements.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Generates Visual Basic classes that wrap database stored procedures")
file(READ ${PF_PACKAGING_DIR}/description.txt PF_DESCRIPTION)
string(STRIP "${PF_DESCRIPTION}" PF_DESCRIPTION)
string(REPLACE "\n\n" "\r" PF_DESCRIPTION_XML "${PF_DESCRIPTION}")
string(REPLACE "\n" "\n       " PF_DESCRIPTION_XML "${PF_DESCRIPTION_XML}")
string(REPLACE "\r" "</p>\n    <p>" PF_DESCRIPTION_XML "${PF_DESCRIPTION_XML}")
set(PF_DESCRIPTION_XML "    <p>${PF_DESCRIPTION_XML}</p>\n")

# The environment and files sections the two manual pages share.
file(READ ${CMAKE_SOURCE_DIR}/docs/procforge-files.1.part PF_MAN_FILES)
string(STRIP "${PF_MAN_FILES}" PF_MAN_FILES)

# Manual pages and the changelog are installed compressed, as Debian's tools expect them;
# gzip -n leaves the name and time out, so the package is the same from build to build.
find_program(PF_GZIP gzip REQUIRED)
set(PF_GZIPPED)
function(pf_gzip_configured input output)
  configure_file(${input} ${PF_PACKAGING_OUT}/${output} @ONLY)
  add_custom_command(OUTPUT ${PF_PACKAGING_OUT}/${output}.gz
    COMMAND ${PF_GZIP} -9nkf ${output}
    WORKING_DIRECTORY ${PF_PACKAGING_OUT}
    DEPENDS ${PF_PACKAGING_OUT}/${output})
  set(PF_GZIPPED ${PF_GZIPPED} ${PF_PACKAGING_OUT}/${output}.gz PARENT_SCOPE)
endfunction()
pf_gzip_configured(${PF_PACKAGING_DIR}/changelog.in changelog)
pf_gzip_configured(${CMAKE_SOURCE_DIR}/docs/procforge.1.in procforge.1)
pf_gzip_configured(${CMAKE_SOURCE_DIR}/docs/procforge-cli.1.in procforge-cli.1)
add_custom_target(pf_packaging_files ALL DEPENDS ${PF_GZIPPED})
configure_file(${PF_PACKAGING_DIR}/procforge.metainfo.xml.in
               ${PF_PACKAGING_OUT}/${PF_APPSTREAM_ID}.metainfo.xml @ONLY)

# The programs resolve all symbols at start-up, so that their relocations can be read-only.
foreach(program IN ITEMS procforge procforge-cli)
  if(TARGET ${program})
    target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
    install(TARGETS ${program} RUNTIME DESTINATION bin)
  endif()
endforeach()
install(FILES ${PF_LIBRARY_FILES} ${PF_DOC_FILES} DESTINATION share/procforge)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/samples DESTINATION share/procforge)
install(FILES ${PF_PACKAGING_OUT}/procforge.1.gz ${PF_PACKAGING_OUT}/procforge-cli.1.gz DESTINATION share/man/man1)
install(FILES ${PF_PACKAGING_DIR}/procforge-cli.bash-completion DESTINATION share/bash-completion/completions
        RENAME procforge-cli)
install(FILES ${PF_PACKAGING_DIR}/procforge.desktop DESTINATION share/applications)
install(FILES ${PF_PACKAGING_DIR}/procforge.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PF_PACKAGING_OUT}/${PF_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${PF_PACKAGING_DIR}/copyright ${PF_PACKAGING_OUT}/changelog.gz DESTINATION share/doc/procforge)

set(CPACK_PACKAGE_NAME procforge)
set(CPACK_PACKAGE_VENDOR "Procforge")
set(CPACK_PACKAGE_CONTACT "${PF_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${PF_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PF_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs go into the package stripped, without their debugging information.
set(CPACK_PF_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PF_PACKAGING_DIR}/strip.cmake)
# Drivers the data-access layer loads through the ODBC driver manager.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "odbcinst, tdsodbc, odbc-mdbtools")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libsqliteodbc, odbc-postgresql")
include(CPack)
