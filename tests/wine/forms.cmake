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

add_executable(backup_faults_test backup_faults_test.cpp)
target_link_libraries(backup_faults_test PRIVATE platform_win32 autosave_core shell32 advapi32)
add_test(NAME backup_faults COMMAND backup_faults_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Not a test: prints copy rates of replaceBackup against a plain CopyFileW.
add_executable(backup_benchmark backup_benchmark.cpp)
target_link_libraries(backup_benchmark PRIVATE platform_win32 autosave_core)

# Help asked for beside a planted help viewer: the test program and the
# planted library in a folder of their own, which is also the current one.
set(PLANTED_DIR ${CMAKE_BINARY_DIR}/bin/planted)
add_library(planted_hhctrl SHARED planted_hhctrl.cpp)
set_target_properties(planted_hhctrl PROPERTIES PREFIX "" OUTPUT_NAME hhctrl SUFFIX .ocx
                      RUNTIME_OUTPUT_DIRECTORY ${PLANTED_DIR})
add_executable(help_viewer_test help_viewer_test.cpp)
target_link_libraries(help_viewer_test PRIVATE platform_win32 autosave_core)
set_target_properties(help_viewer_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PLANTED_DIR})
add_dependencies(help_viewer_test planted_hhctrl)
add_test(NAME help_viewer COMMAND help_viewer_test WORKING_DIRECTORY ${PLANTED_DIR})
set_tests_properties(help_viewer PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\\;hhctrl.ocx=n,b")

# Not a test: the longest time a window goes unpainted while a backup runs.
add_executable(stall_benchmark stall_benchmark.cpp)
target_link_libraries(stall_benchmark PRIVATE platform_win32 autosave_core)
