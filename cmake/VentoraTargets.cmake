# Shared compile settings: every Ventora target links ventora_warnings privately, so the
# strict flags never leak into consumers such as GoogleTest or Qt's generated code.
add_library(ventora_warnings INTERFACE)
target_compile_options(ventora_warnings INTERFACE -Wall -Wextra -Wpedantic)
# Off by default so that a packager's compiler, newer than ours, cannot fail the build over a
# new warning; the presets and CI turn it on.
option(VENTORA_WERROR "Treat compiler warnings as errors" OFF)
if(VENTORA_WERROR)
    target_compile_options(ventora_warnings INTERFACE -Werror)
endif()

# ventora_add_library(NAME <target> SOURCES ... [DEPS ...])
function(ventora_add_library)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPS" ${ARGN})
    add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
    add_library(ventora::${ARG_NAME} ALIAS ${ARG_NAME})
    target_include_directories(${ARG_NAME} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS} PRIVATE ventora_warnings)
endfunction()

# ventora_add_test(NAME <executable> SOURCES ... [DEPS ...] [LABELS ...])
# One GoogleTest executable per module; tests are discovered, never listed twice.
function(ventora_add_test)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPS} GTest::gtest_main ventora_warnings)
    gtest_discover_tests(${ARG_NAME}
        WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
        PROPERTIES LABELS "${ARG_LABELS}"
        DISCOVERY_TIMEOUT 60)
endfunction()
