# velmaro_bench_batch spawns the built program on the sample data and generates larger sets.
target_link_libraries(${target} PRIVATE velmaro_sampledata)
target_compile_definitions(${target} PRIVATE
    VELMARO_SAMPLE_DIR="${PROJECT_SOURCE_DIR}/data/sample/"
    VELMARO_BIN_DIR="${VELMARO_BIN_DIR}")
add_dependencies(${target} velmaro)
