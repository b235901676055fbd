# GoogleTest for a cross build: there is no GoogleTest for the target system to find, so it is
# built from the sources Debian's googletest package puts in /usr/src/googletest (or
# QM_GTEST_SOURCE_DIR). It provides the same GTest::gtest, GTest::gmock and GTest::gtest_main
# targets find_package(GTest) gives a native build.
set(QM_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${QM_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${QM_GTEST_SOURCE_DIR} (Debian package googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# GoogleTest is third-party code: build it without the project's warnings-as-errors, and let
# its headers count as system headers so the project's warnings stay about the project.
get_directory_property(_qm_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${QM_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_qm_saved_options}")
