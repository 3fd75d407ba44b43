# Helpers that turn a source folder into a library and a test folder into a
# test binary. Files are picked up by globbing, so adding a .cpp to a folder
# needs no edit here.

# tarn_library(<target> <folders> <dependencies...>)
# <folders> is one folder or a ;-list of folders that build one library
# together. A library without .cpp files yet becomes an interface target so
# that the layers above it can already name it.
function(tarn_library target folders)
    set(sources)
    foreach(folder ${folders})
        file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
        list(APPEND sources ${found})
    endforeach()
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src
                                                    ${PROJECT_SOURCE_DIR}/include)
        target_link_libraries(${target} PUBLIC ${ARGN})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src
                                                       ${PROJECT_SOURCE_DIR}/include)
        target_link_libraries(${target} INTERFACE ${ARGN})
    endif()
endfunction()

# tarn_tests(<folder under tests/> <libraries...>)
# Builds tests/<folder>/*.cpp (plus the shared helpers in tests/support) into
# one binary and registers each test case with CTest. Each binary runs in its
# own scratch directory so that files written by one never meet another's.
function(tarn_tests folder)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    string(REPLACE "/" "_" name ${folder})
    set(target tarn_${name}_tests)
    file(GLOB support CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
    add_executable(${target} ${sources} ${support})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
    set(workdir ${CMAKE_BINARY_DIR}/testrun/${name})
    file(MAKE_DIRECTORY ${workdir})
    gtest_discover_tests(${target} WORKING_DIRECTORY ${workdir} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "TARN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
