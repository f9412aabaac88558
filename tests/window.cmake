# The main window: start-up and shutdown as portable logic (native), the tree
# view binding and the window in-process under Wine, and Moravel.exe itself
# started as a process.
moravel_add_test(startup_test SOURCES startup_test.cpp LIBS moravel_app)

if(WIN32)
  # These show windows on the shared X display and some press keys or move the
  # pointer, so they hold the lock of every test that drives the desktop.
  moravel_add_test(tree_view_win_test WIN32_ONLY WHOLE
    SOURCES tree_view_win_test.cpp LIBS moravel_app_win)
  moravel_add_test(main_window_win_test WIN32_ONLY WHOLE
    SOURCES main_window_win_test.cpp ${MORAVEL_APP_RESOURCES} LIBS moravel_app_win)
  moravel_add_test(control_look_win_test WIN32_ONLY WHOLE
    SOURCES control_look_win_test.cpp LIBS moravel_app_win)
  moravel_add_test(moravel_exe_win_test WIN32_ONLY WHOLE
    SOURCES moravel_exe_win_test.cpp LIBS moravel_library)
  # The program under test, as Wine sees it (the Unix root is drive Z:).
  target_compile_definitions(moravel_exe_win_test PRIVATE
    MORAVEL_EXE="Z:$<TARGET_FILE:Moravel>")
  add_dependencies(moravel_exe_win_test Moravel)
  set_tests_properties(tree_view_win_test main_window_win_test control_look_win_test
    moravel_exe_win_test PROPERTIES RESOURCE_LOCK moravel_desktop_input)
endif()

if(WIN32)
  # The quick reply from end to end: Moravel.exe, the fake chat client, and
  # real input.
  moravel_add_test(quick_reply_e2e_win_test WIN32_ONLY WHOLE
    SOURCES quick_reply_e2e_win_test.cpp LIBS moravel_app_win)
  target_compile_definitions(quick_reply_e2e_win_test PRIVATE
    MORAVEL_EXE="Z:$<TARGET_FILE:Moravel>" MORAVEL_FAKE_CHAT="Z:$<TARGET_FILE:fake_chat>")
  add_dependencies(quick_reply_e2e_win_test Moravel fake_chat)
  set_tests_properties(quick_reply_e2e_win_test PROPERTIES RESOURCE_LOCK moravel_desktop_input)
endif()

if(WIN32)
  moravel_add_test(window_commands_win_test WIN32_ONLY WHOLE
    SOURCES window_commands_win_test.cpp ${MORAVEL_APP_RESOURCES} LIBS moravel_app_win)
  set_tests_properties(window_commands_win_test PROPERTIES RESOURCE_LOCK moravel_desktop_input)
endif()
