# The Win32 forms and desktop under Wine (needs a display: the dialogs are
# real windows), the file system's backups, and the backup copy benchmark.
add_executable(forms_test forms_test.cpp)
target_link_libraries(forms_test PRIVATE platform_win32 autosave_core)
add_test(NAME forms COMMAND forms_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_executable(file_system_test file_system_test.cpp)
target_link_libraries(file_system_test PRIVATE platform_win32 autosave_core)
add_test(NAME file_system COMMAND file_system_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_executable(backup_faults_test backup_faults_test.cpp)
target_link_libraries(backup_faults_test PRIVATE platform_win32 autosave_core shell32 advapi32)
add_test(NAME backup_faults COMMAND backup_faults_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Not a test: prints copy rates of replaceBackup against a plain CopyFileW.
add_executable(backup_benchmark backup_benchmark.cpp)
target_link_libraries(backup_benchmark PRIVATE platform_win32 autosave_core)

# Not a test: the longest time a window goes unpainted while a backup runs.
add_executable(stall_benchmark stall_benchmark.cpp)
target_link_libraries(stall_benchmark PRIVATE platform_win32 autosave_core)
