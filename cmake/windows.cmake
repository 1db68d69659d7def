# Windows only: the manifest, icon and version block go into varnelo.exe, and the tests get
# GoogleTest built from its sources when no build of it for Windows is installed.
enable_language(RC)
if(MINGW)
  # What users download carries no symbols or debug sections (about 1.6 MB of them, from the
  # static runtime); the test programs keep theirs for wine's backtraces.
  target_link_options(varnelo PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
endif()
target_sources(varnelo PRIVATE ${PROJECT_SOURCE_DIR}/res/varnelo.rc)
# windres reports no dependencies, so a new icon or manifest would not rebuild the resources.
set_source_files_properties(
  ${PROJECT_SOURCE_DIR}/res/varnelo.rc TARGET_DIRECTORY varnelo PROPERTIES OBJECT_DEPENDS
                                                  "${PROJECT_SOURCE_DIR}/res/varnelo.ico;${PROJECT_SOURCE_DIR}/res/varnelo.manifest")

if(VARNELO_TESTS)
  find_package(GTest QUIET CONFIG)
  if(NOT GTest_FOUND)
    # Debian's googletest package ships the sources here; elsewhere point VARNELO_GTEST_SOURCE
    # at a checkout of them.
    set(VARNELO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows test build")
    if(NOT EXISTS ${VARNELO_GTEST_SOURCE}/CMakeLists.txt)
      message(FATAL_ERROR "No GoogleTest for Windows: install googletest or set VARNELO_GTEST_SOURCE")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${VARNELO_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Our warning flags are not GoogleTest's to meet.
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
    if(NOT TARGET GTest::gtest)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
    # Lets the tests' find_package(GTest) take the targets made above.
    set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/gtest-from-source CACHE PATH "" FORCE)
  endif()

  # Checks the finished program from the build machine. Always registered: the script looks for
  # icoutils itself, so installing them after configuring is enough.
  enable_testing()
  add_test(NAME WindowsExecutable.ReadyToShip
           COMMAND sh ${PROJECT_SOURCE_DIR}/res/check-resources.sh $<TARGET_FILE:varnelo> ${CMAKE_RC_COMPILER}
                   ${CMAKE_OBJDUMP})
endif()
