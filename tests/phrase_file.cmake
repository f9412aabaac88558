moravel_add_test(file_io_test SOURCES file_io_test.cpp LIBS moravel_library)
