# The host's conformance tests; need tessaline/ added first (TESSALINE_RC).
# Each program hosts the host in-process, so each carries its resources.

# What they share: an in-process host, test sinks, a fake add-in class, runs of tessaline.exe.
add_library(tessaline_fixture STATIC ${CMAKE_CURRENT_LIST_DIR}/TessalineFixture.cpp)
target_link_libraries(tessaline_fixture PUBLIC tessaline_core)
# Launches tessaline.exe from the same folder and finds its help file there.
add_dependencies(tessaline_fixture tessaline tessaline_help)

# The object model in-process: events, add-ins, failures.
add_executable(tessaline_test ${CMAKE_CURRENT_LIST_DIR}/tessaline_test.cpp ${TESSALINE_RC})
target_link_libraries(tessaline_test PRIVATE tessaline_fixture)
add_test(NAME tessaline COMMAND tessaline_test)

# The menus in-process, checked against the add-in's language libraries.
add_executable(tessaline_menus_test ${CMAKE_CURRENT_LIST_DIR}/tessaline_menus_test.cpp ${TESSALINE_RC})
target_link_libraries(tessaline_menus_test PRIVATE tessaline_fixture)
add_dependencies(tessaline_menus_test vokAutoSave_ENU vokAutoSave_DEU vokAutoSave_JPN)
add_test(NAME tessaline_menus COMMAND tessaline_menus_test)

# The documents in-process: identity, saving, the File-Save command, closing.
add_executable(tessaline_documents_test ${CMAKE_CURRENT_LIST_DIR}/tessaline_documents_test.cpp ${TESSALINE_RC})
target_link_libraries(tessaline_documents_test PRIVATE tessaline_fixture)
add_test(NAME tessaline_documents COMMAND tessaline_documents_test)

# The host on scripts: tessaline.exe runs and in-process sessions stepped line by line.
add_executable(tessaline_scripts_test ${CMAKE_CURRENT_LIST_DIR}/tessaline_scripts_test.cpp ${TESSALINE_RC})
target_link_libraries(tessaline_scripts_test PRIVATE tessaline_fixture)
add_test(NAME tessaline_scripts COMMAND tessaline_scripts_test)

# Commands run through the command control.
add_executable(tessaline_commands_test ${CMAKE_CURRENT_LIST_DIR}/tessaline_commands_test.cpp ${TESSALINE_RC})
target_link_libraries(tessaline_commands_test PRIVATE tessaline_fixture)
add_test(NAME tessaline_commands COMMAND tessaline_commands_test)
