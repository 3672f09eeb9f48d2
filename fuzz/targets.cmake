# The fuzz targets: NAME LIBRARY pairs. Each target is fuzz/NAME.cpp, starts from the seeds
# in fuzz/corpus/NAME/ with the dictionary fuzz/dict/NAME.dict, and the inputs that once
# crashed it live in tests/reliability/crashes/NAME/. fuzz/CMakeLists.txt builds them for
# libFuzzer; tests/reliability replays corpus and crashes in every ordinary build.
# A target whose library is not part of the tree yet is skipped.
set(PELLMARK_FUZZ_TARGETS
    todo_file pellmark_model
    column_file pellmark_model
    todo_roundtrip pellmark_model
    date_format pellmark_model
    json_import pellmark_cli_lib
    csv_import pellmark_cli_lib
    ical_import pellmark_cli_lib
    instance_message pellmark_model)

# Sources a target compiles itself, where its library would bring far more than it needs:
# the message parser is a small part of the application library.
set(PELLMARK_FUZZ_SOURCES_instance_message "${PROJECT_SOURCE_DIR}/app/instance_message.cpp")
