# Conformance tests of ErrorReporter.dll and ResourceLibraryLocator.dll; each
# loads both servers from its own folder.

# The error reporter and its log.
add_executable(components_test ${CMAKE_CURRENT_LIST_DIR}/components_test.cpp)
target_link_libraries(components_test PRIVATE
    ErrorReporter_interface ResourceLibraryLocator_interface platform_win32 shell32)
add_dependencies(components_test ErrorReporter ResourceLibraryLocator)
add_test(NAME components COMMAND components_test)

# The locator, and both servers' registration and class objects.
add_executable(components_servers_test
    ${CMAKE_CURRENT_LIST_DIR}/components_servers_test.cpp
    # The language fallback is checked directly: under Wine the interface
    # language is always the one of the host's locale.
    ${CMAKE_SOURCE_DIR}/components/ResourceLibraryLocator/LibraryPath.cpp)
target_link_libraries(components_servers_test PRIVATE
    ErrorReporter_interface ResourceLibraryLocator_interface platform_win32 shell32)
add_dependencies(components_servers_test ErrorReporter ResourceLibraryLocator)
add_test(NAME components_servers COMMAND components_servers_test)
