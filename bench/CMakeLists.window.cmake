# velmaro_bench_window drives the window with QtTest's key events, reads the sample data and
# spawns the built program to time its start-up.
target_link_libraries(${target} PRIVATE Qt6::Test)
target_compile_definitions(${target} PRIVATE
    VELMARO_SAMPLE_DIR="${PROJECT_SOURCE_DIR}/data/sample"
    VELMARO_BIN_DIR="${VELMARO_BIN_DIR}")
add_dependencies(${target} velmaro)
