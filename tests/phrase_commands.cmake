# The phrase commands as portable logic (native), the clipboard under Wine.
moravel_add_test(phrase_commands_test SOURCES phrase_commands_test.cpp LIBS moravel_app)
if(WIN32)
  moravel_add_test(clipboard_win_test WIN32_ONLY WHOLE SOURCES clipboard_win_test.cpp LIBS moravel_app_win)
  # The clipboard is one for the whole desktop, and other tests paste from it.
  target_link_libraries(clipboard_win_test PRIVATE shell32)
  set_tests_properties(clipboard_win_test PROPERTIES RESOURCE_LOCK moravel_desktop_input)
endif()
