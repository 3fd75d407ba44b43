# Helpers that turn a source folder into a library and a test folder into a
# test binary. Files are picked up by globbing, so adding a .cpp to a folder
# needs no edit here.

# Libraries in the order they were declared, bottom layer first, with the
# source folder each one owns; the layer check below walks this list.
set_property(GLOBAL PROPERTY TARN_LAYERS)

# tarn_library(<target> <folder> <dependencies...>)
# Each library gets an include root of its own under the build tree that
# holds only its folder (as a link to src/<folder>), so `#include
# "<folder>/X.h"` resolves in the library itself and in the libraries that
# link it, never in a library below it: an upward include fails to compile.
# A library's include root is passed on to what links it, so the layers
# below stay visible.
function(tarn_library target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    set_property(GLOBAL APPEND PROPERTY TARN_LAYERS "${target}=${folder}")

    # Subfolders (a plug-in format's adapter, a family of machines) belong
    # to the library of their folder.
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${ARGN})
endfunction()

# tarn_layer_check(<lower target> <lower folder> <upper folder>)
# A file that includes a header of the upper folder, compiled with the
# include roots of the lower library, must fail on that include. Run
# through the compiler directly (not the build tool) so the checks can run
# in parallel with each other.
function(tarn_layer_check lowerTarget lowerFolder upperFolder)
    file(GLOB ownHeaders ${PROJECT_SOURCE_DIR}/src/${lowerFolder}/*.h)
    file(GLOB upperHeaders ${PROJECT_SOURCE_DIR}/src/${upperFolder}/*.h)
    list(GET ownHeaders 0 ownHeader)
    list(GET upperHeaders 0 upperHeader)
    get_filename_component(ownHeader ${ownHeader} NAME)
    get_filename_component(upperHeader ${upperHeader} NAME)
    string(REPLACE "/" "_" upperName ${upperFolder})
    set(name ${lowerTarget}.${upperName})
    set(probe ${CMAKE_BINARY_DIR}/layer_checks/${name}.cpp)
    file(WRITE ${probe} "#include \"${lowerFolder}/${ownHeader}\"\n"
                        "#include \"${upperFolder}/${upperHeader}\"\n")
    add_test(NAME LayerCheck.${name}
             COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only
                     "-I$<JOIN:$<TARGET_PROPERTY:${lowerTarget},INCLUDE_DIRECTORIES>,;-I>"
                     ${probe}
             COMMAND_EXPAND_LISTS)
    # Passes only when the library's own header was found and the upper one
    # was not.
    set_tests_properties(LayerCheck.${name} PROPERTIES
        PASS_REGULAR_EXPRESSION "${upperFolder}/${upperHeader}: No such file"
        FAIL_REGULAR_EXPRESSION "${lowerFolder}/${ownHeader}: No such file")
endfunction()

# tarn_layer_checks(<lower target> <upper folder> ...)
# One check per layer against the next one up, in the order the libraries
# were declared, and one for each further pair given: a library that sits
# beside another (neither above the other) must not see it either.
function(tarn_layer_checks)
    get_property(layers GLOBAL PROPERTY TARN_LAYERS)
    list(LENGTH layers count)
    math(EXPR last "${count} - 2")
    foreach(index RANGE 0 ${last})
        math(EXPR above "${index} + 1")
        list(GET layers ${index} lower)
        list(GET layers ${above} upper)
        string(REPLACE "=" ";" lower ${lower})
        string(REPLACE "=" ";" upper ${upper})
        list(GET lower 0 lowerTarget)
        list(GET lower 1 lowerFolder)
        list(GET upper 1 upperFolder)
        tarn_layer_check(${lowerTarget} ${lowerFolder} ${upperFolder})
    endforeach()
    while(ARGN)
        list(POP_FRONT ARGN lowerTarget upperFolder)
        foreach(layer ${layers})
            string(REPLACE "=" ";" layer ${layer})
            list(GET layer 0 target)
            if(target STREQUAL lowerTarget)
                list(GET layer 1 lowerFolder)
            endif()
        endforeach()
        tarn_layer_check(${lowerTarget} ${lowerFolder} ${upperFolder})
    endwhile()
endfunction()

# tarn_test_support()
# The helpers every test binary shares (tests/support), compiled once into
# a library of their own.
function(tarn_test_support)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
    add_library(tarn_test_support STATIC ${sources})
    target_include_directories(tarn_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(tarn_test_support PUBLIC tarn_base GTest::gtest GTest::gmock)
endfunction()

# tarn_tests(<folder under tests/> <libraries...>)
# Builds tests/<folder>/*.cpp into one binary, linked with the shared
# helpers, and registers each test case with CTest. Each binary runs in its
# own scratch directory so that files written by one never meet another's.
function(tarn_tests folder)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    string(REPLACE "/" "_" name ${folder})
    set(target tarn_${name}_tests)
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE ${ARGN} tarn_test_support GTest::gtest_main)
    set(workdir ${CMAKE_BINARY_DIR}/testrun/${name})
    file(MAKE_DIRECTORY ${workdir})
    gtest_discover_tests(${target} WORKING_DIRECTORY ${workdir} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "TARN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
