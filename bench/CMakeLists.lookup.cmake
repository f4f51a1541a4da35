# velmaro_bench_lookup also needs the sample-data generator and SQLite, its point of comparison.
find_package(SQLite3 REQUIRED)
target_link_libraries(${target} PRIVATE velmaro_sampledata SQLite::SQLite3)
