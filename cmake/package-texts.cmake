# Makes the texts that travel with the program from the ones kept in the source, so that none is
# a second copy to keep by hand. Run as a script:
#   cmake -DWHAT=readme -DIN=README.md -DOUT=README.txt -P package-texts.cmake
#     the README's sections for users, with Windows line ends;
#   cmake -DWHAT=licence -DIN=LICENSE -DOUT=LICENSE.txt -P package-texts.cmake
#     the licence with Windows line ends;
#   cmake -DWHAT=copyright -DIN=LICENSE -DOUT=copyright -P package-texts.cmake
#     the licence as a Debian copyright file.
cmake_minimum_required(VERSION 3.25)
file(READ "${IN}" text)

if(WHAT STREQUAL "readme")
  # The title and its introduction, then these sections in this order; one that is missing
  # fails the build rather than leaving a hole in what users read.
  set(sections "A walk through the menus" "Your files are safe" "Commands" "A word on the ciphers")
  string(FIND "${text}" "\n## " first)
  string(SUBSTRING "${text}" 0 ${first} kept)
  foreach(section IN LISTS sections)
    string(FIND "${text}" "\n## ${section}\n" start)
    if(start EQUAL -1)
      message(FATAL_ERROR "${IN} has no section \"${section}\"")
    endif()
    math(EXPR start "${start} + 1")
    string(SUBSTRING "${text}" ${start} -1 rest)
    # The section ends where the next one of its level or above starts.
    string(LENGTH "## ${section}\n" heading)
    string(SUBSTRING "${rest}" ${heading} -1 body)
    string(REGEX MATCH "\n##? " next "${body}")
    if(next)
      string(FIND "${body}" "${next}" end)
      math(EXPR end "${end} + ${heading}")
      string(SUBSTRING "${rest}" 0 ${end} rest)
    endif()
    string(APPEND kept "\n${rest}")
  endforeach()
  string(REGEX REPLACE "\n+$" "\n" text "${kept}")
elseif(WHAT STREQUAL "copyright")
  # Machine-readable form: the licence's text indented, an empty line written as ".".
  string(REGEX MATCH "Copyright \\(c\\) [^\n]*" notice "${text}")
  string(REGEX REPLACE "^[^\n]*\n\n[^\n]*\n\n" "" terms "${text}")
  string(REGEX REPLACE "\n+$" "" terms "${terms}")
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " terms "${terms}")
  string(REPLACE "Copyright (c) " "" holders "${notice}")
  set(text "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Varnelo

Files: *
Copyright: ${holders}
License: Expat

License: Expat
 ${terms}
")
endif()

if(NOT WHAT STREQUAL "copyright")
  string(REPLACE "\n" "\r\n" text "${text}")
endif()
file(WRITE "${OUT}" "${text}")
