moravel_add_test(phrase_commands_test
  SOURCES phrase_commands_test.cpp ${PROJECT_SOURCE_DIR}/app/phrase_commands.cpp
  LIBS moravel_library)
