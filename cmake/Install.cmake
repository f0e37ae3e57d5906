# What `cmake --install` puts where, and the Debian package that scripts/package builds from it
# with CPack: the client, the demo server, their manual pages, and the documents and examples.
include(GNUInstallDirs)

# Packages built under a restrictive umask must still give everyone read access.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS qvchat qvdemo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian installs manual pages, and documents that are not tiny, gzip-compressed. A file is
# compressed while installing, not as a build target, so that an install after building only the
# programs still has it; -n leaves the name and time out of the header, so that the same file
# always gives the same bytes.
find_program(QVCHAT_GZIP gzip REQUIRED)
function(qvchat_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name}.gz)
  install(CODE "
    file(MAKE_DIRECTORY \"${CMAKE_CURRENT_BINARY_DIR}/gzipped\")
    execute_process(COMMAND \"${QVCHAT_GZIP}\" -9 -n -c \"${source}\"
      OUTPUT_FILE \"${compressed}\" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"Cannot compress ${source}\")
    endif()")
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()

set(QVCHAT_DOCS ${CMAKE_CURRENT_SOURCE_DIR}/docs)
qvchat_install_gzipped(${QVCHAT_DOCS}/qvchat.1 ${CMAKE_INSTALL_MANDIR}/man1)
qvchat_install_gzipped(${QVCHAT_DOCS}/qvdemo.1 ${CMAKE_INSTALL_MANDIR}/man1)

# /usr/share/doc/qvchat: what a user reads (the client, the demo server) and the copyright, which
# Debian keeps uncompressed; examples to copy into the working folder, uncompressed too.
set(QVCHAT_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/qvchat)
qvchat_install_gzipped(${CMAKE_CURRENT_SOURCE_DIR}/README.md ${QVCHAT_DOC_DIR})
qvchat_install_gzipped(${QVCHAT_DOCS}/demo.md ${QVCHAT_DOC_DIR})
install(FILES ${QVCHAT_DOCS}/copyright DESTINATION ${QVCHAT_DOC_DIR})
install(FILES ${QVCHAT_DOCS}/examples/servers.lst ${QVCHAT_DOCS}/examples/qv.ini
  DESTINATION ${QVCHAT_DOC_DIR}/examples)

set(QVCHAT_PACKAGE_MAINTAINER
  "qvchat maintainers <maintainers@users.noreply.c-seed-5c34fc23.example>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME qvchat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QVCHAT_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text-mode chat client for the online game Quorvan")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "qvchat connects to one Quorvan game server, logs in as a player character
and shows the game's local speech, chat channels, private messages, GM
messages and server notices in a full-screen terminal interface: a colour
chat window with scroll-back and an input line with history and Tab
completion. It goes away-from-keyboard by itself, answers private messages
while away and keeps time-stamped chat logs.
.
The package also holds qvdemo, a small demo game server for trying the
client on this machine.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QVCHAT_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# qvchat_1.0.0_amd64.deb: name, version and the architecture dpkg reports.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries' own packages (ncurses, Boost, Enchant, the C++ runtime) as found by
# dpkg-shlibdeps; Enchant's own package brings a Hunspell dictionary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# A source package made with the package_source target leaves the build trees and the demo's
# working folder out. Verbatim: the patterns and the description reach CPack unchanged.
set(CPACK_VERBATIM_VARIABLES YES)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git(/|$)" "/build[^/]*/" "/run/")
include(CPack)
