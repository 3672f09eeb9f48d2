# format_check: clang-format --dry-run --Werror over every C++ source git tracks (or, in a
# tree without git, every one below the source folder), as .clang-format says. tools/test
# runs it; `clang-format -i` on the files it names makes them right.

find_program(PELLMARK_CLANG_FORMAT NAMES clang-format clang-format-14)
if(PELLMARK_CLANG_FORMAT)
    add_custom_target(format_check
        COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${PROJECT_SOURCE_DIR}"
                "-DCLANG_FORMAT=${PELLMARK_CLANG_FORMAT}"
                -P "${PROJECT_SOURCE_DIR}/cmake/format_check.cmake"
        COMMENT "Checking the formatting of the C++ sources"
        VERBATIM)
else()
    add_custom_target(format_check
        COMMAND "${CMAKE_COMMAND}" -E echo "format_check needs clang-format (tools/packages.txt)"
        COMMAND "${CMAKE_COMMAND}" -E false
        VERBATIM)
endif()
