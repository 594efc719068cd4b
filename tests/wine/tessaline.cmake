# The host's conformance test; needs tessaline/ added first (TESSALINE_RC).

add_executable(tessaline_test ${CMAKE_CURRENT_LIST_DIR}/tessaline_test.cpp ${TESSALINE_RC})
target_link_libraries(tessaline_test PRIVATE tessaline_core)
# Launches tessaline.exe from the same folder and finds its help file there.
add_dependencies(tessaline_test tessaline tessaline_help)
add_test(NAME tessaline COMMAND tessaline_test)
