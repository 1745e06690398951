# Natively we use the installed GoogleTest; the cross build compiles the sources
# that Debian's googletest package ships.
if(CMAKE_CROSSCOMPILING)
  set(LORVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${LORVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
include(${CMAKE_CURRENT_LIST_DIR}/TestSuites.cmake)
