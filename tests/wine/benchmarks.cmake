# The Wine benchmarks of the host and the add-in, run by tools/bench (never
# by the tests). Each prints "ROW" lines that tools/bench gathers into one table.
add_executable(event_benchmark event_benchmark.cpp ${TESSALINE_RC})
target_link_libraries(event_benchmark PRIVATE tessaline_core)
add_executable(pass_benchmark pass_benchmark.cpp ${TESSALINE_RC})
target_link_libraries(pass_benchmark PRIVATE tessaline_core)
add_executable(load_benchmark load_benchmark.cpp ${TESSALINE_RC})
target_link_libraries(load_benchmark PRIVATE tessaline_core)
