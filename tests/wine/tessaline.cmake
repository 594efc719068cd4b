# The host's conformance test. Included from the host's own CMakeLists and
# from tests/wine; whichever comes first defines it.
include_guard(GLOBAL)

add_executable(tessaline_test ${CMAKE_CURRENT_LIST_DIR}/tessaline_test.cpp ${TESSALINE_RC})
target_link_libraries(tessaline_test PRIVATE tessaline_core)
# Launches tessaline.exe from the same folder and finds its help file there.
add_dependencies(tessaline_test tessaline tessaline_help)
add_test(NAME tessaline COMMAND tessaline_test)
