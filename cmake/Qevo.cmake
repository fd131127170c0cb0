# Build conventions shared by every module.
#
#   qevo_library(<module> SOURCES ... DEPS ...)   static library qevo_<module>
#   qevo_tests(<module> SOURCES ... DEPS ...)     GoogleTest executable <module>_tests
#   qevo_executable(<name> SOURCES ... DEPS ...)  a program (tools, the client)
#   qevo_module_of(<file name> <out>)            the library a bench or fuzz file links
#
# Includes are rooted at the repository: #include "transport/crc32.h".

include(CTest)

add_compile_options(-Wall -Wextra)
if(QEVO_WERROR)
    add_compile_options(-Werror)
endif()

# GBK is the system's text: string literals in UTF-8 sources become GBK bytes.
# GB18030 is GBK's superset with the same two-byte codes; it is named here
# because the standard headers hold literals (such as the micro sign) that GBK
# lacks. clang accepts only UTF-8, so clang builds (the fuzz targets) keep
# UTF-8 literals; they exercise memory safety, where the encoding does not matter.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-fexec-charset=GB18030)
endif()

if(QEVO_SANITIZE)
    add_compile_options(-fsanitize=${QEVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${QEVO_SANITIZE})
endif()
if(QEVO_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)
if(QEVO_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()

function(qevo_library module)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(qevo_${module} STATIC ${ARG_SOURCES})
    target_include_directories(qevo_${module} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(qevo_${module} PUBLIC ${ARG_DEPS} Threads::Threads)
endfunction()

function(qevo_tests module)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT QEVO_TESTS)
        return()
    endif()
    add_executable(${module}_tests ${ARG_SOURCES})
    target_link_libraries(${module}_tests PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${module}_tests PRIVATE QEVO_SOURCE_TREE="${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${module}_tests DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "QEVO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

function(qevo_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# The library a bench or fuzz file links: the longest qevo_<prefix> target that
# its underscore-separated name starts with (engine_resources_blit.cpp links
# qevo_engine_resources, engine_layers.cpp links qevo_engine).
function(qevo_module_of name out)
    string(REPLACE "_" ";" parts ${name})
    set(prefix "qevo")
    set(found "")
    foreach(part ${parts})
        set(prefix "${prefix}_${part}")
        if(TARGET ${prefix})
            set(found ${prefix})
        endif()
    endforeach()
    if(NOT found)
        message(FATAL_ERROR "${name}: no qevo_<module> library matches its name")
    endif()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
