# pellmark_test_home(NAME VAR)
# Makes the home, configuration and runtime folders of one test inside the build tree and
# sets VAR to the environment that points the test at them.
function(pellmark_test_home name var)
    set(home "${CMAKE_BINARY_DIR}/test-home/${name}")
    file(MAKE_DIRECTORY "${home}/config" "${home}/runtime")
    file(CHMOD "${home}/runtime" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(${var} "HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_RUNTIME_DIR=${home}/runtime;LC_ALL=C.UTF-8" PARENT_SCOPE)
endfunction()

# pellmark_add_qtest(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# Builds one Qt Test executable and registers it with ctest. Every test gets its own
# home and configuration folders inside the build tree, so no test ever touches the
# user's real settings, and runs on the offscreen platform unless it sets its own.
function(pellmark_add_qtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test pellmark_compile_options)
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}" "${PROJECT_SOURCE_DIR}/tests")
    add_test(NAME ${name} COMMAND ${name})
    pellmark_test_home(${name} home_environment)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${home_environment};${ARG_ENVIRONMENT}")
endfunction()

# pellmark_add_xvfb_test(NAME TARGET [ARGS ...] [LABELS ...] [TIMEOUT s] [ENVIRONMENT ...])
# Runs a built test executable in an X server of its own (tests/support/with-xvfb), with
# home folders of its own as above. The test is labelled xvfb besides LABELS.
function(pellmark_add_xvfb_test name target)
    cmake_parse_arguments(ARG "" "TIMEOUT" "ARGS;LABELS;ENVIRONMENT" ${ARGN})
    add_test(NAME ${name}
        COMMAND "${PROJECT_SOURCE_DIR}/tests/support/with-xvfb" $<TARGET_FILE:${target}>
            ${ARG_ARGS})
    pellmark_test_home(${name} home_environment)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(labels xvfb ${ARG_LABELS})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${labels}"
        ENVIRONMENT "${home_environment};${ARG_ENVIRONMENT}")
endfunction()
