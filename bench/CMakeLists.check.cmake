# velmaro_bench_check generates its data set with the sample-data generator.
target_link_libraries(${target} PRIVATE velmaro_sampledata)
