# The main window: start-up and shutdown as portable logic (native), the tree
# view binding and the window in-process under Wine, and Moravel.exe itself
# started as a process.
moravel_add_test(startup_test SOURCES startup_test.cpp LIBS moravel_app)
