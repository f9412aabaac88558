moravel_add_test(text_test SOURCES text_test.cpp LIBS moravel_text)
