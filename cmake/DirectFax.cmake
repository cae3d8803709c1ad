# Helpers shared by the CMake files of the project.

# directfax_add_gtest(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# Builds one GoogleTest program and registers its tests with CTest.
function(directfax_add_gtest)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_compile_definitions(${ARG_NAME} PRIVATE
        DIRECTFAX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        DIRECTFAX_BINARY_DIR="${PROJECT_BINARY_DIR}"
        DIRECTFAX_TEST_PROBE="$<TARGET_FILE:directfax-test-probe>")
    add_dependencies(${ARG_NAME} directfax-test-probe)
    gtest_discover_tests(${ARG_NAME}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARG_LABELS}")
endfunction()

# directfax_add_benchmark(NAME <name> SOURCES <files...> LIBS <targets...>)
function(directfax_add_benchmark)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
    target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endfunction()
