# Quick send: the portable rules natively, the Win32 layer under Wine.
moravel_add_test(send_watch_test SOURCES send_watch_test.cpp LIBS moravel_send)
moravel_add_test(send_timing_test SOURCES send_timing_test.cpp LIBS moravel_send)
moravel_add_test(send_chat_test SOURCES send_chat_test.cpp LIBS moravel_send)
