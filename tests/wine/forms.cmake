# The Win32 forms (on the add-in's own layouts), their fonts and the desktop
# under Wine (needs a display: the dialogs are real windows), the file
# system's backups, and the backup copy benchmark.
add_executable(forms_test forms_test.cpp)
target_link_libraries(forms_test PRIVATE platform_win32 autosave_core)
add_test(NAME forms COMMAND forms_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_executable(forms_desktop_test forms_desktop_test.cpp)
target_link_libraries(forms_desktop_test PRIVATE platform_win32 autosave_core)
add_test(NAME forms_desktop COMMAND forms_desktop_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_executable(file_system_test file_system_test.cpp)
target_link_libraries(file_system_test PRIVATE platform_win32 autosave_core)
add_test(NAME file_system COMMAND file_system_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Not a test: prints copy rates of replaceBackup against a plain CopyFileW.
add_executable(backup_benchmark backup_benchmark.cpp)
target_link_libraries(backup_benchmark PRIVATE platform_win32 autosave_core)
