# Address and undefined-behaviour sanitizers for the asan preset.
add_library(kinotra_sanitizers INTERFACE)
if(KINOTRA_SANITIZE)
    target_compile_options(kinotra_sanitizers INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(kinotra_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# kinotra_library(name SOURCES ... LINKS ...): one static library per source folder.
function(kinotra_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(kinotra_${name} STATIC ${ARG_SOURCES})
    target_include_directories(kinotra_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(kinotra_${name} PUBLIC ${ARG_LINKS} PRIVATE kinotra_warnings kinotra_sanitizers)
endfunction()

# kinotra_test(name SOURCES ... LINKS ...): a GoogleTest program registered with CTest.
function(kinotra_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_executable(test_${name} ${ARG_SOURCES})
    target_link_libraries(test_${name} PRIVATE ${ARG_LINKS} kinotra_testsupport kinotra_warnings
                          kinotra_sanitizers)
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                         DISCOVERY_TIMEOUT 60)
endfunction()
