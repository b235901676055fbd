# qm_core_library(NAME DEPS...): a static library of every .cpp in the calling folder.
# The folder is the unit of ownership, so new files join their library without touching the build.
function(qm_core_library name)
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(_sources)
        add_library(${name} STATIC ${_sources} ${_headers})
        set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF)
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${ARGN})
    else()
        # Interfaces only, so far.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
endfunction()

# qm_test_dir(NAME DEPS...): one GoogleTest executable of every .cpp in the calling folder.
function(qm_test_dir name)
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT _sources)
        return()
    endif()
    add_executable(${name} ${_sources})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
    # The label says what a test needs: "unit" (fast, the default), "e2e" (the built program on
    # a private display; a folder sets QM_TEST_LABEL), "windows" (the cross build under Wine).
    set(_label unit)
    if(DEFINED QM_TEST_LABEL)
        set(_label ${QM_TEST_LABEL})
    endif()
    if(CMAKE_CROSSCOMPILING)
        # The build machine cannot list the tests of a target program, so the whole executable is
        # one test, run through the emulator (Wine) that add_test puts in front of it.
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "QM_BIN_DIR=${CMAKE_BINARY_DIR}/bin" LABELS windows)
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
            PROPERTIES ENVIRONMENT "QM_BIN_DIR=${CMAKE_BINARY_DIR}/bin" LABELS ${_label})
    endif()
endfunction()

# qm_qt_library(NAME DEPS...): like qm_core_library, for Qt code (moc and resources on).
function(qm_qt_library name)
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT _sources)
        return()
    endif()
    add_library(${name} STATIC ${_sources} ${_headers})
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# qm_qt_tests(DEPS...): one Qt Test executable per *Test.cpp in the calling folder, run offscreen.
# Widget tests use Qt Test, whose QTEST_MAIN brings up the application object they need.
function(qm_qt_tests)
    file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
    foreach(_test ${_tests})
        get_filename_component(_name ${_test} NAME_WE)
        set(_target qm_qttest_${_name})
        add_executable(${_target} ${_test})
        set_target_properties(${_target} PROPERTIES AUTOMOC ON AUTORCC ON)
        target_include_directories(${_target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
        target_link_libraries(${_target} PRIVATE ${ARGN} Qt6::Test)
        add_test(NAME ${_name} COMMAND ${_target})
        set_tests_properties(${_name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QM_BIN_DIR=${CMAKE_BINARY_DIR}/bin" LABELS widget)
    endforeach()
endfunction()
