moravel_add_test(phrase_commands_test
  SOURCES phrase_commands_test.cpp ${PROJECT_SOURCE_DIR}/app/phrase_commands.cpp
  LIBS moravel_library)
moravel_add_test(clipboard_win_test WIN32_ONLY
  SOURCES clipboard_win_test.cpp ${PROJECT_SOURCE_DIR}/app/clipboard_win.cpp
  LIBS moravel_text)
if(TARGET clipboard_win_test)  # declared in the mingw build only
  target_link_libraries(clipboard_win_test PRIVATE user32)
endif()
