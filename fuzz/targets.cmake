# The fuzz targets: NAME LIBRARY pairs. Each target is fuzz/NAME.cpp, starts from the seeds
# in fuzz/corpus/NAME/ with the dictionary fuzz/dict/NAME.dict, and the inputs that once
# crashed it live in tests/reliability/crashes/NAME/. fuzz/CMakeLists.txt builds them for
# libFuzzer; tests/reliability replays corpus and crashes in every ordinary build.
# A target whose library is not part of the tree yet is skipped.
set(PELLMARK_FUZZ_TARGETS
    todo_file pellmark_model
    column_file pellmark_model
    todo_roundtrip pellmark_model
    date_format pellmark_model)
