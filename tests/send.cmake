# Quick send: the portable rules natively, the Win32 layer under Wine.
moravel_add_test(send_watch_test SOURCES send_watch_test.cpp LIBS moravel_send)
moravel_add_test(send_timing_test SOURCES send_timing_test.cpp LIBS moravel_send)
moravel_add_test(send_chat_test SOURCES send_chat_test.cpp LIBS moravel_send)

if(WIN32)
  # The stand-in chat client (fake_chat.exe), also for end-to-end tests.
  add_subdirectory(fake_chat)

  moravel_add_test(send_delay_win_test WIN32_ONLY SOURCES send_delay_win_test.cpp LIBS moravel_send)

  # These move the one mouse pointer and type into the focused window of the
  # shared X display, so they hold the lock of every test that drives it.
  moravel_add_test(send_watch_win_test WIN32_ONLY WHOLE
    SOURCES send_watch_win_test.cpp LIBS moravel_send)
  moravel_add_test(send_chat_win_test WIN32_ONLY WHOLE
    SOURCES send_chat_win_test.cpp LIBS moravel_send)
  # Today's clients: copies of the fake client under their program names.
  moravel_add_test(send_clients_win_test WIN32_ONLY WHOLE
    SOURCES send_clients_win_test.cpp LIBS moravel_send)
  foreach(test send_chat_win_test send_clients_win_test)
    add_dependencies(${test} fake_chat)
    # Wine maps the Unix root to drive Z:.
    target_compile_definitions(${test} PRIVATE MORAVEL_FAKE_CHAT="Z:$<TARGET_FILE:fake_chat>")
  endforeach()
  set_tests_properties(send_watch_win_test send_chat_win_test send_clients_win_test
    PROPERTIES RESOURCE_LOCK moravel_desktop_input)
endif()
