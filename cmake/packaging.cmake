# What `cmake --install` puts beside the program, and the packages CPack makes of exactly that:
# a Debian package on Linux, a zip in the Windows cross build (`cmake --build build --target
# package`, or `cpack` in the build folder).
set(package_texts ${PROJECT_SOURCE_DIR}/cmake/package-texts.cmake)

if(WIN32)
  # A zip for people who unpack it and read it in Notepad: the program, the README's sections
  # for users and the licence, with Windows line ends.
  add_custom_command(
    OUTPUT README.txt LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -DWHAT=readme -DIN=${PROJECT_SOURCE_DIR}/README.md -DOUT=README.txt -P ${package_texts}
    COMMAND ${CMAKE_COMMAND} -DWHAT=licence -DIN=${PROJECT_SOURCE_DIR}/LICENSE -DOUT=LICENSE.txt -P ${package_texts}
    DEPENDS ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${package_texts})
  add_custom_target(package_texts ALL DEPENDS README.txt LICENSE.txt)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-windows-x86_64)
else()
  include(GNUInstallDirs)
  # Debian's tools want the manual page and the changelog compressed, and without a time stamp
  # in the header so that a rebuild gives the same bytes.
  find_program(VARNELO_GZIP gzip REQUIRED)
  add_custom_command(
    OUTPUT varnelo.1.gz changelog.Debian.gz copyright
    COMMAND ${VARNELO_GZIP} -9nc ${PROJECT_SOURCE_DIR}/dist/varnelo.1 > varnelo.1.gz
    COMMAND ${VARNELO_GZIP} -9nc ${PROJECT_SOURCE_DIR}/dist/changelog.Debian > changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -DWHAT=copyright -DIN=${PROJECT_SOURCE_DIR}/LICENSE -DOUT=copyright -P ${package_texts}
    DEPENDS ${PROJECT_SOURCE_DIR}/dist/varnelo.1 ${PROJECT_SOURCE_DIR}/dist/changelog.Debian
            ${PROJECT_SOURCE_DIR}/LICENSE ${package_texts})
  add_custom_target(package_texts ALL DEPENDS varnelo.1.gz changelog.Debian.gz copyright)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/varnelo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/varnelo.bash DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
          RENAME varnelo)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/varnelo.lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME varnelo)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_BINARY_DIR}/copyright
                ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The run-time dependencies as dpkg-shlibdeps reads them from the program: none where it is
  # linked whole, libc and the C++ runtime at the versions it was linked against otherwise.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_STRIP_FILES ON)
  # Directories as Debian has them whatever the umask of whoever builds the package.
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                  WORLD_READ WORLD_EXECUTE)
endif()

set(VARNELO_PACKAGE_CONTACT "The Varnelo developers <varnelo@example.org>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_CONTACT ${VARNELO_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VENDOR "The Varnelo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split, join, compare, checksum, encrypt and encode whole files")
# Lines of the description stay under 80 characters, as Debian's tools read it.
set(CPACK_PACKAGE_DESCRIPTION
    "Varnelo is a menu-driven console program for whole files of any size. It
splits a file into numbered pieces and joins them back, compares two files,
computes checksums (SHA-2, SHA-1, RIPEMD-160, MD5 and its own Checksum64),
encrypts and decrypts with a text key or a key file, and encodes files as
binary, hexadecimal or base 64 text and back. Every prompt exists in English
and Indonesian. Given a command instead, it does one job for scripts.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The packages are made of what is installed, nothing else.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
