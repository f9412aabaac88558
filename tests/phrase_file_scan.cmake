# The fast line scan of the phrase file against a plain reading of the same
# rules, on inputs built to fall on its 16- and 64-byte steps.
moravel_add_test(phrase_file_scan_test SOURCES phrase_file_scan_test.cpp LIBS moravel_library)
