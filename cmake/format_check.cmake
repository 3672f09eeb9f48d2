# Run by the format_check target: cmake -DSOURCE_DIR=... -DCLANG_FORMAT=... -P this file.

execute_process(
    COMMAND git ls-files -- "*.cpp" "*.h"
    WORKING_DIRECTORY "${SOURCE_DIR}"
    OUTPUT_VARIABLE tracked
    RESULT_VARIABLE status
    ERROR_QUIET)
if(status EQUAL 0)
    string(REGEX REPLACE "\n$" "" tracked "${tracked}")
    string(REPLACE "\n" ";" files "${tracked}")
else()
    file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h")
    list(FILTER files EXCLUDE REGEX "^build")
endif()

execute_process(
    COMMAND "${CLANG_FORMAT}" --dry-run --Werror ${files}
    WORKING_DIRECTORY "${SOURCE_DIR}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "Some sources are not formatted as .clang-format says; run "
                        "clang-format -i on the files named above.")
endif()
list(LENGTH files count)
message(STATUS "${count} sources are formatted as .clang-format says")
