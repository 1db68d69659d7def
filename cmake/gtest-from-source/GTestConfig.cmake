# GoogleTest is built from its sources inside this build (cmake/windows.cmake); its targets
# GTest::gtest and GTest::gtest_main already exist.
if(NOT TARGET GTest::gtest OR NOT TARGET GTest::gtest_main)
  set(GTest_FOUND FALSE)
  set(GTest_NOT_FOUND_MESSAGE "GoogleTest was not built from source in this tree")
endif()
