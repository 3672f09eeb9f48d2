# Compiler settings shared by every target of the project.

add_library(pellmark_compile_options INTERFACE)
target_compile_options(pellmark_compile_options INTERFACE -Wall -Wextra -Wpedantic)
if(PELLMARK_WERROR)
    target_compile_options(pellmark_compile_options INTERFACE -Werror)
endif()
target_compile_definitions(pellmark_compile_options INTERFACE
    QT_NO_KEYWORDS
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH)

if(PELLMARK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# pellmark_library(NAME folder SOURCES ... DEPENDS ...): one static library per folder.
function(pellmark_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE pellmark_compile_options)
endfunction()

# pellmark_module(NAME SOURCES ... DEPENDS ...): a shared module the program loads on first
# use (platform/module_loader.h), built as lib<NAME>.so into one folder of the build tree
# and installed below the library folder. The sources are compiled into the module itself.
set(PELLMARK_MODULE_BUILD_DIR "${PROJECT_BINARY_DIR}/modules")
set(PELLMARK_MODULE_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/pellmark")
function(pellmark_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    string(REPLACE "-" "_" target "${name}")
    add_library(${target} MODULE ${ARG_SOURCES})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${name}"
        LIBRARY_OUTPUT_DIRECTORY "${PELLMARK_MODULE_BUILD_DIR}")
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} pellmark_compile_options)
    install(TARGETS ${target} LIBRARY DESTINATION "${PELLMARK_MODULE_INSTALL_DIR}")
endfunction()
